// Where the image button puts picture and caption.

#include "PNGButtonLayout.h"

#include <gtest/gtest.h>

namespace {

TPNGButtonGeometry At(int imageX, int imageY, int textX, int textY)
{
    return TPNGButtonGeometry{imageX, imageY, textX, textY};
}

} // namespace

TEST(PNGButtonLayout, PictureAboveCaptionInTheTopBand)
{
    // 48 x 48 glyph, 11 px caption, 81 px high button: the 4 px gap counts with the picture.
    EXPECT_EQ(ComputePNGButtonLayout(81, 81, 48, 48, 60, 11, pbsImageAbove, false), At(16, 9, 10, 61));
    EXPECT_EQ(ComputePNGButtonLayout(81, 81, 48, 48, 60, 11, pbsImageAbove, true), At(18, 11, 12, 63));
}

TEST(PNGButtonLayout, PictureBelowCaption)
{
    EXPECT_EQ(ComputePNGButtonLayout(81, 81, 48, 48, 60, 11, pbsImageBellow, false), At(16, 20, 10, 9));
    EXPECT_EQ(ComputePNGButtonLayout(81, 81, 48, 48, 60, 11, pbsImageBellow, true), At(18, 22, 12, 11));
}

TEST(PNGButtonLayout, PictureBesideCaptionMovesOnlyDownWhenPushed)
{
    // Add button: 97 x 41, 32 x 32 glyph, caption 20 x 11; the gap still lifts the picture.
    EXPECT_EQ(ComputePNGButtonLayout(97, 41, 32, 32, 20, 11, pbsImageLeft, false), At(22, 2, 59, 15));
    EXPECT_EQ(ComputePNGButtonLayout(97, 41, 32, 32, 20, 11, pbsImageLeft, true), At(22, 4, 59, 17));
    EXPECT_EQ(ComputePNGButtonLayout(97, 41, 32, 32, 20, 11, pbsImageRight, false), At(47, 2, 22, 15));
    EXPECT_EQ(ComputePNGButtonLayout(97, 41, 32, 32, 20, 11, pbsImageRight, true), At(47, 4, 22, 17));
}

TEST(PNGButtonLayout, EmptyCaptionCentresThePictureWithoutGap)
{
    for (TPNGButtonLayout layout : {pbsImageAbove, pbsImageBellow, pbsImageLeft}) {
        SCOPED_TRACE(int(layout));
        const TPNGButtonGeometry g = ComputePNGButtonLayout(23, 23, 16, 16, 0, 0, layout, false);
        EXPECT_EQ(g.ImageX, 3);
        EXPECT_EQ(g.ImageY, 3);
    }
    // Right of an empty caption the picture still keeps its 5 px distance from it.
    EXPECT_EQ(ComputePNGButtonLayout(23, 23, 16, 16, 0, 0, pbsImageRight, false), At(8, 3, 3, 11));
    EXPECT_EQ(ComputePNGButtonLayout(23, 23, 0, 0, 0, 0, pbsImageAbove, false), At(11, 11, 11, 11));
    EXPECT_EQ(ComputePNGButtonLayout(23, 23, 16, 16, 0, 0, pbsImageAbove, false), At(3, 3, 11, 19));
}

TEST(PNGButtonLayout, ContentLargerThanTheButtonTruncatesTowardZero)
{
    // (23 - 48) / 2 is -12, not -13.
    const TPNGButtonGeometry g = ComputePNGButtonLayout(23, 23, 48, 48, 0, 0, pbsImageAbove, false);
    EXPECT_EQ(g.ImageX, -12);
    EXPECT_EQ(g.ImageY, -12);
    EXPECT_EQ(ComputePNGButtonLayout(23, 23, 48, 48, 0, 0, pbsImageAbove, true).ImageX, -10);
    // Above layout: 23 - 52 - 11 = -40.
    EXPECT_EQ(ComputePNGButtonLayout(23, 23, 48, 48, 30, 11, pbsImageAbove, false), At(-12, -20, -3, 32));
}
