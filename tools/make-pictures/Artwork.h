// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// Small drawing helpers shared by the picture painters.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>

#include <functional>

// Glyphs are drawn in a 48 x 48 design space and scaled to the wanted size.
constexpr double DesignSide = 48.0;

using TGlyphPainter = std::function<void(QPainter &painter, double pixel)>;

QImage TransparentCanvas(int width, int height);
QImage OpaqueCanvas(int width, int height, const QColor &fill);

// Renders a glyph at size x size; `pixel` tells the painter how many design
// units one device pixel spans, so outlines stay at least one pixel wide.
QImage RenderGlyph(const TGlyphPainter &painter, int size);

QLinearGradient VerticalGradient(double top, double bottom, const QColor &from, const QColor &to);
QPen OutlinePen(const QColor &colour, double designWidth, double pixel);
QColor Mix(const QColor &a, const QColor &b, double t);
