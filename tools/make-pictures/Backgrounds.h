// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// The window backgrounds, separator strips and the dialogs' gradient.

#include <QColor>
#include <QImage>

struct TPanelShade {
    QColor Top;
    QColor Bottom;
    QColor At(int y, int height) const;
};

extern const TPanelShade LeftPanelShade;
extern const TPanelShade RightPanelShade;

// Drawn at `scale` pixels per unit; width and height are in units.
QImage MakeBanner(int width, int height, int scale = 1);
QImage MakePanelBackground(int width, int height, const TPanelShade &shade);
// A 5-pixel groove that fades out at both ends into the given background.
QImage MakeSeparator(int width, const QColor &background);
QImage MakeVerticalBar(int height, const TPanelShade &shade);
QImage MakeDialogGradient();
QImage MakeDialogStrip();
