#include "common/form_layout.h"

namespace tarvo {

QFont formFont(const QString& family, double pointSize, bool bold) {
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace tarvo
