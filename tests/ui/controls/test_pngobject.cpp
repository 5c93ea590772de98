// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The libpng picture class: decoding, drawing, resources and the disabled look.

#include "tests/ui/controls/PNGTestFiles.h"
#include "ui/controls/PNGError.h"
#include "ui/controls/pngextra.h"

#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

namespace
{

TPNGRaster PaletteRaster(std::vector<std::uint8_t> transparency)
{
    TPNGRaster raster;
    raster.Width = 3;
    raster.Height = 1;
    raster.Kind = TPNGColorKind::Palette;
    raster.Palette = {{{200, 10, 10}}, {{10, 200, 10}}, {{10, 10, 200}}};
    raster.Samples = {0, 1, 2};
    raster.Transparency = std::move(transparency);
    return raster;
}

class PNGDecoding : public ::testing::Test
{
protected:
    TPNGObject RoundTrip(const TPNGRaster &raster, const TPNGWriteOptions &options = {})
    {
        return TPNGObject::FromFile(Files.Write("picture.png", raster, options));
    }

    TPNGTestFiles Files;
};

} // namespace

TEST_F(PNGDecoding, KeepsEveryColourTypeWithItsSamplesAndShortPaletteTransparency)
{
    struct Case {
        TPNGColorKind kind;
        bool alpha;
    };
    for (const Case c : {Case{TPNGColorKind::Grey, false}, Case{TPNGColorKind::Grey, true},
                         Case{TPNGColorKind::Colour, false}, Case{TPNGColorKind::Colour, true}}) {
        const TPNGRaster written = TPNGTestFiles::Ramp(3, 2, c.kind, c.alpha);
        const TPNGObject picture = RoundTrip(written);
        SCOPED_TRACE(int(c.kind) * 2 + c.alpha);
        EXPECT_EQ(picture.Width(), 3);
        EXPECT_EQ(picture.Height(), 2);
        EXPECT_EQ(picture.ColorKind(), c.kind);
        EXPECT_EQ(picture.HasAlpha(), c.alpha);
        EXPECT_EQ(picture.Raster().Samples, written.Samples);
        EXPECT_EQ(picture.Raster().Alpha, written.Alpha);
    }
    const TPNGObject grey = RoundTrip(TPNGTestFiles::Ramp(2, 1, TPNGColorKind::Grey, true));
    EXPECT_EQ(grey.Pixel(1, 0), qRgba(17, 17, 17, 225));
    const TPNGObject colour = RoundTrip(TPNGTestFiles::Ramp(2, 1, TPNGColorKind::Colour, false));
    EXPECT_EQ(colour.Pixel(1, 0), qRgba(31, 38, 45, 255));

    // A palette with a transparency table shorter than itself.
    const TPNGObject palette = RoundTrip(PaletteRaster({0, 128}));
    ASSERT_TRUE(palette.IsPalette());
    EXPECT_FALSE(palette.HasAlpha());
    EXPECT_EQ(palette.Pixel(0, 0), qRgba(200, 10, 10, 0));
    EXPECT_EQ(palette.Pixel(1, 0), qRgba(10, 200, 10, 128));
    EXPECT_EQ(palette.Pixel(2, 0), qRgba(10, 10, 200, 255)); // beyond the table: opaque
}

TEST_F(PNGDecoding, AppliesFileGammaForDisplayGammaOf22)
{
    // A linear file (gamma 1.0) shown at 2.2: 255 * (v / 255) ^ (1 / 2.2).
    TPNGWriteOptions linear;
    linear.FileGamma = 1.0;
    const QRgb pixel = RoundTrip(TPNGTestFiles::Solid(1, 1, 128, 64, 0, 77), linear).Pixel(0, 0);
    EXPECT_NEAR(qRed(pixel), 186, 1);
    EXPECT_NEAR(qGreen(pixel), 136, 1);
    EXPECT_EQ(qBlue(pixel), 0);
    EXPECT_EQ(qAlpha(pixel), 77); // opacity is not a colour: no correction
    EXPECT_NEAR(qRed(RoundTrip(PaletteRaster({}), linear).Pixel(0, 0)), 228, 1);

    TPNGWriteOptions matching;
    matching.FileGamma = 1.0 / 2.2;
    EXPECT_EQ(qRed(RoundTrip(TPNGTestFiles::Solid(1, 1, 128, 64, 0), matching).Pixel(0, 0)), 128);
    EXPECT_EQ(qRed(RoundTrip(TPNGTestFiles::Solid(1, 1, 128, 64, 0)).Pixel(0, 0)), 128); // no gAMA
}

