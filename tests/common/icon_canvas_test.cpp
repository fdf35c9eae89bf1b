#include "common/icon_canvas.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace tarvo;

// Each size the desktop may ask for holds the whole picture scaled to it: not a corner of
// it, not an empty canvas, and transparent where nothing is drawn.
TEST(DrawnIcon, EachSizeHoldsThePictureScaledToIt) {
    const QIcon icon = drawnIcon(8, [](QPainter& p) {
        p.fillRect(QRectF(4, 4, 4, 4), Qt::red); // the lower right quarter of the grid
    });
    QList<int> sides;
    for (const QSize& size : icon.availableSizes())
        sides << size.width();
    EXPECT_EQ(sides, (QList<int>{16, 24, 32, 48, 64}));
    for (const int side : sides) {
        SCOPED_TRACE(side);
        const QImage image = icon.pixmap(side, side).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        EXPECT_EQ(qAlpha(image.pixel(side / 4, side / 4)), 0);
        EXPECT_EQ(image.pixelColor(side / 2 + 1, side / 2 + 1), QColor(Qt::red));
        EXPECT_EQ(image.pixelColor(side - 1, side - 1), QColor(Qt::red));
        EXPECT_EQ(qAlpha(image.pixel(side / 2 - 2, side - 1)), 0);
    }
}
