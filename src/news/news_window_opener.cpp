#include "news/news_window_opener.h"

#include "common/window_placement.h"
#include "news/frmrss.h"

namespace tarvo {

NewsWindowOpener::NewsWindowOpener(DataDirectory dataDir, MessageBoxes& messages,
                                   ConnectionProbe& connection,
                                   std::function<void(const QString&)> openLink)
    : dataDir_(std::move(dataDir)), messages_(messages), connection_(connection),
      openLink_(std::move(openLink)) {}

NewsWindowOpener::~NewsWindowOpener() {
    delete window_.data();
}

frmrss* NewsWindowOpener::open(QWidget* strip, const QList<QWidget*>& others) {
    if (!window_) {
        window_ = new frmrss(dataDir_, messages_, connection_, openLink_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        // With room for the new-feed panel, so that opening it hides nothing under the strip.
        placeBesideStrip(window_, strip, others, window_->expandedSize());
    }
    present(window_);
    return window_;
}

} // namespace tarvo
