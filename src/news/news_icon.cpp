#include "news_icon.h"

#include "common/icon_canvas.h"

#include <QPainter>
#include <QPainterPath>

namespace tarvo {

namespace {

// On a 32-unit grid.
void paintIcon(QPainter& p) {
    // The page, with a folded corner.
    QPainterPath page;
    page.moveTo(5, 3);
    page.lineTo(22, 3);
    page.lineTo(28, 9);
    page.lineTo(28, 29);
    page.lineTo(5, 29);
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 1.5));
    p.setBrush(QColor(250, 250, 250));
    p.drawPath(page);
    p.setBrush(QColor(210, 210, 210));
    p.drawPolygon(QPolygonF({QPointF(22, 3), QPointF(22, 9), QPointF(28, 9)}));

    // Headline rule and text lines.
    p.setPen(QPen(QColor(70, 70, 70), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 8), QPointF(18, 8));
    p.setPen(QPen(QColor(140, 140, 140), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 13), QPointF(24, 13));

    // The feed sign: a dot and two arcs, orange.
    const QColor orange(240, 130, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawEllipse(QPointF(11, 25), 2, 2);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(orange, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(4, 18, 14, 14), 0 * 16, 90 * 16);
    p.drawArc(QRectF(-1, 13, 24, 24), 0 * 16, 90 * 16);
}

} // namespace

QIcon newsReaderIcon() {
    return drawnIcon(32, paintIcon);
}

} // namespace tarvo
