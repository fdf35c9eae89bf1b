#include "history/allowance.h"
#include "history/notifier.h"

#include "history/fake_usage_source.h"
#include "support/fake_notifier.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

constexpr std::uint64_t MB = 1024 * 1024;
const QString kMost = QStringLiteral("تم استهلاك 80% من الباقة الشهرية");
const QString kWhole = QStringLiteral("تم استهلاك الباقة الشهرية بالكامل");

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

} // namespace

TEST(AllowanceSettings, ReadWrittenAndUnreadableValues) {
    FakeSettings settings;
    EXPECT_EQ(readAllowanceSettings(settings), (AllowanceSettings{0, 1}));
    writeAllowanceSettings(settings, {500, 15});
    EXPECT_EQ(settings.at("quota_mb"), "500");
    EXPECT_EQ(settings.at("cycle_day"), "15");
    EXPECT_EQ(readAllowanceSettings(settings), (AllowanceSettings{500, 15}));
    settings.at("quota_mb") = "-3";
    settings.at("cycle_day") = "32";
    EXPECT_EQ(readAllowanceSettings(settings), (AllowanceSettings{0, 1}));
    settings.at("quota_mb") = "abc";
    settings.at("cycle_day") = "0";
    EXPECT_EQ(readAllowanceSettings(settings), (AllowanceSettings{0, 1}));
    // Beyond any real allowance: none, never a wrapped figure.
    settings.at("quota_mb") = "9000000000000";
    settings.at("cycle_day") = "40";
    EXPECT_EQ(readAllowanceSettings(settings), (AllowanceSettings{0, 1}));
}

TEST(AllowanceState, UsedLeftAndProjected) {
    const AllowanceState s = allowanceState({100, 1}, 20 * MB, d(2017, 4, 10));
    EXPECT_EQ(s.cycleStart, d(2017, 4, 1));
    EXPECT_EQ(s.nextCycleStart, d(2017, 5, 1));
    EXPECT_EQ(s.quota, 100 * MB);
    EXPECT_EQ(s.used, 20 * MB);
    EXPECT_EQ(s.left, 80 * MB);
    EXPECT_EQ(s.projected, 60 * MB); // 2 MB a day for 30 days
    EXPECT_EQ(allowanceState({100, 1}, 150 * MB, d(2017, 4, 10)).left, 0u);
}

TEST(AllowanceState, UsedInCycleReadsTheWholeCycle) {
    FakeUsageSource source(d(2017, 1, 1), d(2017, 12, 31));
    const std::uint64_t used = usedInCycle(&source, d(2017, 4, 7), 5);
    EXPECT_EQ(source.totalFrom, QDateTime(d(2017, 4, 5), QTime(0, 0)));
    EXPECT_EQ(source.totalTo, QDateTime(d(2017, 5, 5), QTime(0, 0)));
    EXPECT_GT(used, 0u);
    EXPECT_EQ(usedInCycle(nullptr, d(2017, 4, 7), 5), 0u);
}

class AllowanceWatchTest : public ::testing::Test {
protected:
    void SetUp() override { writeAllowanceSettings(settings, {100, 1}); }
    FakeSettings settings;
    const QDate today = d(2017, 4, 7);
};

TEST_F(AllowanceWatchTest, EightyThenHundredOnceEach) {
    AllowanceWatch watch(settings);
    EXPECT_EQ(watch.check(79 * MB, today), AllowanceMark::None);
    EXPECT_EQ(watch.check(80 * MB - 1, today), AllowanceMark::None);
    EXPECT_EQ(watch.check(80 * MB, today), AllowanceMark::Most);
    EXPECT_EQ(watch.check(90 * MB, today), AllowanceMark::None);
    EXPECT_EQ(watch.check(100 * MB - 1, today), AllowanceMark::None);
    EXPECT_EQ(watch.check(100 * MB, today), AllowanceMark::Whole);
    EXPECT_EQ(watch.check(200 * MB, today.addDays(1)), AllowanceMark::None);
}

