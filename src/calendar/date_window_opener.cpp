#include "calendar/date_window_opener.h"

#include "calendar/hijri.h"
#include "common/placement.h"

#include <QGuiApplication>
#include <QScreen>

namespace tarvo {

namespace {

// Beside the window it was opened from, wholly on that window's screen: the strip stays
// above all others and must neither cover the date window nor be covered by it.
void placeBeside(QWidget* window, QWidget* openedFrom, const QRect& avoid) {
    QScreen* screen = openedFrom ? openedFrom->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    if (!openedFrom) {
        window->move(centredIn(area, window->size()));
        return;
    }
    const QRect strip = openedFrom->frameGeometry();
    const QSize frame = frameSizeFor(window->size(), marginsBetween(strip, openedFrom->geometry()));
    window->move(besideStrip(strip, frame, area, avoid));
}

} // namespace

DateWindowOpener::DateWindowOpener(Clock& clock, std::function<void()> endProgram)
    : clock_(clock), endProgram_(std::move(endProgram)) {}

DateWindowOpener::~DateWindowOpener() {
    delete window_.data();
}

hijri* DateWindowOpener::open(QWidget* openedFrom, const QRect& avoid) {
    if (!window_) {
        // No parent: the date window is a window of its own and closing it deletes it, so that
        // the next opening loads it afresh.
        window_ = new hijri(clock_, endProgram_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window_->Form_Load();
        placeBeside(window_, openedFrom, avoid);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return window_;
}

} // namespace tarvo
