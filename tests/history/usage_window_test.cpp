#include "history/usage_window.h"

#include "common/caption_fit.h"
#include "history/fake_usage_source.h"
#include "history/fakes.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace tarvo;

namespace {

constexpr std::uint64_t MB = 1024 * 1024;

class UsageWindowTest : public ::testing::Test {
protected:
    HistoryClock clock; // Friday 7 April 2017, 09:05:03
    HistorySettings settings;
    HistoryMessages messages;
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
        EXPECT_EQ(table->itemDelegateForColumn(1), nullptr);
        for (int column = 2; column < 5; ++column)
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

TEST_F(UsageWindowTest, TablesHoldHoursDaysAndMonthsWithExactHeaders) {
    auto w = open();
    const QStringList expected{QStringLiteral("التاريخ"), QStringLiteral("التاريخ الهجري"),
                               QStringLiteral("المستلم"), QStringLiteral("المرسل"),
                               QStringLiteral("المجموع")};
    for (QTableWidget* table : w->tables)
        EXPECT_EQ(headers(table), expected);
    EXPECT_EQ(w->tables[0]->rowCount(), 24);
    EXPECT_EQ(w->tables[1]->rowCount(), 31);
    EXPECT_EQ(w->tables[2]->rowCount(), 12);

    // 09:00 on a Friday: 5 x 10 MB received, a quarter of it sent.
    QTableWidget* hours = w->tables[0];
    EXPECT_EQ(cell(hours, 9, 0), "09:00");
    EXPECT_EQ(cell(hours, 9, 1), "10/07/1438");
    EXPECT_EQ(cell(hours, 9, 2), "50.00 MB");
    EXPECT_EQ(cell(hours, 9, 3), "12.50 MB");
    EXPECT_EQ(cell(hours, 9, 4), "62.50 MB");
    EXPECT_EQ(cell(hours, 23, 1), "10/07/1438");

    // A Friday: 5 x 300 MB = 1500 MB received, 375 MB sent.
    QTableWidget* days = w->tables[1];
    EXPECT_EQ(cell(days, 0, 0), "08/03/2017");
    EXPECT_EQ(cell(days, 30, 0), "07/04/2017");
    EXPECT_EQ(cell(days, 30, 1), "10/07/1438");
    EXPECT_EQ(cell(days, 30, 2), "1.46 GB");
    EXPECT_EQ(cell(days, 30, 3), "375.00 MB");
    EXPECT_EQ(cell(days, 30, 4), "1.83 GB");

    QTableWidget* months = w->tables[2];
    EXPECT_EQ(cell(months, 0, 0), "05/2016");
    EXPECT_EQ(cell(months, 11, 0), "04/2017");
    EXPECT_EQ(cell(months, 11, 1), "04/07/1438");
}

TEST_F(UsageWindowTest, ChartsHoldReceivedAndSentPerRow) {
    auto w = open();
    const std::array<int, 3> counts{24, 31, 12};
    for (int i = 0; i < 3; ++i) {
        const QList<QAbstractSeries*> series = w->charts[i]->chart()->series();
        ASSERT_EQ(series.size(), 1);
        auto* bars = qobject_cast<QBarSeries*>(series[0]);
        ASSERT_NE(bars, nullptr);
        ASSERT_EQ(bars->count(), 2);
        EXPECT_EQ(bars->barSets()[0]->label(), QStringLiteral("المستلم"));
        EXPECT_EQ(bars->barSets()[1]->label(), QStringLiteral("المرسل"));
        EXPECT_EQ(bars->barSets()[0]->count(), counts[i]);
    }
    // Today's hours are below 1 GB: in MB.
    auto* today = qobject_cast<QBarSeries*>(w->charts[0]->chart()->series()[0]);
    EXPECT_DOUBLE_EQ(today->barSets()[0]->at(9), 50.0);
    EXPECT_DOUBLE_EQ(today->barSets()[1]->at(9), 12.5);
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
    EXPECT_EQ(cell(w->tables[0], 0, 1), "11/07/1438");
    EXPECT_EQ(cell(w->tables[0], 9, 2), "0.00 MB"); // the fake's history ends on the 7th
    EXPECT_EQ(cell(w->tables[1], 30, 0), "08/04/2017");
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
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
    }
    EXPECT_TRUE(reached.contains(w->tables[0]));
    EXPECT_TRUE(reached.contains(w->quotaBox));
    EXPECT_TRUE(reached.contains(w->cycleDayBox));
    EXPECT_TRUE(reached.contains(w->exportButton));
}

TEST_F(UsageWindowTest, ExportSavesTheShownTableAsCsv) {
    auto w = open();
    QTemporaryDir dir;
    const QString path = dir.filePath("days.csv");
    QString suggested;
    w->setSavePathAsker([&](QWidget*, const QString& s) {
        suggested = s;
        return path;
    });
    w->tabs->setCurrentIndex(1);
    w->export_Click();
    EXPECT_TRUE(suggested.endsWith("tarvo-2017-04-07.csv"));
    const QByteArray csv = readAll(path);
    const QList<QByteArray> lines = csv.split('\n');
    ASSERT_EQ(lines.size(), 33); // header, 31 days, the empty text after the last line end
    EXPECT_EQ(QString::fromUtf8(lines[0]),
              QStringLiteral("التاريخ,التاريخ الهجري,المستلم,المرسل,المجموع\r"));
    // Friday 7 April: 1500 MB and 375 MB in bytes.
    EXPECT_EQ(lines[31], "2017-04-07,1438-07-10,1572864000,393216000,1966080000\r");
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
    EXPECT_EQ(messages.shown[0].first, "Tarvo");
    EXPECT_TRUE(messages.shown[0].second.contains(path));
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

TEST_F(UsageWindowTest, EditingTheAllowanceKeepsItAndShowsItAtOnce) {
    auto w = open();
    EXPECT_EQ(w->leftValue->text(), "-"); // no allowance
    w->quotaBox->setValue(10000);
    EXPECT_EQ(settings.at("quota_mb"), "10000");
    EXPECT_EQ(w->leftValue->text(), "0.00 MB");
    // From the 5th: 5 April to today, weekdays 3, 4, 5: 12 x 300 MB x 1.25 = 4500 MB.
    w->cycleDayBox->setValue(5);
    EXPECT_EQ(settings.at("cycle_day"), "5");
    EXPECT_EQ(w->usedValue->text(), "4.39 GB");
    EXPECT_EQ(w->leftValue->text(), "5.37 GB");
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
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 w.get(), w->tables[0], w->quotaBox, w->exportButton, w->usedValue}) {
            const QPalette p = widget->palette();
            EXPECT_GT(qGray(p.color(QPalette::Window).rgb()), 200) << widget->objectName().toStdString();
            EXPECT_GT(qGray(p.color(QPalette::Base).rgb()), 200) << widget->objectName().toStdString();
            EXPECT_LT(qGray(p.color(QPalette::Text).rgb()), 50) << widget->objectName().toStdString();
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
                << widget->property("text").toString().toStdString() << " "
                << widget->width() << "x" << widget->height() << " needs "
                << captionNeeds(widget).width() << "x" << captionNeeds(widget).height();
        }
    }
    EXPECT_GE(captions, 9);
    const QTabBar* bar = w->tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        EXPECT_GE(bar->tabRect(i).width(),
                  bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
}
