// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// The button glyphs and icons, each drawn in the 48 x 48 design space.

#include <QPainter>

void DrawAddFolderGlyph(QPainter &painter, double pixel);
void DrawRemoveFolderGlyph(QPainter &painter, double pixel);
void DrawFilterGlyph(QPainter &painter, double pixel);
void DrawScanGlyph(QPainter &painter, double pixel);
void DrawScanNowGlyph(QPainter &painter, double pixel);
void DrawStopGlyph(QPainter &painter, double pixel);
void DrawDeleteGlyph(QPainter &painter, double pixel);
void DrawHelpGlyph(QPainter &painter, double pixel);
void DrawHomeGlyph(QPainter &painter, double pixel);
void DrawNoteIcon(QPainter &painter, double pixel);
void DrawPadlockGlyph(QPainter &painter, double pixel);
void DrawApplicationIcon(QPainter &painter, double pixel);
