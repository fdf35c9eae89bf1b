#include "calendar/text_fit.h"

#include "common/caption_fit.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QStyle>

namespace tarvo {

namespace {
// QLineEdit keeps this much space between frame and text on either side, and one pixel for
// the cursor.
constexpr int InnerMargin = 2;
constexpr int CursorWidth = 1;
} // namespace

int textRoom(const QLineEdit* box) {
    const int frame =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) : 0;
    const QMargins margins = box->textMargins();
    return box->width() - 2 * frame - 2 * InnerMargin - CursorWidth - margins.left() -
           margins.right();
}

void setTextToFit(QLineEdit* box, const QString& text, const QFont& font, double smallestPoints) {
    QFont fitted = font;
    const int room = textRoom(box);
    while (QFontMetricsF(fitted).horizontalAdvance(text) > room) {
        const std::optional<QFont> smaller = smallerFont(fitted, smallestPoints);
        if (!smaller)
            break;
        fitted = *smaller;
    }
    box->setFont(fitted);
    box->setText(text);
    box->setCursorPosition(0);
}

} // namespace tarvo
