// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/controls/PNGCodec.h"

#include "ui/controls/PNGError.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

// libpng reports errors by longjmp. The functions that call setjmp below and
// the callbacks that libpng calls hold no C++ objects with destructors, so the
// jump skips nothing; the C++ callers turn the failure into an exception
// after the jump has landed.

namespace
{

constexpr double DisplayGamma = 2.2;
constexpr png_uint_32 MaxSide = 16384;

// Plain data shared by the callbacks and the setjmp frames.
struct TCodecContext {
    std::jmp_buf Jump;
    char Message[256];
    const std::uint8_t *ReadData;
    std::size_t ReadSize;
    std::size_t ReadPos;
    std::uint8_t *WriteData; // malloc'ed, released by the caller
    std::size_t WriteSize;
    std::size_t WriteCapacity;
};

struct THeaderInfo {
    png_uint_32 Width;
    png_uint_32 Height;
    int ColorType;
    int Channels;
    std::size_t RowBytes;
    double FileGamma; // 0 when the file has no gAMA
};

struct TWriteJob {
    png_uint_32 Width;
    png_uint_32 Height;
    int ColorType;
    int Interlace;
    double FileGamma;
    const png_color *Palette;
    int PaletteSize;
    const png_byte *Transparency;
    int TransparencySize;
    png_bytepp Rows;
};

void OnError(png_structp png, png_const_charp message)
{
    auto *context = static_cast<TCodecContext *>(png_get_error_ptr(png));
    std::snprintf(context->Message, sizeof context->Message, "%s", message ? message : "libpng error");
    std::longjmp(context->Jump, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto *context = static_cast<TCodecContext *>(png_get_io_ptr(png));
    if (count > context->ReadSize - context->ReadPos)
        png_error(png, "Read Error");
    std::memcpy(out, context->ReadData + context->ReadPos, count);
    context->ReadPos += count;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t count)
{
    auto *context = static_cast<TCodecContext *>(png_get_io_ptr(png));
    if (context->WriteCapacity - context->WriteSize < count) {
        std::size_t capacity = context->WriteCapacity ? context->WriteCapacity * 2 : 4096;
        while (capacity - context->WriteSize < count)
            capacity *= 2;
        void *grown = std::realloc(context->WriteData, capacity);
        if (!grown)
            png_error(png, "Write Error: out of memory");
        context->WriteData = static_cast<std::uint8_t *>(grown);
        context->WriteCapacity = capacity;
    }
    std::memcpy(context->WriteData + context->WriteSize, data, count);
    context->WriteSize += count;
}

void FlushMemory(png_structp)
{
}

// Reads the header and sets up the transformations to 8-bit samples.
int ReadHeader(png_structp png, png_infop info, TCodecContext *context, THeaderInfo *header)
{
    if (setjmp(context->Jump))
        return 0;
    png_read_info(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const int colorType = png_get_color_type(png, info);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_packing(png);
    else if (bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (colorType != PNG_COLOR_TYPE_PALETTE && png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    double fileGamma = 0.0;
    if (!png_get_valid(png, info, PNG_INFO_gAMA) || !png_get_gAMA(png, info, &fileGamma) || fileGamma <= 0.0)
        fileGamma = 0.0;
    // A palette is corrected by CorrectPaletteGamma: whether libpng's own
    // correction reaches the palette that png_get_PLTE returns depends on
    // the build.
    if (fileGamma > 0.0 && colorType != PNG_COLOR_TYPE_PALETTE)
        png_set_gamma(png, DisplayGamma, fileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->Width = png_get_image_width(png, info);
    header->Height = png_get_image_height(png, info);
    header->ColorType = png_get_color_type(png, info);
    header->Channels = png_get_channels(png, info);
    header->RowBytes = png_get_rowbytes(png, info);
    header->FileGamma = fileGamma;
    return 1;
}

int ReadRows(png_structp png, png_infop info, TCodecContext *context, png_bytepp rows)
{
    if (setjmp(context->Jump))
        return 0;
    png_read_image(png, rows);
    png_read_end(png, info);
    return 1;
}

int WriteAll(png_structp png, png_infop info, TCodecContext *context, const TWriteJob *job)
{
    if (setjmp(context->Jump))
        return 0;
    png_set_IHDR(png, info, job->Width, job->Height, 8, job->ColorType, job->Interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (job->PaletteSize > 0)
        png_set_PLTE(png, info, job->Palette, job->PaletteSize);
    if (job->TransparencySize > 0)
        png_set_tRNS(png, info, job->Transparency, job->TransparencySize, nullptr);
    if (job->FileGamma > 0.0)
        png_set_gAMA(png, info, job->FileGamma);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, job->Rows);
    png_write_end(png, info);
    return 1;
}

TCodecContext NewContext()
{
    TCodecContext context;
    std::memset(&context, 0, sizeof context);
    return context;
}

class TReadStructs
{
public:
    explicit TReadStructs(TCodecContext &context)
    {
        Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
        if (Png)
            Info = png_create_info_struct(Png);
        if (!Png || !Info) {
            png_destroy_read_struct(&Png, nullptr, nullptr);
            throw EPNGError("libpng: cannot create a read structure");
        }
        png_set_read_fn(Png, &context, ReadFromMemory);
        png_set_user_limits(Png, MaxSide, MaxSide);
    }
    ~TReadStructs() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
    TReadStructs(const TReadStructs &) = delete;
    TReadStructs &operator=(const TReadStructs &) = delete;

    png_structp Png = nullptr;
    png_infop Info = nullptr;
};

class TWriteStructs
{
public:
    explicit TWriteStructs(TCodecContext &context) : Context(context)
    {
        Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
        if (Png)
            Info = png_create_info_struct(Png);
        if (!Png || !Info) {
            png_destroy_write_struct(&Png, nullptr);
            throw EPNGError("libpng: cannot create a write structure");
        }
        png_set_write_fn(Png, &context, WriteToMemory, FlushMemory);
    }
    ~TWriteStructs()
    {
        png_destroy_write_struct(&Png, Info ? &Info : nullptr);
        std::free(Context.WriteData);
    }
    TWriteStructs(const TWriteStructs &) = delete;
    TWriteStructs &operator=(const TWriteStructs &) = delete;

    TCodecContext &Context;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
};

TPNGColorKind KindOfColorType(int colorType)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return TPNGColorKind::Grey;
    case PNG_COLOR_TYPE_PALETTE:
        return TPNGColorKind::Palette;
    default:
        return TPNGColorKind::Colour;
    }
}

// Splits libpng's interleaved rows into colour samples and opacity.
void SplitRows(const std::vector<std::uint8_t> &pixels, const THeaderInfo &header, TPNGRaster &raster)
{
    const int colourSamples = raster.SamplesPerPixel();
    const bool alpha = (header.ColorType & PNG_COLOR_MASK_ALPHA) != 0;
    raster.Samples.resize(raster.PixelCount() * colourSamples);
    if (alpha)
        raster.Alpha.resize(raster.PixelCount());
    std::size_t sample = 0, pixel = 0;
    for (png_uint_32 y = 0; y < header.Height; ++y) {
        const std::uint8_t *in = pixels.data() + y * header.RowBytes;
        for (png_uint_32 x = 0; x < header.Width; ++x) {
            for (int c = 0; c < colourSamples; ++c)
                raster.Samples[sample++] = *in++;
            if (alpha)
                raster.Alpha[pixel] = *in++;
            ++pixel;
        }
    }
}

void CopyPalette(png_structp png, png_infop info, TPNGRaster &raster)
{
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0)
        count = 0;
    for (int i = 0; i < count; ++i)
        raster.Palette.push_back({palette[i].red, palette[i].green, palette[i].blue});
    png_bytep trans = nullptr;
    int transCount = 0;
    if (png_get_tRNS(png, info, &trans, &transCount, nullptr) != 0 && trans)
        raster.Transparency.assign(trans, trans + transCount);
}

// The file's colours shown on a display of gamma 2.2, as libpng corrects samples.
void CorrectPaletteGamma(double fileGamma, TPNGRaster &raster)
{
    if (fileGamma <= 0.0)
        return;
    const double exponent = 1.0 / (fileGamma * DisplayGamma);
    for (auto &entry : raster.Palette)
        for (std::uint8_t &sample : entry)
            sample = std::uint8_t(std::lround(255.0 * std::pow(sample / 255.0, exponent)));
}

int ColorTypeOf(const TPNGRaster &raster)
{
    switch (raster.Kind) {
    case TPNGColorKind::Grey:
        return raster.HasAlpha() ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
    case TPNGColorKind::Palette:
        return PNG_COLOR_TYPE_PALETTE;
    default:
        return raster.HasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    }
}

std::vector<std::uint8_t> InterleaveRows(const TPNGRaster &raster)
{
    const int colourSamples = raster.SamplesPerPixel();
    const bool alpha = raster.HasAlpha() && raster.Kind != TPNGColorKind::Palette;
    std::vector<std::uint8_t> pixels;
    pixels.reserve(raster.PixelCount() * (colourSamples + (alpha ? 1 : 0)));
    for (std::size_t pixel = 0; pixel < raster.PixelCount(); ++pixel) {
        for (int c = 0; c < colourSamples; ++c)
            pixels.push_back(raster.Samples[pixel * colourSamples + c]);
        if (alpha)
            pixels.push_back(raster.Alpha[pixel]);
    }
    return pixels;
}

std::vector<png_bytep> RowPointers(std::vector<std::uint8_t> &pixels, std::size_t rowBytes, png_uint_32 height)
{
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels.data() + y * rowBytes;
    return rows;
}

} // namespace

TPNGRaster DecodePNG(const std::uint8_t *data, std::size_t size)
{
    TCodecContext context = NewContext();
    context.ReadData = data;
    context.ReadSize = size;
    TReadStructs read(context);
    THeaderInfo header{};
    if (!ReadHeader(read.Png, read.Info, &context, &header))
        throw EPNGError(context.Message);

    std::vector<std::uint8_t> pixels(header.RowBytes * header.Height);
    std::vector<png_bytep> rows = RowPointers(pixels, header.RowBytes, header.Height);
    if (!ReadRows(read.Png, read.Info, &context, rows.data()))
        throw EPNGError(context.Message);

    TPNGRaster raster;
    raster.Width = int(header.Width);
    raster.Height = int(header.Height);
    raster.Kind = KindOfColorType(header.ColorType);
    SplitRows(pixels, header, raster);
    if (raster.Kind == TPNGColorKind::Palette) {
        CopyPalette(read.Png, read.Info, raster);
        CorrectPaletteGamma(header.FileGamma, raster);
    }
    return raster;
}

std::vector<std::uint8_t> EncodePNG(const TPNGRaster &raster, const TPNGWriteOptions &options)
{
    if (raster.Empty())
        throw EPNGError("cannot write an empty picture");
    std::vector<std::uint8_t> pixels = InterleaveRows(raster);
    const std::size_t rowBytes = pixels.size() / std::size_t(raster.Height);
    std::vector<png_bytep> rows = RowPointers(pixels, rowBytes, png_uint_32(raster.Height));
    std::vector<png_color> palette;
    for (const auto &entry : raster.Palette)
        palette.push_back(png_color{entry[0], entry[1], entry[2]});

    TWriteJob job{};
    job.Width = png_uint_32(raster.Width);
    job.Height = png_uint_32(raster.Height);
    job.ColorType = ColorTypeOf(raster);
    job.Interlace = options.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    job.FileGamma = options.FileGamma;
    job.Palette = palette.data();
    job.PaletteSize = int(palette.size());
    job.Transparency = raster.Transparency.data();
    job.TransparencySize = int(raster.Transparency.size());
    job.Rows = rows.data();

    TCodecContext context = NewContext();
    TWriteStructs write(context);
    if (!WriteAll(write.Png, write.Info, &context, &job))
        throw EPNGError(context.Message);
    return std::vector<std::uint8_t>(context.WriteData, context.WriteData + context.WriteSize);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EPNGError("cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw EPNGError("cannot read " + path);
    return bytes;
}

void WriteWholeFile(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        throw EPNGError("cannot write " + path);
}
