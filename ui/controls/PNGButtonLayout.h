// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// Where the image button puts its picture and caption: a pure function of the
// button's size, the picture's and caption's extents and the layout.

#include <cstdint>

enum TPNGButtonLayout : std::uint8_t { pbsImageAbove, pbsImageBellow, pbsImageLeft, pbsImageRight };
enum TPNGButtonStyle : std::uint8_t { pbsDefault, pbsFlat, pbsNoFrame };
enum class TPNGButtonState : std::uint8_t { Normal, Down, Disabled };

struct TPNGButtonGeometry {
    int ImageX = 0;
    int ImageY = 0;
    int TextX = 0;
    int TextY = 0;

    bool operator==(const TPNGButtonGeometry &) const = default;
};

// W, H: the button; iw, ih: the picture; tw, th: the caption's extent, both 0
// when there is no caption (a caption then also opens a 4-pixel gap under or
// over the picture). Pushed shifts the content 2 px down, and 2 px right when
// the picture stands above or below the caption.
TPNGButtonGeometry ComputePNGButtonLayout(int W, int H, int iw, int ih, int tw, int th, TPNGButtonLayout layout,
                                          bool pushed);
