// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The delete commands driven through the real window on real folders, with
// scripted answers and the desktop trash in a folder of the test's own.
#include "boundary/ScanBoundary.h"
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"
#include "platform/FreedesktopTrash.h"
#include "tests/support/FrozenFolder.h"
#include "tests/support/FuseAliasMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/StuckRemover.h"
#include "tests/support/TempTree.h"
#include "ui/FolderProtection.h"
#include "ui/RadioGroup.h"
#include "ui/WindowActionRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace
{

const QString kCheckedQuestion = "The Checked Files will be deleted directly and will not be recoveryed. Continue?";
const QString kSelectedQuestion = "The Selected Files will be deleted directly and will not be recoveryed. Continue?";
const QString kZeroSummary = "0 duplicate files deleted. 0 bytes space released!";

class DeleteTest : public MainWindowFixture
{
protected:
    TempTree tree;
    std::string trash = tree.path("data/Trash");
    ScopedEnv dataHome{"XDG_DATA_HOME", tree.path("data")};

    // Scans the folder "scan" and forgets the scan's own summary.
    void scan()
    {
        addFolder(tree.path("scan"));
        scanToEnd();
        dialogs.boxes.clear();
    }
    // A file whose modification time puts it at place `order` in its group.
    std::string writeInOrder(const std::string &relative, const std::string &content, int order)
    {
        const std::string path = tree.write(relative, content);
        tree.setTime(relative, 1000000000 + order * 1000);
        return path;
    }
    void deleteChecked()
    {
        run([&] { click("PNGButton12"); });
    }
    void choosePermanent() { child<QRadioButton>("RadioGroup2Item1")->click(); }

    void checkOnly(const std::set<std::string> &paths)
    {
        for (int i = 0; i < results().rowCount(); ++i)
            results().setChecked(i, paths.count(results().row(i).path) > 0);
    }
    // The original path a trashed file's info records.
    std::string trashedFrom(const std::string &trashName)
    {
        const std::string info = FileContent(trash + "/info/" + trashName + ".trashinfo");
        const auto start = info.find("\nPath=");
        if (start == std::string::npos)
            return {};
        const auto end = info.find('\n', start + 1);
        return info.substr(start + 6, end - start - 6);
    }
    ::testing::AssertionResult trashed(const std::string &path, const std::string &trashName)
    {
        if (PathExists(path))
            return ::testing::AssertionFailure() << path << " is still there";
        if (!PathExists(trash + "/files/" + trashName))
            return ::testing::AssertionFailure() << trashName << " is not in the trash";
        if (trashedFrom(trashName) != FreedesktopTrash::escapePath(path))
            return ::testing::AssertionFailure() << "info records " << trashedFrom(trashName);
        return ::testing::AssertionSuccess();
    }
};

// Copies of 5 and 1024 bytes; times make old.txt, c.dat and d.dat the older ones.
struct TwoGroups {
    std::string oldTxt, newTxt, cDat, dDat, eDat;
    explicit TwoGroups(TempTree &tree)
    {
        oldTxt = tree.write("scan/a/old.txt", "hello");
        newTxt = tree.write("scan/b/new.txt", "hello");
        const std::string kilobyte(1024, 'k');
        cDat = tree.write("scan/c.dat", kilobyte);
        dDat = tree.write("scan/d.dat", kilobyte);
        eDat = tree.write("scan/e.dat", kilobyte);
        tree.setTime("scan/a/old.txt", 1000000000);
        tree.setTime("scan/b/new.txt", 1200000000);
        tree.setTime("scan/c.dat", 1000000000);
        tree.setTime("scan/d.dat", 1100000000);
        tree.setTime("scan/e.dat", 1200000000);
    }
};

// Rewrites a file in place with other bytes of its length and puts back the
// modification time the scan saw, as `touch -d` would, so that only the
// status-change time tells. Waits until the kernel's clock has moved on from
// the status-change time seen, which it has long done after a real scan.
::testing::AssertionResult RewriteKeepingItsTime(const std::string &path, const FileIdentity &seen,
                                                 const std::string &bytes)
{
    if (std::int64_t(bytes.size()) != seen.size)
        return ::testing::AssertionFailure() << "not the same length";
    std::ofstream(path, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(seen.mtimeNs / 1000000000), long(seen.mtimeNs % 1000000000)}};
    for (int turn = 0; turn < 10000; ++turn) {
        if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return ::testing::AssertionFailure() << "utimensat failed";
        FileIdentity now = StatPathNoFollow(path).identity;
        if (now.ctimeNs != seen.ctimeNs) {
            now.ctimeNs = seen.ctimeNs;
            if (now == seen)
                return ::testing::AssertionSuccess();
            return ::testing::AssertionFailure() << "more than the status-change time differs";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ::testing::AssertionFailure() << "the status-change time never moved";
}

} // namespace

TEST_F(DeleteTest, EmptyListShowsNothingAndRecyclingSumsWhatWent)
{
    // Before any scan every delete command does nothing and says nothing.
    click("PNGButton12");
    click("PNGButton5");
    trigger("DeleteCheckedtoRecycle1");
    trigger("DeleteCheckedForever1");
    trigger("DeletetoRecycle1");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.notices.empty());
    EXPECT_FALSE(form->deletionRunning());

    TwoGroups files(tree);
    scan();
    ASSERT_EQ(rowPaths(), (std::vector<std::string>{files.oldTxt, files.newTxt, files.cDat, files.dDat, files.eDat}));
    select({files.eDat});
    deleteChecked();

    EXPECT_EQ(summaries(), std::vector<QString>{"3 duplicate files deleted. 2 KB space released!"});
    EXPECT_TRUE(trashed(files.oldTxt, "old.txt"));
    EXPECT_TRUE(trashed(files.cDat, "c.dat"));
    EXPECT_TRUE(trashed(files.dDat, "d.dat"));
    EXPECT_EQ(tree.read("scan/b/new.txt"), "hello");
    EXPECT_TRUE(PathExists(files.eDat));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.newTxt, files.eDat}));
    EXPECT_FALSE(results().isChecked(0));
    EXPECT_EQ(results().row(1).group, 2); // no renumbering
    const QModelIndexList selected = child<QTableView>("ListView2")->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1); // the selection stays with its file
    auto *progress = child<QProgressBar>("ProgressBar1");
    EXPECT_EQ(progress->value(), progress->maximum());
    EXPECT_TRUE(child<QWidget>("PNGButton10")->isEnabled());
    EXPECT_TRUE(child<QWidget>("PNGButton12")->isEnabled());
}

