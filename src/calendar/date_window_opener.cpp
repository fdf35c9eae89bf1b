#include "calendar/date_window_opener.h"

#include "calendar/hijri.h"

#include <QGuiApplication>
#include <QScreen>

namespace tarvo {

namespace {

void centreOnScreen(QWidget* window, QWidget* openedFrom) {
    QScreen* screen = openedFrom ? openedFrom->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace

DateWindowOpener::DateWindowOpener(Clock& clock, std::function<void()> endProgram)
    : clock_(clock), endProgram_(std::move(endProgram)) {}

DateWindowOpener::~DateWindowOpener() {
    delete window_.data();
}

hijri* DateWindowOpener::open(QWidget* openedFrom) {
    if (!window_) {
        // No parent: the date window is a window of its own and closing it deletes it, so that
        // the next opening loads it afresh.
        window_ = new hijri(clock_, endProgram_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window_->Form_Load();
        centreOnScreen(window_, openedFrom);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return window_;
}

} // namespace tarvo
