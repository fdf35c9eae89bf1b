#pragma once
// The HTTP/1.1 server core the tests' servers share: it listens, gathers each request whole
// (its head and as much body as Content-Length says) and hands it to the server's handler.
// Requests on one connection are taken in turn, as keep-alive clients send them.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QTcpSocket>

struct HttpRequest {
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers; // names as sent, values trimmed
    QByteArray body;

    QByteArray header(const QByteArray& name) const {
        for (const auto& [n, value] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
};

class TestHttpServer : public QObject {
public:
    explicit TestHttpServer(const QHostAddress& address = QHostAddress::LocalHost,
                            quint16 port = 0) {
        connect(&server_, &QTcpServer::newConnection, this, &TestHttpServer::accept);
        server_.listen(address, port);
    }
    ~TestHttpServer() override {
        // The sockets outlive the members their handlers use.
        for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>())
            socket->disconnect(this);
    }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool isListening() const { return server_.isListening(); }
    QHostAddress address() const { return server_.serverAddress(); }
    quint16 port() const { return server_.serverPort(); }
    int connections() const { return connections_; }

protected:
    // Answers one request; false when the connection is the answer's from now on (nothing
    // more is read from it).
    virtual bool handle(QTcpSocket* socket, const HttpRequest& request) = 0;

private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connections_;
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                pending_.remove(socket);
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket* socket) {
        // A copy: an answer that closes the connection drops its entry.
        QByteArray buffer = pending_.take(socket) + socket->readAll();
        HttpRequest request;
        while (take(buffer, request)) {
            if (!handle(socket, request)) {
                disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
                return;
            }
            if (socket->state() == QAbstractSocket::UnconnectedState)
                return;
        }
        pending_.insert(socket, buffer);
    }

    // Takes the first whole request off buffer.
    static bool take(QByteArray& buffer, HttpRequest& request) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        request = HttpRequest{};
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append(
                    {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        if (buffer.size() < end + 4 + length)
            return false;
        request.body = buffer.mid(end + 4, length);
        buffer.remove(0, end + 4 + length);
        return true;
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> pending_;
    int connections_ = 0;
};
