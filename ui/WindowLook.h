// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The fonts and colours the windows are drawn with.
namespace WindowLook
{

inline const QColor kMaroon(0x80, 0x00, 0x00);
inline const QColor kGreen(0x00, 0x80, 0x00);
inline const QColor kYellow(0xFF, 0xFF, 0x00);
inline const QColor kBlack(0x00, 0x00, 0x00);

// The desktop's sans font at the classic dialog size.
QFont DesktopSans(int pixelSize = 11);
// The metric twin of the classic Windows sans font, as shipped by fonts-liberation.
QFont Arial(int pixelSize = 11);
QFont ArialBlack(int pixelSize = 11);

// Text colour for the enabled looks only, so disabled controls still grey out.
void SetTextColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour);
// Fills a widget's background with a flat colour.
void FillWith(QWidget *widget, const QColor &colour);

} // namespace WindowLook
