#include "history/history_store.h"
#include "history/router_usage.h"
#include "history/usage_report.h"
#include "history/usage_window.h"
#include "support/fakes.h"
#include "support/temp_history.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

// This computer's 700 MB today, and the home router's 3000 MB with a span it cannot know;
// the router was read at the clock's time.
class UsageRouterTest : public ::testing::Test {
protected:
    static constexpr std::uint64_t MB = 1024 * 1024;
    TempHistory history;
    HistoryStore& store = history.store;
    FakeClock clock; // Friday 7 April 2017, 09:05:03
    FakeSettings settings;
    FakeMessages messages;

    void SetUp() override {
        const qint64 k = HistoryStore::minuteKey(clock.time.addSecs(-3600));
        ASSERT_TRUE(
            store.writeMinute(k, {{QStringLiteral("eth0"), 700 * MB, 0}}, {0, 0, k, {}, "B"}));
        read(QStringLiteral("uuid:home"), QStringLiteral("Home"), clock.time, 3000 * MB);
    }
    void read(const QString& udn, const QString& name, const QDateTime& at, std::uint64_t rx) {
        RouterState state;
        state.last.udn = udn;
        state.last.name = name;
        state.last.time = at.toUTC();
        ASSERT_TRUE(store.writeRouter(
            state, {{at.toUTC().addSecs(-1800), rx, 0, RouterMinute::Kind::Spread}},
            {{at.toUTC().addSecs(-7200), at.toUTC().addSecs(-5400)}}));
    }
    QJsonObject json() {
        return QJsonDocument::fromJson(
                   usageJson(store, clock.time, readAllowanceSettings(settings)))
            .object();
    }
};

TEST_F(UsageRouterTest, TheWindowShowsTheRoutersUseWhenChosenAndTheAllowanceCountsIt) {
    UsageWindow window(&store, clock, settings, messages);
    window.show();
    ASSERT_TRUE(window.sourceRow->isVisible());
    EXPECT_TRUE(window.routerLines->text().startsWith(QStringLiteral("الموجّه: Home — آخر قراءة")));
    EXPECT_EQ(window.tables[1]->item(0, 4)->text(), QStringLiteral("700.00 MB"));

    window.networkChoice->click();
    EXPECT_EQ(window.tables[1]->item(0, 4)->text(), QStringLiteral("2.93 GB"));
    EXPECT_TRUE(window.tables[1]->item(0, 0)->text().endsWith(QStringLiteral(" ~")));
    const QStringList notes = window.footnotes[0]->text().split(u'\n');
    EXPECT_EQ(notes.size(), 2);
    EXPECT_EQ(notes[0], QString::fromUtf16(SpreadNote));
    EXPECT_EQ(notes[1],
              QStringLiteral("لم يُعرف ما عبر الموجّه من 07/04/2017 07:05 إلى 07/04/2017 07:35"));

    settings.at(QStringLiteral("quota_mb")) = QStringLiteral("10000");
    EXPECT_FALSE(window.unknownNote->isVisible());
    window.quotaNetworkChoice->click();
    EXPECT_EQ(settings.at(QStringLiteral("quota_source")), QStringLiteral("router"));
    EXPECT_EQ(settings.at(QStringLiteral("quota_router")), QStringLiteral("uuid:home"));
    EXPECT_EQ(window.usedValue->text(), QStringLiteral("2.93 GB"));
    EXPECT_TRUE(window.unknownNote->isVisible());
    EXPECT_FALSE(window.notSeenLabel->isVisible());

    // Taken to another network: that router is read now, the plan's is not seen.
    read(QStringLiteral("uuid:cafe"), QStringLiteral("Cafe"), clock.time.addSecs(60), 1);
    clock.time = clock.time.addSecs(120);
    window.refreshTimer_Timer();
    EXPECT_EQ(window.usedValue->text(), QStringLiteral("2.93 GB"));
    EXPECT_EQ(window.notSeenLabel->text(),
              QStringLiteral("الباقة محسوبة على الموجّه Home، ولا يُرى على هذه الشبكة الآن"));
    EXPECT_TRUE(window.notSeenLabel->isVisible());
    EXPECT_FALSE(allowanceCount(&store, readAllowanceSettings(settings), clock.time).notify);
}

