#include "feed_reader.h"

namespace tarvo {

FeedReader::FeedReader(QObject* parent) : QObject(parent) {
    connect(&fetcher_, &FeedFetcher::finished, this, &FeedReader::parse);
}

FeedReader::~FeedReader() {
    cancel();
}

bool FeedReader::start(const QString& address, bool isOnline) {
    if (isRunning())
        return false;
    isOnline_ = isOnline;
    return fetcher_.start(address);
}

void FeedReader::cancel() {
    fetcher_.cancel();
    ++generation_;
    if (!parser_)
        return;
    // The document's limits bound the parse to a fraction of a second.
    QThread* thread = parser_;
    parser_ = nullptr;
    thread->disconnect(this);
    thread->wait();
    delete thread;
}

void FeedReader::parse(bool ok, const QByteArray& document) {
    if (!ok) {
        emit finished(FeedListing());
        return;
    }
    auto listing = std::make_shared<FeedListing>();
    const bool isOnline = isOnline_;
    parser_ = QThread::create(
        [listing, document, isOnline] { *listing = parseFeed(document, isOnline); });
    // A result already queued when the parse was cancelled must not end a later read.
    connect(parser_, &QThread::finished, this, [this, listing, generation = generation_] {
        if (generation != generation_)
            return;
        QThread* thread = parser_;
        parser_ = nullptr;
        thread->deleteLater();
        emit finished(*listing);
    });
    parser_->start();
}

} // namespace tarvo
