#pragma once

#include "router/sockets.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <optional>

namespace tarvo {

// One exchange with a device on the LAN, which is not trusted to end it: the whole of it
// within 2 s, at most 64 KiB read, headers and chunk framing included, no redirect.
struct FetchLimits {
    static constexpr qint64 kDeadlineMs = 2000;
    static constexpr qint64 kMaxAnswer = 64 * 1024;
};

// An HTTP/1.1 answer read as it arrives, each byte counted against the limit: the status line,
// the headers, then a body of Content-Length bytes, in chunks, or up to the end of the stream.
// Nothing but the body is kept.
class HttpAnswer {
public:
    enum class State { More, Done, Failed };

    explicit HttpAnswer(qint64 maxBytes = FetchLimits::kMaxAnswer) : max_(maxBytes) {}
    State feed(QByteArrayView bytes);
    // The peer ended the stream: a body without length or chunks ends there.
    State end();

    State state() const { return state_; }
    int status() const { return status_; }
    const QByteArray& body() const { return body_; }
    const QString& error() const { return error_; }
    qint64 bytesRead() const { return read_; }

private:
    enum class Part { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailers };

    State fail(const QString& why);
    State line(QByteArrayView text);
    State header(QByteArrayView text);
    State bodyStarts();

    qint64 max_;
    State state_ = State::More;
    Part part_ = Part::StatusLine;
    QByteArray line_;
    QByteArray body_;
    QString error_;
    int status_ = 0;
    qint64 read_ = 0;
    qint64 length_ = -1; // Content-Length, or the chunk's size while in one
    bool chunked_ = false;
};

using FetchHeaders = QList<QPair<QByteArray, QByteArray>>;

// A GET (post unset) or POST over a socket of its own, Connection: close, to an IPv4 host
// only; never waits. Each poll moves it on as far as it goes at once: connected, the request
// sent, what has arrived read. Past the deadline, counted from the start, it is given up.
class HttpExchange {
public:
    HttpExchange(const QUrl& url, const std::optional<QByteArray>& post,
                 const FetchHeaders& headers, qint64 nowMs);
    // True once the exchange is over.
    bool poll(qint64 nowMs);
    bool done() const { return done_; }

    // Once done: the whole answer (any status), or nullopt with the reason.
    std::optional<QByteArray> body() const;
    int status() const { return answer_.status(); }
    const QString& error() const { return error_; }
    qint64 bytesRead() const { return answer_.bytesRead(); }
    // When the whole request was sent (the poll's time), -1 before: what the answer tells is of
    // that moment, however late it is read.
    qint64 sentAt() const { return sentAt_; }

private:
    void finish(const QString& error);

    qint64 start_;
    sockets::Socket socket_;
    bool connected_ = false;
    QByteArray request_;
    qsizetype sent_ = 0;
    qint64 sentAt_ = -1;
    HttpAnswer answer_;
    bool done_ = false;
    QString error_;
};

// The request an exchange sends.
QByteArray httpRequest(const QUrl& url, const std::optional<QByteArray>& post,
                       const FetchHeaders& headers);

} // namespace tarvo
