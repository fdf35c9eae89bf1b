#include "history/usage_window.h"

#include "common/caption_fit.h"
#include "history/fake_usage_source.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

#include "history/bar_chart.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>

using namespace tarvo;

namespace {

constexpr std::uint64_t MB = 1024 * 1024;

class UsageWindowTest : public ::testing::Test {
protected:
    FakeClock clock; // Friday 7 April 2017, 09:05:03
    FakeSettings settings;
    FakeMessages messages;
    // A year of history up to today.
    FakeUsageSource source{QDate(2016, 4, 7), QDate(2017, 4, 7)};

    std::unique_ptr<UsageWindow> open(UsageSource* from) {
        return std::make_unique<UsageWindow>(from, clock, settings, messages);
    }
    std::unique_ptr<UsageWindow> open() { return open(&source); }
};

QString cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QStringList headers(QTableWidget* table) {
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << table->horizontalHeaderItem(c)->text();
    return out;
}

} // namespace

TEST_F(UsageWindowTest, ArabicRightToLeftWithThreeTabs) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("سجل الاستهلاك"));
    EXPECT_EQ(w->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w->tables[0]->layoutDirection(), Qt::RightToLeft);
    // Amounts keep their own left-to-right order inside the right-to-left table.
    for (QTableWidget* table : w->tables) {
        const int columns = table->columnCount();
        EXPECT_EQ(table->itemDelegateForColumn(columns - 4), nullptr);
        for (int column = columns - 3; column < columns; ++column)
            EXPECT_NE(table->itemDelegateForColumn(column), nullptr);
    }
    ASSERT_EQ(w->tabs->count(), 3);
    EXPECT_EQ(w->tabs->tabText(0), QStringLiteral("اليوم"));
    EXPECT_EQ(w->tabs->tabText(1), QStringLiteral("الأيام"));
    EXPECT_EQ(w->tabs->tabText(2), QStringLiteral("الأشهر"));
    EXPECT_EQ(w->exportButton->text(), QStringLiteral("تصدير"));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::Window));
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(w->isModal());
}

TEST_F(UsageWindowTest, TablesShowTheNewestRowOnTopAndInView) {
    auto w = open();
    w->show();
    EXPECT_EQ(headers(w->tables[0]).first(), QStringLiteral("الساعة"));
    EXPECT_EQ(w->tables[0]->columnCount(), 4);
    EXPECT_EQ(w->tables[1]->rowCount(), 31);
    EXPECT_EQ(w->tables[2]->rowCount(), 12);
    // 09:05: the hours up to this one, this hour first. 5 x 10 MB received, a quarter sent.
    QTableWidget* hours = w->tables[0];
    ASSERT_EQ(hours->rowCount(), 10);
    EXPECT_EQ(cell(hours, 0, 0), "09:00");
    EXPECT_EQ(cell(hours, 0, 1), "50.00 MB");
    EXPECT_EQ(cell(hours, 0, 3), "62.50 MB");
    EXPECT_EQ(cell(hours, 9, 0), "00:00");
    EXPECT_TRUE(w->todayLabel->text().contains(QStringLiteral("10 رجب 1438")));
    // A Friday: 5 x 300 MB = 1500 MB received, 375 MB sent.
    EXPECT_EQ(cell(w->tables[1], 0, 0), "07/04/2017");
    EXPECT_EQ(cell(w->tables[1], 0, 1), "10/07/1438");
    EXPECT_EQ(cell(w->tables[1], 0, 4), "1.83 GB");
    EXPECT_EQ(cell(w->tables[2], 0, 0), QStringLiteral("إبريل 2017"));
    EXPECT_EQ(cell(w->tables[2], 11, 0), QStringLiteral("مايو 2016"));

    // Each tab opens on its newest row, whole, and has room for twelve.
    for (int i = 0; i < 3; ++i) {
        QTableWidget* table = w->tables[i];
        table->scrollToBottom();
        w->tabs->setCurrentIndex((i + 1) % 3);
        w->tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
        const QRect top = table->visualItemRect(table->item(0, 0));
        EXPECT_TRUE(table->viewport()->rect().contains(top)) << i;
        EXPECT_GE(table->viewport()->height(), 12 * table->rowHeight(0)) << i;
        // Nothing elided in the widest cells.
        for (int c = 0; c < table->columnCount(); ++c)
            EXPECT_GE(table->columnWidth(c),
                      table->fontMetrics().horizontalAdvance(cell(table, 0, c)))
                << i << c;
    }
}

