// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// make-pictures: draws every picture of the program and writes it as PNG.
// Usage: make-pictures <output folder> [contact sheet PNG]

#include "tools/make-pictures/Artwork.h"
#include "tools/make-pictures/Backgrounds.h"
#include "tools/make-pictures/ContactSheet.h"
#include "tools/make-pictures/Glyphs.h"
#include "ui/controls/PNGError.h"
#include "ui/controls/pngextra.h"

#include <QApplication>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr int BannerWidth = 829, BannerHeight = 81;
constexpr int PanelHeight = 491;
constexpr int LeftPanelWidth = 212, RightPanelWidth = 612;
constexpr int LeftSeparatorTop = 240, RightSeparatorTop = 368;

struct TPictureJob {
    std::string Name;
    std::function<QImage(int scale)> Draw; // at `scale` pixels per unit
    bool Alpha;
    bool Interlaced = false;
    // Also written at twice the size as "<name>@2x.png", for scaled screens.
    // Flat shades and grooves need no twin: smooth scaling draws them as well.
    bool Double = false;
};

TPictureJob Glyph(const std::string &name, const TGlyphPainter &painter, int size, bool interlaced = false)
{
    return {name, [painter, size](int scale) { return RenderGlyph(painter, size * scale); }, true, interlaced, true};
}

TPictureJob Opaque(const std::string &name, std::function<QImage()> draw)
{
    return {name, [draw = std::move(draw)](int) { return draw(); }, false};
}

// The window icon comes in the sizes the desktop asks for; it has no twin.
TPictureJob Icon(const std::string &name, int size)
{
    TPictureJob job = Glyph(name, DrawApplicationIcon, size);
    job.Double = false;
    return job;
}

std::vector<TPictureJob> AllPictures()
{
    // The separators take the colour of the panel row they sit on.
    const QColor leftGround = LeftPanelShade.At(LeftSeparatorTop + 2, PanelHeight);
    const QColor rightGround = RightPanelShade.At(RightSeparatorTop + 2, PanelHeight);
    return {
        {"banner.png", [](int scale) { return MakeBanner(BannerWidth, BannerHeight, scale); }, false, false, true},
        Opaque("panel-left.png", [] { return MakePanelBackground(LeftPanelWidth, PanelHeight, LeftPanelShade); }),
        Opaque("panel-right.png", [] { return MakePanelBackground(RightPanelWidth, PanelHeight, RightPanelShade); }),
        Opaque("separator-left.png", [leftGround] { return MakeSeparator(209, leftGround); }),
        Opaque("separator-right.png", [rightGround] { return MakeSeparator(681, rightGround); }),
        Opaque("bar.png", [] { return MakeVerticalBar(PanelHeight, LeftPanelShade); }),
        Opaque("dialog-gradient.png", [] { return MakeDialogGradient(); }),
        Opaque("dialog-strip.png", [] { return MakeDialogStrip(); }),
        Glyph("note.png", DrawNoteIcon, 16),
        Glyph("glyph-add-folder.png", DrawAddFolderGlyph, 48),
        Glyph("glyph-filter.png", DrawFilterGlyph, 48),
        Glyph("glyph-scan.png", DrawScanGlyph, 48),
        Glyph("glyph-stop.png", DrawStopGlyph, 48),
        Glyph("glyph-delete.png", DrawDeleteGlyph, 48),
        Glyph("glyph-help.png", DrawHelpGlyph, 48, true),
        Glyph("glyph-home.png", DrawHomeGlyph, 48),
        Glyph("glyph-scan-now.png", DrawScanNowGlyph, 48),
        Glyph("glyph-add.png", DrawAddFolderGlyph, 32),
        Glyph("glyph-remove.png", DrawRemoveFolderGlyph, 32),
        Glyph("glyph-filter-small.png", DrawFilterGlyph, 16),
        Glyph("padlock.png", DrawPadlockGlyph, 11),
        Icon("app-icon-48.png", 48),
        Icon("app-icon-256.png", 256),
    };
}

void WriteOne(const TPictureJob &job, const std::string &folder, const std::string &name, int scale)
{
    TPNGWriteOptions options;
    options.Interlaced = job.Interlaced && scale == 1;
    const TPNGObject picture = TPNGObject::FromImage(job.Draw(scale), job.Alpha);
    picture.SaveToFile(folder + "/" + name, options);
    std::printf("%-29s %4d x %-4d %s%s\n", name.c_str(), picture.Width(), picture.Height(), job.Alpha ? "RGBA" : "RGB",
                options.Interlaced ? ", Adam7" : "");
}

void WritePicture(const TPictureJob &job, const std::string &folder)
{
    WriteOne(job, folder, job.Name, 1);
    if (job.Double)
        WriteOne(job, folder, job.Name.substr(0, job.Name.size() - 4) + "@2x.png", 2);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [contact sheet PNG]\n", argv[0]);
        return 2;
    }
    try {
        const std::string folder = argv[1];
        for (const TPictureJob &job : AllPictures())
            WritePicture(job, folder);
        if (argc > 2)
            WriteContactSheet(folder, argv[2]);
    } catch (const EPNGError &error) {
        std::fprintf(stderr, "make-pictures: %s\n", error.what());
        return 1;
    }
    return 0;
}
