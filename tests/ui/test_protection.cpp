// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Protected folders in the real window: the folder list's popup entry, how a
// protected row looks, and the marks of the result list.
#include "tests/support/CheckIndicator.h"
#include "tests/support/FuseMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TempTree.h"
#include "ui/FolderProtection.h"
#include "ui/ResultModel.h"
#include "ui/WindowScanHost.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <chrono>
#include <thread>

namespace
{

using Paths = std::vector<std::string>;

class ProtectionTest : public MainWindowFixture
{
protected:
    TempTree tree;

    // The popup entry's caption as the menu would show it now.
    QString protectEntry()
    {
        emit child<QMenu>("PopupMenu2")->aboutToShow();
        return child<QAction>("ProtectFolder1")->text();
    }
    // Selects the rows and chooses the popup entry.
    void protect(const std::vector<int> &rows)
    {
        folders()->clearSelection();
        for (int row : rows)
            folders()->topLevelItem(row)->setSelected(true);
        protectEntry();
        trigger("ProtectFolder1");
        ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    }
    Paths protectedPaths() { return form->folderProtection().folders()->paths; }
    // Rows as "[x] path" or "[ ] path" relative to the tree.
    Paths marked()
    {
        Paths out;
        for (int i = 0; i < results().rowCount(); ++i)
            out.push_back((results().isChecked(i) ? "[x] " : "[ ] ")
                          + results().row(i).path.substr(tree.root().size() + 1));
        return out;
    }
    void clickCheckBox(int row)
    {
        auto *view = child<QTableView>("ListView2");
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          CheckIndicatorRect(view, results().index(row, 0)).center());
    }
};

} // namespace

TEST_F(ProtectionTest, PopupEntryFollowsTheFirstSelectedRowAndAProtectedRowShowsAPadlock)
{
    for (const char *folder : {"lib", "old-phone", "lib"})
        addFolder(tree.mkdir(folder));
    const QList<QAction *> entries = child<QMenu>("PopupMenu2")->actions();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_TRUE(entries[3]->isSeparator()); // after today's entries
    EXPECT_EQ(entries[4]->objectName(), "ProtectFolder1");
    folders()->clearSelection();
    EXPECT_EQ(protectEntry(), "Protect Folder");
    EXPECT_FALSE(entries[4]->isEnabled());

    const QString caption = folders()->topLevelItem(0)->text(0);
    protect({0}); // how it looks: see screens/
    const QTreeWidgetItem *lib = folders()->topLevelItem(0);
    EXPECT_EQ(lib->text(0), caption); // the path the scan reads
    EXPECT_EQ(lib->toolTip(0), caption + "\nFiles in this folder are never checked or deleted.");
    EXPECT_EQ(folders()->topLevelItem(1)->toolTip(0), folders()->topLevelItem(1)->text(0));
    EXPECT_EQ(protectedPaths(), Paths{tree.path("lib")});

    // Several rows take the state opposite to the first one's.
    protect({0, 1});
    EXPECT_EQ(lib->toolTip(0), caption);
    EXPECT_TRUE(protectedPaths().empty());
    protect({1, 2});
    EXPECT_EQ(protectEntry(), "Unprotect Folder");
    EXPECT_EQ(protectedPaths(), (Paths{tree.path("lib"), tree.path("old-phone")}));

    // The folder listed twice stays protected by its protected row when the
    // other goes; an edited caption takes the protection to the new path; a
    // protected row removed, or the list cleared, takes it away.
    folders()->clearSelection();
    folders()->topLevelItem(0)->setSelected(true);
    click("PNGButton14");
    EXPECT_EQ(protectedPaths(), (Paths{tree.path("lib"), tree.path("old-phone")}));
    folders()->topLevelItem(1)->setText(0, QString::fromStdString(tree.mkdir("library")));
    EXPECT_EQ(protectedPaths(), (Paths{tree.path("library"), tree.path("old-phone")}));
    folders()->clearSelection();
    folders()->topLevelItem(0)->setSelected(true);
    click("PNGButton14");
    EXPECT_EQ(protectedPaths(), Paths{tree.path("library")});
    trigger("Clear1");
    EXPECT_TRUE(protectedPaths().empty());
}