TEST_F(UsageWindowTest, RowsCountedBeforeTheMeterRanAreMarkedWithANote) {
    source.beforeMeterHour = QDateTime(QDate(2017, 3, 20), QTime(8, 0));
    source.beforeMeterBytes = 90 * MB;
    auto w = open();
    const QString note = QStringLiteral("يشمل ما عُدّ قبل تشغيل البرنامج");
    // Today holds no such row: no note under its table.
    EXPECT_TRUE(w->footnotes[0]->isHidden());
    QTableWidget* days = w->tables[1];
    const int row = 18; // 20 March, 18 days before the 7th of April
    EXPECT_EQ(cell(days, row, 0), "20/03/2017 *");
    EXPECT_EQ(cell(days, row + 1, 0), "19/03/2017");
    for (int c = 0; c < days->columnCount(); ++c)
        EXPECT_EQ(days->item(row, c)->toolTip(), note);
    EXPECT_TRUE(days->item(row + 1, 0)->toolTip().isEmpty());
    EXPECT_FALSE(w->footnotes[1]->isHidden());
    EXPECT_EQ(w->footnotes[1]->text(), QStringLiteral("* ") + note);
    EXPECT_EQ(cell(w->tables[2], 1, 0), QStringLiteral("مارس 2017 *"));
    EXPECT_FALSE(w->footnotes[2]->isHidden());
}

TEST_F(UsageWindowTest, ChartsDrawTheRowsNewestAtTheLeftWithToolTips) {
    auto w = open();
    w->show();
    const std::array<std::size_t, 3> counts{24, 31, 12};
    for (int i = 0; i < 3; ++i) {
        BarChart* chart = w->charts[i];
        ASSERT_EQ(chart->bars().size(), counts[i]);
        EXPECT_EQ(chart->focusPolicy(), Qt::NoFocus);
        // Right to left: the newest bar is the leftmost, the oldest the rightmost.
        const int newest = int(counts[i]) - 1;
        EXPECT_LT(chart->barRect(newest).right(), chart->barRect(newest - 1).left()) << i;
        EXPECT_GT(chart->barRect(0).left(), chart->barRect(1).right()) << i;
    }
    BarChart* today = w->charts[0];
    EXPECT_EQ(today->bars()[9].received, 50 * MB);
    EXPECT_EQ(today->unit(), "MB");
    EXPECT_EQ(today->barAt(today->barRect(9).center()), 9);
    // A day of the fake history is above 1 GB: the days' axis counts in GB, and reaches it.
    EXPECT_EQ(w->charts[1]->unit(), "GB");
    EXPECT_GE(w->charts[1]->ticks().back() * double(1 << 30),
              double(w->charts[1]->bars()[30].received));

    // Hovering over 09:00 tells its day in both calendars and its amounts.
    w->activateWindow();
    QHelpEvent help(QEvent::ToolTip, today->barRect(9).center(),
                    today->mapToGlobal(today->barRect(9).center()));
    QApplication::sendEvent(today, &help);
    const QString tip = QToolTip::text();
    EXPECT_TRUE(tip.contains("09:00")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("07/04/2017"));
    EXPECT_TRUE(tip.contains("10/07/1438"));
    EXPECT_TRUE(tip.contains("50.00 MB"));
    EXPECT_TRUE(tip.contains("12.50 MB"));
    QToolTip::hideText();
}

TEST_F(UsageWindowTest, RefreshesAtMostOncePerMinute) {
    auto w = open();
    EXPECT_EQ(w->refreshTimer->interval(), 60 * 1000);
    EXPECT_TRUE(w->refreshTimer->isActive());
    const int reads = source.reads;
    clock.time = clock.time.addSecs(50); // 09:05:53, the same minute
    w->refreshTimer_Timer();
    EXPECT_EQ(source.reads, reads);
    clock.time = QDateTime(QDate(2017, 4, 7), QTime(9, 6, 0));
    w->refreshTimer_Timer();
    EXPECT_GT(source.reads, reads);
    const int again = source.reads;
    w->refreshTimer_Timer();
    EXPECT_EQ(source.reads, again);
}

TEST_F(UsageWindowTest, ARefreshAfterMidnightShowsTheNewDay) {
    auto w = open();
    clock.time = QDateTime(QDate(2017, 4, 8), QTime(0, 0, 30));
    w->refreshTimer_Timer();
    EXPECT_EQ(source.hoursDay, QDate(2017, 4, 8));
    EXPECT_TRUE(w->todayLabel->text().contains(QStringLiteral("11 رجب 1438")));
    ASSERT_EQ(w->tables[0]->rowCount(), 1);
    EXPECT_EQ(cell(w->tables[0], 0, 1), "0.00 MB"); // the fake's history ends on the 7th
    EXPECT_EQ(cell(w->tables[1], 0, 0), "08/04/2017");
}