TEST_F(DeleteTest, NothingCheckedNoAnswerOrNoTrashTouchesNothingButForeverRemovesForGood)
{
    TwoGroups files(tree);
    scan();
    const std::vector<std::string> before = rowPaths();
    checkOnly({});
    deleteChecked();
    EXPECT_EQ(summaries(), std::vector<QString>{kZeroSummary});

    checkOnly({files.oldTxt, files.cDat});
    choosePermanent();
    dialogs.answers = {false};
    deleteChecked();
    EXPECT_EQ(dialogs.questions, QStringList{"2 checked files take 1 KB.\n" + kCheckedQuestion});
    EXPECT_EQ(summaries(), (std::vector<QString>{kZeroSummary, kZeroSummary}));

    // A trash that cannot take files never means deleted for good instead.
    child<RadioGroup>("RadioGroup2")->setItemIndex(0);
    checkOnly({files.oldTxt, files.cDat, files.dDat});
    tree.write("data/Trash", "not a folder");
    dialogs.boxes.clear();
    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"0 duplicate files deleted. 0 bytes space released!\n"
                                   "3 files could not be deleted; their rows remain in the list.\n"
                                   "The Trash could not be used (Not a directory); it was looked for at "
                                   + QString::fromStdString(tree.path("data/Trash")) + "."});
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(rowPaths(), before);
    for (const std::string &path : before)
        EXPECT_TRUE(PathExists(path)) << path;

    // Deleting for good removes every checked copy, a whole group too, and
    // puts nothing into a working trash.
    fs::remove(trash);
    checkOnly({files.oldTxt, files.newTxt, files.dDat});
    choosePermanent();
    dialogs.answers = {true, true}; // every copy of old.txt's group too
    deleteChecked();
    EXPECT_EQ(summaries().back(), "3 duplicate files deleted. 1.01 KB space released!");
    for (const std::string &path : {files.oldTxt, files.newTxt, files.dDat})
        EXPECT_FALSE(PathExists(path)) << path;
    EXPECT_FALSE(PathExists(trash + "/files/old.txt"));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.cDat, files.eDat}));
}

