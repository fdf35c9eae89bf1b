#include "history/allowance.h"
#include "history/dbus_notifier_linux.h"
#include "history/notifier.h"

#include "history/fake_usage_source.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <atomic>

#include <signal.h>

using namespace tarvo;

namespace {

const QString kMost = QStringLiteral("تم استهلاك 80% من الباقة الشهرية");
const QString kWhole = QStringLiteral("تم استهلاك الباقة الشهرية بالكامل");

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

} // namespace

// A notification service of our own on a private session bus: it records what it is asked
// to show, and when held, does not answer until it is let go.
class NotificationsStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, summary, body;
    };
    std::vector<Call> calls() {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    std::atomic<bool> held{false};
    QSemaphore asked, letGo;
public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int) {
        asked.release();
        if (held)
            letGo.acquire();
        QMutexLocker lock(&mutex_);
        calls_.push_back({app, summary, body});
        return uint(calls_.size());
    }

private:
    QMutex mutex_;
    std::vector<Call> calls_;
};

class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--fork"),
                      QStringLiteral("--print-address=1"), QStringLiteral("--print-pid=1")});
        ASSERT_TRUE(daemon.waitForFinished(10000)) << "dbus-daemon (package dbus-daemon)";
        const QStringList lines =
            QString::fromUtf8(daemon.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2);
        address_ = lines[0].trimmed();
        pid_ = lines[1].trimmed().toInt();
        ASSERT_GT(pid_, 0);
    }
    void TearDown() override {
        if (serviceThread_.isRunning()) {
            standIn_.letGo.release(100); // never leave the service thread blocked
            serviceBus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
            serviceBus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
            serviceThread_.quit();
            serviceThread_.wait();
        }
        for (const QString& name : connected_)
            QDBusConnection::disconnectFromBus(name);
        if (pid_ > 0)
            ::kill(pid_, SIGTERM);
    }
    QDBusConnection connect(const QString& name) {
        connected_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }
    // The stand-in answers from its own thread, so that the test's thread is free.
    void startStandIn() {
        standIn_.moveToThread(&serviceThread_);
        serviceThread_.start();
        serviceBus_ = connect(QStringLiteral("stand-in"));
        ASSERT_TRUE(serviceBus_.isConnected());
        ASSERT_TRUE(serviceBus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                               &standIn_, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(serviceBus_.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    // Runs this thread's events until every answer has been handled (the bound only keeps a
    // broken build from hanging).
    static void handleAnswers(const DbusNotifier& notifier) {
        QDeadlineTimer bound(60000);
        while (notifier.pending() > 0 && !bound.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QString address_;
    int pid_ = 0;
    QStringList connected_;
    QThread serviceThread_;
    NotificationsStandIn standIn_;
    QDBusConnection serviceBus_{QString()};
};

TEST_F(PrivateBus, OneNotificationAtTheWholeAllowanceAndNoneAfterARestart) {
    startStandIn();
    FakeSettings settings;
    FakeMessages messages;
    writeAllowanceSettings(settings, {1, 1}); // 1 MB, below a single day's traffic
    const QDate today = d(2017, 4, 7);
    FakeUsageSource source(today, today);
    DbusNotifier notifier(connect(QStringLiteral("meter")));
    for (int minute = 0; minute < 3; ++minute) {
        AllowanceWatch watch(settings);
        tellAllowance(watch.check(usedInCycle(&source, today, 1), today), &notifier, messages);
        handleAnswers(notifier);
    }
    // A restart: a new watch with the same settings.
    AllowanceWatch restarted(settings);
    tellAllowance(restarted.check(usedInCycle(&source, today, 1), today), &notifier, messages);
    handleAnswers(notifier);

    const auto calls = standIn_.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].app, "Tarvo");
    EXPECT_EQ(calls[0].summary, "Tarvo");
    EXPECT_EQ(calls[0].body, kWhole);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PrivateBus, AServiceThatDoesNotAnswerBlocksNothingAndGetsNoBox) {
    startStandIn();
    standIn_.held = true;
    FakeMessages messages;
    DbusNotifier notifier(connect(QStringLiteral("meter-waiting")));
    tellAllowance(AllowanceMark::Most, &notifier, messages);
    // Back here while the service holds the call: nothing waited for it.
    ASSERT_TRUE(standIn_.asked.tryAcquire(1, 60000));
    EXPECT_EQ(notifier.pending(), 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.shown.empty());

    standIn_.letGo.release();
    handleAnswers(notifier);
    ASSERT_EQ(notifier.pending(), 0);
    ASSERT_EQ(standIn_.calls().size(), 1u);
    EXPECT_EQ(standIn_.calls()[0].body, kMost);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PrivateBus, NoServiceAMessageBoxOnceTheBusSaysSo) {
    FakeMessages messages;
    DbusNotifier notifier(connect(QStringLiteral("meter-alone")));
    tellAllowance(AllowanceMark::Most, &notifier, messages);
    EXPECT_TRUE(messages.shown.empty()); // the answer comes through the event loop
    handleAnswers(notifier);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Tarvo");
    EXPECT_EQ(messages.shown[0].text, kMost);
}

TEST_F(PrivateBus, TheBusIsConnectedAtTheFirstNotificationOnly) {
    startStandIn();
    int connects = 0;
    DbusNotifier notifier([&] {
        ++connects;
        return connect(QStringLiteral("meter-lazy"));
    });
    EXPECT_EQ(connects, 0);
    FakeMessages messages;
    tellAllowance(AllowanceMark::Most, &notifier, messages);
    tellAllowance(AllowanceMark::Whole, &notifier, messages);
    handleAnswers(notifier);
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(standIn_.calls().size(), 2u);
    EXPECT_TRUE(messages.shown.empty());
}

#include "dbus_notifier_test.moc"
