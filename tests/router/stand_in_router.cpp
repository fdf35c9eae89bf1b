// A home router of the tests' own for the end-to-end checks, whose counters do what real
// routers' are known to do, and which answers as hostile devices do where asked.
// Usage: stand_in_router [option value]...
//   --listen ADDRESS       where it listens (127.0.0.1)
//   --port N               its HTTP port (5000)
//   --mode M               count64 (default), wrap32 (counters modulo 2^32), signed32 (as
//                          signed 32-bit numbers), stick0 or stickmax (always 0 or 4294967295)
//   --start BYTES          the received counter at the start (sent is a tenth of received)
//   --rate BYTES_PER_S     how fast it grows; --rate-file FILE is read again at each answer,
//                          so that a check pauses the counters by writing 0 there
//   --speed BITS_PER_S     the line speed it claims (0: none)
//   --udn UDN              its identity (uuid:stand-in)
//   --name TEXT            its friendlyName, put into the XML as it stands
//   --uptime-start S       its connection's uptime at the start (0), as for an old counter:
//                          --start 55000000000 --uptime-start 3600
//   --reconnect-every S    its connection comes up again every S seconds: NewUptime back to 0,
//                          while the counters, which are the interface's, go on growing
//   --hostile H            answers as a hostile device: endless-header (one header line that
//                          never ends), endless-headers (header lines that never end),
//                          endless-chunks (chunks of blanks that never end), trickle (a byte
//                          every 100 ms, never done), huge-length (a Content-Length of 1 GiB
//                          and more than 64 KiB of it), redirect (301 to 203.0.113.7),
//                          control-elsewhere (control URLs on 203.0.113.7), counter-2^63 and
//                          counter-max (received at 2^63 and 2^64 - 1), name-markup,
//                          name-separators (U+2028, U+2029), name-bidi, name-long (10,000
//                          characters)
//   --hostile-on WHAT      soap (default) or description: which answers the endless,
//                          trickle, huge-length and redirect modes replace
//   --ssdp 1               also answers SSDP searches (M-SEARCH to 239.255.255.250:1900, on
//                          the --listen address's interface) with its description's address
//   --ssdp-flood N         and with each answer N more, 5,000 a second, from the same address,
//                          each naming another description on it
//   --state FILE           on each answer its true, unwrapped count so far is written there
//                          ("<received> <sent>")
// Prints "ready" once it listens.
#include "support/router_stand_in.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

#include <cmath>
#include <cstdio>

namespace {

// The description's friendlyName for a hostile name.
QString hostileName(const QString& hostile) {
    if (hostile == u"name-markup")
        return QStringLiteral(
            "&lt;h1 style=\"color:red\"&gt;Router&lt;/h1&gt;&lt;img "
            "src=\"/dev/zero\"&gt;&lt;a href=\"http://203.0.113.7/\"&gt;x&lt;/a&gt;");
    if (hostile == u"name-separators")
        return QStringLiteral("Router\u2028router: 1 GB\u2029");
    if (hostile == u"name-bidi")
        return QStringLiteral("\u202eretuoR\u202c \u2066x\u2069\u200f\u061c");
    if (hostile == u"name-long")
        return QString(10000, u'R');
    return {};
}

// Answers the request in a hostile way; false where this mode answers as usual.
bool hostileAnswer(const QString& hostile, QTcpSocket* socket) {
    if (hostile == u"endless-header") {
        RouterStandIn::stream(socket, "HTTP/1.1 200 OK\r\nX-Pad: ", QByteArray(16384, 'a'));
    } else if (hostile == u"endless-headers") {
        QByteArray lines;
        for (int i = 0; i < 512; ++i)
            lines += "X-Pad: aaaaaaaaaaaaaaaaaaaaaaa\r\n";
        RouterStandIn::stream(socket, "HTTP/1.1 200 OK\r\n", lines);
    } else if (hostile == u"endless-chunks") {
        QByteArray chunks;
        for (int i = 0; i < 256; ++i)
            chunks += "40\r\n" + QByteArray(64, ' ') + "\r\n";
        RouterStandIn::stream(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                              chunks);
    } else if (hostile == u"trickle") {
        socket->write("HTTP/1.1 200 OK\r\n");
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("a"); });
        timer->start(100);
    } else if (hostile == u"huge-length") {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n");
        socket->write(QByteArray(256 * 1024, 'x'));
    } else if (hostile == u"redirect") {
        socket->write("HTTP/1.1 301 Moved Permanently\r\nLocation: http://203.0.113.7/\r\n"
                      "Content-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    } else {
        return false;
    }
    return true;
}

