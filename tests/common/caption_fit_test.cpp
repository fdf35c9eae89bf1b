#include "common/caption_fit.h"

#include <QFontDatabase>
#include <QLabel>

#include <gtest/gtest.h>

using namespace tarvo;

TEST(CaptionNeedsCache, AnswersAsTheMeasureDoesAcrossTextsAndFonts) {
    if (QFontDatabase::families().isEmpty())
        GTEST_SKIP() << "no font faces here to measure with";
    QLabel label;
    CaptionNeedsCache needs;
    QFont font = label.font();
    for (const double points : {9.0, 11.25, 20.0}) {
        font.setPointSizeF(points);
        label.setFont(font);
        for (const char* text : {"DOWN:.0", "DOWN:964.5", "DOWN:.0", "UP:12345.6"}) {
            label.setText(QString::fromLatin1(text));
            EXPECT_EQ(needs(&label), captionNeeds(&label)) << text << " at " << points;
        }
    }
}
