#pragma once

#include "history/allowance.h"
#include "history/usage_model.h"

#include <QDateTime>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QChartView;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace tarvo {

class Clock;
class MessageBoxes;
class SettingsStore;

// "سجل الاستهلاك": the traffic of today by hour, of the last 31 days and of the last 12
// months, each as a chart above a table, and the monthly allowance. Reads the history through
// source (null: empty tables, nothing used).
class UsageWindow : public QWidget {
    Q_OBJECT
public:
    UsageWindow(UsageSource* source, Clock& clock, SettingsStore& settings,
                MessageBoxes& messages, QWidget* parent = nullptr);

    // Where the export goes; empty = cancelled. Tests give a path instead of asking.
    using SavePathAsker = std::function<QString(QWidget* parent, const QString& suggested)>;
    void setSavePathAsker(SavePathAsker asker) { askSavePath_ = std::move(asker); }

    // The refresh timer's handler: reads the history again, at most once per minute of the
    // clock.
    void refreshTimer_Timer();
    // Saves the shown tab's table as CSV.
    void export_Click();

    QTabWidget* tabs = nullptr;
    std::array<QTableWidget*, 3> tables{};
    std::array<QChartView*, 3> charts{};
    QSpinBox* quotaBox = nullptr;
    QSpinBox* cycleDayBox = nullptr;
    QLabel* usedValue = nullptr;
    QLabel* leftValue = nullptr;
    QLabel* projectedValue = nullptr;
    QPushButton* exportButton = nullptr;
    QTimer* refreshTimer = nullptr;

private:
    void buildControls();
    void reload();
    void showPeriod(int index);
    void showAllowance();
    void allowanceEdited();

    UsageSource* source_;
    Clock& clock_;
    SettingsStore& settings_;
    MessageBoxes& messages_;
    SavePathAsker askSavePath_;
    std::array<std::vector<UsageRow>, 3> rows_;
    QDateTime lastRead_;
    QDate today_;
};

} // namespace tarvo