TEST_F(DeleteTest, FilesThatCannotGoKeepTheirRowsAndAreNotCounted)
{
    const std::string content = "same!";
    const std::string plain = tree.write("scan/1-plain.txt", content);
    const std::string rewritten = tree.write("scan/2-rewritten.txt", content);
    const std::string linked = tree.write("scan/3-linked.txt", content);
    const std::string vanished = tree.write("scan/4-vanished.txt", content);
    const std::string locked = tree.write("scan/locked/5-locked.txt", content);
    scan();
    ASSERT_EQ(results().rowCount(), 5);
    checkOnly({plain, rewritten, linked, vanished, locked});

    tree.write("scan/2-rewritten.txt", "other");
    tree.setTime("scan/2-rewritten.txt", 1500000000);
    fs::rename(linked, tree.path("elsewhere.txt"));
    tree.symlink(tree.path("elsewhere.txt"), "scan/3-linked.txt");
    fs::remove(vanished);
    FrozenFolder frozen(tree.path("scan/locked"));
    if (!frozen.holds())
        GTEST_SKIP() << "no means to bar a removal here";

    dialogs.answers = {true};
    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"1 duplicate files deleted. 5 bytes space released!\n"
                                   "3 files could not be deleted; their rows remain in the list."});
    EXPECT_TRUE(trashed(plain, "1-plain.txt"));
    EXPECT_EQ(tree.read("scan/2-rewritten.txt"), "other");
    EXPECT_TRUE(fs::is_symlink(linked));
    EXPECT_EQ(tree.read("elsewhere.txt"), content);
    EXPECT_EQ(tree.read("scan/locked/5-locked.txt"), content);
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{rewritten, linked, locked}));
    EXPECT_EQ(marks(), (std::vector<bool>{true, true, true}));
}

TEST_F(DeleteTest, AnErrorOnTheDeletionThreadEndsTheRunAndSaysSo)
{
    const TwoGroups files(tree);
    scan();
    ASSERT_EQ(results().rowCount(), 5);
    // Files go last row first: e.dat, then the error on d.dat.
    int calls = 0;
    child<WindowActionRunner>("WindowActionRunner")
        ->setRemover([&](const std::string &path, const FileIdentity &seen, bool recycle, const RemovalChecks &checks) {
            if (++calls == 2)
                throw std::bad_alloc();
            return ShellDeleteFile(path, seen, recycle, checks);
        });
    checkOnly({files.newTxt, files.dDat, files.eDat});
    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"1 duplicate files deleted. 1024 bytes space released!\n"
                                   "Deleting ended early after an error (not enough memory).\n"
                                   "2 files could not be deleted; their rows remain in the list."});
    EXPECT_FALSE(PathExists(files.eDat));
    EXPECT_TRUE(PathExists(files.dDat));
    EXPECT_TRUE(PathExists(files.newTxt));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.oldTxt, files.newTxt, files.cDat, files.dDat}));
    EXPECT_TRUE(form->deletionThreadsEnded() || WaitUntil([&] { return form->deletionThreadsEnded(); }));
}

TEST_F(DeleteTest, RewrittenCopyWithItsOldTimePutBackIsLeftAlone)
{
    const std::string first = writeInOrder("scan/1.txt", "hello", 1);
    const std::string second = writeInOrder("scan/2.txt", "hello", 2);
    const std::string kept = writeInOrder("scan/3.txt", "hello", 3);
    scan();
    checkOnly({first, second});
    ASSERT_TRUE(RewriteKeepingItsTime(second, results().row(rowOf(second)).identity, "jelly"));

    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"1 duplicate files deleted. 5 bytes space released!\n"
                                   "1 file could not be deleted; its row remains in the list."});
    EXPECT_TRUE(trashed(first, "1.txt"));
    EXPECT_EQ(tree.read("scan/2.txt"), "jelly");
    EXPECT_FALSE(PathExists(trash + "/files/2.txt"));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{second, kept}));
}

