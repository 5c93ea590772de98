// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Shared storage and hard links driven through the real window, on Btrfs,
// XFS and ext4 images.
#include "platform/FileStatus.h"
#include "platform/TransitNames.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"
#include "ui/FolderProtection.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdlib>
#include <fstream>

using Kind = LoopImageMount::Kind;

namespace
{

class ReclaimTest : public MainWindowFixture
{
protected:
    TempTree tree;
    std::unique_ptr<LoopImageMount> disk;
    std::string bytes = RandomBytes(200000, 3);

    const LoopImageMount &mountDisk(Kind kind)
    {
        disk = MountImage(tree, kind);
        return *disk;
    }
    // A group of `count` copies with storage of their own, oldest first.
    std::vector<std::string> group(const std::string &name, int count, const std::string &content)
    {
        std::vector<std::string> paths;
        const std::string first = tree.path("disk/" + name + "0");
        std::ofstream(first, std::ios::binary) << content;
        for (int i = 0; i < count; ++i) {
            paths.push_back(tree.path("disk/" + name + std::to_string(i)));
            if (i > 0) {
                EXPECT_EQ(std::system(("cp --reflink=never '" + first + "' '" + paths.back() + "'").c_str()), 0);
            }
            tree.setTime("disk/" + name + std::to_string(i), 1000000000 + i * 1000);
        }
        return paths;
    }
    void scan()
    {
        addFolder(tree.path("disk"));
        scanToEnd();
        dialogs.boxes.clear();
    }
    void run(const char *entry, bool answer)
    {
        dialogs.answers.push_back(answer);
        MainWindowFixture::run([&] { trigger(entry); });
    }
    // The summary's lines after the first, which tells the space.
    QString tip(int row) { return results().index(row, 0).data(Qt::ToolTipRole).toString(); }
    QStringList reasons()
    {
        if (summaries().size() != 1)
            return {"no single summary"};
        QStringList lines = summaries().front().split('\n');
        lines.removeFirst();
        return lines;
    }
};

} // namespace

TEST_F(ReclaimTest, SharingAsksFirstThenJoinsTheCheckedCopiesAndLeavesGroupsWithoutAKeptCopy)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Btrfs));
    const std::vector<std::string> photos = group("photo", 3, bytes);
    const std::vector<std::string> notes = group("note", 2, RandomBytes(9000, 4));
    scan();
    ASSERT_EQ(results().rowCount(), 5);
    results().setChecked(1, true); // both notes checked: nothing to share with

    run("ShareStorage1", false);
    EXPECT_EQ(dialogs.questions,
              QStringList{"2 files in 1 group, 390.63 KB in all, will share the storage of their group's kept copy. "
                          "Each file keeps its own name and settings; a later change to one is written apart. "
                          "Continue?"});
    EXPECT_TRUE(summaries().empty());
    EXPECT_EQ(results().rowCount(), 5);

    const FileIdentity before = StatPathNoFollow(photos[0]).identity;
    run("ShareStorage1", true);
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries().front().startsWith("2 files now share storage with their kept copy. "))
        << summaries().front().toStdString();
    EXPECT_FALSE(summaries().front().startsWith("2 files now share storage with their kept copy. 0 bytes"));
    EXPECT_EQ(reasons(),
              (QStringList{"2 files left: every copy of the group is checked: no kept copy.",
                           "The rows of the files left remain in the list."}));
    // Every file is still there, and so is its row: the joined ones unchecked,
    // their tooltips saying with what.
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{notes[0], notes[1], photos[0], photos[1], photos[2]}));
    EXPECT_FALSE(results().isChecked(2));
    EXPECT_FALSE(results().isChecked(3));
    EXPECT_TRUE(tip(2).contains("\nShares storage with " + QString::fromStdString(photos[2]))) << tip(2).toStdString();
    EXPECT_FALSE(tip(4).contains("Shares storage"));

    // A scan after it says they take no extra space, so nobody takes them for waste.
    scanToEnd();
    ASSERT_FALSE(summaries().empty());
    EXPECT_TRUE(summaries().back().contains("\n2 listed copies already share all their storage with another copy of "
                                            "their group: 390.63 KB that take no extra space."))
        << summaries().back().toStdString();
    for (const std::string &path : photos)
        EXPECT_EQ(FileContent(path), bytes);
    EXPECT_EQ(StatPathNoFollow(photos[0]).identity.inode, before.inode);
}