TEST_F(AllowanceWatchTest, BothMarksAtOnceTellOnlyTheWhole) {
    AllowanceWatch watch(settings);
    EXPECT_EQ(watch.check(120 * MB, today), AllowanceMark::Whole);
    EXPECT_EQ(watch.check(120 * MB, today), AllowanceMark::None);
}

TEST_F(AllowanceWatchTest, ARestartInTheSameCycleTellsNothingAgain) {
    EXPECT_EQ(AllowanceWatch(settings).check(85 * MB, today), AllowanceMark::Most);
    EXPECT_EQ(AllowanceWatch(settings).check(85 * MB, today), AllowanceMark::None);
    EXPECT_EQ(AllowanceWatch(settings).check(100 * MB, today), AllowanceMark::Whole);
    EXPECT_EQ(AllowanceWatch(settings).check(100 * MB, today.addDays(3)), AllowanceMark::None);
}

TEST_F(AllowanceWatchTest, NoAllowanceNothingTold) {
    writeAllowanceSettings(settings, {0, 1});
    AllowanceWatch watch(settings);
    EXPECT_EQ(watch.check(0, today), AllowanceMark::None);
    EXPECT_EQ(watch.check(UINT64_MAX, today), AllowanceMark::None);
    EXPECT_EQ(settings.at("quota_notified"), "");
}

TEST_F(AllowanceWatchTest, ANewCycleTellsAgain) {
    AllowanceWatch watch(settings);
    EXPECT_EQ(watch.check(100 * MB, today), AllowanceMark::Whole);
    EXPECT_EQ(watch.check(85 * MB, d(2017, 5, 1)), AllowanceMark::Most);
    EXPECT_EQ(watch.check(100 * MB, d(2017, 5, 2)), AllowanceMark::Whole);
}

TEST_F(AllowanceWatchTest, ADamagedRecordCountsAsNothingTold) {
    settings.at("quota_notified") = "garbage";
    EXPECT_EQ(AllowanceWatch(settings).check(100 * MB, today), AllowanceMark::Whole);
}

// The marks told belong to the allowance they were told for: a raised allowance is told its
// own 80 % and 100 %, a lowered one already passed only its highest, a restart nothing again.
TEST_F(AllowanceWatchTest, AChangedAllowanceIsToldItsOwnMarks) {
    writeAllowanceSettings(settings, {20, 1});
    EXPECT_EQ(AllowanceWatch(settings).check(20 * MB, today), AllowanceMark::Whole);
    writeAllowanceSettings(settings, {40, 1});
    AllowanceWatch watch(settings);
    EXPECT_EQ(watch.check(21 * MB, today), AllowanceMark::None);
    EXPECT_EQ(watch.check(32 * MB, today), AllowanceMark::Most);
    EXPECT_EQ(watch.check(42 * MB, today), AllowanceMark::Whole);
    EXPECT_EQ(AllowanceWatch(settings).check(43 * MB, today), AllowanceMark::None);
    writeAllowanceSettings(settings, {6, 1});
    EXPECT_EQ(watch.check(43 * MB, today), AllowanceMark::Whole);
    EXPECT_EQ(watch.check(43 * MB, today), AllowanceMark::None);
    // A record from before the allowance was kept with it counts for the allowance set now.
    settings.at("quota_notified") = "2017-04-01 100";
    EXPECT_EQ(watch.check(43 * MB, today), AllowanceMark::None);
}

TEST(TellAllowance, NotificationOrMessageBox) {
    FakeMessages messages;
    FakeNotifier notifier;
    tellAllowance(AllowanceMark::Most, &notifier, messages);
    ASSERT_EQ(notifier.sent.size(), 1u);
    EXPECT_EQ(notifier.sent[0].first, "Tarvo");
    EXPECT_EQ(notifier.sent[0].second, kMost);
    EXPECT_TRUE(messages.shown.empty());

    notifier.answers = false;
    tellAllowance(AllowanceMark::Whole, &notifier, messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kWhole);

    tellAllowance(AllowanceMark::Whole, nullptr, messages);
    EXPECT_EQ(messages.shown.size(), 2u);
    tellAllowance(AllowanceMark::None, &notifier, messages);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(notifier.sent.size(), 2u);
}