// Each group of its own size; which copies are checked is set by hand.
TEST_F(DeleteTest, GroupWhoseKeptCopyIsGoneOrChangedKeepsItsFiles)
{
    const std::string lost1 = writeInOrder("scan/a1", "aaaa", 1), lost2 = writeInOrder("scan/a2", "aaaa", 2);
    const std::string swap1 = writeInOrder("scan/b1", "bbbbb", 1), swap2 = writeInOrder("scan/b2", "bbbbb", 2);
    const std::string all1 = writeInOrder("scan/c1", "cccccc", 1), all2 = writeInOrder("scan/c2", "cccccc", 2);
    const std::string one1 = writeInOrder("scan/d1", "ddddddd", 1), one2 = writeInOrder("scan/d2", "ddddddd", 2),
                      one3 = writeInOrder("scan/d3", "ddddddd", 3);
    scan();
    ASSERT_EQ(results().rowCount(), 9);
    checkOnly({lost1, swap1, all1, all2, one1});
    fs::remove(lost2);
    writeInOrder("scan/fresh", "bbbbb", 2);
    fs::rename(tree.path("scan/fresh"), swap2); // same bytes and time, another file
    fs::remove(all2);                           // every member chosen: the rest still goes
    fs::remove(one2);                           // one intact kept copy is enough

    dialogs.answers = {true};
    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"2 duplicate files deleted. 13 bytes space released!\n"
                                   "2 files could not be deleted; their rows remain in the list."});
    EXPECT_EQ(tree.read("scan/a1"), "aaaa");
    EXPECT_EQ(tree.read("scan/b1"), "bbbbb");
    EXPECT_TRUE(trashed(all1, "c1"));
    EXPECT_TRUE(trashed(one1, "d1"));
    EXPECT_FALSE(PathExists(trash + "/files/a1"));
    EXPECT_FALSE(PathExists(trash + "/files/b1"));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{lost1, lost2, swap1, swap2, one2, one3}));
    EXPECT_EQ(marks(), (std::vector<bool>{true, false, true, false, false, false}));
}

// The popup deletes selected rows: what a group keeps is what is left unselected.
TEST_F(DeleteTest, PopupKeepsAGroupWhoseUnselectedCopiesAreGone)
{
    const std::string x1 = writeInOrder("scan/x1", "xxx", 1), x2 = writeInOrder("scan/x2", "xxx", 2),
                      x3 = writeInOrder("scan/x3", "xxx", 3);
    const std::string y1 = writeInOrder("scan/y1", "yyyy", 1), y2 = writeInOrder("scan/y2", "yyyy", 2);
    scan();
    checkOnly({x3, y2}); // marks play no part here
    fs::remove(x3);
    select({x1, x2, y1});
    run([&] { trigger("DeletetoRecycle1"); });
    EXPECT_EQ(dialogs.notices, QStringList{"2 files could not be deleted; their rows remain in the list."});
    EXPECT_EQ(tree.read("scan/x1"), "xxx");
    EXPECT_EQ(tree.read("scan/x2"), "xxx");
    EXPECT_TRUE(trashed(y1, "y1"));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{x1, x2, x3, y2}));

    select({x1, x2, x3}); // the whole group, chosen by hand
    dialogs.answers = {true};
    run([&] { trigger("DeletetoRecycle1"); });
    EXPECT_TRUE(trashed(x1, "x1"));
    EXPECT_TRUE(trashed(x2, "x2"));
    EXPECT_EQ(rowPaths(), std::vector<std::string>{y2});
    EXPECT_EQ(dialogs.notices.size(), 1);
}

