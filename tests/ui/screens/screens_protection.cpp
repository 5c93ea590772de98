// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// What a person sees of protected folders: the real window on an X server
// (Xvfb), photographed. A protected row shows its padlock and the result list
// its marks; every other pixel of the window is as it was before. The
// pictures are written to $VARNOK_SCREENS_DIR (default: the working folder).
// Nothing here deletes anything.
#include "tests/support/CheckIndicator.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/PhotographedDialogs.h"
#include "tests/support/TempTree.h"
#include "ui/FolderProtection.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <map>
#include <tuple>

namespace
{

// The tree of the README's screenshot, below "tree": three groups, one of
// them with two copies in photos/.
void WriteShotTree(TempTree &tree)
{
    const std::tuple<const char *, char, int, std::int64_t> files[]
        = {{"docs/report.pdf", 'r', 51234, 1641373920},        {"backup/report-old.pdf", 'r', 51234, 1796676402},
           {"photos/beach.jpg", 'b', 240000, 1677664800},      {"backup/photos/beach.jpg", 'b', 240000, 1718130000},
           {"photos/beach-copy.jpg", 'b', 240000, 1796676402}, {"backup/song.mp3", 's', 3900000, 1796676402},
           {"music/song.mp3", 's', 3900000, 1796676402}};
    for (const auto &[path, fill, size, seconds] : files) {
        tree.write(std::string("tree/") + path, std::string(std::size_t(size), fill));
        tree.setTime(std::string("tree/") + path, seconds);
    }
}

class ProtectionScreens : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        SKIP_UNLESS_X_SERVER();
        MainWindowFixture::SetUp();
    }
    // The window as the X server shows it, with no row selected.
    QImage shootWithNothingSelected()
    {
        folders()->clearSelection();
        folders()->setCurrentItem(nullptr);
        form->repaint();
        QTest::qWait(300); // the server has drawn what the window sent
        return form->screen()->grabWindow(form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    void save(const QImage &image, const char *name) { EXPECT_TRUE(SaveShot(image, name)) << name; }
    // A control's rectangle in the window's pixels.
    QRect placeOf(const QWidget *control) const
    {
        return QRect(control->mapTo(form.get(), QPoint(0, 0)), control->size());
    }
    QRect checkBoxOf(QTableView *view, int row)
    {
        return CheckIndicatorRect(view, results().index(row, 0))
            .translated(view->viewport()->mapTo(form.get(), QPoint(0, 0)));
    }
};

int PixelsDifferingOutside(const QImage &a, const QImage &b, const std::vector<QRect> &allowed)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)
                && std::none_of(allowed.begin(), allowed.end(), [&](const QRect &r) { return r.contains(x, y); }))
                ++differing;
    return differing;
}

// Whether any pixel of the area is golden, as the padlock's body is.
bool HoldsGold(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 140 && c.blue() < 110)
                return true;
        }
    return false;
}

} // namespace

TEST_F(ProtectionScreens, AProtectedRowShowsItsPadlockAndTheWindowIsOtherwiseAsBefore)
{
    TempTree tree;
    WriteShotTree(tree);
    addFolder(tree.path("tree"));
    addFolder(tree.path("tree/photos"));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCursor::setPos(0, 0); // no control under the pointer
    scanToEnd();
    ASSERT_EQ(results().rowCount(), 7);
    const QImage plain = shootWithNothingSelected();
    save(plain, "window-before-protection.png");

    folders()->topLevelItem(1)->setSelected(true);
    trigger("ProtectFolder1");
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    const QImage shown = shootWithNothingSelected();
    auto *resultList = child<QTableView>("ListView2");
    save(shown, "window-protected.png");
    save(shown.copy(placeOf(folders())), "folder-list-protected.png");
    save(shown.copy(placeOf(resultList)), "result-list-protected.png");
    ASSERT_EQ(shown.size(), plain.size());

    // The padlock stands before the protected row's caption, and only there;
    // the row is no taller than the other.
    auto rowPlace = [&](int row) {
        return folders()
            ->visualItemRect(folders()->topLevelItem(row))
            .translated(folders()->viewport()->mapTo(form.get(), QPoint(0, 0)));
    };
    auto padlockPlace = [&](int row) { return QRect(rowPlace(row).topLeft(), QSize(18, rowPlace(row).height())); };
    EXPECT_EQ(rowPlace(1).height(), rowPlace(0).height());
    EXPECT_TRUE(HoldsGold(shown, padlockPlace(1)));
    EXPECT_FALSE(HoldsGold(plain, padlockPlace(1)));
    EXPECT_FALSE(HoldsGold(shown, padlockPlace(0)));

    // The result list's boxes are drawn as the rows are marked: photos/ keeps
    // its two copies.
    std::map<bool, QImage> boxLook;
    std::vector<QRect> changed{rowPlace(1)};
    for (int row = 0; row < results().rowCount(); ++row) {
        const bool inPhotos = results().row(row).path.rfind(tree.path("tree/photos/"), 0) == 0;
        EXPECT_EQ(results().isChecked(row), !inPhotos && row != 1 && row != 6) << row; // 1, 6: kept by the rule
        changed.push_back(checkBoxOf(resultList, row));
        const QImage box = shown.copy(changed.back());
        boxLook.try_emplace(results().isChecked(row), box);
        EXPECT_EQ(box, boxLook[results().isChecked(row)]) << "row " << row << " is drawn otherwise than marked";
    }
    ASSERT_EQ(boxLook.size(), 2u);
    EXPECT_NE(boxLook[true], boxLook[false]);

    // Everything else is as it was: the protected row and the boxes are the
    // only pixels that may have moved.
    EXPECT_EQ(PixelsDifferingOutside(plain, shown, changed), 0);
}
