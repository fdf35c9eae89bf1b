#include "history/usage_window.h"
#include "common/app_name.h"

#include "common/caption_fit.h"
#include "common/clock.h"
#include "common/message_boxes.h"
#include "common/window_flags.h"

#include "history/bar_chart.h"
#include "history/router_usage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace tarvo {

namespace {

constexpr std::array<UsagePeriod, 3> kPeriods{UsagePeriod::Today, UsagePeriod::Days,
                                              UsagePeriod::Months};
constexpr int kRefreshMs = 60 * 1000;
// The rows a table shows without scrolling, when the screen has the room.
constexpr int kShownRows = 12;

// Its own light colours under any theme, the boxes and tables included, so that no dark
// theme leaves black text on a dark ground.
QPalette fixedPalette(QPalette palette) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, QColor(224, 224, 224));
        palette.setColor(group, QPalette::WindowText, Qt::black);
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::AlternateBase, QColor(240, 240, 240));
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::Button, QColor(224, 224, 224));
        palette.setColor(group, QPalette::ButtonText, Qt::black);
        palette.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Light, Qt::white);
        palette.setColor(group, QPalette::Midlight, QColor(232, 232, 232));
        palette.setColor(group, QPalette::Mid, QColor(160, 160, 160));
        palette.setColor(group, QPalette::Dark, QColor(128, 128, 128));
        palette.setColor(group, QPalette::Shadow, QColor(64, 64, 64));
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
        palette.setColor(group, QPalette::PlaceholderText, QColor(128, 128, 128));
    }
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    return palette;
}

// Amounts ("512.00 MB") read left to right in the right-to-left table, never "MB 512.00".
class AmountDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->direction = Qt::LeftToRight;
    }
};

// Lines of notes that may be longer than the window is wide: they wrap, the table gives them
// the room, and the marks above and below Arabic letters keep theirs.
void wrapLines(QLabel* label) {
    label->setWordWrap(true);
    label->setContentsMargins(0, 3, 0, 3);
}

