#pragma once

#include "feed_fetcher.h"
#include "feed_parser.h"

#include <QObject>
#include <QPointer>
#include <QThread>

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
    bool isRunning() const { return fetcher_.isRunning() || parser_; }

    // False, and nothing started, while a read runs.
    bool start(const QString& address, bool isOnline);

    // Ends a running read without a finished().
    void cancel();

signals:
    // Empty when the document could not be fetched or parsed.
    void finished(const tarvo::FeedListing& listing);

private:
    void parse(bool ok, const QByteArray& document);

    FeedFetcher fetcher_;
    QPointer<QThread> parser_;
    quint64 generation_ = 0; // tells a cancelled parse's queued result from the current one
    bool isOnline_ = true;
};

} // namespace tarvo
