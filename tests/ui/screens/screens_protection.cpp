// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// What a person sees of protected folders: the real window on an X server
// (Xvfb), photographed. A protected row shows its padlock and the result list
// its marks; every other pixel of the window is as it was before. The
// pictures are written to $VARNOK_SCREENS_DIR (default: the working folder).
// Nothing here deletes anything.
#include "FolderProtection.h"
#include "MainWindowFixture.h"
#include "TempTree.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sys/time.h>

namespace
{

// The tree of the README's screenshot: three groups, one of them in photos/.
struct ShotTree {
    std::string root;
    std::unique_ptr<TempTree> temp;

    ShotTree()
    {
        // A fixed folder reproduces the README's picture exactly.
        if (const char *fixed = std::getenv("VARNOK_SCREENS_TREE")) {
            root = fixed;
        } else {
            temp = std::make_unique<TempTree>();
            root = temp->path("tree");
        }
        write("docs/report.pdf", std::string(51234, 'r'), 1641373920);
        write("backup/report-old.pdf", std::string(51234, 'r'), 1796676402);
        write("photos/beach.jpg", std::string(240000, 'b'), 1677664800);
        write("backup/photos/beach.jpg", std::string(240000, 'b'), 1718130000);
        write("photos/beach-copy.jpg", std::string(240000, 'b'), 1796676402);
        write("backup/song.mp3", std::string(3900000, 's'), 1796676402);
        write("music/song.mp3", std::string(3900000, 's'), 1796676402);
    }
    ~ShotTree()
    {
        if (!temp) {
            std::error_code ec;
            std::filesystem::remove_all(root, ec);
        }
    }
    void write(const std::string &relative, const std::string &content, std::int64_t seconds)
    {
        const std::filesystem::path path = root + "/" + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        const timeval times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
        ::utimes(path.c_str(), times);
    }
    std::string path(const std::string &relative) const { return root + "/" + relative; }
};

class ProtectionScreens : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run through xvfb-run)";
        MainWindowFixture::SetUp();
    }
    // The window as the X server shows it.
    QImage shoot()
    {
        form->repaint();
        QTest::qWait(300); // the server has drawn what the window sent
        return form->screen()->grabWindow(form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    void save(const QImage &image, const char *name)
    {
        const QString folder = qEnvironmentVariable("VARNOK_SCREENS_DIR", QDir::currentPath());
        QDir().mkpath(folder);
        EXPECT_TRUE(image.save(folder + "/" + name)) << name;
    }
    // A control's rectangle in the window's pixels.
    QRect placeOf(const QWidget *control) const
    {
        return QRect(control->mapTo(form.get(), QPoint(0, 0)), control->size());
    }
    QRect checkBoxOf(QTableView *view, int row)
    {
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.rect = view->visualRect(results().index(row, 0));
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
        return box.translated(view->viewport()->mapTo(form.get(), QPoint(0, 0)));
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
    ShotTree tree;
    addFolder(tree.root);
    addFolder(tree.path("photos"));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCursor::setPos(0, 0); // no control under the pointer
    scanToEnd();
    ASSERT_EQ(results().rowCount(), 7);
    folders()->clearSelection();
    folders()->setCurrentItem(nullptr);
    const QImage plain = shoot();
    save(plain, "window-before-protection.png");

    folders()->topLevelItem(1)->setSelected(true);
    trigger("ProtectFolder1");
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    folders()->clearSelection();
    folders()->setCurrentItem(nullptr);
    const QImage shown = shoot();
    save(shown, "window-protected.png");
    auto *resultList = child<QTableView>("ListView2");
    save(shown.copy(placeOf(folders())), "folder-list-protected.png");
    save(shown.copy(placeOf(resultList)), "result-list-protected.png");
    ASSERT_EQ(shown.size(), plain.size());

    // The padlock stands before the protected row's caption, and only there.
    const QRect protectedRow = folders()
                                   ->visualItemRect(folders()->topLevelItem(1))
                                   .translated(folders()->viewport()->mapTo(form.get(), QPoint(0, 0)));
    const QRect plainRow = folders()
                               ->visualItemRect(folders()->topLevelItem(0))
                               .translated(folders()->viewport()->mapTo(form.get(), QPoint(0, 0)));
    const QRect padlockPlace(protectedRow.left(), protectedRow.top(), 18, protectedRow.height());
    EXPECT_TRUE(HoldsGold(shown, padlockPlace));
    EXPECT_FALSE(HoldsGold(plain, padlockPlace));
    EXPECT_FALSE(HoldsGold(shown, QRect(plainRow.left(), plainRow.top(), 18, plainRow.height())));

    // The result list's boxes show the marks: photos/ keeps its two copies.
    std::map<bool, QImage> boxLook;
    for (int row = 0; row < results().rowCount(); ++row) {
        const bool inPhotos = results().row(row).path.rfind(tree.path("photos/"), 0) == 0;
        EXPECT_EQ(results().row(row).inProtectedFolder, inPhotos) << row;
        const QImage box = shown.copy(checkBoxOf(resultList, row));
        const bool checked = results().isChecked(row);
        if (!boxLook.count(checked))
            boxLook[checked] = box;
        EXPECT_EQ(box, boxLook[checked]) << "row " << row << " is drawn otherwise than it is marked";
    }
    ASSERT_EQ(boxLook.size(), 2u);
    EXPECT_NE(boxLook[true], boxLook[false]);

    // Everything else is as it was: the folder list's protected row and the
    // boxes whose marks changed are the only pixels that moved.
    std::vector<QRect> changed{protectedRow};
    for (int row = 0; row < results().rowCount(); ++row)
        changed.push_back(checkBoxOf(resultList, row));
    EXPECT_EQ(PixelsDifferingOutside(plain, shown, changed), 0);

    // Unprotected again, the window is exactly as before.
    folders()->topLevelItem(1)->setSelected(true);
    trigger("ProtectFolder1");
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    folders()->clearSelection();
    folders()->setCurrentItem(nullptr);
    EXPECT_EQ(PixelsDifferingOutside(plain, shoot(), {}), 0);
}
