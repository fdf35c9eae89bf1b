#pragma once

#include <QFont>
#include <QRect>
#include <QString>

namespace tarvo {

// Geometry is laid out in twips; the program assumes 15 twips per pixel.
constexpr int kTwipsPerPixel = 15;

inline int px(double twips) {
    return qRound(twips / kTwipsPerPixel);
}
inline int twips(int pixels) {
    return pixels * kTwipsPerPixel;
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

inline QFont formFont(const QString& family, double pointSize, bool bold = false) {
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace tarvo
