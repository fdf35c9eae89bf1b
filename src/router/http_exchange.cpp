#include "router/http_exchange.h"

#include <QHostAddress>

namespace tarvo {

namespace {

QByteArrayView trimmed(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    return v;
}

bool sameName(QByteArrayView a, const char* b) {
    return QByteArrayView(b).compare(a, Qt::CaseInsensitive) == 0;
}

// Digits only, no larger than max; -1 otherwise.
qint64 number(QByteArrayView text, int base, qint64 max) {
    if (text.isEmpty() || text.size() > 16)
        return -1;
    qint64 n = 0;
    for (const char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return -1;
        n = n * base + d;
        if (n > max)
            return -1;
    }
    return n;
}

const QString kOver = QStringLiteral("an answer over 64 KiB");

} // namespace

HttpAnswer::State HttpAnswer::fail(const QString& why) {
    if (state_ == State::More) {
        state_ = State::Failed;
        error_ = why;
        body_.clear();
    }
    return state_;
}

HttpAnswer::State HttpAnswer::feed(QByteArrayView bytes) {
    while (state_ == State::More && !bytes.isEmpty()) {
        if (part_ == Part::Body || part_ == Part::ChunkData) {
            qsizetype take = bytes.size();
            if (length_ >= 0)
                take = qsizetype(std::min<qint64>(take, length_));
            if (read_ + take > max_)
                return fail(kOver);
            read_ += take;
            body_.append(bytes.first(take));
            bytes = bytes.sliced(take);
            if (length_ >= 0) {
                length_ -= take;
                if (length_ == 0) {
                    if (part_ == Part::Body)
                        state_ = State::Done;
                    else
                        part_ = Part::ChunkEnd;
                }
            }
            continue;
        }
        // A line: up to its '\n', within what is left of the limit.
        const qsizetype end = bytes.indexOf('\n');
        const qsizetype take = end < 0 ? bytes.size() : end + 1;
        if (read_ + take > max_)
            return fail(kOver);
        read_ += take;
        line_.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (end < 0)
            break;
        QByteArrayView text(line_);
        text.chop(1);
        if (text.endsWith('\r'))
            text.chop(1);
        const State s = line(text);
        line_.clear();
        if (s != State::More)
            return s;
    }
    return state_;
}

HttpAnswer::State HttpAnswer::line(QByteArrayView text) {
    switch (part_) {
    case Part::StatusLine: {
        // "HTTP/1.x NNN reason"
        if (!text.startsWith("HTTP/1.") || text.size() < 12 || text[8] != ' ' ||
            (text.size() > 12 && text[12] != ' '))
            return fail(QStringLiteral("not an HTTP answer"));
        const qint64 code = number(text.sliced(9, 3), 10, 999);
        if (code < 100)
            return fail(QStringLiteral("not an HTTP answer"));
        status_ = int(code);
        part_ = Part::Headers;
        return State::More;
    }
    case Part::Headers:
        if (text.isEmpty()) {
            // An interim answer (100 Continue): the real one follows.
            if (status_ < 200) {
                part_ = Part::StatusLine;
                length_ = -1;
                chunked_ = false;
                return State::More;
            }
            return bodyStarts();
        }
        return header(text);
    case Part::ChunkSize: {
        const qsizetype semicolon = text.indexOf(';');
        const qint64 size = number(trimmed(semicolon < 0 ? text : text.first(semicolon)), 16, max_);
        if (size < 0)
            return fail(QStringLiteral("a malformed chunk"));
        if (size == 0) {
            part_ = Part::Trailers;
        } else {
            length_ = size;
            part_ = Part::ChunkData;
        }
        return State::More;
    }
    case Part::ChunkEnd:
        if (!text.isEmpty())
            return fail(QStringLiteral("a malformed chunk"));
        part_ = Part::ChunkSize;
        return State::More;
    case Part::Trailers:
        if (text.isEmpty())
            state_ = State::Done;
        return state_;
    case Part::Body:
    case Part::ChunkData:
        break;
    }
    return state_;
}

HttpAnswer::State HttpAnswer::header(QByteArrayView text) {
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0 || text.front() == ' ' || text.front() == '\t')
        return fail(QStringLiteral("a malformed header"));
    const QByteArrayView name = text.first(colon);
    const QByteArrayView value = trimmed(text.sliced(colon + 1));
    if (sameName(name, "Content-Length")) {
        const qint64 n = number(value, 10, std::numeric_limits<qint64>::max() / 16);
        if (n < 0 || (length_ >= 0 && n != length_))
            return fail(QStringLiteral("a malformed length"));
        if (n > max_)
            return fail(kOver);
        length_ = n;
    } else if (sameName(name, "Transfer-Encoding")) {
        if (!sameName(value, "chunked"))
            return fail(QStringLiteral("an encoding other than chunked"));
        chunked_ = true;
    }
    return State::More;
}

