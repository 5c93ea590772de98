// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Protected folders in the real window: the folder list's popup entry, how a
// protected row looks, and the marks of the result list.
#include "FolderProtection.h"
#include "MainWindowFixture.h"
#include "TempTree.h"
#include "WindowScanHost.h"

#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <chrono>
#include <thread>

namespace
{

const QString kFolderTip = "Files in this folder are never checked or deleted.";
using Marks = std::vector<std::string>;

class ProtectionTest : public MainWindowFixture
{
protected:
    TempTree tree;

    // A photo library and two scattered copies of its photo, one older and
    // one newer than the library's; notes nobody protects.
    void writeLibrary()
    {
        writeAt("lib/photo.jpg", "photo", 2000);
        writeAt("old-phone/photo.jpg", "photo", 1000);
        writeAt("downloads/photo.jpg", "photo", 3000);
        writeAt("a/notes.txt", "notes-nn", 1000);
        writeAt("b/notes.txt", "notes-nn", 2000);
    }
    void writeAt(const std::string &relative, const std::string &content, int order)
    {
        tree.write(relative, content);
        tree.setTime(relative, 1000000000 + order);
    }
    void selectFolders(const std::vector<int> &rows)
    {
        folders()->clearSelection();
        for (int row : rows)
            folders()->topLevelItem(row)->setSelected(true);
    }
    // The popup entry's caption as the menu would show it now.
    QString protectEntry()
    {
        emit child<QMenu>("PopupMenu2")->aboutToShow();
        return child<QAction>("ProtectFolder1")->text();
    }
    void protect(const std::vector<int> &rows)
    {
        selectFolders(rows);
        protectEntry();
        trigger("ProtectFolder1");
    }
    void settle()
    {
        ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    }
    // Rows as "[x] path" or "[ ] path" relative to the tree.
    Marks marked()
    {
        Marks out;
        for (int i = 0; i < results().rowCount(); ++i)
            out.push_back((results().isChecked(i) ? "[x] " : "[ ] ")
                          + results().row(i).path.substr(tree.root().size() + 1));
        return out;
    }
    QTableView *resultList() { return child<QTableView>("ListView2"); }
    // How a folder row is drawn, with nothing selected.
    QImage rowLook(int row)
    {
        const auto selected = folders()->selectedItems();
        folders()->clearSelection();
        const QImage look
            = folders()->viewport()->grab(folders()->visualItemRect(folders()->topLevelItem(row))).toImage();
        for (QTreeWidgetItem *item : selected)
            item->setSelected(true);
        return look;
    }
    // Where the style puts a result row's check box.
    QPoint checkBoxOf(int row)
    {
        QTableView *view = resultList();
        const QModelIndex cell = results().index(row, 0);
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.rect = view->visualRect(cell);
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view).center();
    }
};

const Marks kLibraryMarks{"[x] old-phone/photo.jpg", "[ ] lib/photo.jpg", "[x] downloads/photo.jpg"};

} // namespace

TEST_F(ProtectionTest, PopupEntryFollowsTheFirstSelectedRowAndAProtectedRowShowsAPadlock)
{
    for (const char *folder : {"lib", "old-phone", "downloads"})
        addFolder(tree.mkdir(folder));
    QMenu *menu = child<QMenu>("PopupMenu2");
    const QList<QAction *> entries = menu->actions();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_TRUE(entries[3]->isSeparator()); // after today's entries
    EXPECT_EQ(entries[4]->objectName(), "ProtectFolder1");
    EXPECT_TRUE(entries[4]->shortcut().isEmpty());

    selectFolders({});
    EXPECT_EQ(protectEntry(), "Protect Folder");
    EXPECT_FALSE(child<QAction>("ProtectFolder1")->isEnabled());

    const QRect plainRect = folders()->visualItemRect(folders()->topLevelItem(0));
    const QString caption = folders()->topLevelItem(0)->text(0);
    const QImage plainLook = rowLook(0), otherLook = rowLook(1);
    protect({0});
    QTreeWidgetItem *lib = folders()->topLevelItem(0);
    EXPECT_TRUE(folders()->isFolderProtected(0));
    EXPECT_EQ(lib->text(0), caption); // the path the scan reads
    EXPECT_EQ(lib->toolTip(0), caption + "\n" + kFolderTip);
    EXPECT_EQ(folders()->visualItemRect(lib), plainRect); // no taller: the list keeps its layout
    EXPECT_NE(rowLook(0), plainLook);                     // the padlock
    EXPECT_EQ(rowLook(1), otherLook);
    for (int row : {1, 2})
        EXPECT_FALSE(folders()->topLevelItem(row)->toolTip(0).contains(kFolderTip));
    EXPECT_EQ(form->folderProtection().folders()->paths, std::vector<std::string>{tree.path("lib")});

    // Several rows take the state opposite to the first one's.
    selectFolders({0, 2});
    EXPECT_EQ(protectEntry(), "Unprotect Folder");
    trigger("ProtectFolder1");
    EXPECT_FALSE(folders()->isFolderProtected(0));
    EXPECT_FALSE(folders()->isFolderProtected(2));
    EXPECT_EQ(rowLook(0), plainLook);
    EXPECT_EQ(lib->toolTip(0), caption);
    protect({1, 2});
    EXPECT_EQ(form->folderProtection().folders()->paths,
              (std::vector<std::string>{tree.path("downloads"), tree.path("old-phone")}));

    // Removing rows drops their protection; clearing drops all.
    selectFolders({1});
    click("PNGButton14");
    EXPECT_EQ(form->folderProtection().folders()->paths, std::vector<std::string>{tree.path("downloads")});
    trigger("Clear1");
    EXPECT_TRUE(form->folderProtection().folders()->paths.empty());
}

