#pragma once

#include "history/allowance.h"
#include "history/usage_model.h"

#include <QDateTime>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace tarvo {

class BarChart;
class Clock;
class MessageBoxes;
class SettingsStore;

// "سجل الاستهلاك": the traffic of today by hour, of the last 31 days and of the last 12
// months, each as a chart above a table with the newest row on top, and the monthly
// allowance. Reads the history through source (null: empty tables, nothing used).
class UsageWindow : public QWidget {
    Q_OBJECT
public:
    UsageWindow(UsageSource* source, Clock& clock, SettingsStore& settings, MessageBoxes& messages,
                QWidget* parent = nullptr);

    // Where the export goes; empty = cancelled. Tests give a path instead of asking.
    using SavePathAsker = std::function<QString(QWidget* parent, const QString& suggested)>;
    void setSavePathAsker(SavePathAsker asker) { askSavePath_ = std::move(asker); }

    // The refresh timer's handler: reads the history again, at most once per minute of the
    // clock.
    void refreshTimer_Timer();
    // Saves the three tabs' rows as one CSV file.
    void export_Click();
    // Takes the allowance boxes' values, if they changed; runs when their editing ends.
    void save_Click();
    // Tells the user that the history was damaged and moved aside to path.
    void showMovedAside(const QString& path);
    // At most `available` pixels high where the screen is shorter than the window (a laptop
    // scaled by one and a half, or under a tall panel): the tables give up rows, down to
    // three, so that the allowance and the export stay in reach.
    void fitHeight(int available);
    // The window with every row shown, and the least height fitHeight gives it.
    QSize fullSize() const { return {width(), fullHeight_}; }
    int shortestHeight() const;

    QTabWidget* tabs = nullptr;
    std::array<QTableWidget*, 3> tables{};
    std::array<BarChart*, 3> charts{};
    // Whose use the tabs show, once a home router was read: this computer's or the router's.
    QWidget* sourceRow = nullptr;
    QRadioButton* computerChoice = nullptr;
    QRadioButton* networkChoice = nullptr;
    QRadioButton* othersChoice = nullptr; // the router's count less this computer's
    QLabel* routerLines = nullptr;
    // Under each table: what its marks mean and the spans the router's count does not know.
    std::array<QLabel*, 3> footnotes{};
    QLabel* todayLabel = nullptr; // today's dates, above today's table
    QLabel* movedAsideLabel = nullptr;
    QLabel* unitsLabel = nullptr;
    QSpinBox* quotaBox = nullptr;
    QSpinBox* cycleDayBox = nullptr;
    QPushButton* saveButton = nullptr;
    QLabel* usedValue = nullptr;
    QLabel* leftValue = nullptr;
    QLabel* projectedValue = nullptr;
    // Whose use the allowance counts.
    QWidget* quotaSourceRow = nullptr;
    QRadioButton* quotaComputerChoice = nullptr;
    QRadioButton* quotaNetworkChoice = nullptr;
    QLabel* unknownNote = nullptr;     // the figure leaves out spans that cannot be known
    QLabel* notSeenLabel = nullptr;    // the router it counts is not on this network now
    QLabel* countsLessLabel = nullptr; // the router it counts counts less than this computer
    QPushButton* exportButton = nullptr;
    QTimer* refreshTimer = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    int fullHeight_ = 0;
    void reload();
    void showPeriod(int index);
    // The rows of a tab's table and export, oldest first.
    std::vector<UsageRow> tableRows(int index) const;
    void showAllowance();
    void showRouter();
    void chooseSource();
    void chooseQuotaSource(bool network);

    UsageSource* history_;
    UsageSource* source_;
    QString shownRouterName_;
    Clock& clock_;
    SettingsStore& settings_;
    MessageBoxes& messages_;
    SavePathAsker askSavePath_;
    std::array<std::vector<UsageRow>, 3> rows_;
    QDateTime lastRead_;
    QDate today_;
};

} // namespace tarvo