TEST_F(DeleteTest, NamesOfAnyBytesAndLengthAreDeletedExactly)
{
    const std::string raw = "scan/caf\xE9-\xFF.txt"; // not UTF-8
    const std::string odd = tree.write(raw, "odd");
    const std::string twin = tree.write("scan/twin.txt", "odd");
    const std::string deep
        = tree.write("scan/" + std::string(120, 'a') + "/" + std::string(120, 'b') + "/" + std::string(70, 'c'), "far");
    const std::string near = tree.write("scan/near.txt", "far");
    ASSERT_GT(deep.size(), 300u);
    scan();
    checkOnly({odd, deep});
    deleteChecked();
    EXPECT_EQ(summaries(), std::vector<QString>{"2 duplicate files deleted. 6 bytes space released!"});
    EXPECT_TRUE(trashed(odd, "caf\xE9-\xFF.txt"));
    EXPECT_TRUE(trashed(deep, std::string(70, 'c')));
    EXPECT_NE(trashedFrom("caf\xE9-\xFF.txt").find("caf%E9-%FF.txt"), std::string::npos);
    const std::vector<std::string> left = rowPaths();
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), (std::set<std::string>{twin, near}));
}

TEST_F(DeleteTest, PopupDeletesSelectedRowsAndSpeaksOnlyOfFailures)
{
    TwoGroups files(tree);
    scan();
    run([&] { trigger("DeletetoRecycle1"); }); // nothing selected
    EXPECT_EQ(results().rowCount(), 5);

    select({files.newTxt, files.cDat, files.eDat});
    run([&] { trigger("DeletetoRecycle1"); });
    EXPECT_TRUE(trashed(files.newTxt, "new.txt"));
    EXPECT_TRUE(trashed(files.cDat, "c.dat"));
    EXPECT_TRUE(trashed(files.eDat, "e.dat"));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.oldTxt, files.dDat}));

    child<QTableView>("ListView2")->selectionModel()->clearSelection();
    run([&] { trigger("DeleteForever1"); }); // asks even with nothing selected
    EXPECT_EQ(dialogs.questions, QStringList{"No file is selected.\n" + kSelectedQuestion});
    select({files.oldTxt});
    dialogs.answers = {false};
    run([&] { trigger("DeleteForever1"); });
    EXPECT_TRUE(PathExists(files.oldTxt));
    dialogs.answers = {true, true}; // the last row of its group
    run([&] { trigger("DeleteForever1"); });
    EXPECT_FALSE(PathExists(files.oldTxt));
    EXPECT_FALSE(PathExists(trash + "/files/old.txt"));
    EXPECT_EQ(rowPaths(), std::vector<std::string>{files.dDat});
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.notices.empty());

    // Only a file that could not go is worth a word; its row stays.
    tree.write("scan/d.dat", "changed");
    select({files.dDat});
    dialogs.answers = {true};
    run([&] { trigger("DeletetoRecycle1"); });
    EXPECT_EQ(dialogs.notices, QStringList{"1 file could not be deleted; its row remains in the list."});
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(rowPaths(), std::vector<std::string>{files.dDat});
}

TEST_F(DeleteTest, PopupCheckedEntriesRunDeleteWithTheirOwnOption)
{
    TwoGroups files(tree);
    scan();
    choosePermanent(); // the entry says Recycle, and so it is
    run([&] { trigger("DeleteCheckedtoRecycle1"); });
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_EQ(summaries(), std::vector<QString>{"3 duplicate files deleted. 2 KB space released!"});
    EXPECT_TRUE(trashed(files.oldTxt, "old.txt"));

    child<RadioGroup>("RadioGroup2")->setItemIndex(0);
    checkOnly({files.newTxt});
    dialogs.answers = {false};
    run([&] { trigger("DeleteCheckedForever1"); });
    EXPECT_EQ(dialogs.questions, QStringList{"1 checked file takes 5 bytes.\n" + kCheckedQuestion});
    EXPECT_EQ(summaries().back(), kZeroSummary);
    dialogs.answers = {true, true};
    run([&] { trigger("DeleteCheckedForever1"); });
    EXPECT_EQ(summaries().back(), "1 duplicate files deleted. 5 bytes space released!");
    EXPECT_FALSE(PathExists(files.newTxt));
    EXPECT_FALSE(PathExists(trash + "/files/new.txt"));
}