QString defaultSavePath(QWidget* parent, const QString& suggested) {
    // A dialog of its own: a top-level window takes the application's direction, not its
    // parent's.
    QFileDialog dialog(parent, QStringLiteral("تصدير سجل الاستهلاك"), suggested,
                       QStringLiteral("CSV (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setLayoutDirection(Qt::RightToLeft);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

UsageWindow::UsageWindow(UsageSource* source, Clock& clock, SettingsStore& settings,
                         MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), history_(source), source_(source), clock_(clock), settings_(settings),
      messages_(messages), askSavePath_(defaultSavePath) {
    setObjectName(QStringLiteral("frmUsage"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("سجل الاستهلاك"));
    setLayoutDirection(Qt::RightToLeft);
    setPalette(fixedPalette(palette()));
    setAutoFillBackground(true);
    setWindowFlags(fixedSizeWindowFlags(windowFlags()));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    buildControls();
    reload();
    // The months' names and Hijri spans are the longest cells: they take what they need, and
    // the window is as wide as their table then needs (else small enough to stand beside the
    // strip on a 1366 x 768 screen).
    QTableWidget* months = tables[2];
    for (int c : {0, 1})
        months->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    int needed = 0;
    for (int c = 0; c < months->columnCount(); ++c)
        needed += std::max(static_cast<QAbstractItemView*>(months)->sizeHintForColumn(c),
                           months->horizontalHeader()->sectionSizeHint(c));
    months->setMinimumWidth(needed + 2 * months->frameWidth() +
                            months->verticalScrollBar()->sizeHint().width());
    // Tall enough for twelve rows and the note under them; the note and the line about a
    // history moved aside take their room from the table when they show.
    const auto tableHeight = [this](int index, int rows) {
        QTableWidget* table = tables[index];
        return table->horizontalHeader()->sizeHint().height() +
               rows * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth();
    };
    for (int i = 0; i < 3; ++i)
        tables[i]->setMinimumHeight(tableHeight(i, kShownRows) +
                                    footnotes[i]->minimumSizeHint().height() + 4);
    setFixedSize(sizeHint().expandedTo(QSize(480, 600)));
    fullHeight_ = height();
    for (int i = 0; i < 3; ++i)
        tables[i]->setMinimumHeight(tableHeight(i, 3));

    refreshTimer = new QTimer(this);
    refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer->setInterval(kRefreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &UsageWindow::refreshTimer_Timer);
    refreshTimer->start();
}

int UsageWindow::shortestHeight() const {
    // The height has room for kShownRows rows in each table; they give up all but three.
    return fullHeight_ - (kShownRows - 3) * tables[0]->verticalHeader()->defaultSectionSize();
}

void UsageWindow::fitHeight(int available) {
    setFixedHeight(std::clamp(available, shortestHeight(), fullHeight_));
}

void UsageWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    // Two choices between this computer and the router, each pair in a row of its own.
    const auto choiceRow = [](QWidget* parent, const char16_t* caption, const char* name,
                              QRadioButton*& computer, QRadioButton*& network) {
        auto* row = new QWidget(parent);
        row->setObjectName(QString::fromLatin1(name));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(new QLabel(QString::fromUtf16(caption), row));
        computer = new QRadioButton(QString::fromUtf16(ThisComputerChoice), row);
        network = new QRadioButton(QString::fromUtf16(WholeNetworkChoice), row);
        computer->setChecked(true);
        line->addWidget(computer);
        line->addWidget(network);
        line->addStretch(1);
        return row;
    };
    sourceRow = choiceRow(this, UsageSourceCaption, "sourceRow", computerChoice, networkChoice);
    computerChoice->setObjectName(QStringLiteral("computerChoice"));
    networkChoice->setObjectName(QStringLiteral("networkChoice"));
    // Beside the line: what the other devices moved, the router's count less this computer's.
    othersChoice = new QRadioButton(QString::fromUtf16(OtherDevicesChoice), sourceRow);
    othersChoice->setObjectName(QStringLiteral("othersChoice"));
    static_cast<QHBoxLayout*>(sourceRow->layout())->insertWidget(3, othersChoice);
    connect(networkChoice, &QRadioButton::toggled, this, &UsageWindow::chooseSource);
    connect(othersChoice, &QRadioButton::toggled, this, &UsageWindow::chooseSource);
    layout->addWidget(sourceRow);
    routerLines = new QLabel(this);
    routerLines->setObjectName(QStringLiteral("routerLines"));
    // The router's name and failures come from the network: never markup.
    routerLines->setTextFormat(Qt::PlainText);
    wrapLines(routerLines);
    layout->addWidget(routerLines);
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    const int rowHeight = fontMetrics().height() + 4;
    for (int i = 0; i < 3; ++i) {
        const UsagePeriod period = kPeriods[i];
        auto* page = new QWidget(tabs);
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setSpacing(4);
        pageLayout->setContentsMargins(4, 4, 4, 4);
        charts[i] = new BarChart(page);
        charts[i]->setObjectName(QStringLiteral("chart%1").arg(i));
        charts[i]->setAxisTitle(usageAxisTitle(period));
        // The chart keeps its height; the table takes the rest.
        charts[i]->setFixedHeight(8 * fontMetrics().height());
        pageLayout->addWidget(charts[i]);
        if (period == UsagePeriod::Today) {
            todayLabel = new QLabel(page);
            todayLabel->setObjectName(QStringLiteral("todayLabel"));
            pageLayout->addWidget(todayLabel);
        }

        const QStringList headers = usageColumnHeaders(period);
        tables[i] = new QTableWidget(0, int(headers.size()), page);
        tables[i]->setObjectName(QStringLiteral("table%1").arg(i));
        tables[i]->setHorizontalHeaderLabels(headers);
        tables[i]->verticalHeader()->hide();
        tables[i]->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        tables[i]->verticalHeader()->setDefaultSectionSize(rowHeight);
        tables[i]->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tables[i]->setSelectionBehavior(QAbstractItemView::SelectRows);
        tables[i]->setAlternatingRowColors(true);
        tables[i]->setTabKeyNavigation(false);
        tables[i]->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        auto* amounts = new AmountDelegate(tables[i]);
        for (int column = int(headers.size()) - 3; column < int(headers.size()); ++column)
            tables[i]->setItemDelegateForColumn(column, amounts);
        pageLayout->addWidget(tables[i], 1);

        footnotes[i] = new QLabel(page);
        wrapLines(footnotes[i]);
        footnotes[i]->setObjectName(QStringLiteral("footnote%1").arg(i));
        footnotes[i]->hide();
        pageLayout->addWidget(footnotes[i]);
        tabs->addTab(page, usageTabName(period));
    }
    layout->addWidget(tabs, 1);
    // The newest row is the top one: a tab opens on it.
    connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < 3)
            tables[index]->scrollToTop();
    });

    auto* allowance = new QGroupBox(QStringLiteral("الباقة الشهرية"), this);
    allowance->setObjectName(QStringLiteral("allowance"));
    auto* grid = new QGridLayout(allowance);
    quotaBox = new QSpinBox(allowance);
    quotaBox->setObjectName(QStringLiteral("quotaBox"));
    quotaBox->setRange(0, int(AllowanceSettings::kMaxQuotaMb));
    quotaBox->setSuffix(QStringLiteral(" ميغابايت"));
    quotaBox->setLayoutDirection(Qt::LeftToRight);
    auto* quotaLabel = new QLabel(QStringLiteral("الباقة"), allowance);
    quotaLabel->setBuddy(quotaBox);
    cycleDayBox = new QSpinBox(allowance);
    cycleDayBox->setObjectName(QStringLiteral("cycleDayBox"));
    cycleDayBox->setRange(1, 31);
    cycleDayBox->setLayoutDirection(Qt::LeftToRight);
    auto* cycleLabel = new QLabel(QStringLiteral("يوم بداية الدورة"), allowance);
    cycleLabel->setBuddy(cycleDayBox);
    saveButton = new QPushButton(QStringLiteral("حفظ"), allowance);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setAutoDefault(false);
    grid->addWidget(quotaLabel, 0, 0);
    grid->addWidget(quotaBox, 0, 1);
    grid->addWidget(cycleLabel, 0, 2);
    grid->addWidget(cycleDayBox, 0, 3);
    grid->addWidget(saveButton, 0, 4);

    const auto figure = [&](const QString& caption, const char* name, int column, int span) {
        grid->addWidget(new QLabel(caption, allowance), 1, column, 1, span);
        auto* value = new QLabel(allowance);
        value->setObjectName(QString::fromLatin1(name));
        value->setLayoutDirection(Qt::LeftToRight);
        value->setAlignment(Qt::AlignCenter);
        grid->addWidget(value, 2, column, 1, span);
        return value;
    };
    // The third caption is the longest: it gets the most columns.
    usedValue = figure(QStringLiteral("المستهلك"), "usedValue", 0, 1);
    leftValue = figure(QStringLiteral("المتبقي"), "leftValue", 1, 1);
    projectedValue = figure(QStringLiteral("المتوقع حتى نهاية الدورة"), "projectedValue", 2, 3);
    quotaSourceRow = choiceRow(allowance, QuotaSourceCaption, "quotaSourceRow", quotaComputerChoice,
                               quotaNetworkChoice);
    quotaComputerChoice->setObjectName(QStringLiteral("quotaComputerChoice"));
    quotaNetworkChoice->setObjectName(QStringLiteral("quotaNetworkChoice"));
    grid->addWidget(quotaSourceRow, 3, 0, 1, 5);
    unknownNote = new QLabel(QString::fromUtf16(UnknownInFigureNote), allowance);
    unknownNote->setObjectName(QStringLiteral("unknownNote"));
    grid->addWidget(unknownNote, 4, 0, 1, 5);
    notSeenLabel = new QLabel(allowance);
    notSeenLabel->setObjectName(QStringLiteral("notSeenLabel"));
    notSeenLabel->setStyleSheet(QStringLiteral("color: #800000;"));
    notSeenLabel->setTextFormat(Qt::PlainText);
    grid->addWidget(notSeenLabel, 5, 0, 1, 5);
    countsLessLabel = new QLabel(QString::fromUtf16(QuotaRouterCountsLessLine), allowance);
    countsLessLabel->setObjectName(QStringLiteral("countsLessLabel"));
    countsLessLabel->setStyleSheet(QStringLiteral("color: #800000;"));
    grid->addWidget(countsLessLabel, 6, 0, 1, 5);
    // Only a click is a choice: the window setting the buttons to the settings is none.
    connect(quotaNetworkChoice, &QRadioButton::clicked, this, [this] { chooseQuotaSource(true); });
    connect(quotaComputerChoice, &QRadioButton::clicked, this,
            [this] { chooseQuotaSource(false); });
    layout->addWidget(allowance);

    exportButton = new QPushButton(QStringLiteral("تصدير"), this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setToolTip(QStringLiteral("الجداول الثلاثة في ملف CSV واحد"));
    // What the amounts' units mean, said once for the whole window.
    unitsLabel = new QLabel(unitsNote(), this);
    unitsLabel->setObjectName(QStringLiteral("unitsLabel"));
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(unitsLabel);
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    layout->addLayout(buttons);
    connect(exportButton, &QPushButton::clicked, this, &UsageWindow::export_Click);

    // Made last, so that it comes last in the Tab order, but shown first.
    movedAsideLabel = new QLabel(this);
    movedAsideLabel->setObjectName(QStringLiteral("movedAsideLabel"));
    movedAsideLabel->setWordWrap(true);
    movedAsideLabel->setTextFormat(Qt::RichText);
    movedAsideLabel->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    movedAsideLabel->setStyleSheet(QStringLiteral("color: #800000;"));
    movedAsideLabel->hide();
    layout->insertWidget(0, movedAsideLabel);

    const AllowanceSettings saved = readAllowanceSettings(settings_);
    quotaBox->setValue(int(std::min<std::uint64_t>(saved.quotaMb, quotaBox->maximum())));
    cycleDayBox->setValue(saved.cycleDay);
    // Taken only once the editing ends, never a figure on its way ("6" of "60000").
    for (QSpinBox* box : {quotaBox, cycleDayBox}) {
        box->setKeyboardTracking(false);
        connect(box, &QSpinBox::editingFinished, this, [this] {
            // Leaving for another window is no end of the editing; closing this one is.
            if (isActiveWindow())
                save_Click();
        });
    }
    connect(saveButton, &QPushButton::clicked, this, &UsageWindow::save_Click);

    // Room for the marks above and below Arabic letters, which the font's height leaves out.
    for (QLabel* label : findChildren<QLabel*>())
        if (!label->wordWrap())
            label->setMinimumSize(captionNeeds(label));
    for (QPushButton* button : {saveButton, exportButton})
        button->setMinimumSize(button->sizeHint().expandedTo(captionNeeds(button)));
    // Tab runs in the order of creation: the tabs, the shown table, the allowance, save, the
    // export.
}

void UsageWindow::refreshTimer_Timer() {
    const QDateTime now = clock_.now();
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()));
    if (minute == lastRead_)
        return;
    reload();
}

