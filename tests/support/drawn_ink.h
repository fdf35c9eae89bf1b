#pragma once

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QStyle>

// The ink of a label's text drawn by the style as the label draws it, aligned in a box of
// the given size but not clipped to it; relative to the box.
inline QRect drawnInk(const QLabel* label, QSize box) {
    const int m = 60; // room around the box for ink that overflows it
    QImage image(box + QSize(2 * m, 2 * m), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(label->font());
    label->style()->drawItemText(&painter, QRect(QPoint(m, m), box),
                                 int(label->alignment()) | Qt::TextDontClip, label->palette(), true,
                                 label->text(), QPalette::WindowText);
    painter.end();
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ink |= QRect(x - m, y - m, 1, 1);
    return ink;
}

// The smallest box, no smaller than atLeast, that shows all of a label's drawn ink. Found by
// drawing, so that it does not repeat the arithmetic under test.
inline QSize drawnInkFit(const QLabel* label, QSize atLeast) {
    QSize box = atLeast;
    for (QRect ink = drawnInk(label, box);
         (ink.left() < 0 || ink.right() >= box.width()) && box.width() < atLeast.width() + 300;
         ink = drawnInk(label, box))
        box.rwidth() += 1;
    for (QRect ink = drawnInk(label, box);
         (ink.top() < 0 || ink.bottom() >= box.height()) && box.height() < atLeast.height() + 100;
         ink = drawnInk(label, box))
        box.rheight() += 1;
    return box;
}
