// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Shared storage and hard links driven through the real window, on Btrfs,
// XFS and ext4 images.
#include "platform/FileStatus.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"

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

    bool mountDisk(Kind kind)
    {
        tree.mkdir("disk");
        disk = std::make_unique<LoopImageMount>(kind, tree.path("disk.img"), tree.path("disk"));
        return disk->made();
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
        trigger(entry);
        ASSERT_TRUE(WaitUntil([&] { return !form->deletionRunning(); }));
    }
    // The summary's lines after the first, which tells the space.
    QStringList reasons()
    {
        if (summaries().size() != 1)
            return {"no single summary"};
        QStringList lines = summaries().front().split('\n');
        lines.removeFirst();
        return lines;
    }
};

#define SKIP_UNLESS(made)                                                                                              \
    if (!(made))                                                                                                       \
    GTEST_SKIP() << "no image file system: " << disk->reason()

} // namespace

TEST_F(ReclaimTest, SharingAsksFirstThenJoinsTheCheckedCopiesAndLeavesGroupsWithoutAKeptCopy)
{
    SKIP_UNLESS(mountDisk(Kind::Btrfs));
    const std::vector<std::string> photos = group("photo", 3, bytes);
    const std::vector<std::string> notes = group("note", 2, RandomBytes(9000, 4));
    scan();
    ASSERT_EQ(results().rowCount(), 5);
    results().setChecked(1, true); // both notes checked: nothing to share with

    run("ShareStorage1", false);
    EXPECT_EQ(dialogs.questions,
              QStringList{"2 files in 1 groups, 390.63 KB in all, will share the storage of their group's kept copy. "
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
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{notes[0], notes[1], photos[2]}));
    for (const std::string &path : photos)
        EXPECT_EQ(FileContent(path), bytes);
    EXPECT_EQ(StatPathNoFollow(photos[0]).identity.inode, before.inode);
}

TEST_F(ReclaimTest, HardLinksOnXfsLeaveACopyWithAnotherModeAndSayWhy)
{
    SKIP_UNLESS(mountDisk(Kind::Xfs));
    const std::vector<std::string> photos = group("photo", 3, bytes);
    ::chmod(photos[1].c_str(), 0600);
    scan();
    run("HardLinks1", true);
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions.front().startsWith(
        "2 files in 1 groups, 390.63 KB in all, will be replaced with hard links"));
    // XFS frees a last name's blocks in the background: the count waits for it.
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries().front().startsWith("1 files are now hard links to their kept copy. 196 KB space released."))
        << summaries().front().toStdString();
    EXPECT_EQ(reasons(),
              (QStringList{"1 file left: owner or permissions differ from the kept copy's.",
                           "The rows of the files left remain in the list."}));
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{photos[1], photos[2]}));
    EXPECT_EQ(StatPathNoFollow(photos[0]).identity.inode, StatPathNoFollow(photos[2]).identity.inode);
    EXPECT_NE(StatPathNoFollow(photos[1]).identity.inode, StatPathNoFollow(photos[2]).identity.inode);
}

TEST_F(ReclaimTest, Ext4RefusesSharingInOneLine)
{
    SKIP_UNLESS(mountDisk(Kind::Ext4));
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