TEST_F(PNGDecoding, ReadsAdam7InterlacedPictures)
{
    TPNGWriteOptions interlaced;
    interlaced.Interlaced = true;
    const TPNGRaster written = TPNGTestFiles::Ramp(13, 11, TPNGColorKind::Colour, true);
    const std::string path = Files.Write("interlaced.png", written, interlaced);
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes[28], 1); // IHDR interlace method
    const TPNGObject picture = TPNGObject::FromFile(path);
    EXPECT_EQ(picture.Raster().Samples, written.Samples);
    EXPECT_EQ(picture.Raster().Alpha, written.Alpha);
}

TEST_F(PNGDecoding, DamagedOrMissingDataThrowsWithLibpngMessage)
{
    const std::string good = Files.Write("good.png", TPNGTestFiles::Ramp(40, 40, TPNGColorKind::Colour, true));
    std::vector<std::uint8_t> bytes = ReadWholeFile(good);
    ASSERT_GT(bytes.size(), 100u);

    auto messageOf = [](std::vector<std::uint8_t> data) -> std::string {
        try {
            TPNGObject::FromData(QByteArray(reinterpret_cast<const char *>(data.data()), qsizetype(data.size())));
        } catch (const EPNGError &error) {
            return error.what();
        }
        return "no error";
    };
    const std::vector<std::uint8_t> truncated(bytes.begin(), bytes.begin() + bytes.size() / 2);
    EXPECT_EQ(messageOf(truncated), "Read Error");
    EXPECT_EQ(messageOf({bytes.begin(), bytes.begin() + 33}), "Read Error"); // the header alone
    std::vector<std::uint8_t> notPNG = bytes, badCrc = bytes;
    notPNG[1] = 'X';
    badCrc[bytes.size() / 2] ^= 0x5a; // inside IDAT
    for (const auto &damaged : {notPNG, badCrc, std::vector<std::uint8_t>{}})
        EXPECT_NE(messageOf(damaged), "no error");

    const std::string truncatedPath = Files.WriteBytes("truncated.png", truncated);
    EXPECT_THROW(TPNGObject::FromFile(truncatedPath), EPNGError);
    EXPECT_THROW(TPNGObject::FromFile(truncatedPath + ".missing"), EPNGError);
    EXPECT_THROW(TPNGObject::FromResource(":/pictures/no-such-picture.png"), EPNGError);
}