void UsageWindow::reload() {
    const QDateTime now = clock_.now();
    lastRead_ = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
    today_ = now.date();
    todayLabel->setText(todayLine(today_));
    todayLabel->setMinimumSize(captionNeeds(todayLabel));
    showRouter();
    for (int i = 0; i < 3; ++i) {
        rows_[i] = readUsage(source_, kPeriods[i], today_);
        showPeriod(i);
    }
    showAllowance();
}

std::vector<UsageRow> UsageWindow::tableRows(int index) const {
    std::vector<UsageRow> shown = rows_[index];
    if (kPeriods[index] == UsagePeriod::Today) {
        // The hours still to come hold nothing yet: the table starts at this hour.
        const int hour = lastRead_.time().hour();
        std::erase_if(shown,
                      [hour](const UsageRow& row) { return row.start.time().hour() > hour; });
    }
    return shown;
}

void UsageWindow::showPeriod(int index) {
    const UsagePeriod period = kPeriods[index];
    const std::vector<UsageRow>& rows = rows_[index];
    const std::vector<UsageTableRow> texts = usageTableRows(tableRows(index), period);
    QTableWidget* table = tables[index];
    table->setUpdatesEnabled(false);
    table->setRowCount(int(texts.size()));
    bool beforeMeter = false, spread = false;
    for (int r = 0; r < int(texts.size()); ++r) {
        const QStringList cells = texts[r].cells(period);
        QStringList tips;
        if (texts[r].beforeMeter)
            tips << QString::fromUtf16(BeforeMeterNote);
        if (texts[r].spread)
            tips << QString::fromUtf16(SpreadNote);
        const QString tip = tips.join(u'\n');
        beforeMeter = beforeMeter || texts[r].beforeMeter;
        spread = spread || texts[r].spread;
        for (int c = 0; c < int(cells.size()); ++c) {
            QTableWidgetItem* item = table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem();
                item->setTextAlignment(Qt::AlignCenter);
                table->setItem(r, c, item);
            }
            item->setText(cells[c]);
            item->setToolTip(tip);
        }
    }
    table->setUpdatesEnabled(true);
    QStringList notes;
    if (beforeMeter)
        notes << QStringLiteral("* ") + QString::fromUtf16(BeforeMeterNote);
    if (spread)
        notes << QString::fromUtf16(SpreadNote);
    QStringList unknown;
    if (source_ != history_ && othersChoice->isChecked())
        notes << QString::fromUtf16(OtherDevicesNote);
    if (source_ != history_ && !rows.empty())
        unknown = unknownSpanLines(
            source_->unknown(rows.front().start, QDateTime(today_.addDays(1), QTime(0, 0))));
    // The newest few under the table, all of them in its tool tip.
    constexpr int kShownSpans = 3;
    notes << unknown.mid(std::max<qsizetype>(0, unknown.size() - kShownSpans));
    footnotes[index]->setText(notes.join(u'\n'));
    footnotes[index]->setToolTip(unknown.size() > kShownSpans ? unknown.join(u'\n') : QString());
    footnotes[index]->setVisible(!notes.isEmpty());

    std::vector<BarChart::Bar> bars;
    bars.reserve(rows.size());
    for (const UsageRow& row : rows)
        bars.push_back(
            {usageBarLabel(row, period), row.received, row.sent, usageBarToolTip(row, period)});
    charts[index]->setBars(std::move(bars));
}

