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
    // The parse stops at its next check of the flag; its thread deletes itself when done.
    parserCancelled_->store(true);
    QThread* thread = parser_;
    parser_ = nullptr;
    thread->disconnect(this);
}

void FeedReader::parse(bool ok, const QByteArray& document, const QByteArray& charset) {
    if (!ok) {
        emit finished(FeedListing());
        return;
    }
    auto listing = std::make_shared<FeedListing>();
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    parserCancelled_ = cancelled;
    const bool isOnline = isOnline_;
    parser_ = QThread::create([listing, document, charset, isOnline, cancelled, step = parseStep_] {
        *listing = step(document, charset, isOnline, cancelled.get());
    });
    connect(parser_, &QThread::finished, parser_, &QObject::deleteLater);
    // A result already queued when the parse was cancelled must not end a later read.
    connect(parser_, &QThread::finished, this, [this, listing, generation = generation_] {
        if (generation != generation_)
            return;
        parser_ = nullptr;
        emit finished(*listing);
    });
    parser_->start();
}

} // namespace tarvo
