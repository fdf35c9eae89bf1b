#include "data_file.h"

#include "code_pages.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace tarvo {


QString decodeDataText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return decodeArabicCodePage(bytes);
}

QByteArray encodeDataText(const QString& text) {
    return text.toUtf8();
}

std::optional<QByteArray> readFileBytes(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read in steps the size of the file: one read of the whole limit would allocate (and
    // clear) megabytes for the few bytes these files hold.
    QByteArray bytes;
    const qint64 step = std::clamp<qint64>(file.size() + 1, 4096, maxBytes + 1);
    for (;;) {
        const QByteArray part = file.read(std::min(step, maxBytes + 1 - bytes.size()));
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        if (part.isEmpty())
            return bytes;
        bytes += part;
        if (bytes.size() > maxBytes)
            return std::nullopt;
    }
}

std::optional<QString> readFirstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One line is all any reader wants; a few kilobytes are far more than any line here.
    QByteArray head = file.read(4096);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const qsizetype end = head.indexOf('\r') >= 0 && (head.indexOf('\n') < 0 ||
                                                      head.indexOf('\r') < head.indexOf('\n'))
                              ? head.indexOf('\r')
                              : head.indexOf('\n');
    if (end >= 0)
        head.truncate(end);
    return decodeDataText(head);
}

bool appendToFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool ok = file.write(bytes) == bytes.size();
    return file.flush() && ok;
}

AtomicFileWriter::AtomicFileWriter(std::chrono::seconds syncInterval)
    : syncInterval_(syncInterval) {}

bool AtomicFileWriter::syncDue() const {
    return !lastSync_ || std::chrono::steady_clock::now() - *lastSync_ >= syncInterval_;
}

QString AtomicFileWriter::temporaryPathFor(const QString& path) {
    return path + QStringLiteral(".tmp");
}

} // namespace tarvo
