// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/controls/pngextra.h"

#include "ui/controls/PNGError.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <utility>

TPNGObject::TPNGObject(TPNGRaster raster) : Raster_(std::move(raster))
{
}

TPNGObject TPNGObject::FromFile(const std::string &path)
{
    TPNGObject picture;
    picture.LoadFromFile(path);
    return picture;
}

TPNGObject TPNGObject::FromData(const QByteArray &data)
{
    TPNGObject picture;
    picture.LoadFromData(data);
    return picture;
}

TPNGObject TPNGObject::FromResource(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        throw EPNGError("cannot open " + resourcePath.toStdString());
    TPNGObject picture = FromData(file.readAll());
    const QLatin1String suffix(".png");
    if (resourcePath.endsWith(suffix)) {
        const QString twinPath = resourcePath.chopped(suffix.size()) + QStringLiteral("@2x.png");
        if (QFile::exists(twinPath))
            picture.SetDoubleResolution(FromResource(twinPath));
    }
    return picture;
}

TPNGObject TPNGObject::FromImage(const QImage &image, bool keepAlpha)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    TPNGRaster raster;
    raster.Width = argb.width();
    raster.Height = argb.height();
    raster.Kind = TPNGColorKind::Colour;
    raster.Samples.reserve(raster.PixelCount() * 3);
    if (keepAlpha)
        raster.Alpha.reserve(raster.PixelCount());
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            raster.Samples.push_back(std::uint8_t(qRed(line[x])));
            raster.Samples.push_back(std::uint8_t(qGreen(line[x])));
            raster.Samples.push_back(std::uint8_t(qBlue(line[x])));
            if (keepAlpha)
                raster.Alpha.push_back(std::uint8_t(qAlpha(line[x])));
        }
    }
    return TPNGObject(std::move(raster));
}

void TPNGObject::LoadFromFile(const std::string &path)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    LoadFromData(bytes.data(), bytes.size());
}

void TPNGObject::LoadFromData(const QByteArray &data)
{
    LoadFromData(reinterpret_cast<const std::uint8_t *>(data.constData()), std::size_t(data.size()));
}

void TPNGObject::LoadFromData(const std::uint8_t *data, std::size_t size)
{
    Raster_ = DecodePNG(data, size);
    Double_.reset();
    Invalidate();
}

void TPNGObject::SetDoubleResolution(const TPNGObject &twin)
{
    if (twin.Empty() || twin.Width() != 2 * Width() || twin.Height() != 2 * Height())
        throw EPNGError("the double-resolution picture is not twice the size");
    auto copy = std::make_shared<TPNGObject>(twin);
    copy->Double_.reset();
    Double_ = std::move(copy);
}

template <class Change>
void TPNGObject::ChangeDouble(Change change)
{
    if (!Double_)
        return;
    auto copy = std::make_shared<TPNGObject>(*Double_);
    change(*copy);
    Double_ = std::move(copy);
}

std::vector<std::uint8_t> TPNGObject::SaveToData(const TPNGWriteOptions &options) const
{
    return EncodePNG(Raster_, options);
}

void TPNGObject::SaveToFile(const std::string &path, const TPNGWriteOptions &options) const
{
    WriteWholeFile(path, SaveToData(options));
}

QRgb TPNGObject::ColourAt(std::size_t pixel) const
{
    int alpha = Raster_.HasAlpha() ? Raster_.Alpha[pixel] : 255;
    switch (Raster_.Kind) {
    case TPNGColorKind::Grey: {
        const int grey = Raster_.Samples[pixel];
        return qRgba(grey, grey, grey, alpha);
    }
    case TPNGColorKind::Palette: {
        const std::size_t index = Raster_.Samples[pixel];
        if (index >= Raster_.Palette.size()) // out-of-range index: black, as libpng suggests
            return qRgba(0, 0, 0, 255);
        const auto &entry = Raster_.Palette[index];
        alpha = index < Raster_.Transparency.size() ? Raster_.Transparency[index] : 255;
        return qRgba(entry[0], entry[1], entry[2], alpha);
    }
    default: {
        const std::uint8_t *rgb = &Raster_.Samples[pixel * 3];
        return qRgba(rgb[0], rgb[1], rgb[2], alpha);
    }
    }
}

QRgb TPNGObject::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    return ColourAt(std::size_t(y) * std::size_t(Raster_.Width) + std::size_t(x));
}

QImage TPNGObject::ToImage() const
{
    if (Empty())
        return QImage();
    if (Cache_.isNull()) {
        QImage image(Raster_.Width, Raster_.Height, QImage::Format_ARGB32);
        std::size_t pixel = 0;
        for (int y = 0; y < Raster_.Height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < Raster_.Width; ++x)
                line[x] = ColourAt(pixel++);
        }
        Cache_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return Cache_;
}

// The twin where one unit of the painter spans more than one device pixel:
// a scaled screen, or any other magnification.
QImage TPNGObject::ImageFor(const QPainter &painter) const
{
    const QRectF unit = painter.deviceTransform().mapRect(QRectF(0, 0, 1, 1));
    const bool dense = std::max(unit.width(), unit.height()) > 1.0;
    return dense && Double_ ? Double_->ToImage() : ToImage();
}

void TPNGObject::DrawScaled(QPainter &painter, const QRect &target) const
{
    if (Empty())
        return;
    painter.save();
    // On a scaled screen nearest-pixel scaling would give jagged edges.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, ImageFor(painter));
    painter.restore();
}

void TPNGObject::Draw(QPainter &painter, QPoint at) const
{
    DrawScaled(painter, QRect(at, QSize(Width(), Height())));
}

void TPNGObject::StretchDraw(QPainter &painter, const QRect &target) const
{
    DrawScaled(painter, target);
}

void TPNGObject::CreateAlpha()
{
    if (Empty())
        return;
    if (Raster_.Kind == TPNGColorKind::Palette) {
        if (Raster_.Transparency.empty())
            Raster_.Transparency.assign(Raster_.Palette.size(), 255);
    } else if (!Raster_.HasAlpha()) {
        Raster_.Alpha.assign(Raster_.PixelCount(), 255);
    }
    Invalidate();
    ChangeDouble([](TPNGObject &twin) { twin.CreateAlpha(); });
}

std::uint8_t *TPNGObject::AlphaScanline(int y)
{
    if (!Raster_.HasAlpha() || y < 0 || y >= Height())
        return nullptr;
    Invalidate();
    Double_.reset(); // the caller's change cannot be carried over
    return Raster_.Alpha.data() + std::size_t(y) * std::size_t(Raster_.Width);
}

void TPNGObject::DivideOpacity(int divisor)
{
    for (std::uint8_t &alpha : Raster_.Alpha)
        alpha = std::uint8_t(alpha / divisor);
    Invalidate();
    ChangeDouble([divisor](TPNGObject &twin) { twin.DivideOpacity(divisor); });
}

void BuildDisabledImage(const TPNGObject &source, TPNGObject &target)
{
    target = source;
    target.CreateAlpha();
    if (target.Empty() || target.IsPalette())
        return;
    target.DivideOpacity(3);
}
