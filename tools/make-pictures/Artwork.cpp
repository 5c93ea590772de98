// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "tools/make-pictures/Artwork.h"

#include <algorithm>

QImage TransparentCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage OpaqueCanvas(int width, int height, const QColor &fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QImage RenderGlyph(const TGlyphPainter &paint, int size)
{
    QImage image = TransparentCanvas(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const double scale = size / DesignSide;
    painter.scale(scale, scale);
    paint(painter, 1.0 / scale);
    return image;
}

QLinearGradient VerticalGradient(double top, double bottom, const QColor &from, const QColor &to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

QPen OutlinePen(const QColor &colour, double designWidth, double pixel)
{
    QPen pen(colour, std::max(designWidth, pixel));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QColor Mix(const QColor &a, const QColor &b, double t)
{
    auto channel = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}
