// Any bytes as the saved feed list: its lines hold no line end, saving them and reading them
// back gives the same lines, and each splits into title and address without losing a
// character.
#include "fuzz_support.h"
#include "news/feed_list.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList lines = tarvo::feedListLines(fuzz::bytes(data, size));
    QByteArray saved;
    for (const QString& line : lines) {
        fuzz::require(!line.contains(u'\r') && !line.contains(u'\n'), "a line holds no line end");
        const tarvo::FeedEntryParts parts = tarvo::splitFeedEntry(line);
        if (parts.title) {
            fuzz::require(!parts.title->contains(u'!'), "the title ends at the first !");
            fuzz::require(*parts.title + u'!' + parts.address == line,
                          "title ! address is the line");
        } else {
            fuzz::require(!line.contains(u'!') && parts.address == line,
                          "no ! gives the whole line");
        }
        saved += line.toUtf8() + "\r\n";
    }
    fuzz::require(tarvo::feedListLines(saved) == lines, "a rewritten list reads back the same");
    return 0;
}