void UsageWindow::showAllowance() {
    const AllowanceSettings allowance = readAllowanceSettings(settings_);
    const AllowanceCount count = allowanceCount(history_, allowance, clock_.now());
    const AllowanceState state = allowanceToday(count.source, allowance, today_);
    usedValue->setText(amountText(state.used));
    leftValue->setText(state.quota ? amountText(state.left) : QString(u'-'));
    projectedValue->setText(amountText(state.projected));
    const bool anyRouter = !shownRouterName_.isNull() || count.router;
    quotaSourceRow->setVisible(anyRouter);
    (count.router ? quotaNetworkChoice : quotaComputerChoice)->setChecked(true);
    unknownNote->setVisible(count.router &&
                            hasUnknown(count.source, state.cycleStart, state.nextCycleStart));
    notSeenLabel->setText(QString::fromUtf16(QuotaRouterNotSeenLine).arg(count.routerName));
    notSeenLabel->setMinimumSize(captionNeeds(notSeenLabel));
    notSeenLabel->setVisible(count.router && !count.seen);
    countsLessLabel->setVisible(count.router && count.countsLess);
}

void UsageWindow::showRouter() {
    const std::optional<RouterRecord> router = shownRouter(history_);
    // Null until a router was read: the choice is not offered.
    shownRouterName_ = router ? shownRouterName(*router) : QString();
    sourceRow->setVisible(router.has_value());
    routerLines->setVisible(router.has_value());
    if (router) {
        routerLines->setText(routerStatusLines(*router, clock_.now()).join(u'\n'));
    }
    UsageSource* routerRows = router ? history_->router(router->id) : nullptr;
    UsageSource* othersRows = router ? history_->routerOthers(router->id) : nullptr;
    othersChoice->setVisible(othersRows != nullptr);
    source_ = routerRows && networkChoice->isChecked()  ? routerRows
              : othersRows && othersChoice->isChecked() ? othersRows
                                                        : history_;
}