TEST(PNGObject, DrawsBlendedByOpacityAndStretchesAndEmptyDrawsNothing)
{
    TPNGRaster raster = TPNGTestFiles::Solid(3, 1, 255, 0, 0, 255);
    raster.Alpha = {255, 0, 85};
    QImage canvas(6, 4, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    TPNGObject(raster).Draw(painter, QPoint(1, 2));
    const TPNGObject empty;
    empty.Draw(painter, QPoint(0, 0));
    empty.StretchDraw(painter, QRect(0, 0, 6, 4));
    painter.end();
    EXPECT_EQ(canvas.pixel(1, 2), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_NEAR(qGreen(canvas.pixel(3, 2)), 170, 1);
    EXPECT_EQ(canvas.pixel(0, 2), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);
    EXPECT_THROW(empty.SaveToData(), EPNGError);

    QPainter stretch(&canvas);
    TPNGObject(TPNGTestFiles::Solid(1, 1, 0, 0, 255)).StretchDraw(stretch, QRect(0, 0, 6, 4));
    stretch.end();
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(5, 3), qRgb(0, 0, 255));
}

TEST(PNGObject, ScaledScreensGetTheDoubleResolutionTwinOrSmoothScaling)
{
    TPNGRaster blackWhite = TPNGTestFiles::Solid(2, 1, 0, 0, 0);
    blackWhite.Samples = {0, 0, 0, 255, 255, 255};
    TPNGObject picture(blackWhite);
    auto drawnAtTwice = [](const TPNGObject &shown) {
        QImage canvas(8, 2, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        canvas.setDevicePixelRatio(2);
        QPainter painter(&canvas);
        shown.Draw(painter, QPoint(1, 0));
        return canvas;
    };
    // No twin: scaled smoothly, so the edge between the pixels is not a step.
    const QImage smooth = drawnAtTwice(picture);
    EXPECT_EQ(smooth.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_GT(qRed(smooth.pixel(3, 0)), 0);
    EXPECT_LT(qRed(smooth.pixel(4, 0)), 255);

    EXPECT_THROW(picture.SetDoubleResolution(TPNGObject(TPNGTestFiles::Solid(3, 2, 0, 0, 0))), EPNGError);
    picture.SetDoubleResolution(TPNGObject(TPNGTestFiles::Solid(4, 2, 255, 0, 0)));
    EXPECT_EQ(picture.Width(), 2);
    const QImage sharp = drawnAtTwice(picture);
    for (int x = 2; x < 6; ++x)
        EXPECT_EQ(sharp.pixel(x, 1), qRgb(255, 0, 0)) << x;
    EXPECT_EQ(sharp.pixel(1, 1), qRgb(255, 255, 255));
    QImage plain(4, 1, QImage::Format_RGB32); // one pixel per unit: the picture itself
    QPainter painter(&plain);
    picture.Draw(painter, QPoint(0, 0));
    painter.end();
    EXPECT_EQ(plain.pixel(0, 0), qRgb(0, 0, 0));

    // The disabled look fades the twin as well; a direct opacity write drops it.
    TPNGObject disabled;
    BuildDisabledImage(picture, disabled);
    ASSERT_TRUE(disabled.HasDoubleResolution());
    EXPECT_EQ(drawnAtTwice(disabled).pixel(3, 1), qRgb(255, 170, 170));
    EXPECT_TRUE(picture.HasDoubleResolution()); // the source keeps its own
    disabled.AlphaScanline(0)[0] = 0;
    EXPECT_FALSE(disabled.HasDoubleResolution());
}

TEST(PNGObject, CopiesAreIndependent)
{
    TPNGObject original(TPNGTestFiles::Solid(2, 2, 1, 2, 3, 200));
    (void)original.ToImage(); // fill the drawing cache first
    TPNGObject copy = original;
    copy.AlphaScanline(1)[1] = 7;
    EXPECT_EQ(qAlpha(copy.Pixel(1, 1)), 7);
    EXPECT_EQ(qAlpha(copy.ToImage().pixel(1, 1)), 7);
    EXPECT_EQ(qAlpha(original.Pixel(1, 1)), 200);
    EXPECT_EQ(qAlpha(original.ToImage().pixel(1, 1)), 200);
    EXPECT_EQ(TPNGObject(TPNGTestFiles::Solid(1, 1, 0, 0, 0)).AlphaScanline(0), nullptr);
}

TEST(DisabledImage, ColourPicturesGetOneThirdOfTheirOpacity)
{
    TPNGObject rgb(TPNGTestFiles::Solid(2, 1, 10, 20, 30));
    TPNGObject disabled;
    BuildDisabledImage(rgb, disabled);
    EXPECT_TRUE(disabled.HasAlpha());
    EXPECT_EQ(disabled.Pixel(0, 0), qRgba(10, 20, 30, 85));
    EXPECT_FALSE(rgb.HasAlpha()); // the source is untouched

    TPNGRaster raster = TPNGTestFiles::Solid(4, 1, 10, 20, 30, 0);
    raster.Alpha = {255, 2, 100, 0};
    BuildDisabledImage(TPNGObject(raster), disabled);
    EXPECT_EQ(disabled.Raster().Alpha, (std::vector<std::uint8_t>{85, 0, 33, 0}));
    EXPECT_EQ(disabled.Raster().Samples, raster.Samples);

    BuildDisabledImage(TPNGObject(TPNGTestFiles::Ramp(2, 1, TPNGColorKind::Grey, false)), disabled);
    EXPECT_EQ(disabled.ColorKind(), TPNGColorKind::Grey);
    EXPECT_EQ(disabled.Raster().Alpha, (std::vector<std::uint8_t>{85, 85}));
}

TEST(DisabledImage, PalettePicturesKeepTheirLook)
{
    TPNGObject disabled;
    BuildDisabledImage(TPNGObject(PaletteRaster({})), disabled);
    ASSERT_TRUE(disabled.IsPalette());
    EXPECT_EQ(disabled.Raster().Transparency, (std::vector<std::uint8_t>{255, 255, 255}));
    EXPECT_EQ(disabled.Pixel(1, 0), qRgba(10, 200, 10, 255));

    BuildDisabledImage(TPNGObject(PaletteRaster({0, 128})), disabled);
    EXPECT_EQ(disabled.Raster().Transparency, (std::vector<std::uint8_t>{0, 128}));

    BuildDisabledImage(TPNGObject(), disabled);
    EXPECT_TRUE(disabled.Empty());
}

TEST(ProgramPictures, AllLoadFromResourcesWithTheirSizesAndTypes)
{
    struct Picture {
        const char *name;
        int w, h;
        bool alpha;
    };
    const Picture pictures[]
        = {{"banner", 829, 81, false},         {"panel-left", 212, 491, false},      {"panel-right", 612, 491, false},
           {"separator-left", 209, 5, false},  {"separator-right", 681, 5, false},   {"bar", 5, 491, false},
           {"dialog-gradient", 4, 91, false},  {"dialog-strip", 66, 5, false},       {"note", 16, 16, true},
           {"glyph-add-folder", 48, 48, true}, {"glyph-filter", 48, 48, true},       {"glyph-scan", 48, 48, true},
           {"glyph-stop", 48, 48, true},       {"glyph-delete", 48, 48, true},       {"glyph-help", 48, 48, true},
           {"glyph-home", 48, 48, true},       {"glyph-scan-now", 48, 48, true},     {"glyph-add", 32, 32, true},
           {"glyph-remove", 32, 32, true},     {"glyph-filter-small", 16, 16, true}, {"app-icon-48", 48, 48, true},
           {"app-icon-256", 256, 256, true}};
    for (const Picture &p : pictures) {
        SCOPED_TRACE(p.name);
        const TPNGObject picture = TPNGObject::FromResource(QString(":/pictures/%1.png").arg(p.name));
        EXPECT_EQ(picture.Width(), p.w);
        EXPECT_EQ(picture.Height(), p.h);
        EXPECT_EQ(picture.ColorKind(), TPNGColorKind::Colour);
        EXPECT_EQ(picture.HasAlpha(), p.alpha);
        // Drawn things come at twice the size too; flat shades scale smoothly.
        const std::string name = p.name;
        const bool drawn = p.alpha && name.rfind("app-icon", 0) != 0;
        EXPECT_EQ(picture.HasDoubleResolution(), drawn || name == "banner");
    }
    QFile help(":/pictures/glyph-help.png");
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    EXPECT_EQ(help.readAll().at(28), 1); // the one Adam7-interlaced glyph
    const TPNGObject gradient = TPNGObject::FromResource(":/pictures/dialog-gradient.png");
    EXPECT_EQ(gradient.Pixel(0, 0), qRgba(0xdb, 0xef, 0xfc, 255));
    EXPECT_EQ(gradient.Pixel(3, 68), qRgba(0xa6, 0xd6, 0xf7, 255));
    EXPECT_EQ(gradient.Pixel(0, 90), qRgba(0xb2, 0xdc, 0xf8, 255));
}