TEST_F(ProtectionTest, AFolderAddedTwiceIsProtectedByEitherRowAndAnEditedCaptionTakesItAlong)
{
    tree.mkdir("lib");
    tree.mkdir("library");
    addFolder(tree.path("lib"));
    addFolder(tree.path("lib"));
    protect({1});
    EXPECT_EQ(form->folderProtection().folders()->paths, std::vector<std::string>{tree.path("lib")});
    selectFolders({0});
    click("PNGButton14"); // the unprotected row goes: the folder stays protected
    ASSERT_EQ(folders()->folderCount(), 1);
    EXPECT_EQ(form->folderProtection().folders()->paths, std::vector<std::string>{tree.path("lib")});

    folders()->topLevelItem(0)->setText(0, QString::fromStdString(tree.path("library")));
    EXPECT_TRUE(folders()->isFolderProtected(0));
    EXPECT_EQ(form->folderProtection().folders()->paths, std::vector<std::string>{tree.path("library")});
}

TEST_F(ProtectionTest, LibraryCopiesStayUncheckedUnderEitherRuleAndTheirBoxesTakeNoClick)
{
    writeLibrary();
    addFolder(tree.root());
    addFolder(tree.path("lib")); // listed too, and protected by that row
    protect({1});
    scanToEnd();
    settle();
    Marks expected = kLibraryMarks;
    expected.insert(expected.end(), {"[x] a/notes.txt", "[ ] b/notes.txt"});
    EXPECT_EQ(marked(), expected);
    click("RadioGroup1Item1");
    expected.back() = "[x] b/notes.txt";
    expected[3] = "[ ] a/notes.txt";
    EXPECT_EQ(marked(), expected);

    // A click on the protected copy's box does nothing, and its tooltip says why.
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QWidget *viewport = resultList()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, checkBoxOf(1));
    EXPECT_FALSE(results().isChecked(1));
    EXPECT_FALSE(results().setData(results().index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(results().isChecked(1));
    EXPECT_TRUE(results().index(1, 0).data(Qt::ToolTipRole).toString().contains("protected folder"));
    EXPECT_FALSE(results().index(0, 0).data(Qt::ToolTipRole).toString().contains("protected folder"));
    // Any other box still takes it.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, checkBoxOf(0));
    EXPECT_FALSE(results().isChecked(0));
}

// Protecting after the scan re-marks the list as a switch of the keep rule
// does; unprotecting gives the rule back its say.
TEST_F(ProtectionTest, ProtectingOrUnprotectingAfterTheScanReMarksTheList)
{
    writeLibrary();
    addFolder(tree.root());
    addFolder(tree.path("lib"));
    scanToEnd();
    EXPECT_EQ(marked()[1], "[x] lib/photo.jpg");
    protect({1});
    settle();
    const Marks protectedMarks = marked();
    EXPECT_EQ(Marks(protectedMarks.begin(), protectedMarks.begin() + 3), kLibraryMarks);
    EXPECT_TRUE(results().row(1).inProtectedFolder);

    protect({1}); // unprotects: the entry says "Unprotect Folder" now
    settle();
    EXPECT_EQ(marked()[1], "[x] lib/photo.jpg");
    EXPECT_EQ(marked()[2], "[ ] downloads/photo.jpg");
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
    WindowScanHost &host = form->scanHost();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (host.rowsInTransit() < 40 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(results().rowCount(), 0);
    protect({0});
    ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning(); }));
    settle();

    ASSERT_EQ(results().rowCount(), 1200);
    auto inLibrary = [&](int i) { return results().row(i).path.rfind(tree.path("lib/"), 0) == 0; };
    auto expectLibraryKept = [&](const char *when) {
        for (int i = 0; i < results().rowCount(); ++i) {
            EXPECT_EQ(results().isChecked(i), !inLibrary(i)) << when << " " << results().row(i).path;
            EXPECT_EQ(results().row(i).inProtectedFolder, inLibrary(i)) << when << " " << i;
        }
    };
    expectLibraryKept("after the scan");
    click("RadioGroup1Item1");
    expectLibraryKept("after the switch");
    click("RadioGroup1Item0");
    expectLibraryKept("after the switch back");
}
