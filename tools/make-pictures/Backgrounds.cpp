// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "tools/make-pictures/Backgrounds.h"

#include "tools/make-pictures/Artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

const TPanelShade LeftPanelShade{QColor("#edf3fa"), QColor("#d6e3f1")};
const TPanelShade RightPanelShade{QColor("#f6f9fc"), QColor("#e2eaf4")};

QColor TPanelShade::At(int y, int height) const
{
    return Mix(Top, Bottom, height > 1 ? double(y) / (height - 1) : 0.0);
}

namespace
{

void FillRows(QImage &image, const TPanelShade &shade)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb colour = shade.At(y, image.height()).rgb();
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::fill(line, line + image.width(), colour);
    }
}

void DrawBannerSheen(QPainter &painter, int width, int height)
{
    painter.setPen(Qt::NoPen);
    for (int band = 0; band < 3; ++band) {
        const double x = width - 330 + band * 95;
        QPainterPath path;
        path.moveTo(x, height);
        path.lineTo(x + 60, 0);
        path.lineTo(x + 60 + 38 - band * 8, 0);
        path.lineTo(x + 38 - band * 8, height);
        path.closeSubpath();
        painter.setBrush(QColor(255, 255, 255, 14 + band * 4));
        painter.drawPath(path);
    }
}

void DrawWordmark(QPainter &painter, int width)
{
    QFont title("Liberation Sans");
    title.setBold(true);
    title.setPixelSize(34);
    painter.setFont(title);
    painter.setPen(Qt::white);
    const QRect titleBox(width - 250, 12, 230, 38);
    painter.drawText(titleBox, Qt::AlignRight | Qt::AlignVCenter, "Varnok");
    QFont subtitle("Liberation Sans");
    subtitle.setPixelSize(13);
    painter.setFont(subtitle);
    painter.setPen(QColor("#b9d7f7"));
    painter.drawText(QRect(width - 250, 50, 230, 18), Qt::AlignRight | Qt::AlignVCenter, "Duplicate File Finder");
}

} // namespace

QImage MakeBanner(int width, int height, int scale)
{
    QImage image = OpaqueCanvas(width * scale, height * scale, Qt::black);
    image.setDevicePixelRatio(scale); // the painter works in units
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient sky = VerticalGradient(0, height, QColor("#2c6cb0"), QColor("#153b68"));
    sky.setColorAt(0.55, QColor("#1f5291"));
    painter.fillRect(QRect(0, 0, width, height), sky);
    DrawBannerSheen(painter, width, height);
    DrawWordmark(painter, width);
    painter.fillRect(QRect(0, 0, width, 1), QColor("#5a9be0"));
    painter.fillRect(QRect(0, height - 1, width, 1), QColor("#0c2744"));
    return image;
}

QImage MakePanelBackground(int width, int height, const TPanelShade &shade)
{
    QImage image(width, height, QImage::Format_RGB32);
    FillRows(image, shade);
    return image;
}

QImage MakeSeparator(int width, const QColor &background)
{
    const QColor shadow("#9fb1c6");
    const QColor light("#ffffff");
    QImage image = OpaqueCanvas(width, 5, background);
    const int fade = std::min(30, width / 4);
    for (int x = 0; x < width; ++x) {
        const int edge = std::min(x, width - 1 - x);
        const double strength = fade > 0 ? std::min(1.0, double(edge) / fade) : 1.0;
        image.setPixel(x, 1, Mix(background, shadow, 0.35 * strength).rgb());
        image.setPixel(x, 2, Mix(background, shadow, strength).rgb());
        image.setPixel(x, 3, Mix(background, light, strength).rgb());
    }
    return image;
}

QImage MakeVerticalBar(int height, const TPanelShade &shade)
{
    const QColor columns[5]
        = {QColor("#a9b9cc"), QColor("#ffffff"), QColor("#e4ecf5"), QColor("#c9d6e5"), QColor("#93a6bd")};
    QImage image(5, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QColor tint = shade.At(y, height);
        for (int x = 0; x < 5; ++x)
            image.setPixel(x, y, Mix(columns[x], tint, 0.25).rgb());
    }
    return image;
}

QImage MakeDialogGradient()
{
    const QColor top("#dbeffc"), darkest("#a6d6f7"), bottom("#b2dcf8");
    const int height = 91, darkestRow = 68;
    QImage image(4, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QColor colour = y <= darkestRow
            ? Mix(top, darkest, double(y) / darkestRow)
            : Mix(darkest, bottom, double(y - darkestRow) / (height - 1 - darkestRow));
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, colour.rgb());
    }
    return image;
}

QImage MakeDialogStrip()
{
    const QColor rows[5]
        = {QColor("#dde6ef"), QColor("#c5d3e1"), QColor("#8ea5be"), QColor("#c5d3e1"), QColor("#dde6ef")};
    QImage image(66, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 66; ++x)
            image.setPixel(x, y, rows[y].rgb());
    return image;
}
