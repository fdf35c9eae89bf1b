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

    // For a file rewritten every second: where this writer wrote the file last and the new
    // content is no shorter and fits in one page, it goes into the same file in place. One
    // write into the page cache, which a kill cannot split and a power cut leaves whole
    // sector by sector (the first line within the first sector), instead of a new file that
    // the file system must allocate, flush and free again every second. Otherwise, and on
    // Windows always, as write().
    bool rewrite(const QString& path, const QByteArray& bytes);

    // The name of the temporary file used for path (a leftover of a killed run).
    static QString temporaryPathFor(const QString& path);

private:
    // Whether the next write should reach the disk; synced() once it has.
    bool syncDue() const;
    void synced() { lastSync_ = std::chrono::steady_clock::now(); }

    std::chrono::steady_clock::duration syncInterval_;
    std::optional<std::chrono::steady_clock::time_point> lastSync_;
    QString lastPath_;
    qsizetype lastSize_ = -1;
};

} // namespace tarvo
