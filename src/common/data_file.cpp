#include "data_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace tarvo {

namespace {

// Windows-1256, the Arabic code page, from 0x80 on: ours, since Qt without ICU (as on
// Windows) knows no code pages but UTF and Latin-1.
constexpr char16_t kArabicCodePage[128] = {
    0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0679, 0x2039, 0x0152, 0x0686, 0x0698, 0x0688,
    0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA,
    0x00A0, 0x060C, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x061B, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x061F,
    0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F,
    0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x0636, 0x00D7,
    0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,
    0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x0649, 0x064A, 0x00EE, 0x00EF,
    0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,
    0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,
};

} // namespace

QString decodeDataText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(byte < 0x80 ? char16_t(byte) : kArabicCodePage[byte - 0x80]);
    }
    return text;
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

QString AtomicFileWriter::temporaryPathFor(const QString& path) {
    return path + QStringLiteral(".tmp");
}

} // namespace tarvo
