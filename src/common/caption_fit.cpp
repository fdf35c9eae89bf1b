#include "common/caption_fit.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace tarvo {

namespace {

QString captionText(const QWidget* caption) {
    if (const auto* label = qobject_cast<const QLabel*>(caption))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(caption))
        return button->text();
    return {};
}

// The room around a label's text inside its box, and the alignment it is drawn with.
QMargins labelMargins(const QLabel* label) {
    const int m = label->margin();
    return label->contentsMargins() + QMargins(m, m, m, m);
}

// A push button's text room: the box less the bevel and the style's button margin.
QMargins buttonMargins(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QStyle* style = button->style();
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) / 2;
    return {frame + margin, frame, frame + margin, frame};
}

// The height a line of text needs to show its glyphs whole when it is centred on its
// ascent and descent, as labels and buttons draw it: Arabic marks above and below may reach
// beyond both, and the line box itself may be taller than the glyphs.
qreal inkHeight(const QFontMetricsF& fm, const QRectF& ink) {
    const qreal centreToBaseline = (fm.ascent() - fm.descent()) / 2;
    return 2 * std::max(-ink.top() - centreToBaseline, ink.bottom() + centreToBaseline);
}

} // namespace

QSize captionNeeds(const QWidget* caption) {
    const QString text = captionText(caption);
    const QFontMetricsF fm(caption->font());
    const QRectF ink = fm.tightBoundingRect(text);
    const qreal width = std::max(fm.horizontalAdvance(text), ink.width());
    const qreal height = inkHeight(fm, ink);
    if (const auto* label = qobject_cast<const QLabel*>(caption)) {
        const QMargins m = labelMargins(label);
        // A label with a background of its own shows glyphs that touch its edge.
        const int clearance = label->autoFillBackground() ? 2 : 0;
        return {int(std::ceil(width)) + m.left() + m.right() + clearance,
                int(std::ceil(height)) + m.top() + m.bottom() + clearance};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(caption)) {
        const QMargins m = buttonMargins(button);
        return {int(std::ceil(width)) + m.left() + m.right(),
                int(std::ceil(height)) + m.top() + m.bottom()};
    }
    // Radio buttons and check boxes: indicator, spacing and text across, as the style says;
    // the taller of indicator and glyphs down.
    QStyleOptionButton option;
    option.initFrom(caption);
    const int indicator =
        caption->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, caption);
    return {caption->sizeHint().width(), std::max(indicator, int(std::ceil(height)))};
}

namespace {

Qt::Alignment alignmentOf(const QWidget* caption) {
    if (const auto* label = qobject_cast<const QLabel*>(caption))
        return QStyle::visualAlignment(label->layoutDirection(), label->alignment());
    if (qobject_cast<const QPushButton*>(caption))
        return Qt::AlignCenter;
    return QStyle::visualAlignment(caption->layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter);
}

// Whether rect lies inside the caption's parent and over no visible sibling.
bool isFree(const QWidget* caption, const QRect& rect) {
    const QWidget* parent = caption->parentWidget();
    if (!parent)
        return true;
    if (!parent->rect().contains(rect))
        return false;
    for (const QObject* child : parent->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (!sibling || sibling == caption || sibling->isWindow() || sibling->isHidden())
            continue;
        if (sibling->geometry().intersects(rect))
            return false;
    }
    return true;
}

bool growIntoFreeRoom(QWidget* caption) {
    const QSize needed = captionNeeds(caption);
    const QRect box = caption->geometry();
    if (needed.width() <= box.width() && needed.height() <= box.height())
        return true;
    for (const QRect& candidate : growthCandidates({alignmentOf(caption), box, needed})) {
        if (isFree(caption, candidate)) {
            caption->setGeometry(candidate);
            return true;
        }
    }
    return false;
}

} // namespace

QList<QRect> growthCandidates(const CaptionGrowth& g) {
    const int w = std::max(g.needed.width(), g.box.width());
    const int h = std::max(g.needed.height(), g.box.height());
    const int dw = w - g.box.width();
    const int dh = h - g.box.height();
    // Left edges: around the anchor first, then growing only rightwards or only leftwards.
    QList<int> lefts;
    if (g.alignment & Qt::AlignHCenter)
        lefts << g.box.left() - dw / 2;
    else if (g.alignment & Qt::AlignRight)
        lefts << g.box.left() - dw;
    lefts << g.box.left() << g.box.left() - dw;
    QList<int> tops;
    if (g.alignment & Qt::AlignBottom)
        tops << g.box.top() - dh;
    else if (g.alignment & Qt::AlignTop)
        tops << g.box.top();
    else
        tops << g.box.top() - dh / 2;
    tops << g.box.top() << g.box.top() - dh;
    QList<QRect> out;
    for (int top : tops)
        for (int left : lefts) {
            const QRect r(left, top, w, h);
            if (!out.contains(r))
                out << r;
        }
    return out;
}

QRect usedRect(const QWidget* caption) {
    const QSize needed = captionNeeds(caption);
    const QRect box = caption->geometry();
    const QSize used(std::min(needed.width(), box.width()),
                     std::min(needed.height(), box.height()));
    return QStyle::alignedRect(Qt::LeftToRight, alignmentOf(caption), used, box);
}

bool captionFits(const QWidget* caption) {
    const QSize needed = captionNeeds(caption);
    return needed.width() <= caption->width() && needed.height() <= caption->height();
}

bool fitCaption(QWidget* caption, double minimumPoints) {
    if (captionText(caption).isEmpty())
        return true;
    const QRect given = caption->geometry();
    QFont font = caption->font();
    for (;;) {
        if (growIntoFreeRoom(caption))
            return true;
        caption->setGeometry(given);
        if (font.pointSizeF() - 0.25 < minimumPoints)
            return false;
        font.setPointSizeF(font.pointSizeF() - 0.25);
        caption->setFont(font);
    }
}

} // namespace tarvo