HttpAnswer::State HttpAnswer::bodyStarts() {
    if (chunked_ && length_ >= 0)
        return fail(QStringLiteral("both a length and chunks"));
    if (chunked_) {
        part_ = Part::ChunkSize;
        length_ = -1;
    } else {
        part_ = Part::Body;
        if (length_ == 0)
            state_ = State::Done;
    }
    return state_;
}

HttpAnswer::State HttpAnswer::end() {
    if (state_ == State::More) {
        if (part_ == Part::Body && length_ < 0)
            state_ = State::Done;
        else
            fail(QStringLiteral("the answer ended early"));
    }
    return state_;
}

QByteArray httpRequest(const QUrl& url, const std::optional<QByteArray>& post,
                       const FetchHeaders& headers) {
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray r = (post ? "POST " : "GET ") + target +
                   " HTTP/1.1\r\nHost: " + url.host(QUrl::FullyEncoded).toLatin1() + ':' +
                   QByteArray::number(url.port(80)) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : headers)
        if (!name.contains('\r') && !name.contains('\n') && !value.contains('\r') &&
            !value.contains('\n'))
            r += name + ": " + value + "\r\n";
    if (post)
        r += "Content-Length: " + QByteArray::number(post->size()) + "\r\n";
    r += "\r\n";
    if (post)
        r += *post;
    return r;
}

HttpExchange::HttpExchange(const QUrl& url, const std::optional<QByteArray>& post,
                           const FetchHeaders& headers, qint64 nowMs)
    : start_(nowMs), request_(httpRequest(url, post, headers)) {
    bool ok = false;
    const QHostAddress host(url.host());
    const quint32 address = host.toIPv4Address(&ok);
    const int port = url.port(80);
    if (url.scheme() != u"http" || !ok || port <= 0 || port > 65535) {
        finish(QStringLiteral("not an http address of IPv4"));
        return;
    }
    sockets::start();
    socket_ = sockets::Socket(sockets::connectTcp(address, quint16(port)));
    if (!socket_.valid())
        finish(QStringLiteral("no connection to the device"));
    else
        poll(nowMs);
}

void HttpExchange::finish(const QString& error) {
    done_ = true;
    error_ = error;
    socket_.reset();
}

bool HttpExchange::poll(qint64 nowMs) {
    if (done_)
        return true;
    if (!connected_) {
        switch (sockets::connectState(socket_.get())) {
        case sockets::Connect::Failed:
            finish(QStringLiteral("no connection to the device"));
            return true;
        case sockets::Connect::Pending:
            break;
        case sockets::Connect::Done:
            connected_ = true;
            break;
        }
    }
    while (connected_ && sent_ < request_.size()) {
        const std::int64_t n =
            sockets::send(socket_.get(), request_.constData() + sent_, request_.size() - sent_);
        if (n == sockets::kFailed) {
            finish(QStringLiteral("the connection failed"));
            return true;
        }
        if (n == sockets::kWouldBlock)
            break;
        sent_ += qsizetype(n);
        if (sent_ == request_.size())
            sentAt_ = nowMs;
    }
    // Whatever has arrived, never more than the limit and one buffer.
    char buffer[8192];
    while (connected_ && answer_.state() == HttpAnswer::State::More) {
        const std::int64_t n = sockets::receive(socket_.get(), buffer, sizeof buffer);
        if (n == sockets::kWouldBlock)
            break;
        if (n == sockets::kFailed) {
            finish(QStringLiteral("the connection failed"));
            return true;
        }
        if (n == 0)
            answer_.end();
        else
            answer_.feed(QByteArrayView(buffer, qsizetype(n)));
    }
    if (answer_.state() == HttpAnswer::State::Done)
        finish(QString());
    else if (answer_.state() == HttpAnswer::State::Failed)
        finish(answer_.error());
    else if (nowMs - start_ >= FetchLimits::kDeadlineMs)
        finish(QStringLiteral("no whole answer within 2 s"));
    return done_;
}

std::optional<QByteArray> HttpExchange::body() const {
    if (!done_ || !error_.isEmpty())
        return std::nullopt;
    return answer_.body();
}

} // namespace tarvo
