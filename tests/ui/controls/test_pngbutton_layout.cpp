// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Where the image button puts picture and caption.

#include "PNGButtonLayout.h"

#include <gtest/gtest.h>

TEST(PNGButtonLayout, PlacesPictureAndCaptionForEveryLayout)
{
    struct Case {
        const char *what;
        int width, height, imageWidth, imageHeight, textWidth, textHeight;
        TPNGButtonLayout layout;
        bool pushed;
        TPNGButtonGeometry expected; // ImageX, ImageY, TextX, TextY
        bool pictureOnly = false;    // where an empty caption goes does not matter
    };
    const Case cases[] = {
        // 48 x 48 glyph, 11 px caption, 81 px high button: the 4 px gap counts with the picture.
        {"above", 81, 81, 48, 48, 60, 11, pbsImageAbove, false, {16, 9, 10, 61}},
        {"above, pushed", 81, 81, 48, 48, 60, 11, pbsImageAbove, true, {18, 11, 12, 63}},
        {"below", 81, 81, 48, 48, 60, 11, pbsImageBellow, false, {16, 20, 10, 9}},
        {"below, pushed", 81, 81, 48, 48, 60, 11, pbsImageBellow, true, {18, 22, 12, 11}},
        // Add button: 97 x 41, 32 x 32 glyph, caption 20 x 11; the gap still lifts the picture.
        {"left", 97, 41, 32, 32, 20, 11, pbsImageLeft, false, {22, 2, 59, 15}},
        {"left, pushed", 97, 41, 32, 32, 20, 11, pbsImageLeft, true, {22, 4, 59, 17}},
        {"right", 97, 41, 32, 32, 20, 11, pbsImageRight, false, {47, 2, 22, 15}},
        {"right, pushed", 97, 41, 32, 32, 20, 11, pbsImageRight, true, {47, 4, 22, 17}},
        // An empty caption centres the picture without a gap...
        {"above, no caption", 23, 23, 16, 16, 0, 0, pbsImageAbove, false, {3, 3, 11, 19}},
        {"below, no caption", 23, 23, 16, 16, 0, 0, pbsImageBellow, false, {3, 3, 0, 0}, true},
        {"left, no caption", 23, 23, 16, 16, 0, 0, pbsImageLeft, false, {3, 3, 0, 0}, true},
        // ...but right of it the picture keeps its 5 px distance.
        {"right, no caption", 23, 23, 16, 16, 0, 0, pbsImageRight, false, {8, 3, 3, 11}},
        {"nothing at all", 23, 23, 0, 0, 0, 0, pbsImageAbove, false, {11, 11, 11, 11}},
        // Content larger than the button truncates toward zero: (23 - 48) / 2 is -12, not -13.
        {"too large", 23, 23, 48, 48, 0, 0, pbsImageAbove, false, {-12, -12, 0, 0}, true},
        {"too large, pushed", 23, 23, 48, 48, 0, 0, pbsImageAbove, true, {-10, -10, 0, 0}, true},
        {"too large with caption", 23, 23, 48, 48, 30, 11, pbsImageAbove, false, {-12, -20, -3, 32}},
    };
    for (const Case &c : cases) {
        TPNGButtonGeometry g = ComputePNGButtonLayout(c.width, c.height, c.imageWidth, c.imageHeight, c.textWidth,
                                                      c.textHeight, c.layout, c.pushed);
        if (c.pictureOnly)
            g.TextX = g.TextY = 0;
        EXPECT_EQ(g, c.expected) << c.what;
    }
}
