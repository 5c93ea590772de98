// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "tools/make-pictures/ContactSheet.h"

#include "tools/make-pictures/Artwork.h"
#include "ui/controls/PNGButton.h"
#include "ui/controls/pngextra.h"

#include <QFont>
#include <QPainter>
#include <QWidget>

#include <vector>

namespace
{

// Shows one picture stretched over the whole widget, as the windows do.
class TPictureView : public QWidget
{
public:
    TPictureView(QWidget *parent, const TPNGObject &picture, const QRect &area) : QWidget(parent), Picture_(picture)
    {
        setGeometry(area);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        Picture_.StretchDraw(painter, rect());
    }

private:
    TPNGObject Picture_;
};

struct TSheetContext {
    std::string Folder;
    TPNGObject Load(const std::string &name) const { return TPNGObject::FromFile(Folder + "/" + name); }
};

TPNGButton *AddButton(QWidget *parent, const TPNGObject &glyph, const QString &caption, const QRect &area,
                      TPNGButtonLayout layout, TPNGButtonStyle style, const QFont &font, const QColor &colour)
{
    auto *button = new TPNGButton(parent);
    button->setGeometry(area);
    button->SetImageNormal(glyph);
    button->SetCaption(caption);
    button->SetButtonLayout(layout);
    button->SetButtonStyle(style);
    button->setFont(font);
    button->SetFontColor(colour);
    return button;
}

QFont CaptionFont(bool heavy, int pixelSize)
{
    QFont font(heavy ? "Arial Black" : "Arial");
    font.setBold(heavy);
    font.setPixelSize(pixelSize);
    return font;
}

void BuildTopBand(QWidget *window, const TSheetContext &sheet)
{
    new TPictureView(window, sheet.Load("banner.png"), QRect(0, 0, 829, 81));
    const struct {
        const char *glyph;
        const char *caption;
        int left;
        int width;
    } buttons[] = {{"glyph-add-folder.png", "Add Folder", 8, 81},
                   {"glyph-filter.png", "Filter", 88, 73},
                   {"glyph-scan.png", "Scan", 168, 65},
                   {"glyph-stop.png", "Stop", 240, 73},
                   {"glyph-delete.png", "Delete", 312, 73},
                   {"glyph-help.png", "Help", 392, 73},
                   {"glyph-home.png", "Home", 472, 73}};
    for (const auto &b : buttons)
        AddButton(window, sheet.Load(b.glyph), b.caption, QRect(b.left, 0, b.width, 81), pbsImageAbove, pbsNoFrame,
                  CaptionFont(true, 11), Qt::yellow);
}

void BuildLeftPanel(QWidget *window, const TSheetContext &sheet)
{
    auto *panel = new TPictureView(window, sheet.Load("panel-left.png"), QRect(0, 81, 212, 491));
    auto *list = new QWidget(panel);
    list->setGeometry(0, 0, 212, 193);
    list->setAutoFillBackground(true);
    AddButton(panel, sheet.Load("glyph-add.png"), "Add", QRect(0, 197, 97, 41), pbsImageLeft, pbsFlat,
              CaptionFont(false, 11), QColor("green"));
    auto *remove = AddButton(panel, sheet.Load("glyph-remove.png"), "Remove", QRect(104, 197, 105, 41), pbsImageLeft,
                             pbsFlat, CaptionFont(false, 11), QColor("green"));
    remove->setEnabled(false); // shows the disabled look
    new TPictureView(panel, sheet.Load("separator-left.png"), QRect(0, 240, 209, 5));
    new TPictureView(window, sheet.Load("bar.png"), QRect(212, 81, 5, 491));
}

void BuildRightPanel(QWidget *window, const TSheetContext &sheet)
{
    auto *panel = new TPictureView(window, sheet.Load("panel-right.png"), QRect(217, 81, 612, 491));
    auto *list = new QWidget(panel);
    list->setGeometry(0, 0, 612, 273);
    list->setAutoFillBackground(true);
    AddButton(panel, sheet.Load("glyph-filter-small.png"), "Filter", QRect(496, 320, 73, 23), pbsImageLeft, pbsDefault,
              CaptionFont(false, 13), QColor("maroon"));
    new TPictureView(panel, sheet.Load("separator-right.png"), QRect(8, 368, 681, 5));
    const QFont heavy = CaptionFont(true, 11);
    AddButton(panel, sheet.Load("glyph-scan-now.png"), "Scan Now", QRect(80, 376, 97, 73), pbsImageAbove, pbsFlat,
              heavy, QColor("green"));
    AddButton(panel, sheet.Load("glyph-stop.png"), "Stop", QRect(272, 376, 97, 73), pbsImageAbove, pbsFlat, heavy,
              QColor("green"));
    AddButton(panel, sheet.Load("glyph-delete.png"), "Delete", QRect(456, 376, 97, 73), pbsImageAbove, pbsFlat, heavy,
              QColor("green"));
    new TPictureView(panel, sheet.Load("note.png"), QRect(24, 464, 16, 16));
}

QImage MockMainWindow(const TSheetContext &sheet)
{
    QWidget window;
    window.resize(829, 572);
    BuildTopBand(&window, sheet);
    BuildLeftPanel(&window, sheet);
    BuildRightPanel(&window, sheet);
    return window.grab().toImage();
}

void DrawGlyphRow(QPainter &painter, const TSheetContext &sheet, int top)
{
    const std::vector<std::string> names
        = {"glyph-add-folder.png", "glyph-filter.png", "glyph-scan.png",         "glyph-stop.png",
           "glyph-delete.png",     "glyph-help.png",   "glyph-home.png",         "glyph-scan-now.png",
           "glyph-add.png",        "glyph-remove.png", "glyph-filter-small.png", "note.png"};
    int x = 10;
    for (const std::string &name : names) {
        const TPNGObject glyph = sheet.Load(name);
        painter.fillRect(QRect(x - 4, top - 4, 152, 152 + 60), QColor("#f6f9fc"));
        painter.fillRect(QRect(x - 4, top + 150, 152, 58), QColor("#1f5291"));
        painter.drawImage(QRect(x, top, 144, 144), glyph.ToImage());
        glyph.Draw(painter, QPoint(x + 8, top + 156));
        glyph.Draw(painter, QPoint(x + 72 - glyph.Width() / 2, top + 179 - glyph.Height() / 2));
        x += 160;
    }
}

void DrawIconsAndDialog(QPainter &painter, const TSheetContext &sheet, QPoint origin)
{
    const int left = origin.x(), top = origin.y();
    sheet.Load("app-icon-256.png").Draw(painter, QPoint(left, top));
    sheet.Load("app-icon-48.png").Draw(painter, QPoint(left + 270, top));
    const QRect dialog(left, top + 280, 655, 328);
    sheet.Load("dialog-gradient.png").StretchDraw(painter, dialog);
    sheet.Load("dialog-strip.png").StretchDraw(painter, QRect(dialog.left() - 1, dialog.top() + 256, 706, 5));
    painter.drawImage(QRect(left + 340, top, 40, 260), sheet.Load("dialog-gradient.png").ToImage());
    painter.drawImage(QRect(left + 400, top, 264, 20), sheet.Load("dialog-strip.png").ToImage());
}

} // namespace

void WriteContactSheet(const std::string &pictureFolder, const std::string &sheetPath)
{
    const TSheetContext sheet{pictureFolder};
    QImage canvas = OpaqueCanvas(1930, 830, QColor("#808890"));
    QPainter painter(&canvas);
    painter.drawImage(QPoint(10, 10), MockMainWindow(sheet));
    DrawIconsAndDialog(painter, sheet, QPoint(850, 10));
    DrawGlyphRow(painter, sheet, 610);
    painter.end();
    TPNGObject::FromImage(canvas, false).SaveToFile(sheetPath);
}
