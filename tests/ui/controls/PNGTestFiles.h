// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// Small PNG files written with libpng into a temporary folder, for the
// picture and button tests.

#include "ui/controls/PNGCodec.h"
#include "ui/controls/PNGRaster.h"

#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

class TPNGTestFiles
{
public:
    std::string Write(const std::string &name, const TPNGRaster &raster, const TPNGWriteOptions &options = {})
    {
        const std::string path = Dir_.filePath(QString::fromStdString(name)).toStdString();
        WriteWholeFile(path, EncodePNG(raster, options));
        return path;
    }

    std::string WriteBytes(const std::string &name, const std::vector<std::uint8_t> &bytes)
    {
        const std::string path = Dir_.filePath(QString::fromStdString(name)).toStdString();
        WriteWholeFile(path, bytes);
        return path;
    }

    // A w x h picture of one colour kind whose samples count up from `start`.
    static TPNGRaster Ramp(int w, int h, TPNGColorKind kind, bool alpha, std::uint8_t start = 10)
    {
        TPNGRaster raster;
        raster.Width = w;
        raster.Height = h;
        raster.Kind = kind;
        const std::size_t samples = std::size_t(w) * h * raster.SamplesPerPixel();
        for (std::size_t i = 0; i < samples; ++i)
            raster.Samples.push_back(std::uint8_t(start + i * 7));
        if (alpha)
            for (int i = 0; i < w * h; ++i)
                raster.Alpha.push_back(std::uint8_t(255 - i * 30));
        return raster;
    }

    static TPNGRaster Solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, int alpha = -1)
    {
        TPNGRaster raster;
        raster.Width = w;
        raster.Height = h;
        for (int i = 0; i < w * h; ++i) {
            raster.Samples.insert(raster.Samples.end(), {r, g, b});
            if (alpha >= 0)
                raster.Alpha.push_back(std::uint8_t(alpha));
        }
        return raster;
    }

private:
    QTemporaryDir Dir_;
};
