#include "history/usage_window.h"

#include "common/caption_fit.h"
#include "common/clock.h"
#include "common/message_boxes.h"
#include "common/window_flags.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace tarvo {

namespace {

constexpr std::array<UsagePeriod, 3> kPeriods{UsagePeriod::Today, UsagePeriod::Days,
                                              UsagePeriod::Months};
constexpr int kRefreshMs = 60 * 1000;
const QColor kReceivedColour(0, 0, 128);
const QColor kSentColour(200, 120, 0);

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

// A short label under each bar: the hour, the day of the month, the month and year.
QString barLabel(const UsageRow& row, UsagePeriod period) {
    switch (period) {
    case UsagePeriod::Today:
        return row.start.time().toString(QStringLiteral("H"));
    case UsagePeriod::Days:
        return row.start.date().toString(QStringLiteral("d"));
    case UsagePeriod::Months:
        return row.start.date().toString(QStringLiteral("M/yy"));
    }
    return {};
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

QString defaultSavePath(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("تصدير"), suggested,
                                        QStringLiteral("CSV (*.csv)"));
}

} // namespace

UsageWindow::UsageWindow(UsageSource* source, Clock& clock, SettingsStore& settings,
                         MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), source_(source), clock_(clock), settings_(settings), messages_(messages),
      askSavePath_(defaultSavePath) {
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
    // Small enough to stand beside the strip on a 1366 x 768 screen.
    setFixedSize(sizeHint().expandedTo(QSize(480, 600)));

    refreshTimer = new QTimer(this);
    refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer->setInterval(kRefreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &UsageWindow::refreshTimer_Timer);
    refreshTimer->start();
}

void UsageWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    const QStringList tabNames{QStringLiteral("اليوم"), QStringLiteral("الأيام"),
                               QStringLiteral("الأشهر")};
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget(tabs);
        auto* pageLayout = new QVBoxLayout(page);
        auto* chart = new QChart();
        chart->setTheme(QChart::ChartThemeLight);
        chart->setBackgroundBrush(Qt::white);
        chart->legend()->setAlignment(Qt::AlignTop);
        chart->setMargins(QMargins(4, 4, 4, 4));
        charts[i] = new QChartView(chart, page);
        charts[i]->setObjectName(QStringLiteral("chart%1").arg(i));
        charts[i]->setRenderHint(QPainter::Antialiasing);
        charts[i]->setMinimumHeight(200);
        charts[i]->setFocusPolicy(Qt::NoFocus);
        // Time runs left to right in the chart as on any time axis.
        charts[i]->setLayoutDirection(Qt::LeftToRight);
        pageLayout->addWidget(charts[i]);

        tables[i] = new QTableWidget(0, 5, page);
        tables[i]->setObjectName(QStringLiteral("table%1").arg(i));
        tables[i]->setHorizontalHeaderLabels(usageColumnHeaders());
        tables[i]->verticalHeader()->hide();
        tables[i]->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tables[i]->setSelectionBehavior(QAbstractItemView::SelectRows);
        tables[i]->setAlternatingRowColors(true);
        tables[i]->setTabKeyNavigation(false);
        tables[i]->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        auto* amounts = new AmountDelegate(tables[i]);
        for (int column = 2; column < 5; ++column)
            tables[i]->setItemDelegateForColumn(column, amounts);
        pageLayout->addWidget(tables[i]);
        tabs->addTab(page, tabNames[i]);
    }
    layout->addWidget(tabs, 1);

    auto* allowance = new QGroupBox(QStringLiteral("الباقة الشهرية"), this);
    allowance->setObjectName(QStringLiteral("allowance"));
    auto* grid = new QGridLayout(allowance);
    quotaBox = new QSpinBox(allowance);
    quotaBox->setObjectName(QStringLiteral("quotaBox"));
    quotaBox->setRange(0, 100000000);
    quotaBox->setSuffix(QStringLiteral(" MB"));
    quotaBox->setLayoutDirection(Qt::LeftToRight);
    auto* quotaLabel = new QLabel(QStringLiteral("الباقة الشهرية"), allowance);
    quotaLabel->setBuddy(quotaBox);
    cycleDayBox = new QSpinBox(allowance);
    cycleDayBox->setObjectName(QStringLiteral("cycleDayBox"));
    cycleDayBox->setRange(1, 31);
    cycleDayBox->setLayoutDirection(Qt::LeftToRight);
    auto* cycleLabel = new QLabel(QStringLiteral("يوم بداية الدورة"), allowance);
    cycleLabel->setBuddy(cycleDayBox);
    grid->addWidget(quotaLabel, 0, 0);
    grid->addWidget(quotaBox, 0, 1);
    grid->addWidget(cycleLabel, 0, 2);
    grid->addWidget(cycleDayBox, 0, 3);

    const auto figure = [&](const QString& caption, const char* name, int column) {
        grid->addWidget(new QLabel(caption, allowance), 1, column);
        auto* value = new QLabel(allowance);
        value->setObjectName(QString::fromLatin1(name));
        value->setLayoutDirection(Qt::LeftToRight);
        value->setAlignment(Qt::AlignCenter);
        grid->addWidget(value, 2, column);
        return value;
    };
    // The third caption is the longest: it gets two columns.
    usedValue = figure(QStringLiteral("المستهلك"), "usedValue", 0);
    leftValue = figure(QStringLiteral("المتبقي"), "leftValue", 1);
    grid->addWidget(new QLabel(QStringLiteral("المتوقع حتى نهاية الدورة"), allowance), 1, 2, 1, 2);
    projectedValue = new QLabel(allowance);
    projectedValue->setObjectName(QStringLiteral("projectedValue"));
    projectedValue->setLayoutDirection(Qt::LeftToRight);
    projectedValue->setAlignment(Qt::AlignCenter);
    grid->addWidget(projectedValue, 2, 2, 1, 2);
    layout->addWidget(allowance);

    exportButton = new QPushButton(QStringLiteral("تصدير"), this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    layout->addLayout(buttons);
    connect(exportButton, &QPushButton::clicked, this, &UsageWindow::export_Click);

    const AllowanceSettings saved = readAllowanceSettings(settings_);
    quotaBox->setValue(int(std::min<std::uint64_t>(saved.quotaMb, quotaBox->maximum())));
    cycleDayBox->setValue(saved.cycleDay);
    connect(quotaBox, &QSpinBox::valueChanged, this, &UsageWindow::allowanceEdited);
    connect(cycleDayBox, &QSpinBox::valueChanged, this, &UsageWindow::allowanceEdited);

    // Room for the marks above and below Arabic letters, which the font's height leaves out.
    for (QLabel* label : findChildren<QLabel*>())
        label->setMinimumSize(captionNeeds(label));
    exportButton->setMinimumSize(exportButton->sizeHint().expandedTo(captionNeeds(exportButton)));
    // Tab runs in the order of creation: the tabs, the shown table, the allowance, the export.
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
    for (int i = 0; i < 3; ++i) {
        rows_[i] = readUsage(source_, kPeriods[i], today_);
        showPeriod(i);
    }
    showAllowance();
}

