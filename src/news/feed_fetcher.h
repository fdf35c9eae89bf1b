#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace tarvo {

struct FeedFetchLimits {
    std::chrono::milliseconds deadline{20000}; // for the whole fetch, redirects included
    qint64 maxBytes = 10 * 1024 * 1024;        // counted after decompression
    int maxRedirects = 5;
};

// Fetches one feed document without blocking the event loop: an http or https address
// (redirects to http or https followed), a file: address or a local path. Every fetch ends
// with exactly one finished(), also when it fails, times out or grows past the limit.
// The charset parameter of a Content-Type header value ("text/xml; charset=windows-1256"),
// unquoted; empty when it names none.
QByteArray charsetOfContentType(const QByteArray& contentType);

class FeedFetcher : public QObject {
    Q_OBJECT
public:
    explicit FeedFetcher(QObject* parent = nullptr);
    ~FeedFetcher() override;

    void setLimits(const FeedFetchLimits& limits) { limits_ = limits; }
    const FeedFetchLimits& limits() const { return limits_; }

    bool isRunning() const { return running_; }

    // False, and nothing started, while a fetch runs.
    bool start(const QString& address);

    // Ends a running fetch without a finished().
    void cancel();

signals:
    // charset is the one the server's Content-Type names, empty when none (or a file).
    void finished(bool ok, const QByteArray& document, const QByteArray& charset);

private:
    void startNetwork(const QUrl& url);
    void later(std::function<void()> step);
    void readFile(const QString& path);
    void onReadyRead();
    void onRedirected(const QUrl& url);
    void onReplyFinished();
    void complete(bool ok);
    void dropReply();

    FeedFetchLimits limits_;
    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QTimer deadline_;
    QByteArray body_;
    QByteArray charset_;
    int redirects_ = 0;
    QString address_; // for the log
    bool running_ = false;
    quint64 generation_ = 0; // tells a cancelled fetch's queued steps from the current one's
};

} // namespace tarvo
