// A home router of the tests' own for the end-to-end checks, whose counters do what real
// routers' are known to do.
// Usage: stand_in_router --listen ADDRESS --port N --mode count64|wrap32|signed32|stick0|stickmax
//        [--start BYTES] [--rate BYTES_PER_S] [--rate-file FILE] [--speed BITS_PER_S] [--udn UDN]
// The rate is read again from --rate-file, when given, at each answer: a check pauses the
// counters by writing 0 there.
// Prints "ready" once it listens; on each answer it writes its true, unwrapped count so far to
// the file named by --state ("<received> <sent>").
#include "support/router_stand_in.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

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
                               {"--state", ""}};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        opt[args[i]] = args[i + 1];
    RouterStandIn router{QHostAddress(opt["--listen"]), quint16(opt["--port"].toUInt())};
    if (!router.listening()) {
        std::fprintf(stderr, "stand_in_router: cannot listen\n");
        return 1;
    }
    router.udn = opt["--udn"];
    const QString mode = opt["--mode"];
    const quint64 start = opt["--start"].toULongLong();
    double rate = opt["--rate"].toDouble();
    double count = double(start), lastT = 0;
    router.values["NewLayer1DownstreamMaxBitRate"] = opt["--speed"];
    QElapsedTimer up;
    up.start();
    router.onRequest = [&](const QString&) {
        const double t = double(up.elapsed()) / 1000;
        count += rate * (t - lastT);
        lastT = t;
        if (QFile file(opt["--rate-file"]); file.open(QIODevice::ReadOnly))
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
        router.values["NewUptime"] = QString::number(qint64(t));
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
