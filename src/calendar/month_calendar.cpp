#include "calendar/month_calendar.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

#include <algorithm>

namespace tarvo {

namespace {

const QColor background(224, 224, 224);

QFont arial(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

MonthCalendar::MonthCalendar(QWidget* parent) : QCalendarWidget(parent) {
    // Arabic month and day names with the same ASCII digits as the date lines beside it.
    setLocale(QLocale(QLocale::Arabic, QLocale::UnitedArabEmirates));
    // Right to left like the Arabic week it shows: the first day in the rightmost column.
    setLayoutDirection(Qt::RightToLeft);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    setFont(arial(8.25, false));

    QTextCharFormat header = headerTextFormat();
    header.setFont(arial(8.25, true));
    setHeaderTextFormat(header);

    // All days alike: no weekend is picked out, whichever days the week starts with.
    QTextCharFormat plainDay;
    plainDay.setForeground(Qt::black);
    for (int weekday = Qt::Monday; weekday <= Qt::Sunday; ++weekday)
        setWeekdayTextFormat(Qt::DayOfWeek(weekday), plainDay);

    // Six weeks must fit the small control; the rows may be lower than the style would like.
    if (auto* grid = findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview")))
        grid->verticalHeader()->setMinimumSectionSize(1);

    QPalette pal = palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
        pal.setColor(role, background);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    // The days of the months before and after are drawn in the disabled text colour.
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 150, 150));
    setPalette(pal);
    setAutoFillBackground(true);

    // The title row: the same grey as the rest, month and year in the large bold face.
    if (auto* bar = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        QPalette barPalette = bar->palette();
        barPalette.setColor(bar->backgroundRole(), background);
        barPalette.setColor(bar->foregroundRole(), Qt::black);
        barPalette.setColor(QPalette::ButtonText, Qt::black);
        bar->setPalette(barPalette);
        for (auto* button : bar->findChildren<QToolButton*>()) {
            button->setPalette(barPalette);
            if (button->objectName() == QLatin1String("qt_calendar_monthbutton") ||
                button->objectName() == QLatin1String("qt_calendar_yearbutton"))
                button->setFont(arial(12, true));
        }
    }
    drawArrows();
}

void MonthCalendar::changeEvent(QEvent* event) {
    QCalendarWidget::changeEvent(event);
    // The widget sets the style's arrows again on these.
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::LayoutDirectionChange)
        drawArrows();
}

void MonthCalendar::drawArrows() {
    auto arrow = [](bool pointsRight) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 128));
        const QPolygonF right{{5, 3}, {12, 8}, {5, 13}};
        const QPolygonF left{{11, 3}, {4, 8}, {11, 13}};
        painter.drawPolygon(pointsRight ? right : left);
        return QIcon(pixmap);
    };
    // The month before lies towards the start of the row: the right in a right-to-left one.
    const bool rtl = isRightToLeft();
    if (auto* prev = findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth")))
        prev->setIcon(arrow(rtl));
    if (auto* next = findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth")))
        next->setIcon(arrow(!rtl));
}

void MonthCalendar::showDate(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid())
        return;
    setSelectedDate(date);
    setCurrentPage(year, month);
}

void MonthCalendar::setYear(int year) {
    const QDate current = selectedDate();
    const QDate first(year, current.month(), 1);
    if (!first.isValid())
        return;
    showDate(year, current.month(), std::min(current.day(), first.daysInMonth()));
}

void MonthCalendar::setMonth(int month) {
    const QDate current = selectedDate();
    const QDate first(current.year(), month, 1);
    if (!first.isValid())
        return;
    showDate(current.year(), month, std::min(current.day(), first.daysInMonth()));
}

void MonthCalendar::setDay(int day) {
    const QDate current = selectedDate();
    showDate(current.year(), current.month(), day);
}

void MonthCalendar::setFirstDay(int day) {
    if (day < 1 || day > 7)
        return;
    // 1 = Sunday ... 7 = Saturday onto Qt's 1 = Monday ... 7 = Sunday.
    setFirstDayOfWeek(day == 1 ? Qt::Sunday : Qt::DayOfWeek(day - 1));
}

} // namespace tarvo
