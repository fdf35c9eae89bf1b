#pragma once

#include <QList>
#include <QPointer>

#include <functional>

class QWidget;

namespace tarvo {

class Clock;
class hijri;

// Opens the one date window. A window that is not open is created and loaded afresh, beside
// the strip it is opened from (clear of the other windows where there is room), or centred
// when opened from none; one that is open is only brought to the front, not reloaded. Either
// way it stays above all other windows. Closing the window discards it.
class DateWindowOpener {
public:
    DateWindowOpener(Clock& clock, std::function<void()> endProgram);
    ~DateWindowOpener();
    DateWindowOpener(const DateWindowOpener&) = delete;
    DateWindowOpener& operator=(const DateWindowOpener&) = delete;

    hijri* open(QWidget* openedFrom, const QList<QWidget*>& others = {});

    // The open window, or null.
    hijri* window() const { return window_; }

private:
    Clock& clock_;
    std::function<void()> endProgram_;
    QPointer<hijri> window_;
};

} // namespace tarvo