TEST_F(DeleteTest, EveryCopyOfAGroupGoesOnlyWhenTheUserSaysSo)
{
    TwoGroups files(tree);
    const std::string f1 = writeInOrder("scan/f1", "abc", 1), f2 = writeInOrder("scan/f2", "abc", 2);
    scan();
    // No leaves the whole group in place and deletes the rest.
    checkOnly({files.oldTxt, files.newTxt, f1});
    dialogs.answers = {false};
    deleteChecked();
    EXPECT_EQ(dialogs.questions,
              QStringList{"The checked files include every copy of 1 group. Delete every copy of it too?"});
    EXPECT_EQ(summaries(), std::vector<QString>{"1 duplicate files deleted. 3 bytes space released!"});
    EXPECT_TRUE(trashed(f1, "f1"));
    EXPECT_TRUE(PathExists(files.oldTxt));
    EXPECT_TRUE(PathExists(files.newTxt));

    // For good: its own question first, then this one; Yes takes every copy.
    checkOnly({files.oldTxt, files.newTxt, files.cDat, files.dDat, files.eDat});
    choosePermanent();
    dialogs.questions.clear();
    dialogs.answers = {true, true};
    deleteChecked();
    EXPECT_EQ(dialogs.questions,
              (QStringList{"5 checked files take 3.01 KB.\n" + kCheckedQuestion,
                           "The checked files include every copy of 2 groups. Delete every copy of them too?"}));
    EXPECT_EQ(summaries().back(), "5 duplicate files deleted. 3.01 KB space released!");
    EXPECT_EQ(rowPaths(), std::vector<std::string>{f2});

    // The popup asks of the selected files; a group's last row is every copy.
    select({f2});
    dialogs.answers = {false};
    run([&] { trigger("DeletetoRecycle1"); });
    EXPECT_EQ(dialogs.questions.back(),
              "The selected files include every copy of 1 group. Delete every copy of it too?");
    EXPECT_TRUE(PathExists(f2));
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST_F(DeleteTest, OneFileSeenThroughTwoMountsIsNotItsOwnCopy)
{
    tree.write("scan/only.txt", "only");
    tree.mkdir("alias");
    FuseAliasMount alias(tree.path("scan"), tree.path("alias"));
    if (!alias.made())
        GTEST_SKIP() << "needs root and bindfs";
    addFolder(tree.path("alias"));
    scan();
    ASSERT_EQ(results().rowCount(), 2);
    for (int option : {1, 0}) { // for good, then to the trash
        child<RadioGroup>("RadioGroup2")->setItemIndex(option);
        dialogs.answers = {true};
        deleteChecked();
        EXPECT_EQ(summaries(),
                  std::vector<QString>{"0 duplicate files deleted. 0 bytes space released!\n"
                                       "1 file could not be deleted; its row remains in the list."})
            << option;
        EXPECT_EQ(tree.read("scan/only.txt"), "only");
        EXPECT_EQ(results().rowCount(), 2);
        scanToEnd(); // the move and put-back gave the file a new status-change time
        dialogs.boxes.clear();
    }
}

TEST_F(DeleteTest, FilesWhoseFolderIsNowASystemTreeKeepTheirRows)
{
    const std::string file = writeInOrder("scan/sys/tool", "tool", 1);
    writeInOrder("scan/tool", "tool", 2);
    scan();
    ScanBoundary probe({SystemTree{tree.path("scan/sys"), {}}});
    FolderHandle folder;
    ASSERT_EQ(folder.open(tree.path("scan/sys")), 0);
    if (probe.listedFolder(folder.fd()) == FolderStanding::User)
        GTEST_SKIP() << "this build's boundary does not know system trees";
    child<WindowActionRunner>("WindowActionRunner")->setSystemTrees({SystemTree{tree.path("scan/sys"), {}}});
    checkOnly({file});
    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"0 duplicate files deleted. 0 bytes space released!\n"
                                   "1 file could not be deleted; its row remains in the list."});
    EXPECT_EQ(tree.read("scan/sys/tool"), "tool");
}

