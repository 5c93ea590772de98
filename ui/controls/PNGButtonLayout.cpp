// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/controls/PNGButtonLayout.h"

namespace
{

constexpr int CaptionGap = 4;
constexpr int SideGap = 5;
constexpr int PushShift = 2;

// Integer division truncates toward zero, so content larger than the button
// gets a negative offset.
int Half(int value)
{
    return value / 2;
}

} // namespace

TPNGButtonGeometry ComputePNGButtonLayout(int W, int H, int iw, int ih, int tw, int th, TPNGButtonLayout layout,
                                          bool pushed)
{
    if (th > 0 || tw > 0)
        ih += CaptionGap;
    const int d = pushed ? PushShift : 0;
    TPNGButtonGeometry g;
    g.ImageX = Half(W - iw) + d;
    g.TextX = Half(W - tw) + d;
    g.TextY = Half(H - th);
    g.ImageY = Half(H - ih);
    switch (layout) {
    case pbsImageAbove:
        g.ImageY = Half(H - ih - th);
        g.TextY = g.ImageY + ih;
        break;
    case pbsImageBellow:
        g.TextY = Half(H - ih - th);
        g.ImageY = g.TextY + th;
        break;
    case pbsImageLeft:
        g.ImageX = Half(W - iw - tw);
        g.TextX = g.ImageX + iw + SideGap;
        break;
    case pbsImageRight:
        g.TextX = Half(W - iw - tw);
        g.ImageX = g.TextX + tw + SideGap;
        break;
    }
    g.ImageY += d;
    g.TextY += d;
    return g;
}
