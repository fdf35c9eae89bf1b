#include "common/form_layout.h"

namespace tarvo {

QFont formFont(const QString& family, double pointSize, bool bold) {
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void setColours(QWidget* control, const QColor& text, const QColor* background) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    if (background) {
        palette.setColor(QPalette::Window, *background);
        palette.setColor(QPalette::Button, *background);
        control->setAutoFillBackground(true);
    }
    control->setPalette(palette);
}

void placeFixed(QWidget* control, const QRect& box) {
    if (control->geometry() == box)
        return;
    control->setMinimumSize(0, 0);
    control->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    control->setGeometry(box);
    control->setFixedSize(box.size());
}

} // namespace tarvo
