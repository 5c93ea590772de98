// make-pictures: draws every picture of the program and writes it as PNG.
// Usage: make-pictures <output folder> [contact sheet PNG]

#include "Artwork.h"
#include "Backgrounds.h"
#include "ContactSheet.h"
#include "Glyphs.h"
#include "PNGError.h"
#include "pngextra.h"

#include <QApplication>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int BannerWidth = 829, BannerHeight = 81;
constexpr int PanelHeight = 491;
constexpr int LeftPanelWidth = 212, RightPanelWidth = 612;
constexpr int LeftSeparatorTop = 240, RightSeparatorTop = 368;

struct TPictureJob
{
    std::string Name;
    std::function<QImage()> Draw;
    bool Alpha;
    bool Interlaced = false;
};

TPictureJob Glyph(const std::string &name, const TGlyphPainter &painter, int size, bool interlaced = false)
{
    return {name, [painter, size] { return RenderGlyph(painter, size); }, true, interlaced};
}

TPictureJob Opaque(const std::string &name, std::function<QImage()> draw)
{
    return {name, std::move(draw), false};
}

std::vector<TPictureJob> AllPictures()
{
    // The separators take the colour of the panel row they sit on.
    const QColor leftGround = LeftPanelShade.At(LeftSeparatorTop + 2, PanelHeight);
    const QColor rightGround = RightPanelShade.At(RightSeparatorTop + 2, PanelHeight);
    return {
        Opaque("banner.png", [] { return MakeBanner(BannerWidth, BannerHeight); }),
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
        Glyph("app-icon-48.png", DrawApplicationIcon, 48),
        Glyph("app-icon-256.png", DrawApplicationIcon, 256),
    };
}

void WritePicture(const TPictureJob &job, const std::string &folder)
{
    TPNGWriteOptions options;
    options.Interlaced = job.Interlaced;
    const TPNGObject picture = TPNGObject::FromImage(job.Draw(), job.Alpha);
    picture.SaveToFile(folder + "/" + job.Name, options);
    std::printf("%-26s %4d x %-4d %s%s\n", job.Name.c_str(), picture.Width(), picture.Height(),
                job.Alpha ? "RGBA" : "RGB", job.Interlaced ? ", Adam7" : "");
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
