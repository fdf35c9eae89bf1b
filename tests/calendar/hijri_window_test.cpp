#include "calendar/calendar_kind.h"
#include "calendar/hijri.h"
#include "calendar/month_calendar.h"
#include "calendar/text_fit.h"

#include "code_points.h"
#include "support/fakes.h"
#include "support/seen_layout.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tarvo {
namespace {

const QString friday = cp({0x0627, 0x0644, 0x062C, 0x0645, 0x0639, 0x0629});
const QString april = cp({0x0625, 0x0628, 0x0631, 0x064A, 0x0644});
const QString rajab = cp({0x0631, 0x062C, 0x0628});
const QString gregorianEra = cp({0x0645, 0x0020});
const QString hijriEra = cp({0x0647, 0x0640, 0x0020});

class HijriWindow : public ::testing::Test {
protected:
    HijriWindow() {
        clock.time = QDateTime(QDate(2017, 4, 7), QTime(23, 59, 30));
        window = std::make_unique<hijri>(clock, [this] { ++endings; });
    }

    FakeClock clock;
    int endings = 0;
    std::unique_ptr<hijri> window;
};

TEST_F(HijriWindow, ShowsTodayOnAFriday) {
    window->Form_Load();
    EXPECT_EQ(window->Text4->text(), friday);
    EXPECT_EQ(window->Text5->text(), gregorianEra + "7 " + april + " 2017");
    EXPECT_EQ(window->Text1->text(), "07/04/2017");
    EXPECT_TRUE(window->Option2->isChecked());
    EXPECT_FALSE(window->Option1->isChecked());
    EXPECT_EQ(window->Text2->text(), "10/07/1438");
    EXPECT_EQ(window->Text3->text(), hijriEra + "10 " + rajab + " 1438");

    EXPECT_EQ(window->Calendar1->selectedDate(), QDate(2017, 4, 7));
    EXPECT_EQ(window->Calendar1->yearShown(), 2017);
    EXPECT_EQ(window->Calendar1->monthShown(), 4);
    EXPECT_EQ(window->Calendar1->firstDayOfWeek(), Qt::Saturday);
}

// The stand-in Arabic faces run wider than the window's own; a long line must still show whole.
TEST_F(HijriWindow, ShowsALongDateLineWhole) {
    clock.time = QDateTime(QDate(2024, 12, 15), QTime(12, 0));
    window->Form_Load();
    const QString jumadaAlAkhira = cp({0x062C, 0x0645, 0x0627, 0x062F, 0x0649, 0x0020, 0x0627,
                                       0x0644, 0x0623, 0x062E, 0x0631, 0x0629});
    EXPECT_EQ(window->Text3->text(), hijriEra + "14 " + jumadaAlAkhira + " 1446");
    // The largest size in quarter points from the table's 11.25 down to 8 at which the faces
    // present show the line within the box.
    const int room = textRoom(window->Text3);
    double fitted = 0;
    for (double points = 11.25; points >= 8.0 && fitted == 0; points -= 0.25) {
        QFont candidate(QStringLiteral("Arial"));
        candidate.setBold(true);
        candidate.setPointSizeF(points);
        if (QFontMetricsF(candidate).horizontalAdvance(window->Text3->text()) <= room)
            fitted = points;
    }
    ASSERT_GT(fitted, 0.0) << "no size from 11.25 down to 8 shows the line whole";
    const QFont font = window->Text3->font();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_TRUE(font.bold());
    EXPECT_DOUBLE_EQ(font.pointSizeF(), fitted);
    EXPECT_LE(QFontMetricsF(font).horizontalAdvance(window->Text3->text()), room);
    EXPECT_EQ(window->Text3->cursorPosition(), 0);
}

TEST(TextFit, KeepsTheGivenFontWhenTheTextFits) {
    QLineEdit box;
    box.resize(153, 24);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    setTextToFit(&box, QStringLiteral("1438"), font);
    EXPECT_DOUBLE_EQ(box.font().pointSizeF(), 11.25);
    setTextToFit(&box, QString(200, u'W'), font);
    EXPECT_DOUBLE_EQ(box.font().pointSizeF(), 8.0); // no smaller than the floor
    EXPECT_EQ(box.text(), QString(200, u'W'));
}

TEST_F(HijriWindow, KeepsTheDayItWasLoadedOn) {
    window->Form_Load();
    const QString line = window->Text3->text();
    clock.time = clock.time.addSecs(60); // past midnight
    QApplication::processEvents();
    EXPECT_EQ(window->Text4->text(), friday);
    EXPECT_EQ(window->Text3->text(), line);
    EXPECT_EQ(window->Calendar1->selectedDate(), QDate(2017, 4, 7));
}

TEST_F(HijriWindow, CalendarOpensOnTodayWhateverWasBrowsed) {
    window->Calendar1->setSelectedDate(QDate(2010, 1, 31));
    window->Calendar1->setCurrentPage(2012, 2);
    window->Form_Load();
    EXPECT_EQ(window->Calendar1->selectedDate(), QDate(2017, 4, 7));
    EXPECT_EQ(window->Calendar1->monthShown(), 4);
    EXPECT_EQ(window->Calendar1->yearShown(), 2017);
}

TEST_F(HijriWindow, LoadsUnderAHijriCurrentCalendarWithTheOtherDirection) {
    CurrentCalendarScope hijriCalendar(CalendarKind::Hijri);
    window->Form_Load();
    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_EQ(window->Text1->text(), "10/07/1438");
    EXPECT_EQ(window->Text2->text(), "07/04/2017");
}

TEST_F(HijriWindow, ConvertNowClearsTheOutputOnAFailedConversion) {
    window->Form_Load();
    window->Option1->setChecked(true);
    EXPECT_FALSE(window->Option2->isChecked());
    window->Text1->setText("01/09/1438");
    window->Command1->click();
    EXPECT_EQ(window->Text2->text(), "27/05/2017");

    window->Text1->setText("30/02/1438");
    window->Command1->click();
    EXPECT_TRUE(window->Text2->text().isEmpty());
    EXPECT_EQ(CurrentCalendar(), CalendarKind::Gregorian);
    EXPECT_EQ(endings, 0);
}

TEST_F(HijriWindow, AClockBeyondTheCalendarsLeavesTheConverterEmpty) {
    clock.time = QDateTime(QDate(10000, 1, 1), QTime(12, 0));
    EXPECT_NO_THROW(window->Form_Load());
    EXPECT_TRUE(window->Text1->text().isEmpty());
    EXPECT_TRUE(window->Text2->text().isEmpty());
    EXPECT_EQ(window->Text3->text(), hijriEra);
    EXPECT_EQ(CurrentCalendar(), CalendarKind::Gregorian);
}

TEST_F(HijriWindow, IsAModelessTopLevelWindowOfFixedSize) {
    QWidget owner;
    hijri owned(
        clock, [] {}, &owner);
    EXPECT_TRUE(owned.isWindow());
    EXPECT_FALSE(owned.isModal());
    EXPECT_EQ(owned.windowModality(), Qt::NonModal);
    EXPECT_EQ(owned.size(), QSize(353, 154));
    EXPECT_EQ(owned.minimumSize(), owned.maximumSize());
    EXPECT_EQ(owned.windowTitle(), cp({0x062A, 0x0627, 0x0631, 0x064A, 0x062E, 0x20, 0x0627, 0x0644,
                                       0x064A, 0x0648, 0x0645}));
    EXPECT_EQ(owned.palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_FALSE(owned.windowIcon().isNull());
}

TEST_F(HijriWindow, ControlsAreSeenWholeInTheirFonts) {
    const struct {
        const char* family;
        double points;
        bool bold;
        QList<QWidget*> controls;
    } fonts[] = {
        {"Arial", 12, true, {window->Text4, window->Text5}},
        {"Arial", 11.25, true, {window->Text3}},
        {"Arial", 9.75, true, {window->Text1}},
        {"MS Sans Serif",
         8.25,
         false,
         {window->Label1, window->Text2, window->Command1, window->Command2, window->Option1,
          window->Option2}},
    };
    for (const auto& [family, points, bold, controls] : fonts)
        for (QWidget* control : controls) {
            const std::string name = control->objectName().toStdString();
            EXPECT_EQ(control->font().family(), QString::fromLatin1(family)) << name;
            EXPECT_DOUBLE_EQ(control->font().pointSizeF(), points) << name;
            EXPECT_EQ(control->font().bold(), bold) << name;
        }
    window->Form_Load();
    expectSeenWhole(window.get(),
                    {{window->Label1, window->Calendar1, "the hidden converter's format hint"}});
    // The calendar fills the right of the window, 2640, 120 twips from its corner.
    EXPECT_EQ(window->Calendar1->geometry(), QRect(176, 8, 169, 137));
    EXPECT_EQ(window->Label1->text(), "Date Formate:  DD/MM/YYYY");
    EXPECT_EQ(window->Command1->text(), "Convert Now");
    EXPECT_EQ(window->Command2->text(), "Exit");
    EXPECT_EQ(window->Option1->text(), "Hajri To Greg");
    EXPECT_EQ(window->Option2->text(), "Greg To Hjri");

    // The converter is out of sight: below the visible area, or (the label) under the calendar.
    for (QWidget* c :
         {static_cast<QWidget*>(window->Text1), static_cast<QWidget*>(window->Text2),
          static_cast<QWidget*>(window->Command1), static_cast<QWidget*>(window->Command2),
          static_cast<QWidget*>(window->Option1), static_cast<QWidget*>(window->Option2)}) {
        EXPECT_GE(c->y(), 152) << c->objectName().toStdString();
        EXPECT_TRUE(c->isHidden()) << c->objectName().toStdString();
    }
    window->show();
    EXPECT_TRUE(
        window->Calendar1->isAncestorOf(window->childAt(window->Label1->geometry().center())));
}

TEST_F(HijriWindow, TabFollowsTheTableOrder) {
    const QList<QWidget*> expected = {
        window->Calendar1, window->Text1,   window->Command1, window->Text2, window->Command2,
        window->Option1,   window->Option2, window->Text3,    window->Text4, window->Text5};
    QList<QWidget*> chain;
    QWidget* w = window->Calendar1;
    do {
        if (expected.contains(w) && !chain.contains(w))
            chain.append(w);
        w = w->nextInFocusChain();
    } while (w != window->Calendar1 && chain.size() < expected.size());
    EXPECT_EQ(chain, expected);

    // From the keyboard only the visible ones take part: the three boxes, then the calendar.
    window->Form_Load();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->Text3->setFocus();
    QTest::keyClick(window->Text3, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->Text4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->Text5);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(window->Calendar1->isAncestorOf(QApplication::focusWidget()));
}

TEST(MonthCalendar, TakesYearMonthAndDayOneAfterAnother) {
    MonthCalendar calendar;
    calendar.setSelectedDate(QDate(2016, 2, 29));
    calendar.setYear(2017); // no 29 February in 2017
    EXPECT_EQ(calendar.selectedDate(), QDate(2017, 2, 28));
    calendar.setDay(31); // no such day in February: ignored
    EXPECT_EQ(calendar.selectedDate(), QDate(2017, 2, 28));
    calendar.setMonth(13);
    EXPECT_EQ(calendar.selectedDate(), QDate(2017, 2, 28));
    calendar.setMonth(12);
    calendar.setDay(31);
    EXPECT_EQ(calendar.selectedDate(), QDate(2017, 12, 31));
    EXPECT_EQ(calendar.monthShown(), 12);
    calendar.setMonth(4); // 31 April is the 30th
    EXPECT_EQ(calendar.selectedDate(), QDate(2017, 4, 30));
    EXPECT_EQ(calendar.monthShown(), 4);
}

TEST(MonthCalendar, FirstDayCountsFromSunday) {
    MonthCalendar calendar;
    calendar.setFirstDay(1);
    EXPECT_EQ(calendar.firstDayOfWeek(), Qt::Sunday);
    calendar.setFirstDay(2);
    EXPECT_EQ(calendar.firstDayOfWeek(), Qt::Monday);
    calendar.setFirstDay(7);
    EXPECT_EQ(calendar.firstDayOfWeek(), Qt::Saturday);
    calendar.setFirstDay(8);
    EXPECT_EQ(calendar.firstDayOfWeek(), Qt::Saturday);
}

} // namespace
} // namespace tarvo

