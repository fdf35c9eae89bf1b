#include "history/usage_window_opener.h"

#include "common/window_placement.h"
#include "history/usage_window.h"

namespace tarvo {

UsageWindowOpener::UsageWindowOpener(Clock& clock, SettingsStore& settings, MessageBoxes& messages)
    : clock_(clock), settings_(settings), messages_(messages) {}

UsageWindowOpener::~UsageWindowOpener() {
    delete window_.data();
}

UsageWindow* UsageWindowOpener::open(QWidget* strip, const QList<QWidget*>& others,
                                     UsageSource* source, const QString& movedAside) {
    if (!window_) {
        window_ = new UsageWindow(source, clock_, settings_, messages_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        if (!movedAside.isEmpty())
            window_->showMovedAside(movedAside);
        UsageWindow* window = window_;
        placeBesideStrip(window, strip, others, window->fullSize(),
                         {window->shortestHeight(), [window](int h) { window->fitHeight(h); }});
    }
    present(window_);
    return window_;
}

} // namespace tarvo
