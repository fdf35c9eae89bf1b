#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QWidget;

namespace tarvo {

// Captions (labels, buttons, radio buttons) are laid out in twips for fonts that the
// desktop may not have; the faces that stand in for them, Arabic ones above all, run wider
// and taller. These make a caption show its whole text without touching another control.

// The size a caption needs to show its whole text, glyphs whole, in its current font.
QSize captionNeeds(const QWidget* caption);

// captionNeeds of one caption whose text changes every second, as the strip's rates do:
// measuring the glyphs' outlines each time costs more than the rest of the second, and the
// same few texts come again and again. The answers for the texts seen last are kept while
// the font stays.
class CaptionNeedsCache {
public:
    QSize operator()(const QWidget* caption);
    // As large as the caption's text, and tall enough for glyphs past the font's ascent.
    QSize box(const QWidget* caption);

private:
    QHash<QString, QSize> sizes_;
    QFont font_;
};

// Where the caption's text, as drawn, does not fit inside its box: its text's size and
// whether the glyphs (the dots and marks of Arabic letters included) stay inside the box.
bool captionFits(const QWidget* caption);

// The part of a caption's box that its text and marks take, in its parent's coordinates:
// boxes may overlap where the texts in them do not.
QRect usedRect(const QWidget* caption);

// The one shrink-to-fit step of captions and text boxes: a quarter point smaller, or nothing
// once that would go below smallestPoints.
std::optional<QFont> smallerFont(const QFont& font, double smallestPoints);

// Makes a caption fit: first it grows into free room around it (never over a visible
// sibling, never past its parent's edge), keeping its alignment; where there is none, its
// point size is lowered step by step (not below minimumPoints) and growth tried again.
// Returns whether it fits afterwards.
bool fitCaption(QWidget* caption, double minimumPoints = 8.0);

// Fits each caption of one row, then gives them all the row's common top and bottom where
// that room is free, so that buttons side by side keep one height. Returns whether all fit.
bool fitCaptionRow(const QList<QWidget*>& row, double minimumPoints = 8.0);

// The rectangles a caption of the given box may grow to for a needed size, most preferred
// first: around its alignment's anchor, then towards either side. Pure, for the tests.
struct CaptionGrowth {
    Qt::Alignment alignment;
    QRect box;
    QSize needed;
};
QList<QRect> growthCandidates(const CaptionGrowth& growth);

} // namespace tarvo
