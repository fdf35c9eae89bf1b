#include "app/strip_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

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
QPixmap iconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 32.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawRoundedRect(QRectF(1 * s, 1 * s, 30 * s, 30 * s), 6 * s, 6 * s);
    auto arrow = [&](double x, bool down, const QColor& colour) {
        QPainterPath path;
        const double top = 6 * s, bottom = 26 * s, w = 5 * s;
        if (down) {
            path.moveTo(x - w / 2, top);
            path.lineTo(x + w / 2, top);
            path.lineTo(x + w / 2, bottom - 7 * s);
            path.lineTo(x + w * 1.3, bottom - 7 * s);
            path.lineTo(x, bottom);
            path.lineTo(x - w * 1.3, bottom - 7 * s);
            path.lineTo(x - w / 2, bottom - 7 * s);
        } else {
            path.moveTo(x - w / 2, bottom);
            path.lineTo(x + w / 2, bottom);
            path.lineTo(x + w / 2, top + 7 * s);
            path.lineTo(x + w * 1.3, top + 7 * s);
            path.lineTo(x, top);
            path.lineTo(x - w * 1.3, top + 7 * s);
            path.lineTo(x - w / 2, top + 7 * s);
        }
        path.closeSubpath();
        p.setBrush(colour);
        p.drawPath(path);
    };
    arrow(11 * s, true, QColor(255, 80, 80));
    arrow(21 * s, false, QColor(255, 255, 128));
    return pixmap;
}
} // namespace

QIcon meterIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(iconPixmap(size));
    return icon;
}

} // namespace tarvo
