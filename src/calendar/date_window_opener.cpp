#include "calendar/date_window_opener.h"

#include "calendar/hijri.h"
#include "common/window_placement.h"

namespace tarvo {

DateWindowOpener::DateWindowOpener(Clock& clock, std::function<void()> endProgram)
    : clock_(clock), endProgram_(std::move(endProgram)) {}

DateWindowOpener::~DateWindowOpener() {
    delete window_.data();
}

hijri* DateWindowOpener::open(QWidget* openedFrom, const QList<QWidget*>& others) {
    if (!window_) {
        // No parent: the date window is a window of its own and closing it deletes it, so that
        // the next opening loads it afresh.
        window_ = new hijri(clock_, endProgram_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window_->Form_Load();
        if (openedFrom)
            placeBesideStrip(window_, openedFrom, others);
        else
            centreOnScreen(window_);
    }
    present(window_);
    return window_;
}

} // namespace tarvo
