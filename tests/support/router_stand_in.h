#pragma once
// A home router of the tests' own, on a QTcpServer: it serves a device description at
// /rootDesc.xml and answers the counter actions with the texts it is given, or with whatever
// a test's own answer writes (stream() for answers that never end).

#include "support/test_http_server.h"

#include <QMap>
#include <QUrl>

#include <functional>

class RouterStandIn : public TestHttpServer {
public:
    // Argument name to the text it answers.
    QMap<QString, QString> values{{"NewTotalBytesReceived", "1000"},
                                  {"NewTotalBytesSent", "100"},
                                  {"NewUptime", "3600"},
                                  {"NewLayer1DownstreamMaxBitRate", "100000000"}};
    QString udn = QStringLiteral("uuid:stand-in");
    QString name = QStringLiteral("Stand-in router"); // put into the XML as it stands
    QString controlHost;                              // empty: its own address
    // Replaces the whole answer to a request (path, SOAP action); return false to answer as usual.
    std::function<bool(QTcpSocket*, const QByteArray& path, const QString& action)> answer;
    // Called with each request, before it is answered (to move the counters along).
    std::function<void(const QString& action)> onRequest;
    QStringList actions; // every request's action, "GET" for the description

    explicit RouterStandIn(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0)
        : TestHttpServer(address, port) {}
    bool listening() const { return isListening(); }
    QUrl descriptionUrl() const {
        return QUrl(
            QStringLiteral("http://%1:%2/rootDesc.xml").arg(address().toString()).arg(port()));
    }
    QByteArray description() const {
        const QString base = controlHost.isEmpty()
                                 ? QString()
                                 : QStringLiteral("http://%1:%2").arg(controlHost).arg(port());
        return QStringLiteral(
                   "<?xml version=\"1.0\"?><root xmlns=\"urn:schemas-upnp-org:device-1-0\"><device>"
                   "<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>"
                   "<friendlyName>%3</friendlyName><UDN>%1</UDN><deviceList><device>"
                   "<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType><serviceList>"
                   "<service><serviceType>urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1"
                   "</serviceType><controlURL>%2/ctl/CmnIfCfg</controlURL></service></serviceList>"
                   "<deviceList><device><serviceList><service><serviceType>urn:schemas-upnp-org:"
                   "service:WANIPConnection:1</serviceType><controlURL>%2/ctl/IPConn</controlURL>"
                   "</service></serviceList></device></deviceList></device></deviceList></device>"
                   "</root>")
            .arg(udn, base, name)
            .toUtf8();
    }
    static void reply(QTcpSocket* socket, const QByteArray& body,
                      const QByteArray& status = "200 OK") {
        socket->write("HTTP/1.1 " + status +
                      "\r\nContent-Type: text/xml\r\nConnection: close\r\n"
                      "Content-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        // Into the kernel at once, not at the next turn of the event loop: a test may read the
        // answer without giving the stand-in a turn.
        socket->flush();
        socket->disconnectFromHost();
    }

    // Writes head, then again and again for as long as the peer reads, never more than
    // 64 KiB ahead of it: an answer that never ends, at the speed of the link.
    static void stream(QTcpSocket* socket, const QByteArray& head, const QByteArray& again) {
        socket->write(head);
        const auto more = [socket, again] {
            while (socket->state() == QAbstractSocket::ConnectedState &&
                   socket->bytesToWrite() < 64 * 1024)
                socket->write(again);
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

protected:
    bool handle(QTcpSocket* socket, const HttpRequest& request) override {
        QString action = QString::fromLatin1(request.header("SOAPAction"));
        action = action.mid(action.indexOf(u'#') + 1).remove(u'"');
        const QByteArray& path = request.path;
        actions << (action.isEmpty() ? QStringLiteral("GET") : action);
        if (onRequest)
            onRequest(action);
        if (answer && answer(socket, path, action))
            return true;
        if (action.isEmpty()) {
            reply(socket, description());
            return true;
        }
        static const QMap<QString, QString> arguments{
            {"GetTotalBytesReceived", "NewTotalBytesReceived"},
            {"GetTotalBytesSent", "NewTotalBytesSent"},
            {"GetStatusInfo", "NewUptime"},
            {"GetCommonLinkProperties", "NewLayer1DownstreamMaxBitRate"}};
        const QString argument = arguments.value(action);
        reply(socket, QStringLiteral("<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas."
                                     "xmlsoap.org/soap/envelope/\"><s:Body><u:%1Response xmlns:u=\""
                                     "urn:schemas-upnp-org:service:X:1\"><%2>%3</%2></u:%1Response>"
                                     "</s:Body></s:Envelope>")
                          .arg(action, argument, values.value(argument))
                          .toUtf8());
        return true;
    }
};