void UsageWindow::showPeriod(int index) {
    const UsagePeriod period = kPeriods[index];
    const std::vector<UsageRow>& rows = rows_[index];
    const std::vector<UsageTableRow> texts = usageTableRows(rows, period);
    QTableWidget* table = tables[index];
    table->setUpdatesEnabled(false);
    table->setRowCount(int(texts.size()));
    for (int r = 0; r < int(texts.size()); ++r) {
        const UsageTableRow& t = texts[r];
        const std::array<const QString*, 5> cells{&t.date, &t.hijriDate, &t.received, &t.sent,
                                                  &t.total};
        for (int c = 0; c < 5; ++c) {
            QTableWidgetItem* item = table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem();
                item->setTextAlignment(Qt::AlignCenter);
                table->setItem(r, c, item);
            }
            item->setText(*cells[c]);
        }
    }
    table->setUpdatesEnabled(true);

    // Bars in MB, or in GB once the largest bar reaches one.
    std::uint64_t largest = 0;
    for (const UsageRow& row : rows)
        largest = std::max({largest, row.received, row.sent});
    const bool inGB = largest >= std::uint64_t(1) << 30;
    const double unit = inGB ? double(1 << 30) : double(1 << 20);
    auto* received = new QBarSet(QStringLiteral("المستلم"));
    auto* sent = new QBarSet(QStringLiteral("المرسل"));
    received->setColor(kReceivedColour);
    sent->setColor(kSentColour);
    QStringList labels;
    for (const UsageRow& row : rows) {
        *received << double(row.received) / unit;
        *sent << double(row.sent) / unit;
        labels << barLabel(row, period);
    }
    auto* series = new QBarSeries();
    series->append(received);
    series->append(sent);

    QChart* chart = charts[index]->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis();
    categories->append(labels);
    // The axis elides even "10" or "4/26" under bars this narrow to dots; the table below
    // names each bar's hour, day or month in the same order.
    categories->setLabelsVisible(false);
    auto* values = new QValueAxis();
    values->setLabelFormat(inGB ? QStringLiteral("%.1f GB") : QStringLiteral("%.0f MB"));
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(values);
    values->setRange(0, std::max(1.0, double(largest) / unit));
    values->applyNiceNumbers();
    // Steps below one MB need their decimal, or the axis reads 0, 0, 0, 1, 1, 1.
    if (!inGB && values->max() < 10)
        values->setLabelFormat(QStringLiteral("%.1f MB"));
}

void UsageWindow::showAllowance() {
    const AllowanceSettings allowance = readAllowanceSettings(settings_);
    const AllowanceState state = allowanceState(
        allowance, usedInCycle(source_, today_, allowance.cycleDay), today_);
    usedValue->setText(amountText(state.used));
    leftValue->setText(state.quota ? amountText(state.left) : QString(u'-'));
    projectedValue->setText(amountText(state.projected));
}

void UsageWindow::allowanceEdited() {
    writeAllowanceSettings(settings_, {std::uint64_t(quotaBox->value()), cycleDayBox->value()});
    showAllowance();
}

void UsageWindow::export_Click() {
    const int index = tabs->currentIndex();
    const QString suggested = QDir::home().filePath(
        QStringLiteral("tarvo-%1.csv").arg(today_.toString(Qt::ISODate)));
    const QString path = askSavePath_(this, suggested);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QByteArray csv = usageCsv(rows_[index], kPeriods[index]).toUtf8();
        written = file.write(csv) == csv.size() && file.commit();
    }
    if (!written)
        messages_.information(QStringLiteral("Tarvo"),
                              QStringLiteral("تعذر حفظ الملف") + u'\n' + QDir::toNativeSeparators(path));
}

} // namespace tarvo
