#include "common/icon_canvas.h"

#include <QPainter>
#include <QPixmap>

namespace tarvo {

QIcon drawnIcon(double gridUnits, const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (const int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        {
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / gridUnits, size / gridUnits);
            paint(p);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace tarvo