TEST_F(UsageWindowTest, EscapeCloses) {
    auto w = open();
    w->show();
    QApplication::setActiveWindow(w.get());
    w->tables[0]->setFocus();
    QTest::keyClick(w->tables[0], Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    // From the allowance's boxes too.
    w->show();
    QApplication::setActiveWindow(w.get());
    w->quotaBox->setFocus();
    QTest::keyClick(w->quotaBox, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(UsageWindowTest, ArrowKeysMoveBetweenTabsAndTabReachesEveryControl) {
    auto w = open();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTabBar* bar = w->tabs->tabBar();
    bar->setFocus();
    // Right to left: the next tab lies to the left.
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(w->tabs->currentIndex(), 1);
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(w->tabs->currentIndex(), 2);
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(w->tabs->currentIndex(), 1);

    QList<QWidget*> reached;
    w->tabs->setCurrentIndex(0);
    bar->setFocus();
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
    }
    // In this order, and never the chart.
    EXPECT_EQ(reached, (QList<QWidget*>{w->tables[0], w->quotaBox, w->cycleDayBox, w->saveButton,
                                        w->exportButton}));
}

TEST_F(UsageWindowTest, ExportSavesTheThreeTabsAsOneCsvForASpreadsheet) {
    auto w = open();
    QTemporaryDir dir;
    const QString path = dir.filePath("usage.csv");
    QString suggested;
    w->setSavePathAsker([&](QWidget*, const QString& s) {
        suggested = s;
        return path;
    });
    w->export_Click();
    EXPECT_TRUE(suggested.endsWith("tarvo-2017-04-07.csv"));
    const QByteArray csv = readAll(path);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QList<QByteArray> lines = csv.mid(3).split('\n');
    // The header, today's 10 hours so far, 31 days, 12 months, the empty text at the end.
    ASSERT_EQ(lines.size(), 1 + 10 + 31 + 12 + 1);
    EXPECT_TRUE(QString::fromUtf8(lines[0]).contains(QStringLiteral("المستلم (بايت)")));
    // Friday 7 April: 1500 MB and 375 MB in bytes.
    EXPECT_EQ(QString::fromUtf8(lines[41]),
              QStringLiteral("الأيام,2017-04-07,10/07/1438,1572864000,393216000,1966080000,0\r"));
    EXPECT_TRUE(lines[10].contains(",2017-04-07 09:00,"));
    EXPECT_TRUE(lines[53].contains(",2017-04,"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(UsageWindowTest, ACancelledExportWritesNothing) {
    auto w = open();
    w->setSavePathAsker([](QWidget*, const QString&) { return QString(); });
    w->export_Click();
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(UsageWindowTest, AFailedExportTellsTheUser) {
    auto w = open();
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/folder/today.csv");
    w->setSavePathAsker([&](QWidget*, const QString&) { return path; });
    w->export_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Tarvo");
    EXPECT_TRUE(messages.shown[0].text.contains(QDir::toNativeSeparators(path)));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(UsageWindowTest, AllowanceFiguresFromTheSettings) {
    writeAllowanceSettings(settings, {20000, 1});
    auto w = open();
    EXPECT_EQ(w->quotaBox->value(), 20000);
    EXPECT_EQ(w->cycleDayBox->value(), 1);
    // 1 to 7 April: weekdays 6, 7, 1, 2, 3, 4, 5 = 28 x 300 MB received, a quarter sent:
    // 10500 MB in 7 days; 30 days at that rate are 45000 MB.
    EXPECT_EQ(w->usedValue->text(), "10.25 GB");
    EXPECT_EQ(w->leftValue->text(), "9.28 GB");
    EXPECT_EQ(w->projectedValue->text(), "43.95 GB");
}

TEST_F(UsageWindowTest, TheAllowanceIsTakenOnlyWhenItsEditingEnds) {
    auto w = open();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(w->leftValue->text(), "-"); // no allowance
    w->quotaBox->setFocus();
    w->quotaBox->selectAll();
    // "6" on the way to "60000" is never written.
    QTest::keyClicks(w->quotaBox, "6000");
    EXPECT_FALSE(settings.values.contains("Tarvo/settings/quota_mb"));
    EXPECT_EQ(w->leftValue->text(), "-");
    QTest::keyClicks(w->quotaBox, "0");
    QTest::keyClick(w->quotaBox, Qt::Key_Return);
    EXPECT_EQ(settings.at("quota_mb"), "60000");
    EXPECT_EQ(w->leftValue->text(), "48.34 GB");

    // Leaving the box ends its editing too; from the 5th: 5 April to today, weekdays 3, 4, 5:
    // 12 x 300 MB x 1.25 = 4500 MB.
    w->cycleDayBox->setFocus();
    w->cycleDayBox->selectAll();
    QTest::keyClicks(w->cycleDayBox, "5");
    EXPECT_EQ(settings.at("cycle_day"), "1");
    QTest::keyClick(w->cycleDayBox, Qt::Key_Tab);
    EXPECT_EQ(settings.at("cycle_day"), "5");
    EXPECT_EQ(w->usedValue->text(), "4.39 GB");

    // Closing the window takes a typed figure as well.
    w->quotaBox->setFocus();
    w->quotaBox->selectAll();
    QTest::keyClicks(w->quotaBox, "700");
    EXPECT_EQ(settings.at("quota_mb"), "60000");
    w->close();
    EXPECT_EQ(settings.at("quota_mb"), "700");
}

TEST_F(UsageWindowTest, ABoxLeftUnchangedWritesNothing) {
    auto w = open();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->quotaBox->setFocus();
    QTest::keyClick(w->quotaBox, Qt::Key_Tab);
    w->saveButton->click();
    w->close();
    EXPECT_TRUE(settings.values.isEmpty());
}

TEST_F(UsageWindowTest, AHistoryMovedAsideIsNamedInTheWindow) {
    auto w = open();
    w->show();
    EXPECT_TRUE(w->movedAsideLabel->isHidden());
    const QString path = "/home/user/.local/share/tarvo/" + QString(30, u'x') + "/a&b <c>/" +
                         QString(30, u'y') + "/history.sqlite.damaged";
    w->showMovedAside(path);
    QCoreApplication::processEvents();
    QLabel* line = w->movedAsideLabel;
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(QTextDocumentFragment::fromHtml(line->text()).toPlainText(),
              QStringLiteral("كان سجل الاستهلاك تالفًا فنُقل جانبًا إلى: \n") +
                  QDir::toNativeSeparators(path));
    EXPECT_EQ(line->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(line->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    // Never clipped: within the window, and as tall as its wrapped text.
    EXPECT_LE(line->geometry().right(), w->width());
    EXPECT_GE(line->height(), line->heightForWidth(line->width()));
}

TEST_F(UsageWindowTest, NoHistoryEmptyTablesAndNothingUsed) {
    writeAllowanceSettings(settings, {100, 1});
    auto w = open(nullptr);
    for (QTableWidget* table : w->tables)
        EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(w->usedValue->text(), "0.00 MB");
    EXPECT_EQ(w->leftValue->text(), "100.00 MB");
    EXPECT_EQ(w->projectedValue->text(), "0.00 MB");
    clock.time = clock.time.addSecs(120);
    w->refreshTimer_Timer();
    QTemporaryDir dir;
    w->setSavePathAsker([&](QWidget*, const QString&) { return dir.filePath("empty.csv"); });
    w->export_Click();
    EXPECT_EQ(readAll(dir.filePath("empty.csv")).count('\n'), 1);
    EXPECT_TRUE(w->footnotes[1]->isHidden());
}

TEST_F(UsageWindowTest, OwnColoursUnderADarkTheme) {
    const QPalette saved = QApplication::palette();
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
        dark.setColor(role, QColor(36, 36, 36));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(238, 238, 238));
    QApplication::setPalette(dark);
    {
        auto w = open();
        w->show();
        for (QWidget* widget : std::initializer_list<QWidget*>{w.get(), w->tables[0], w->quotaBox,
                                                               w->exportButton, w->usedValue}) {
            const QPalette p = widget->palette();
            EXPECT_GT(qGray(p.color(QPalette::Window).rgb()), 200)
                << widget->objectName().toStdString();
            EXPECT_GT(qGray(p.color(QPalette::Base).rgb()), 200)
                << widget->objectName().toStdString();
            EXPECT_LT(qGray(p.color(QPalette::Text).rgb()), 50)
                << widget->objectName().toStdString();
            EXPECT_LT(qGray(p.color(QPalette::WindowText).rgb()), 50);
            EXPECT_LT(qGray(p.color(QPalette::ButtonText).rgb()), 50);
        }
    }
    QApplication::setPalette(saved);
}

TEST_F(UsageWindowTest, EveryCaptionWhole) {
    auto w = open();
    w->show();
    int captions = 0;
    for (QWidget* widget : w->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QPushButton*>(widget)) {
            ++captions;
            EXPECT_TRUE(captionFits(widget))
                << widget->property("text").toString().toStdString() << " " << widget->width()
                << "x" << widget->height() << " needs " << captionNeeds(widget).width() << "x"
                << captionNeeds(widget).height();
        }
    }
    EXPECT_GE(captions, 9);
    const QTabBar* bar = w->tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
}

// The chart's axis and the texts change to GB at the same amount, where the MB figure would
// read 1024.00.
TEST(BarChartUnit, TurnsToGBWhereTheTextsDo) {
    for (const std::uint64_t bytes : {kGB - 5243, kGB - 5242}) {
        BarChart chart;
        chart.setBars({BarChart::Bar{QString(), bytes, 0, QString()}});
        EXPECT_EQ(chart.unit(), amountText(bytes).right(2)) << bytes;
    }
}