// All copies of a group protected: nothing of it is checked, and even checked
// by force nothing of it goes, counted apart in the summary.
TEST_F(DeleteTest, ProtectedCopiesNeverGoWhateverTheirMarks)
{
    TwoGroups files(tree);
    scan();
    for (const char *folder : {"scan/a", "scan/b"}) {
        addFolder(tree.path(folder));
        folders()->topLevelItem(folders()->folderCount() - 1)->setSelected(true);
    }
    trigger("ProtectFolder1");
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    EXPECT_EQ(marks(), (std::vector<bool>{false, false, true, true, false}));
    deleteChecked();
    EXPECT_EQ(summaries(), std::vector<QString>{"2 duplicate files deleted. 2 KB space released!"});
    EXPECT_TRUE(dialogs.questions.isEmpty()); // the group keeps its protected copies
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.oldTxt, files.newTxt, files.eDat}));

    // Checked by force, and one of them no longer known as protected by its
    // row: the folder is asked again when the file would go.
    results().setChecked(0, true);
    results().setChecked(1, true);
    results().setProtection(1, false, results().row(1).protectionSerial);
    dialogs.boxes.clear();
    deleteChecked();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"0 duplicate files deleted. 0 bytes space released!\n"
                                   "2 files are in protected folders and were not deleted."});
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_EQ(tree.read("scan/a/old.txt"), "hello");
    EXPECT_EQ(tree.read("scan/b/new.txt"), "hello");
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.oldTxt, files.newTxt, files.eDat}));
}

// The popup's delete entries leave a selected protected copy where it is and
// say so; the rest of the selection goes.
TEST_F(DeleteTest, PopupLeavesSelectedProtectedCopiesAndSaysSo)
{
    TwoGroups files(tree);
    scan();
    addFolder(tree.path("scan/a"));
    folders()->topLevelItem(1)->setSelected(true);
    trigger("ProtectFolder1");
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    select({files.oldTxt, files.newTxt, files.cDat});
    run([&] { trigger("DeletetoRecycle1"); });
    EXPECT_TRUE(dialogs.questions.isEmpty()); // old.txt stays: no group loses every copy
    EXPECT_EQ(dialogs.notices, QStringList{"1 file is in a protected folder and was not deleted."});
    EXPECT_EQ(tree.read("scan/a/old.txt"), "hello");
    EXPECT_TRUE(trashed(files.newTxt, "new.txt"));
    EXPECT_TRUE(trashed(files.cDat, "c.dat"));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{files.oldTxt, files.dDat, files.eDat}));
}

namespace
{

// Many groups of two, each of its own size: the older copy of each is checked.
// The removal of file 300 is held until the test lets it go.
class LongDeletionTest : public DeleteTest
{
protected:
    static constexpr int kGroups = 1500;
    static constexpr int kHeldAt = 300;
    StuckRemover stuck{kHeldAt};

    void SetUp() override
    {
        DeleteTest::SetUp();
        tree.writePairs("scan", kGroups);
        scan();
        ASSERT_EQ(results().rowCount(), 2 * kGroups);
        child<WindowActionRunner>("WindowActionRunner")->setRemover(stuck.remover());
    }
    void TearDown() override
    {
        stuck.release();
        EXPECT_TRUE(WaitUntil([&] { return form->deletionThreadsEnded(); }));
        DeleteTest::TearDown();
    }
    int filesOnDisk() const
    {
        return int(std::distance(fs::directory_iterator(tree.path("scan")), fs::directory_iterator()));
    }
    // Runs until the held file: the files before it gone, the rest waiting.
    void runUntilHeld()
    {
        click("PNGButton12");
        auto *progress = child<QProgressBar>("ProgressBar1");
        ASSERT_TRUE(WaitUntil([&] { return stuck.holdsThread() && progress->value() == kHeldAt; }));
        ASSERT_TRUE(form->deletionRunning());
    }
    // Presses Stop and waits for the summary; how long it took.
    qint64 stopAndWait()
    {
        QElapsedTimer clock;
        clock.start();
        click("PNGButton11");
        EXPECT_TRUE(WaitUntil([&] { return !form->deletionRunning(); }));
        return clock.elapsed();
    }
};

} // namespace

