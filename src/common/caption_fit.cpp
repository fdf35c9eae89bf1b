#include "common/caption_fit.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>

#include <algorithm>
#include <climits>
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

// A push button's text room: the box less the bevel and the style's button margin, and never
// more than the style's own contents rectangle, which its text is clipped to.
QMargins buttonMargins(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    if (button->autoDefault() || button->isDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    const QStyle* style = button->style();
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) / 2;
    const QRect box = option.rect;
    const QRect contents = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    if (contents.isEmpty())
        return {frame + margin, frame, frame + margin, frame};
    return {std::max(frame + margin, contents.left() - box.left()),
            std::max(frame, contents.top() - box.top()),
            std::max(frame + margin, box.right() - contents.right()),
            std::max(frame, box.bottom() - contents.bottom())};
}

// The size a centred one-line text needs as the platform draws it, with the faces it puts in
// for missing glyphs: its rasterizer may put marks (the dots under Arabic letters) past where
// the outlines say. Twice the ink's reach from the centre, each way.
QSize drawnCentredNeeds(const QString& text, const QFont& font, qreal ratio) {
    const QFontMetrics metrics(font);
    const QSize box(metrics.horizontalAdvance(text) + 2, metrics.height());
    const int room = metrics.height();
    QImage image((box + QSize(2 * room, 2 * room)) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect at(QPoint(room, room), box);
    painter.drawText(at, Qt::AlignCenter | Qt::TextDontClip, text);
    painter.end();
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (left > right)
        return {};
    const qreal cx = (at.left() + at.width() / 2.0) * ratio;
    const qreal cy = (at.top() + at.height() / 2.0) * ratio;
    return {int(std::ceil(2 * std::max(cx - left, right + 1 - cx) / ratio)),
            int(std::ceil(2 * std::max(cy - top, bottom + 1 - cy) / ratio))};
}

// The glyphs of a one-line caption as its widget draws them: their ink, and the line's own
// ascent and height, which take in the faces that stand in for missing glyphs (the first
// face's alone put the line elsewhere).
struct InkedLine {
    QRectF ink; // relative to the start of the baseline
    qreal advance;
    qreal ascent;
    qreal height;
};

InkedLine inkedLine(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    // Down, the glyphs' boxes; across, their outlines, but never less than the advance: the
    // boxes run up to two pixels wide, and the outlines leave out a synthetic bold.
    const QRectF boxes = QFontMetricsF(font).tightBoundingRect(text);
    QPainterPath outlines;
    outlines.addText(0, 0, font, text);
    const qreal advance = line.naturalTextWidth();
    const qreal left = std::min(outlines.boundingRect().left(), 0.0);
    const qreal right = std::max(outlines.boundingRect().right(), advance);
    return {QRectF(QPointF(left, boxes.top()), QPointF(right, boxes.bottom())), advance,
            line.ascent(), line.height()};
}

// The height a line needs to show its glyphs whole when its line box is centred, as labels
// and buttons draw it: Arabic marks may reach past the line box, which may also be taller.
qreal inkHeight(const InkedLine& line) {
    return std::max(line.height - 2 * line.ascent - 2 * line.ink.top(),
                    2 * line.ascent - line.height + 2 * line.ink.bottom());
}

Qt::Alignment alignmentOf(const QWidget* caption) {
    if (const auto* label = qobject_cast<const QLabel*>(caption))
        return QStyle::visualAlignment(label->layoutDirection(), label->alignment());
    if (qobject_cast<const QPushButton*>(caption))
        return Qt::AlignCenter;
    return QStyle::visualAlignment(caption->layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter);
}

// The width a line needs to show its glyphs whole where the alignment puts it: marks may
// reach past either end of the line, and the line's advance may run past its last glyph.
qreal inkWidth(const InkedLine& line, Qt::Alignment alignment) {
    const qreal left = line.ink.left();
    const qreal right = line.ink.right();
    if (alignment & Qt::AlignHCenter)
        return std::max(line.advance - 2 * left, 2 * right - line.advance);
    if (alignment & Qt::AlignRight)
        return line.advance - std::min(left, 0.0) + std::max(right - line.advance, 0.0);
    return right - std::min(left, 0.0);
}

// Whole pixels, without growing by a pixel for a rounding error's worth of ink.
int wholePixels(qreal length) {
    return int(std::ceil(length - 0.01));
}

} // namespace

QSize captionNeeds(const QWidget* caption) {
    const QString text = captionText(caption);
    const InkedLine line = inkedLine(text, caption->font());
    const int width = wholePixels(inkWidth(line, alignmentOf(caption)));
    const int height = wholePixels(inkHeight(line));
    if (const auto* label = qobject_cast<const QLabel*>(caption)) {
        const QMargins m = labelMargins(label);
        return {width + m.left() + m.right(), height + m.top() + m.bottom()};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(caption)) {
        const QMargins m = buttonMargins(button);
        const QSize drawn = drawnCentredNeeds(text, caption->font(), caption->devicePixelRatioF());
        return {std::max(width, drawn.width()) + m.left() + m.right(),
                std::max(height, drawn.height()) + m.top() + m.bottom()};
    }
    // Radio buttons and check boxes: indicator, spacing and text across, as the style says;
    // the taller of indicator and glyphs down.
    QStyleOptionButton option;
    option.initFrom(caption);
    const int indicator =
        caption->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, caption);
    return {caption->sizeHint().width(), std::max(indicator, height)};
}

QSize CaptionNeedsCache::operator()(const QWidget* caption) {
    constexpr qsizetype kTexts = 256;
    if (caption->font() != font_ || sizes_.size() >= kTexts) {
        sizes_.clear();
        font_ = caption->font();
    }
    const QString text = captionText(caption);
    auto known = sizes_.constFind(text);
    if (known == sizes_.constEnd())
        known = sizes_.insert(text, captionNeeds(caption));
    return *known;
}

namespace {

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

QSize CaptionNeedsCache::box(const QWidget* caption) {
    return caption->sizeHint().expandedTo((*this)(caption));
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

std::optional<QFont> smallerFont(const QFont& font, double smallestPoints) {
    constexpr double kStep = 0.25;
    if (font.pointSizeF() - kStep < smallestPoints)
        return std::nullopt;
    QFont smaller = font;
    smaller.setPointSizeF(font.pointSizeF() - kStep);
    return smaller;
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
        const std::optional<QFont> smaller = smallerFont(font, minimumPoints);
        if (!smaller)
            return false;
        font = *smaller;
        caption->setFont(font);
    }
}

bool fitCaptionRow(const QList<QWidget*>& row, double minimumPoints) {
    bool fits = true;
    int top = INT_MAX;
    int bottom = INT_MIN;
    for (QWidget* caption : row) {
        fits = fitCaption(caption, minimumPoints) && fits;
        top = std::min(top, caption->y());
        bottom = std::max(bottom, caption->geometry().bottom());
    }
    for (QWidget* caption : row) {
        const QRect spanned(caption->x(), top, caption->width(), bottom - top + 1);
        if (isFree(caption, spanned))
            caption->setGeometry(spanned);
    }
    return fits;
}

} // namespace tarvo
