#pragma once

#include "support/test_http_server.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <array>

// A small HTTP/1.1 responder on 127.0.0.1 for the fetcher's tests: a response per path. It
// counts connections and requests so tests can tell that nothing was asked.
class LocalHttpServer : public TestHttpServer {
public:
    enum class Mode {
        Normal,  // status, headers and the whole body
        Silent,  // accepts and never answers
        Trickle, // headers, then one body byte every 50 ms, never done
        Stream,  // a long body produced as the client reads it
    };

    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        Mode mode = Mode::Normal;
        qint64 streamBytes = 0; // Stream: body length, filled with spaces
    };

    void route(const QByteArray& path, Response response) { routes_[path] = std::move(response); }
    void serve(const QByteArray& path, const QByteArray& body,
               const QByteArray& type = "text/xml") {
        route(path, Response{200, body, {{"Content-Type", type}}, Mode::Normal, 0});
    }
    void redirect(const QByteArray& path, const QByteArray& location) {
        route(path, Response{302, {}, {{"Location", location}}, Mode::Normal, 0});
    }

    QString url(const QByteArray& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(QString::fromLatin1(path));
    }
    QList<QByteArray> requestedPaths() const { return requested_; }

protected:
    // Only a whole answer leaves the connection open for the next request.
    bool handle(QTcpSocket* socket, const HttpRequest& request) override {
        requested_.append(request.path);
        const Response response =
            routes_.value(request.path, Response{404, "not here", {}, Mode::Normal, 0});
        respond(socket, response);
        return response.mode == Mode::Normal;
    }

private:
    void respond(QTcpSocket* socket, const Response& r) {
        if (r.mode == Mode::Silent)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + " X\r\n";
        const qint64 length = r.mode == Mode::Normal   ? r.body.size()
                              : r.mode == Mode::Stream ? r.streamBytes
                                                       : qint64(1) << 40;
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        for (const auto& [name, value] : r.headers)
            head += name + ": " + value + "\r\n";
        socket->write(head + "\r\n");
        QPointer<QTcpSocket> guarded(socket);
        switch (r.mode) {
        case Mode::Normal:
            socket->write(r.body);
            break;
        case Mode::Trickle: {
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [guarded] {
                if (guarded)
                    guarded->write(" ");
            });
            timer->start(50);
            break;
        }
        case Mode::Stream: {
            auto* left = new qint64(r.streamBytes);
            auto feed = [guarded, left] {
                if (!guarded)
                    return;
                while (*left > 0 && guarded->bytesToWrite() < (1 << 20)) {
                    const qint64 n = std::min<qint64>(*left, 64 * 1024);
                    guarded->write(QByteArray(n, ' '));
                    *left -= n;
                }
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, feed);
            connect(socket, &QObject::destroyed, [left] { delete left; });
            feed();
            break;
        }
        case Mode::Silent:
            break;
        }
    }

    QHash<QByteArray, Response> routes_;
    QList<QByteArray> requested_;
};

// The gzip form of bytes, built from zlib's deflate stream with the gzip frame around it.
inline QByteArray gzipped(const QByteArray& bytes) {
    const QByteArray zlib = qCompress(bytes, 9).mid(4); // drop Qt's length prefix
    const QByteArray deflate = zlib.mid(2, zlib.size() - 6);
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xffffffffu;
    for (char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xff] ^ (crc >> 8);
    crc ^= 0xffffffffu;
    auto le32 = [](quint32 v) {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[i] = char((v >> (8 * i)) & 0xff);
        return out;
    };
    return QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\xff", 10) + deflate + le32(crc) +
           le32(quint32(bytes.size()));
}
