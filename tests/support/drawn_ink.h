#pragma once

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>

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

// The ink of a push button's caption drawn by its style, centred in the style's contents
// rectangle (which the style clips the caption to) but not clipped; and that rectangle. At
// the button's own device pixel ratio, in its logical pixels.
struct ButtonInk {
    QRect ink;
    QRect contents;
};
inline ButtonInk drawnButtonInk(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->autoDefault() || button->isDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    const QRect contents =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const qreal ratio = button->devicePixelRatioF();
    const int m = 60;
    QImage image((button->size() + QSize(2 * m, 2 * m)) * ratio,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(button->font());
    button->style()->drawItemText(&painter, contents.translated(m, m),
                                  Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip,
                                  button->palette(), true, button->text(), QPalette::ButtonText);
    painter.end();
    QRect device;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                device |= QRect(x, y, 1, 1);
    if (device.isEmpty())
        return {{}, contents};
    const int left = int(std::floor(device.left() / ratio)) - m;
    const int top = int(std::floor(device.top() / ratio)) - m;
    const int right = int(std::ceil((device.right() + 1) / ratio)) - m;
    const int bottom = int(std::ceil((device.bottom() + 1) / ratio)) - m;
    return {QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), contents};
}
