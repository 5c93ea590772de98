// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// The decoded samples of one picture, kept in the PNG's own terms so that the
// button can tell grey, colour and palette pictures apart and edit opacity.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

enum class TPNGColorKind : std::uint8_t { Grey, Colour, Palette };

struct TPNGRaster {
    int Width = 0;
    int Height = 0;
    TPNGColorKind Kind = TPNGColorKind::Colour;
    // Grey: one sample per pixel; Colour: R, G, B; Palette: one index per pixel.
    std::vector<std::uint8_t> Samples;
    // One opacity per pixel, row by row; empty when the picture has none.
    std::vector<std::uint8_t> Alpha;
    std::vector<std::array<std::uint8_t, 3>> Palette;
    // Opacity of the first palette entries (tRNS); missing entries are opaque.
    std::vector<std::uint8_t> Transparency;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    bool HasAlpha() const { return !Alpha.empty(); }
    int SamplesPerPixel() const { return Kind == TPNGColorKind::Colour ? 3 : 1; }
    std::size_t PixelCount() const { return std::size_t(Width) * std::size_t(Height); }
};
