#pragma once

#include "common/data_directory.h"

#include <QList>
#include <QPointer>

#include <functional>

class QWidget;

namespace tarvo {

class ConnectionProbe;
class MessageBoxes;
class frmrss;

// Opens the one news reader. One that is not open is created and placed beside the strip it
// is opened from, with room for its new-feed panel and clear of the other windows where there
// is room; one that is open is only brought to the front. Closing the reader discards it.
class NewsWindowOpener {
public:
    NewsWindowOpener(DataDirectory dataDir, MessageBoxes& messages, ConnectionProbe& connection,
                     std::function<void(const QString&)> openLink);
    ~NewsWindowOpener();
    NewsWindowOpener(const NewsWindowOpener&) = delete;
    NewsWindowOpener& operator=(const NewsWindowOpener&) = delete;

    frmrss* open(QWidget* strip, const QList<QWidget*>& others = {});

    // The open reader, or null.
    frmrss* window() const { return window_; }

private:
    DataDirectory dataDir_;
    MessageBoxes& messages_;
    ConnectionProbe& connection_;
    std::function<void(const QString&)> openLink_;
    QPointer<frmrss> window_;
};

} // namespace tarvo