TEST_F(ReclaimTest, HardLinksOnXfsLeaveACopyWithAnotherModeAndSayWhy)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Xfs));
    const std::vector<std::string> photos = group("photo", 3, bytes);
    ::chmod(photos[1].c_str(), 0600);
    scan();
    run("HardLinks1", true);
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions.front(),
              "2 files in 1 group, 390.63 KB in all, will be replaced with hard links to their group's kept copy. The "
              "files become one file under several names: a change through one name shows under every name. The "
              "linked paths take the kept copy's modification time. Continue?");
    // XFS frees a last name's blocks in the background: the count waits for it.
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries().front().startsWith("1 file is now a hard link to its kept copy. 196 KB space released."))
        << summaries().front().toStdString();
    EXPECT_EQ(reasons(),
              (QStringList{"1 file left: permissions or attributes differ.",
                           "The row of the file left remains in the list."}));
    EXPECT_EQ(rowPaths(), photos);
    EXPECT_TRUE(tip(0).contains("\nA hard link to " + QString::fromStdString(photos[2])));
    EXPECT_TRUE(results().isChecked(1));
    EXPECT_FALSE(results().isChecked(0));
    EXPECT_EQ(StatPathNoFollow(photos[0]).identity.inode, StatPathNoFollow(photos[2]).identity.inode);
    EXPECT_NE(StatPathNoFollow(photos[1]).identity.inode, StatPathNoFollow(photos[2]).identity.inode);
}

TEST_F(ReclaimTest, Ext4RefusesSharingInOneLine)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4));
    group("photo", 3, bytes);
    scan();
    run("ShareStorage1", true);
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(
        summaries().front().startsWith("0 files now share storage with their kept copy. 0 bytes space released."));
    EXPECT_EQ(reasons(),
              (QStringList{"2 files left: the file system cannot share storage.",
                           "The rows of the files left remain in the list."}));
    EXPECT_EQ(results().rowCount(), 3);
}

// Each run takes what the one before did to the group as its own doing:
// linking the newest copy to the oldest, then the oldest to the middle one,
// then the newest again, never "changed since the scan".
TEST_F(ReclaimTest, ASecondActionOnAGroupTakesTheFirstOnesChangesAsItsOwn)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4));
    const std::vector<std::string> photos = group("photo", 3, bytes);
    scan();
    const auto linkChecked = [&](std::vector<bool> checked) {
        for (int row = 0; row < 3; ++row)
            results().setChecked(row, checked[std::size_t(row)]);
        dialogs.boxes.clear();
        run("HardLinks1", true);
    };
    linkChecked({false, false, true});
    EXPECT_EQ(reasons(), QStringList{});
    EXPECT_EQ(StatPathNoFollow(photos[2]).identity.inode, StatPathNoFollow(photos[0]).identity.inode);

    linkChecked({true, false, false});
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries().front().startsWith("1 file is now a hard link to its kept copy."))
        << summaries().front().toStdString();
    EXPECT_EQ(reasons(), QStringList{});
    EXPECT_EQ(StatPathNoFollow(photos[0]).identity.inode, StatPathNoFollow(photos[1]).identity.inode);

    linkChecked({false, false, true});
    EXPECT_EQ(reasons(), QStringList{});
    EXPECT_EQ(StatPathNoFollow(photos[2]).identity.inode, StatPathNoFollow(photos[1]).identity.inode);
    // Asked again: all three are one file already, done, nothing released.
    linkChecked({true, false, true});
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_EQ(summaries().front(), "2 files are now hard links to their kept copy. 0 bytes space released.");
    for (const std::string &path : photos)
        EXPECT_EQ(FileContent(path), bytes);
}

// Protected after the scan: the kept copy's folder is asked when the link
// would be made, and every copy of its group is left.
TEST_F(ReclaimTest, AKeptCopyProtectedAfterTheScanIsNeverLinkedTo)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4));
    tree.mkdir("disk/album");
    tree.mkdir("disk/backup");
    const std::string kept = tree.path("disk/album/beach.jpg");
    std::ofstream(kept, std::ios::binary) << bytes;
    tree.setTime("disk/album/beach.jpg", 1000000000);
    for (const char *name : {"disk/backup/beach.jpg", "disk/backup/beach-2.jpg"}) {
        ASSERT_EQ(std::system(("cp --reflink=never '" + kept + "' '" + tree.path(name) + "'").c_str()), 0);
        tree.setTime(name, 1000001000);
    }
    addFolder(tree.path("disk/album"));
    addFolder(tree.path("disk/backup"));
    scanToEnd();
    ASSERT_EQ(results().rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        results().setChecked(row, results().path(row) != kept);
    // The protection reaches the runs at once, the rows a moment later.
    form->folderProtection().setFolders({tree.path("disk/album")});
    dialogs.boxes.clear();
    run("HardLinks1", true);
    EXPECT_EQ(reasons(),
              (QStringList{"2 files left: their kept copy is protected: a link would let it be changed "
                           "through these paths.",
                           "The rows of the files left remain in the list."}));
    EXPECT_NE(StatPathNoFollow(tree.path("disk/backup/beach.jpg")).identity.inode,
              StatPathNoFollow(kept).identity.inode);
}

// The help page names every kind of file a step that did not finish may
// leave, by its real prefix and by what left it.
TEST(ReclaimHelp, TheHelpPageNamesEveryLeftover)
{
    QFile page(QCoreApplication::applicationDirPath() + "/varnok.html");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll()).simplified();
    for (const TransitKind &kind : kTransitKinds) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(kind.prefix.data(), qsizetype(kind.prefix.size()))))
            << kind.prefix;
        EXPECT_TRUE(text.contains(QString::fromLatin1(kind.leftByOne))) << kind.leftByOne;
    }
}
