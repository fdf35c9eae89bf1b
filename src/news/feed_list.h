#pragma once

#include "common/data_directory.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tarvo {

// The user's saved feeds, "file2.trv": one line per feed, title "!" address, CR LF ends,
// in the order saved. Duplicates are allowed; only its position names a line.
class FeedListStore {
public:
    explicit FeedListStore(const DataDirectory& dataDir);

    QString filePath() const { return path_; }

    // Every line of the file, in order; a missing or unreadable file is an empty list.
    QStringList load() const;

    // Appends one line, creating the file when missing.
    bool append(const QString& entry) const;

    // Replaces the whole file with these lines; on failure the file is as it was.
    bool rewrite(const QStringList& entries) const;

    static constexpr const char* fileName = "file2.trv";

private:
    QString path_;
};

// The lines of a feed list file: CR LF, LF or a lone CR ends one; each line decoded on its
// own (UTF-8, else the Arabic code page).
QStringList feedListLines(const QByteArray& bytes);

enum class AddFeedResult { Added, Incomplete, WriteFailed };

// Saves title "!" address as a new line. An empty title or address is refused; spaces
// count as text.
AddFeedResult addFeed(const FeedListStore& store, const QString& title, const QString& address);

// Writes every entry but the one at index; false, with the file untouched, when the write
// fails or the index is out of range.
bool removeFeedAt(const FeedListStore& store, const QStringList& entries, int index);

struct FeedEntryParts {
    std::optional<QString> title; // none when the text holds no "!"
    QString address;
};

// Splits at the first "!": the title before it, the address (later "!" included) after.
// Without a "!" the whole text is the address.
FeedEntryParts splitFeedEntry(const QString& text);

} // namespace tarvo
