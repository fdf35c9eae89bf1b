#include "calendar/date_window_icon.h"

#include "common/icon_canvas.h"

#include <QPainter>
#include <QPainterPath>

namespace tarvo {

namespace {

// On a 32-unit grid.
void paintIcon(QPainter& p) {
    // The leaf with its binding strip.
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 5, 26, 24), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 110, 70));
    p.drawRoundedRect(QRectF(3.75, 5.75, 24.5, 7), 2, 2);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(9, 2.5, 2.5, 6));
    p.drawRect(QRectF(20.5, 2.5, 2.5, 6));

    // A crescent: a disc with an offset disc taken out of it.
    QPainterPath moon;
    moon.addEllipse(QPointF(16, 21), 6, 6);
    QPainterPath bite;
    bite.addEllipse(QPointF(18.5, 19.5), 5, 5);
    p.setBrush(QColor(0, 110, 70));
    p.drawPath(moon.subtracted(bite));
}

} // namespace

QIcon dateWindowIcon() {
    return drawnIcon(32, paintIcon);
}

} // namespace tarvo
