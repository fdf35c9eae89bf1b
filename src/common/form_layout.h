#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

namespace tarvo {

// The windows are laid out in twips, as their control tables give them; the program
// assumes 15 twips per pixel.
constexpr int kTwipsPerPixel = 15;

inline int px(double twips) {
    return qRound(twips / kTwipsPerPixel);
}
// The fewest whole pixels that hold the given twips.
inline int pxCovering(int twips) {
    return (twips + kTwipsPerPixel - 1) / kTwipsPerPixel;
}
inline int twips(int pixels) {
    return pixels * kTwipsPerPixel;
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

// A control's place in a window's control table, in twips.
struct TwipsBox {
    int left, top, width, height;
};

inline QRect twipsRect(const TwipsBox& box) {
    return twipsRect(box.left, box.top, box.width, box.height);
}

// A font as a control table names it: one family, a size in points, bold or not.
QFont formFont(const QString& family, double pointSize, bool bold = false);

// A control of a window's table, named as the table names it and placed where it says, in
// the window's own font.
template <typename Control>
Control* formControl(QWidget* parent, const char* name, const TwipsBox& box) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(twipsRect(box));
    return control;
}

// The same in a font of its own and, for the controls that show one, with its caption.
template <typename Control>
Control* formControl(QWidget* parent, const char* name, const TwipsBox& box, const QFont& font,
                     const QString& text = {}) {
    Control* control = formControl<Control>(parent, name, box);
    control->setFont(font);
    if constexpr (requires { control->setText(text); }) {
        if (!text.isEmpty())
            control->setText(text);
    }
    return control;
}

// A control's text and background colours as its table gives them; a control with a background
// of its own paints it.
void setColours(QWidget* control, const QColor& text, const QColor* background = nullptr);

// Moves and sizes a control in one step, so that only its old and new boxes are repainted,
// and fixes its size: a new text of a fixed-size control asks for no layout, only a repaint.
void placeFixed(QWidget* control, const QRect& box);

// A new text only where it differs: the figures are set every second, mostly to what they are.
// Whether it changed.
template <typename Control> bool setChangedText(Control* control, const QString& text) {
    if (control->text() == text)
        return false;
    control->setText(text);
    return true;
}

} // namespace tarvo
