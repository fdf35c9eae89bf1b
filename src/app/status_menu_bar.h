#pragma once

#include <QMenuBar>

namespace tarvo {

// A menu bar that doubles as a status line: when a status item's text changes without
// changing its width, as the clock's does every second, only that item is repainted
// instead of the whole bar being laid out and painted again.
class StatusMenuBar : public QMenuBar {
    Q_OBJECT
public:
    using QMenuBar::QMenuBar;

    void addStatusAction(QAction* action);

    // A drop-down that reads right to left and still opens straight below its item, over
    // the window, as the bar's other menus would.
    QMenu* addRightToLeftMenu(const QString& title);

protected:
    void actionEvent(QActionEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Status {
        QAction* action;
        QString shownText;
    };
    std::vector<Status> status_;
};

} // namespace tarvo