// The SSDP side: answers each M-SEARCH for a gateway with the description's address, and a
// flood after it where asked.
void answerSearches(QUdpSocket& udp, const QUrl& description, int flood) {
    auto* timer = new QTimer(&udp);
    auto pending = std::make_shared<QList<std::pair<QHostAddress, quint16>>>();
    auto left = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, &udp, [&udp, description, pending, left, timer] {
        // 50 every 10 ms: 5,000 a second.
        for (int i = 0; i < 50 && *left > 0; ++i, --*left)
            for (const auto& [host, port] : *pending) {
                QUrl other = description;
                other.setPath(QStringLiteral("/flood/%1.xml").arg(*left));
                udp.writeDatagram("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: "
                                  "urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
                                  "USN: uuid:flood::upnp:rootdevice\r\nLOCATION: " +
                                      other.toEncoded() + "\r\n\r\n",
                                  host, port);
            }
        if (*left <= 0) {
            pending->clear();
            timer->stop();
        }
    });
    QObject::connect(
        &udp, &QUdpSocket::readyRead, &udp, [&udp, description, flood, pending, left, timer] {
            while (udp.hasPendingDatagrams()) {
                QHostAddress host;
                quint16 port = 0;
                QByteArray datagram(int(udp.pendingDatagramSize()), '\0');
                udp.readDatagram(datagram.data(), datagram.size(), &host, &port);
                if (!datagram.startsWith("M-SEARCH"))
                    continue;
                udp.writeDatagram("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nEXT:\r\nST: "
                                  "urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
                                  "USN: uuid:stand-in::urn:schemas-upnp-org:device:"
                                  "InternetGatewayDevice:1\r\nLOCATION: " +
                                      description.toEncoded() + "\r\n\r\n",
                                  host, port);
                if (flood > 0) {
                    pending->append({host, port});
                    *left = flood;
                    timer->start(10);
                }
            }
        });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QMap<QString, QString> opt{{"--listen", "127.0.0.1"},
                               {"--port", "5000"},
                               {"--mode", "count64"},
                               {"--start", "0"},
                               {"--rate", "0"},
                               {"--rate-file", ""},
                               {"--speed", "0"},
                               {"--udn", "uuid:stand-in"},
                               {"--name", "Stand-in router"},
                               {"--uptime-start", "0"},
                               {"--reconnect-every", "0"},
                               {"--hostile", ""},
                               {"--hostile-on", "soap"},
                               {"--ssdp", ""},
                               {"--ssdp-flood", "0"},
                               {"--state", ""}};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (!opt.contains(args[i])) {
            std::fprintf(stderr, "stand_in_router: no option %s\n", qPrintable(args[i]));
            return 2;
        }
        opt[args[i]] = args[i + 1];
    }
    const QHostAddress address(opt["--listen"]);
    RouterStandIn router{address, quint16(opt["--port"].toUInt())};
    if (!router.listening()) {
        std::fprintf(stderr, "stand_in_router: cannot listen\n");
        return 1;
    }
    router.udn = opt["--udn"];
    router.name = opt["--name"];
    const QString hostile = opt["--hostile"];
    const bool onDescription = opt["--hostile-on"] == u"description";
    if (const QString name = hostileName(hostile); !name.isEmpty())
        router.name = name;
    if (hostile == u"control-elsewhere")
        router.controlHost = QStringLiteral("203.0.113.7");
    router.answer = [&](QTcpSocket* socket, const QByteArray&, const QString& action) {
        return action.isEmpty() == onDescription && hostileAnswer(hostile, socket);
    };

    QUdpSocket ssdp;
    if (!opt["--ssdp"].isEmpty()) {
        const QHostAddress group(QStringLiteral("239.255.255.250"));
        if (!ssdp.bind(QHostAddress::AnyIPv4, 1900, QUdpSocket::ShareAddress)) {
            std::fprintf(stderr, "stand_in_router: cannot listen for SSDP\n");
            return 1;
        }
        bool joined = false;
        for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
            for (const QNetworkAddressEntry& e : i.addressEntries())
                if (e.ip() == address)
                    joined = ssdp.joinMulticastGroup(group, i);
        if (!joined && !ssdp.joinMulticastGroup(group)) {
            std::fprintf(stderr, "stand_in_router: cannot join the SSDP group\n");
            return 1;
        }
        answerSearches(ssdp, router.descriptionUrl(), opt["--ssdp-flood"].toInt());
    }

    const QString mode = opt["--mode"];
    const quint64 start = opt["--start"].toULongLong();
    const double uptimeStart = opt["--uptime-start"].toDouble();
    const double reconnectEvery = opt["--reconnect-every"].toDouble();
    double rate = opt["--rate"].toDouble();
    double count = double(start), lastT = 0;
    router.values["NewLayer1DownstreamMaxBitRate"] = opt["--speed"];
    QElapsedTimer up;
    up.start();
    router.onRequest = [&](const QString&) {
        const double t = double(up.elapsed()) / 1000;
        count += rate * (t - lastT);
        lastT = t;
        if (QFile file(opt["--rate-file"]);
            !file.fileName().isEmpty() && file.open(QIODevice::ReadOnly))
            rate = file.readAll().trimmed().toDouble();
        const quint64 received = quint64(count);
        const quint64 sent = received / 10;
        const auto shown = [&mode](quint64 n) {
            if (mode == u"stick0")
                return QStringLiteral("0");
            if (mode == u"stickmax")
                return QStringLiteral("4294967295");
            if (mode == u"wrap32")
                return QString::number(quint32(n));
            if (mode == u"signed32")
                return QString::number(qint32(quint32(n)));
            return QString::number(n);
        };
        router.values["NewTotalBytesReceived"] = shown(received);
        router.values["NewTotalBytesSent"] = shown(sent);
        if (hostile == u"counter-2^63")
            router.values["NewTotalBytesReceived"] = QStringLiteral("9223372036854775808");
        else if (hostile == u"counter-max")
            router.values["NewTotalBytesReceived"] = QStringLiteral("18446744073709551615");
        // The connection came up again at each multiple of the period; before the first, it
        // has been up since uptimeStart seconds before the stand-in started.
        const double uptime = reconnectEvery > 0 && t >= reconnectEvery
                                  ? std::fmod(t, reconnectEvery)
                                  : uptimeStart + t;
        router.values["NewUptime"] = QString::number(qint64(uptime));
        if (!opt["--state"].isEmpty()) {
            QFile state(opt["--state"]);
            if (state.open(QIODevice::WriteOnly))
                state.write(QByteArray::number(received) + ' ' + QByteArray::number(sent) + '\n');
        }
    };
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
