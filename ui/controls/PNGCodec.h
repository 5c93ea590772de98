// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// libpng wrappers: whole-picture decoding from memory and encoding to memory.
// Every libpng error becomes an EPNGError; libpng's longjmp never crosses a
// C++ frame (see PNGCodec.cpp).

#include "ui/controls/PNGRaster.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TPNGWriteOptions {
    bool Interlaced = false; // Adam7
    double FileGamma = 0.0;  // written as gAMA when above zero
};

// 8-bit result of any PNG: 16-bit samples are stripped, 1/2/4-bit grey and
// palette samples widened, a tRNS colour key on grey or colour pictures
// becomes an opacity channel, and a gAMA chunk is applied for a display
// gamma of 2.2. Other ancillary chunks are ignored.
TPNGRaster DecodePNG(const std::uint8_t *data, std::size_t size);

std::vector<std::uint8_t> EncodePNG(const TPNGRaster &raster, const TPNGWriteOptions &options = {});

// Whole file as bytes; throws EPNGError when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string &path);
void WriteWholeFile(const std::string &path, const std::vector<std::uint8_t> &bytes);
