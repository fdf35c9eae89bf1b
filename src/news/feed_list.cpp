#include "feed_list.h"

#include "common/data_file.h"
#include "common/log.h"

#include <QFile>
#include <QFileInfo>

namespace tarvo {

namespace {

// A feed list is a few hundred bytes; this only bounds a damaged or foreign file.
constexpr qint64 maxListBytes = 16 * 1024 * 1024;

const QByteArray lineEnd = QByteArrayLiteral("\r\n");

QByteArray encodeLine(const QString& entry) {
    return encodeDataText(entry) + lineEnd;
}

} // namespace

FeedListStore::FeedListStore(const DataDirectory& dataDir)
    : path_(dataDir.filePath(QString::fromLatin1(fileName))) {}

QStringList FeedListStore::load() const {
    const std::optional<QByteArray> bytes = readFileBytes(path_, maxListBytes);
    return bytes ? feedListLines(*bytes) : QStringList();
}

QStringList feedListLines(const QByteArray& bytes) {
    QStringList entries;
    // Lines are decoded one by one: a list written under the Arabic code page and later
    // extended in UTF-8 keeps both kinds of line readable.
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        entries.append(decodeDataText(bytes.mid(start, end - start)));
        if (end < size && bytes.at(end) == '\r' && end + 1 < size && bytes.at(end + 1) == '\n')
            ++end;
        start = end + 1;
    }
    return entries;
}

bool FeedListStore::append(const QString& entry) const {
    QByteArray bytes = encodeLine(entry);
    // A last line without its line end (added by hand) must not swallow the new one.
    const QFileInfo info(path_);
    const bool existed = info.exists();
    const qint64 oldSize = existed ? info.size() : 0;
    if (oldSize > 0) {
        const std::optional<QByteArray> old = readFileBytes(path_, maxListBytes);
        if (old && !old->endsWith('\n') && !old->endsWith('\r'))
            bytes.prepend(lineEnd);
    }
    if (appendToFile(path_, bytes))
        return true;
    // A write cut short (a full disk) must not leave half a line for the next one to join.
    qCWarning(lcNews).noquote() << "a feed could not be added to the list:" << path_;
    if (existed)
        QFile::resize(path_, oldSize);
    else
        QFile::remove(path_);
    return false;
}

bool FeedListStore::rewrite(const QStringList& entries) const {
    QByteArray bytes;
    for (const QString& entry : entries)
        bytes += encodeLine(entry);
    // Deletes are rare and the list is the user's own work: sync every time.
    AtomicFileWriter writer(std::chrono::seconds(0));
    const bool written = writer.write(path_, bytes);
    if (!written)
        qCWarning(lcNews).noquote() << "the feed list could not be replaced:" << path_;
    return written;
}

AddFeedResult addFeed(const FeedListStore& store, const QString& title, const QString& address) {
    if (title.isEmpty() || address.isEmpty())
        return AddFeedResult::Incomplete;
    return store.append(title + QLatin1Char('!') + address) ? AddFeedResult::Added
                                                            : AddFeedResult::WriteFailed;
}

bool removeFeedAt(const FeedListStore& store, const QStringList& entries, int index) {
    if (index < 0 || index >= entries.size())
        return false;
    QStringList remaining = entries;
    remaining.removeAt(index);
    return store.rewrite(remaining);
}

FeedEntryParts splitFeedEntry(const QString& text) {
    const qsizetype bang = text.indexOf(QLatin1Char('!'));
    if (bang < 0)
        return {std::nullopt, text};
    return {text.left(bang), text.mid(bang + 1)};
}

} // namespace tarvo
