// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// TPNGObject: a picture decoded with libpng, as the image button and the
// windows need it: size, drawing blended by opacity, copying, and write
// access to the per-pixel opacity.

#include "ui/controls/PNGCodec.h"
#include "ui/controls/PNGRaster.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPainter;

class TPNGObject
{
public:
    TPNGObject() = default;
    explicit TPNGObject(TPNGRaster raster);

    // Each throws EPNGError with libpng's message when the data is not a sound PNG.
    static TPNGObject FromFile(const std::string &path);
    static TPNGObject FromData(const QByteArray &data);
    // e.g. ":/pictures/scan.png", with its twin ":/pictures/scan@2x.png" as
    // the double resolution when there is one (Qt's naming for HiDPI pictures).
    static TPNGObject FromResource(const QString &resourcePath);
    // Colour picture from a QImage, with or without its opacity.
    static TPNGObject FromImage(const QImage &image, bool keepAlpha);

    void LoadFromFile(const std::string &path);
    void LoadFromData(const QByteArray &data);
    void LoadFromData(const std::uint8_t *data, std::size_t size);
    std::vector<std::uint8_t> SaveToData(const TPNGWriteOptions &options = {}) const;
    void SaveToFile(const std::string &path, const TPNGWriteOptions &options = {}) const;

    bool Empty() const { return Raster_.Empty(); }
    int Width() const { return Empty() ? 0 : Raster_.Width; }
    int Height() const { return Empty() ? 0 : Raster_.Height; }
    TPNGColorKind ColorKind() const { return Raster_.Kind; }
    bool IsPalette() const { return Raster_.Kind == TPNGColorKind::Palette; }
    bool HasAlpha() const { return Raster_.HasAlpha(); }
    const TPNGRaster &Raster() const { return Raster_; }

    // The same picture at twice the width and height, drawn instead of this
    // one where the screen has more than one pixel per unit. Width() and
    // Height() stay this picture's. Loading a picture or writing its opacity
    // through AlphaScanline drops the twin.
    void SetDoubleResolution(const TPNGObject &twin);
    bool HasDoubleResolution() const { return Double_ != nullptr; }

    // Natural size at a point, or stretched over a rectangle, blended over
    // what the painter already holds, smoothly scaled to the painter's pixels.
    // An empty picture draws nothing.
    void Draw(QPainter &painter, QPoint at) const;
    void StretchDraw(QPainter &painter, const QRect &target) const;
    QImage ToImage() const;
    QRgb Pixel(int x, int y) const; // not premultiplied

    // Gives the picture opacity where it has none: grey and colour pictures
    // get a fully opaque channel, a palette picture a fully opaque tRNS table.
    void CreateAlpha();
    // Opacity of row y, one byte per pixel; nullptr when there is no channel.
    std::uint8_t *AlphaScanline(int y);
    // Every opacity divided by the divisor, truncated, in both resolutions.
    void DivideOpacity(int divisor);

private:
    QRgb ColourAt(std::size_t pixel) const;
    void Invalidate() { Cache_ = QImage(); }
    QImage ImageFor(const QPainter &painter) const;
    void DrawScaled(QPainter &painter, const QRect &target) const;
    template <class Change>
    void ChangeDouble(Change change);

    TPNGRaster Raster_;
    mutable QImage Cache_;
    std::shared_ptr<const TPNGObject> Double_; // shared by copies; changed by replacing it
};

// The look of a disabled button: a copy of the source with opacity added
// where missing and, unless palette-based, every opacity divided by 3.
void BuildDisabledImage(const TPNGObject &source, TPNGObject &target);