// A photo library and two scattered copies of its photo, one older and one
// newer than the library's; notes nobody protects. Protected after the scan,
// the list is re-marked as a switch of the keep rule does.
TEST_F(ProtectionTest, LibraryCopiesStayUncheckedUnderEitherRuleAndTheirBoxesTakeNoClick)
{
    const std::pair<const char *, int> files[] = {{"lib/photo.jpg", 2},
                                                  {"old-phone/photo.jpg", 1},
                                                  {"downloads/photo.jpg", 3},
                                                  {"a/notes.txt", 1},
                                                  {"b/notes.txt", 2}};
    for (const auto &[path, order] : files) {
        tree.write(path, path[0] == 'a' || path[0] == 'b' ? "notes-nn" : "photo");
        tree.setTime(path, 1000000000 + order);
    }
    addFolder(tree.root());
    addFolder(tree.path("lib"));
    scanToEnd();
    EXPECT_EQ(marked()[1], "[x] lib/photo.jpg");
    protect({1});
    Paths expected{"[x] old-phone/photo.jpg", "[ ] lib/photo.jpg", "[x] downloads/photo.jpg", "[x] a/notes.txt",
                   "[ ] b/notes.txt"};
    EXPECT_EQ(marked(), expected);
    click("RadioGroup1Item1");
    expected[3] = "[ ] a/notes.txt";
    expected[4] = "[x] b/notes.txt";
    EXPECT_EQ(marked(), expected);

    // A click on the protected copy's box does nothing, and its tooltip says
    // why; any other box still takes a click.
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    clickCheckBox(1);
    EXPECT_FALSE(results().isChecked(1));
    EXPECT_FALSE(results().setData(results().index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(results().index(1, 0).data(Qt::ToolTipRole).toString().contains("protected folder"));
    EXPECT_FALSE(results().index(0, 0).data(Qt::ToolTipRole).toString().contains("protected folder"));
    clickCheckBox(0);
    EXPECT_FALSE(results().isChecked(0));

    // Unprotected, the keep rule has its say again.
    protect({1});
    EXPECT_EQ(marked()[0], "[ ] old-phone/photo.jpg");
    EXPECT_EQ(marked()[1], "[x] lib/photo.jpg");
    EXPECT_FALSE(results().row(1).inProtectedFolder);
}

// Folders protected while rows are on their way: those rows and every later
// one end up judged against the folders protected now, and a switch of the
// keep rule afterwards leaves the protected copies unchecked.
TEST_F(ProtectionTest, ProtectingDuringAScanReachesRowsOnTheirWayAndLaterOnes)
{
    tree.writePairs("lib", 300);
    tree.writePairs("copies", 300);
    addFolder(tree.path("lib"));
    addFolder(tree.path("copies"));
    click("PNGButton10");
    waitForRowsInTransit(40);
    ASSERT_EQ(results().rowCount(), 0);
    protect({0});
    ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning() && form->folderProtection().settled(); }));

    ASSERT_EQ(results().rowCount(), 1200);
    for (const char *when : {"after the scan", "after the switch"}) {
        for (int i = 0; i < results().rowCount(); ++i) {
            const bool inLibrary = results().row(i).path.rfind(tree.path("lib/"), 0) == 0;
            EXPECT_EQ(results().isChecked(i), !inLibrary) << when << " " << results().row(i).path;
        }
        click("RadioGroup1Item1");
    }
}

// Judging looks at each row's folder, which may lie on a share that stopped
// answering: the window goes on meanwhile, a change of the protected folders
// starts a judging of its own without waiting for the stuck one, the list
// goes at once whatever is stuck, and what a judging given up finds once the
// share goes never reaches the list.
TEST(FolderProtectionOnAStuckShare, NeverHoldsTheWindowAndOnlyTheLastJudgingCounts)
{
    SKIP_UNLESS_FUSE();
    TempTree tree;
    tree.writeCopies("same", {"lib/a", "copies/a"});
    tree.writeCopies("other", {"src/stuck/b", "src/b"});
    tree.mkdir("mnt");
    FuseMount::Options options;
    options.hangGetattr = "stuck";
    ResultModel model;
    WindowScanHost host(model);
    std::vector<ResultRow> rows(4);
    for (auto [k, path] : {std::pair{0, "lib/a"}, {1, "copies/a"}, {2, "mnt/stuck/b"}, {3, "mnt/b"}}) {
        rows[std::size_t(k)].path = tree.path(path);
        rows[std::size_t(k)].group = 1 + k / 2;
    }
    model.appendRows(rows);

    for (const bool closeWhileStuck : {true, false}) {
        SCOPED_TRACE(closeWhileStuck ? "closed while stuck" : "the share goes");
        FuseMount mount(tree.path("src"), tree.path("mnt"), options);
        ASSERT_TRUE(mount.mounted());
        auto protection = std::make_unique<FolderProtection>(model, host);
        QElapsedTimer window;
        window.start();
        protection->setFolders({tree.path("lib")});
        protection->setFolders({tree.path("copies")}); // the first judging is given up, stuck
        if (closeWhileStuck)
            protection.reset();
        EXPECT_LT(window.elapsed(), 1000);
        if (closeWhileStuck)
            continue; // the mount goes: the calls fail, and the threads left behind end
        QTest::qWait(300);
        EXPECT_FALSE(protection->settled()); // the second is stuck too
        mount.unmount();
        ASSERT_TRUE(WaitUntil([&] { return protection->settled(); }));
        EXPECT_FALSE(model.row(0).inProtectedFolder);
        EXPECT_TRUE(model.row(1).inProtectedFolder);
    }
}