TEST_F(UsageRouterTest, UsageJsonListsTheRoutersApartAndTheQuotaSaysWhoseUseItCounts) {
    settings.at(QStringLiteral("quota_mb")) = QStringLiteral("10000");
    QJsonObject root = json();
    EXPECT_EQ(root[QStringLiteral("days")].toArray().last()[QStringLiteral("received")].toInteger(),
              qint64(700 * MB));
    EXPECT_EQ(root[QStringLiteral("quota")][QStringLiteral("source")].toString(), u"computer");
    EXPECT_EQ(root[QStringLiteral("quota")][QStringLiteral("used")].toInteger(), qint64(700 * MB));
    const QJsonArray routers = root[QStringLiteral("routers")].toArray();
    ASSERT_EQ(routers.size(), 1);
    const QJsonObject home = routers[0].toObject();
    EXPECT_EQ(home[QStringLiteral("id")].toString(), u"uuid:home");
    EXPECT_EQ(home[QStringLiteral("name")].toString(), u"Home");
    EXPECT_TRUE(home[QStringLiteral("counts")].toBool());
    EXPECT_EQ(home[QStringLiteral("days")].toArray().last()[QStringLiteral("received")].toInteger(),
              qint64(3000 * MB));
    EXPECT_EQ(home[QStringLiteral("unknown")].toArray().size(), 1);

    settings.at(QStringLiteral("quota_source")) = QStringLiteral("router");
    root = json();
    EXPECT_EQ(root[QStringLiteral("quota")][QStringLiteral("router")].toString(), u"uuid:home");
    EXPECT_EQ(root[QStringLiteral("quota")][QStringLiteral("used")].toInteger(), qint64(3000 * MB));
    EXPECT_TRUE(allowanceCount(&store, readAllowanceSettings(settings), clock.time).notify);
    // Not read for over an hour: no notice.
    EXPECT_FALSE(
        allowanceCount(&store, readAllowanceSettings(settings), clock.time.addSecs(3700)).notify);
}

// A name from the network is plain text wherever it shows; failures, a router that counts
// less and the other devices' rows are shown in the window and said in --usage --json.
TEST_F(UsageRouterTest, FailuresTheOthersAndAHostileNameAreShownAsTheyAre) {
    const QString hostile =
        QStringLiteral("<b style=\"color:red\">Big</b><img src=\"/dev/zero\">") + QChar(0x2028) +
        QChar(0x202E) + QString(10'000, u'x');
    RouterState state;
    state.last.udn = QStringLiteral("uuid:home");
    state.last.name = hostile;
    state.last.time = clock.time.toUTC();
    state.countsLess = true;
    RouterMinute minute{clock.time.toUTC().addSecs(-60), 500 * MB, 10 * MB,
                        RouterMinute::Kind::Live};
    minute.ownReceived = 200 * MB;
    minute.ownSent = 20 * MB;
    ASSERT_TRUE(store.writeRouter(state, {minute}, {}));
    ASSERT_TRUE(store.writeRouterFailure(
        {state.last.udn, hostile, QStringLiteral("HTTP status 500"), false, clock.time.toUTC()}));

    const RouterRecord record = store.routers().front();
    const QString shown = shownRouterName(record);
    EXPECT_EQ(shown.size(), kShownNameLength + 1);
    EXPECT_TRUE(shown.endsWith(u'…'));
    for (const QChar c : shown)
        EXPECT_FALSE(c == QChar(0x2028) || c == QChar(0x202E) || c == u'\n');
    EXPECT_EQ(routerStatus(record), QStringLiteral("counts less"));

    settings.at(QStringLiteral("quota_mb")) = QStringLiteral("10000");
    settings.at(QStringLiteral("quota_source")) = QStringLiteral("router");
    UsageWindow window(&store, clock, settings, messages);
    window.show();
    EXPECT_EQ(window.routerLines->textFormat(), Qt::PlainText);
    const QStringList lines = window.routerLines->text().split(u'\n');
    EXPECT_TRUE(lines[0].contains(shown));
    EXPECT_TRUE(lines.contains(QStringLiteral("تعذّر قراءة الموجّه: HTTP status 500")));
    EXPECT_TRUE(lines.contains(QString::fromUtf16(RouterCountsLessLine)));
    EXPECT_TRUE(window.countsLessLabel->isVisible());

    // The other devices: 3000 MB + 500 MB counted by the router, 200 MB of it this computer's.
    window.othersChoice->click();
    EXPECT_EQ(window.tables[1]->item(0, 2)->text(), QStringLiteral("3.22 GB"));
    EXPECT_TRUE(window.footnotes[1]->text().contains(QString::fromUtf16(OtherDevicesNote)));
    window.computerChoice->click();
    EXPECT_EQ(window.tables[1]->item(0, 4)->text(), QStringLiteral("700.00 MB"));

    const QJsonObject home = json()[QStringLiteral("routers")].toArray()[0].toObject();
    EXPECT_EQ(home[QStringLiteral("status")].toString(), u"counts less");
    EXPECT_EQ(home[QStringLiteral("error")].toString(), u"HTTP status 500");
    EXPECT_EQ(home[QStringLiteral("name")].toString(), shown);
    const QJsonObject today = home[QStringLiteral("others_days")].toArray().last().toObject();
    EXPECT_EQ(today[QStringLiteral("date")].toString(), clock.time.date().toString(Qt::ISODate));
    EXPECT_EQ(today[QStringLiteral("received")].toInteger(), qint64(3300 * MB));
    EXPECT_EQ(today[QStringLiteral("sent")].toInteger(), 0);
    EXPECT_EQ(home[QStringLiteral("others_months")].toArray().size(), 12);

    // A search that found nothing is its own line, and the router is lost.
    ASSERT_TRUE(store.writeRouterFailure(
        {state.last.udn, {}, QString::fromLatin1(kNoRouterAnswered), true, clock.time.toUTC()}));
    EXPECT_TRUE(routerStatusLines(store.routers().front(), clock.time)
                    .contains(QString::fromUtf16(NoRouterAnsweredLine)));
    EXPECT_EQ(routerStatus(store.routers().front()), QStringLiteral("lost"));
}

} // namespace
