#include "common/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>

namespace tarvo {

Q_LOGGING_CATEGORY(lcTraffic, "tarvo.traffic", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHistory, "tarvo.history", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRouter, "tarvo.router", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNews, "tarvo.news", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSystem, "tarvo.system", QtInfoMsg)

namespace {

struct Sink {
    std::mutex mutex;
    QString path; // empty: no file
    std::FILE* err = nullptr;
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

Sink& sink() {
    static Sink s;
    return s;
}

const char* levelName(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

// Appends one line; a file past its size is kept as the one before and a new one begun. A
// file that cannot be written is given up quietly: the log must never stop the meter.
void appendToFile(const QString& path, const QByteArray& line) {
    if (QFileInfo(path).size() + line.size() > Log::kMaxBytes) {
        const QString previous = path + QStringLiteral(".1");
        QFile::remove(previous);
        QFile::rename(path, previous);
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line);
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Sink& s = sink();
    const QByteArray line = Log::line(type, context.category ? context.category : "default", text,
                                      QDateTime::currentDateTime().toString(Qt::ISODate))
                                .toUtf8() +
                            '\n';
    {
        const std::lock_guard lock(s.mutex);
        if (!s.path.isEmpty())
            appendToFile(s.path, line);
        if (s.err) {
            std::fwrite(line.constData(), 1, size_t(line.size()), s.err);
            std::fflush(s.err);
        }
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString Log::escaped(const QString& text) {
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), kMaxLineChars) + 8);
    for (const QChar c : text) {
        if (out.size() >= kMaxLineChars) {
            out += QStringLiteral("...");
            break;
        }
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            continue;
        case u'\n':
            out += QStringLiteral("\\n");
            continue;
        case u'\r':
            out += QStringLiteral("\\r");
            continue;
        case u'\t':
            out += QStringLiteral("\\t");
            continue;
        default:
            break;
        }
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString Log::line(QtMsgType type, const char* category, const QString& text, const QString& time) {
    return QStringLiteral("%1 %2 %3: %4")
        .arg(time, QLatin1String(category), QLatin1String(levelName(type)), escaped(text));
}

void Log::install(const QString& directory, std::FILE* err) {
    Sink& s = sink();
    {
        const std::lock_guard lock(s.mutex);
        s.path =
            directory.isEmpty() ? QString() : QDir(directory).filePath(QLatin1String(kFileName));
        s.err = err;
    }
    if (!s.installed) {
        s.previous = qInstallMessageHandler(handle);
        s.installed = true;
    }
}

void Log::uninstall() {
    Sink& s = sink();
    if (!s.installed)
        return;
    qInstallMessageHandler(s.previous);
    s.installed = false;
    const std::lock_guard lock(s.mutex);
    s.path.clear();
    s.err = nullptr;
}

} // namespace tarvo
