#include "calendar/hijri.h"

#include "calendar/date_conversion.h"
#include "calendar/date_lines.h"
#include "calendar/date_names.h"
#include "calendar/date_text.h"
#include "calendar/date_window_icon.h"
#include "calendar/month_calendar.h"
#include "calendar/text_fit.h"
#include "common/clock.h"
#include "common/form_layout.h"
#include "common/window_flags.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace tarvo {

namespace {

QFont arial(double points, bool bold) {
    return formFont(QStringLiteral("Arial"), points, bold);
}

QFont sansSerif() {
    return formFont(QStringLiteral("MS Sans Serif"), 8.25);
}

} // namespace

hijri::hijri(Clock& clock, std::function<void()> endProgram, QWidget* parent)
    : QWidget(parent, Qt::Window), clock_(clock), endProgram_(std::move(endProgram)) {
    setObjectName(QStringLiteral("hijri"));
    // "Today's date"
    setWindowTitle(
        QString::fromUtf16(u"\u062A\u0627\u0631\u064A\u062E \u0627\u0644\u064A\u0648\u0645"));
    setWindowIcon(dateWindowIcon());
    setFont(formFont(QStringLiteral("Arabic Transparent"), 8.25));
    // Its own grey with black captions under any theme; the boxes keep the theme's colours.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedSize(px(5295), px(2310));
    setWindowFlags(fixedSizeWindowFlags(windowFlags()));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    Label1 = formControl<QLabel>(this, "Label1", {3240, 1800, 255, 255}, sansSerif(),
                                 QStringLiteral("Date Formate:  DD/MM/YYYY"));

    Calendar1 = formControl<MonthCalendar>(this, "Calendar1", {2640, 120, 2535, 2055});

    Text4 = formControl<QLineEdit>(this, "Text4", {360, 360, 1815, 405}, arial(12, true));
    Text5 = formControl<QLineEdit>(this, "Text5", {120, 1080, 2295, 360}, arial(12, true));
    Text3 = formControl<QLineEdit>(this, "Text3", {120, 1560, 2295, 360}, arial(11.25, true));
    // Today's date is shown, not asked for.
    for (QLineEdit* line : {Text4, Text5, Text3})
        line->setReadOnly(true);

    Text1 = formControl<QLineEdit>(this, "Text1", {480, 2280, 300, 360}, arial(9.75, true));
    Text2 = formControl<QLineEdit>(this, "Text2", {840, 2280, 1455, 285}, sansSerif());
    Command1 = formControl<QPushButton>(this, "Command1", {0, 2280, 1215, 375}, sansSerif(),
                                        QStringLiteral("Convert Now"));
    Command2 = formControl<QPushButton>(this, "Command2", {1920, 2280, 1095, 375}, sansSerif(),
                                        QStringLiteral("Exit"));
    Option1 = formControl<QRadioButton>(this, "Option1", {480, 2400, 1335, 255}, sansSerif(),
                                        QStringLiteral("Hajri To Greg"));
    Option2 = formControl<QRadioButton>(this, "Option2", {2160, 2280, 1335, 255}, sansSerif(),
                                        QStringLiteral("Greg To Hjri"));

    auto* direction = new QButtonGroup(this);
    direction->addButton(Option1);
    direction->addButton(Option2);

    // The converter lies on or below the bottom edge and is not for the user's eyes; hiding it
    // keeps slivers of it off the edge and its controls out of the keyboard's way.
    for (QWidget* control : {static_cast<QWidget*>(Text1), static_cast<QWidget*>(Text2),
                             static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2),
                             static_cast<QWidget*>(Option1), static_cast<QWidget*>(Option2)})
        control->hide();

    const QList<QWidget*> tabOrder = {Calendar1, Text1,   Command1, Text2, Command2,
                                      Option1,   Option2, Text3,    Text4, Text5};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(Command1, &QPushButton::clicked, this, &hijri::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &hijri::Command2_Click);
}

void hijri::Form_Load() {
    // One reading of the clock, so that a load just at midnight describes one day throughout.
    const QDate today = clock_.today();

    Calendar1->setFirstDay(7);
    Calendar1->setYear(today.year());
    Calendar1->setMonth(today.month());
    Calendar1->setDay(today.day());

    setTextToFit(Text4, WeekdayNames(weekdayFromSunday(today)), arial(12, true));

    if (CurrentCalendar() == CalendarKind::Hijri)
        Option1->setChecked(true);
    else
        Option2->setChecked(true);

    try {
        Text1->setText(dateText(today));
    } catch (const DateConversionError&) {
        // Only a clock outside the calendar's years gets here; the converter then finds no date.
        Text1->clear();
    }
    Command1_Click();
    setTextToFit(Text5, GregorianDateLine(today), arial(12, true));
    setTextToFit(Text3, HijriDateLine(Text2->text()), arial(11.25, true));
}

void hijri::Command1_Click() {
    const bool hijriToGregorian = Option1->isChecked();
    const CalendarKind from = hijriToGregorian ? CalendarKind::Hijri : CalendarKind::Gregorian;
    const CalendarKind to = hijriToGregorian ? CalendarKind::Gregorian : CalendarKind::Hijri;
    try {
        Text2->setText(ConvertDateString(Text1->text(), from, to, DatePattern.toString()));
    } catch (const DateConversionError&) {
        // Nothing to tell: the converter is not shown, and an empty result reads as no date.
        Text2->clear();
    }
}

void hijri::Command2_Click() {
    if (endProgram_)
        endProgram_();
}

QString hijri::ConvertDateString(const QString& dateText, const CalendarKind& fromCalendar,
                                 CalendarKind toCalendar, const QString& formatPattern) const {
    return tarvo::ConvertDateString(dateText, fromCalendar, toCalendar, formatPattern);
}

} // namespace tarvo
