#include "app/frm_main.h"
#include "calendar/hijri.h"
#include "common/number_text.h"
#include "support/strip_window.h"
#include "support/temp_dir.h"
#include "support/temp_history.h"

#include <QAction>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

struct HistoryWindow : StripWindow {
    std::unique_ptr<HistoryStore> store;
    ~HistoryWindow() { w.reset(); } // the window goes before the history it writes

    QString historyPath() { return historyPathIn(fake.dir.path()); }
    // The strip with the program's own end routine, or with one that counts.
    frmMain& load(bool ownEnd = false) {
        ownEndRoutine = ownEnd;
        loaded([this](Services& s) {
            s.openHistory = [this] {
                store = openHistoryIn(fake.dir.path());
                return store.get();
            };
        });
        w->Timer2_Timer(); // connected
        return *w;
    }
    // One second of the meter: the rates, then the save.
    void second(int in, int out) {
        fake.clock.time = fake.clock.time.addSecs(1);
        fake.table.set("eth0", in, out);
        w->Timer1_Timer();
        w->Timer3_Timer();
    }
    std::pair<std::uint64_t, std::uint64_t> fileTotals() {
        const QString line =
            QString::fromLatin1(readAll(fake.dir.filePath("file1.trv"))).section(u'\r', 0, 0);
        return {std::uint64_t(LeadingNumber(line.section(QStringLiteral("**"), 0, 0))),
                std::uint64_t(LeadingNumber(line.section(QStringLiteral("**"), 1, 1)))};
    }
    UsageRow history() {
        HistoryStore reader(historyPath(), HistoryStore::Mode::ReadOnly);
        return reader.total(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                            QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
    }
};

} // namespace

TEST(frmMainHistory, EachReadingFeedsTheHistoryWrittenOncePerMinuteAndAtTheEnd) {
    HistoryWindow t;
    frmMain& w = t.load();
    ASSERT_TRUE(t.store && t.store->isOpen());
    t.second(1000, 100);
    t.second(3000, 300);
    EXPECT_EQ(t.history().received, 0u); // nothing written within the minute
    t.fake.clock.time = t.fake.clock.time.addSecs(60);
    w.Timer3_Timer(); // the minute is over
    EXPECT_EQ(t.history().received, 3000u);
    t.second(3500, 350);
    w.writeHistory();
    EXPECT_EQ(t.history().received, 3500u);
    EXPECT_EQ(t.history().sent, 350u);
    EXPECT_EQ(t.fileTotals(), (std::pair<std::uint64_t, std::uint64_t>{1024 + 3500, 2048 + 350}));
}

TEST(frmMainHistory, WithoutHistoryTheMeterRunsAsBefore) {
    HistoryWindow t;
    Services s = t.fake.services();
    s.openHistory = [] { return nullptr; };
    frmMain w(s);
    w.setEndProgram([] {});
    ASSERT_TRUE(w.Form_Load());
    w.Timer2_Timer(); // connected
    t.fake.table.set("eth0", 10, 20);
    w.Timer1_Timer();
    w.Timer3_Timer();
    w.writeHistory();
    EXPECT_EQ(readAll(t.fake.dir.filePath("file1.trv")), QByteArray("1034**2068\r\n"));
    EXPECT_FALSE(QFile::exists(t.historyPath()));
}

// The date window's Exit runs the program's own end routine: the event loop ends, and with
// it the history gets the minute in progress, while none of the strip's closing steps run.
TEST(frmMainHistory, DateWindowExitEndsTheLoopWritingThePendingMinuteNotClosingTheStrip) {
    HistoryWindow t;
    frmMain& w = t.load(/*ownEndRoutine=*/true);
    t.second(1000, 100);
    t.second(3000, 300);
    ASSERT_EQ(t.history().received, 0u); // still within the minute
    const QByteArray savedTotals = readAll(t.fake.dir.filePath("file1.trv"));
    w.clk->trigger();
    hijri* date = w.dateWindow();
    ASSERT_NE(date, nullptr);
    QTimer::singleShot(0, date, [date] { date->Command2->click(); });
    // A guard only: the loop ends at once when Exit works.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(t.history().received, 3000u);
    EXPECT_EQ(t.history().sent, 300u);
    // No closing step of the strip ran: its clock still runs, it is still shown, and the
    // totals file is as the last second left it.
    EXPECT_TRUE(w.isTimer1Enabled());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(readAll(t.fake.dir.filePath("file1.trv")), savedTotals);
    EXPECT_EQ(t.fileTotals(), (std::pair<std::uint64_t, std::uint64_t>{1024 + 3000, 2048 + 300}));
}
