#include "app/strip_art.h"

#include "common/icon_canvas.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace tarvo {

QPixmap stripPicture() {
    QPixmap pixmap(328, 108);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 108);
    sky.setColorAt(0, QColor(255, 255, 255));
    sky.setColorAt(1, QColor(226, 236, 248));
    p.fillRect(pixmap.rect(), sky);
    // Two faint traffic curves along the bottom, light enough to keep the figures legible.
    for (int wave = 0; wave < 2; ++wave) {
        QPainterPath path;
        const double base = 92 - wave * 9;
        path.moveTo(0, base);
        for (int x = 0; x <= 328; x += 4)
            path.lineTo(x, base - 6 * std::sin((x + wave * 40) / 26.0) -
                               3 * std::sin((x + wave * 17) / 9.0));
        p.setPen(QPen(wave == 0 ? QColor(150, 180, 220, 140) : QColor(230, 170, 120, 120), 1.6));
        p.drawPath(path);
    }
    return pixmap;
}

namespace {
// The launcher's icon (data/org.tarvo.Tarvo.svg): a rate dial over a download and an upload
// arrow, on a 64-unit grid.
void paintIcon(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x35, 0x57));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    auto pen = [](const char* colour, double width) {
        QPen pen{QColor(colour), width};
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    };
    p.setBrush(Qt::NoBrush);
    const QRectF dial(10, 14, 44, 44); // the arc of radius 22 around (32, 36)
    p.setPen(pen("#a8dadc", 5));
    p.drawArc(dial, 0, 180 * 16);
    p.setPen(pen("#e63946", 5));
    p.drawArc(dial, 0, 63 * 16);
    p.setPen(pen("#f1faee", 2));
    p.drawLine(QPointF(32, 14), QPointF(32, 18));
    p.drawLine(QPointF(16.4, 20.4), QPointF(19.3, 23.3));
    p.drawLine(QPointF(47.6, 20.4), QPointF(44.7, 23.3));
    p.setPen(pen("#f1faee", 3));
    p.drawLine(QPointF(32, 36), QPointF(43, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#f1faee"));
    p.drawEllipse(QPointF(32, 36), 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen("#2a9d8f", 3));
    p.drawLine(QPointF(18, 43), QPointF(18, 53));
    p.drawPolyline(QPolygonF{QPointF(13.5, 48.5), QPointF(18, 53), QPointF(22.5, 48.5)});
    p.setPen(pen("#f4a261", 3));
    p.drawLine(QPointF(46, 53), QPointF(46, 43));
    p.drawPolyline(QPolygonF{QPointF(41.5, 47.5), QPointF(46, 43), QPointF(50.5, 47.5)});
}
} // namespace

QIcon meterIcon() {
    return drawnIcon(64, paintIcon);
}

StripBox::StripBox(QWidget* parent) : QWidget(parent), picture_(stripPicture()) {
    setAutoFillBackground(true);
}

void StripBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

} // namespace tarvo