TEST_F(LongDeletionTest, WindowAnswersAndShowsProgressWhileAFileIsStuck)
{
    runUntilHeld();
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    EXPECT_TRUE(WaitUntil([&] { return fired; }));
    auto *button = child<QWidget>("PNGButton12");
    EXPECT_FALSE(button->grab().isNull()); // paints while the file is stuck
    auto *progress = child<QProgressBar>("ProgressBar1");
    EXPECT_EQ(progress->maximum(), kGroups);
    for (const char *name : {"PNGButton1", "PNGButton10", "PNGButton5", "PNGButton12"})
        EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
    for (const char *name : {"DeletetoRecycle1", "DeleteForever1", "DeleteCheckedtoRecycle1", "DeleteCheckedForever1"})
        EXPECT_FALSE(child<QAction>(name)->isEnabled()) << name;
    form->PNGButton10Click(); // not even a direct call starts a scan now
    EXPECT_FALSE(form->scanRunning());
    // What the list lost is exactly what the disk lost, batch by batch.
    EXPECT_EQ(results().rowCount(), filesOnDisk());
    EXPECT_EQ(results().rowCount(), 2 * kGroups - kHeldAt);

    stuck.release();
    ASSERT_TRUE(WaitUntil([&] { return !form->deletionRunning(); }));
    EXPECT_EQ(summaries(), std::vector<QString>{"1500 duplicate files deleted. 1.07 MB space released!"});
    EXPECT_EQ(results().rowCount(), kGroups);
    EXPECT_EQ(filesOnDisk(), kGroups);
    EXPECT_TRUE(child<QWidget>("PNGButton10")->isEnabled());
}

TEST_F(LongDeletionTest, StopEndsItAfterTheFileInHand)
{
    runUntilHeld();
    QTimer::singleShot(50, [&] { stuck.release(); }); // the file comes back in time
    stopAndWait();
    EXPECT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries()[0].startsWith(QString::number(kHeldAt + 1) + " duplicate files deleted. "));
    EXPECT_EQ(filesOnDisk(), results().rowCount());
    EXPECT_TRUE(child<QWidget>("PNGButton10")->isEnabled());
}

TEST_F(LongDeletionTest, StopGivesUpOnAStuckFileWithinHalfASecond)
{
    runUntilHeld();
    EXPECT_LT(stopAndWait(), 1500); // half a second, and room for a busy machine
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries()[0].startsWith(QString::number(kHeldAt) + " duplicate files deleted. "));
    EXPECT_TRUE(summaries()[0].endsWith("\n1 file could not be deleted; its row remains in the list."));
    EXPECT_TRUE(child<QWidget>("PNGButton10")->isEnabled());
    EXPECT_TRUE(child<QWidget>("PNGButton12")->isEnabled());
    EXPECT_FALSE(form->deletionThreadsEnded());

    // What the given-up thread does later never reaches the list.
    const int rows = results().rowCount();
    stuck.release();
    ASSERT_TRUE(WaitUntil([&] { return form->deletionThreadsEnded(); }));
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(results().rowCount(), rows);
    EXPECT_EQ(summaries().size(), 1u);
}

TEST_F(LongDeletionTest, ClosingWithAStuckFileKeepsListAndDiskInStep)
{
    runUntilHeld();
    form->close();
    EXPECT_FALSE(form->deletionRunning());
    EXPECT_EQ(filesOnDisk(), results().rowCount());
    EXPECT_EQ(results().rowCount(), 2 * kGroups - kHeldAt);
    // The program's exit waits for this before it ends the process anyway.
    EXPECT_FALSE(form->deletionThreadsEnded());
    stuck.release();
    EXPECT_TRUE(WaitUntil([&] { return form->deletionThreadsEnded(); }));
    EXPECT_TRUE(summaries().empty());
}