void UsageWindow::chooseSource() {
    reload();
}

void UsageWindow::chooseQuotaSource(bool network) {
    AllowanceSettings allowance = readAllowanceSettings(settings_);
    allowance.source =
        network ? AllowanceSettings::Source::Router : AllowanceSettings::Source::Computer;
    // Stored by its id, so that another network's router never counts against this plan.
    if (network)
        if (const std::optional<RouterRecord> router = shownRouter(history_))
            allowance.router = router->id;
    writeAllowanceSource(settings_, allowance);
    showAllowance();
}

void UsageWindow::save_Click() {
    quotaBox->interpretText();
    cycleDayBox->interpretText();
    const AllowanceSettings saved = readAllowanceSettings(settings_);
    AllowanceSettings typed = saved;
    typed.quotaMb = std::uint64_t(quotaBox->value());
    typed.cycleDay = cycleDayBox->value();
    if (typed != saved)
        writeAllowanceSettings(settings_, typed);
    showAllowance();
}

void UsageWindow::showMovedAside(const QString& path) {
    // The path in a paragraph of its own, left to right, so that a leading "/" stays in front
    // and a copy of it holds no direction marks.
    movedAsideLabel->setText(
        QStringLiteral("<p dir=\"rtl\">%1</p><p dir=\"ltr\" align=\"right\">%2</p>")
            .arg(QStringLiteral("كان سجل الاستهلاك تالفًا فنُقل جانبًا إلى: ").toHtmlEscaped(),
                 QDir::toNativeSeparators(path).toHtmlEscaped()));
    movedAsideLabel->show();
}

void UsageWindow::closeEvent(QCloseEvent* event) {
    // A typed figure that was not yet taken is taken now.
    save_Click();
    QWidget::closeEvent(event);
}

void UsageWindow::export_Click() {
    const QString suggested = QDir::home().filePath(
        commandName() + u'-' + today_.toString(Qt::ISODate) + QStringLiteral(".csv"));
    const QString path = askSavePath_(this, suggested);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QByteArray csv = usageCsv({tableRows(0), tableRows(1), tableRows(2)},
                                        source_ != history_ ? shownRouterName_ : QString())
                                   .toUtf8();
        written = file.write(csv) == csv.size() && file.commit();
    }
    if (!written)
        messages_.information(appName(), QStringLiteral("تعذر حفظ الملف") + u'\n' +
                                             QDir::toNativeSeparators(path));
}

} // namespace tarvo
