#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

namespace tarvo {

// Data files are UTF-8; a file that is not valid UTF-8 was written under the Arabic
// Windows code page and is read as Windows-1256.
QString decodeDataText(const QByteArray& bytes);
QByteArray encodeDataText(const QString& text);

// The whole file, or nothing when it is missing, unreadable or larger than maxBytes.
std::optional<QByteArray> readFileBytes(const QString& path, qint64 maxBytes = 1 << 20);

// The first line of a data file, without its CR, LF or CR LF; nothing when unreadable.
std::optional<QString> readFirstLine(const QString& path);

// Appends bytes, creating the file when missing.
bool appendToFile(const QString& path, const QByteArray& bytes);

// Replaces a file so that at every instant it holds either the old or the new content:
// the bytes go to a temporary file in the same directory, which is renamed over the
// target. A failed write leaves the previous file and no temporary file.
class AtomicFileWriter {
public:
    // Disk syncs are spaced at least syncInterval apart; zero syncs on every write.
    explicit AtomicFileWriter(std::chrono::seconds syncInterval = std::chrono::seconds(60));

    bool write(const QString& path, const QByteArray& bytes);

    // The name of the temporary file used for path (a leftover of a killed run).
    static QString temporaryPathFor(const QString& path);

private:
    std::chrono::steady_clock::duration syncInterval_;
    std::optional<std::chrono::steady_clock::time_point> lastSync_;
};

} // namespace tarvo
