#pragma once

#include "feed_fetcher.h"
#include "feed_parser.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace tarvo {

// Fetches a feed and lists it, neither step on the caller's thread: the document arrives
// through the event loop and is parsed on a worker, so a large feed stalls no timer.
class FeedReader : public QObject {
    Q_OBJECT
public:
    explicit FeedReader(QObject* parent = nullptr);
    ~FeedReader() override;

    void setLimits(const FeedFetchLimits& limits) { fetcher_.setLimits(limits); }

    // The listing step, run on the worker; tests put in one that they hold up.
    using ParseStep =
        std::function<FeedListing(const QByteArray& document, const QByteArray& charset,
                                  bool isOnline, const std::atomic<bool>* cancelled)>;
    void setParseStep(ParseStep step) { parseStep_ = std::move(step); }
    bool isRunning() const { return fetcher_.isRunning() || parser_; }

    // False, and nothing started, while a read runs.
    bool start(const QString& address, bool isOnline);

    // Ends a running read without a finished(), at once: a parse under way is told to stop
    // and left to end on its own, nothing waits for it.
    void cancel();

signals:
    // Empty when the document could not be fetched or parsed.
    void finished(const tarvo::FeedListing& listing);

private:
    void parse(bool ok, const QByteArray& document, const QByteArray& charset);

    FeedFetcher fetcher_;
    QPointer<QThread> parser_;
    std::shared_ptr<std::atomic<bool>> parserCancelled_;
    ParseStep parseStep_ = [](const QByteArray& document, const QByteArray& charset, bool isOnline,
                              const std::atomic<bool>* cancelled) {
        return parseFeed(document, isOnline, {}, cancelled, charset);
    };
    quint64 generation_ = 0; // tells a cancelled parse's queued result from the current one
    bool isOnline_ = true;
};

} // namespace tarvo
