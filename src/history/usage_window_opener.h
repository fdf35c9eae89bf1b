#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QWidget;

namespace tarvo {

class Clock;
class MessageBoxes;
class SettingsStore;
class UsageSource;
class UsageWindow;

// Opens the one usage window. One that is not open is created and placed beside the strip it
// is opened from, clear of the other windows where there is room, its tables giving up rows
// where the screen is too short for it; one that is open is only brought to the front.
// Closing the window discards it.
class UsageWindowOpener {
public:
    UsageWindowOpener(Clock& clock, SettingsStore& settings, MessageBoxes& messages);
    ~UsageWindowOpener();
    UsageWindowOpener(const UsageWindowOpener&) = delete;
    UsageWindowOpener& operator=(const UsageWindowOpener&) = delete;

    // source is the history to show (null: none); movedAside names a damaged history the
    // meter moved aside, or is empty.
    UsageWindow* open(QWidget* strip, const QList<QWidget*>& others, UsageSource* source,
                      const QString& movedAside = {});

    // The open window, or null.
    UsageWindow* window() const { return window_; }

private:
    Clock& clock_;
    SettingsStore& settings_;
    MessageBoxes& messages_;
    QPointer<UsageWindow> window_;
};

} // namespace tarvo