namespace tarvo {
namespace {

TEST_F(HijriWindow, DateBoxesAreReadOnlyAndEscapeCloses) {
    window->Form_Load();
    for (QLineEdit* box : {window->Text4, window->Text5, window->Text3}) {
        EXPECT_TRUE(box->isReadOnly()) << box->objectName().toStdString();
        box->setFocus();
        QTest::keyClicks(box, "x");
    }
    EXPECT_EQ(window->Text4->text(), friday);
    window->show();
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(endings, 0); // closing the date window ends nothing
}

TEST_F(HijriWindow, TheNeighbouringMonthsDaysAreGreyedAndCaptionsAreBlackUnderADarkTheme) {
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(40, 40, 40));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(240, 240, 240));
    const QPalette before = QApplication::palette();
    QApplication::setPalette(dark);
    hijri themed(clock, [] {});
    themed.Form_Load();
    EXPECT_EQ(themed.palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_EQ(themed.palette().color(QPalette::WindowText), QColor(Qt::black));
    // April 2017: the 15th is April's; days above 20 in the first row and below 15 in the
    // last rows are March's and May's.
    auto* grid = themed.Calendar1->findChild<QAbstractItemView*>("qt_calendar_calendarview");
    ASSERT_NE(grid, nullptr);
    const QAbstractItemModel* model = grid->model();
    const auto colourOf = [&](int row, int column) {
        return model->data(model->index(row, column), Qt::ForegroundRole).value<QColor>();
    };
    const auto dayOf = [&](int row, int column) {
        return model->data(model->index(row, column), Qt::DisplayRole).toInt();
    };
    QColor inMonth, outOfMonth;
    for (int row = 1; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column) {
            const int day = dayOf(row, column);
            if (day == 15)
                inMonth = colourOf(row, column);
            if ((row == 1 && day > 20) || (row >= 5 && day < 15))
                outOfMonth = colourOf(row, column);
        }
    ASSERT_TRUE(inMonth.isValid() && outOfMonth.isValid());
    EXPECT_EQ(inMonth, QColor(Qt::black));
    EXPECT_NE(outOfMonth, inMonth);
    EXPECT_GT(outOfMonth.lightness(), 100);
    // The month arrows are dark on the grey title row, whatever the theme's arrows are.
    for (const char* name : {"qt_calendar_prevmonth", "qt_calendar_nextmonth"}) {
        auto* button = themed.Calendar1->findChild<QToolButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        const QImage icon = button->icon().pixmap(16, 16).toImage();
        int darkest = 255;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) > 200)
                    darkest = std::min(darkest, qGray(icon.pixel(x, y)));
        EXPECT_LT(darkest, 80) << name;
    }
    QApplication::setPalette(before);
}

TEST_F(HijriWindow, OffersNoMaximiseButton) {
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

} // namespace
} // namespace tarvo
