// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileStatus.h"
#include "platform/FileSystemType.h"
#include "platform/FolderEntries.h"
#include "platform/FolderHandle.h"
#include "platform/RealPath.h"
#include "tests/support/TempTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <unistd.h>

namespace
{

class FolderEntries : public ::testing::Test
{
protected:
    TempTree tree;
    FolderHandle folder;

    void SetUp() override
    {
        tree.write("file", "0123456789");
        tree.mkdir("sub");
        tree.symlink("file", "link");
        tree.symlink("a-much-longer-target-name", "long-link");
        tree.fifo("fifo");
        ASSERT_EQ(folder.open(tree.root()), 0);
    }
};

} // namespace

TEST_F(FolderEntries, TellsWhatAnEntryIsWithoutFollowingALink)
{
    EXPECT_EQ(EntryKindAt(folder.fd(), "file"), EntryKind::Regular);
    EXPECT_EQ(EntryKindAt(folder.fd(), "sub"), EntryKind::Directory);
    EXPECT_EQ(EntryKindAt(folder.fd(), "link"), EntryKind::Link);
    EXPECT_EQ(EntryKindAt(folder.fd(), "fifo"), EntryKind::Other);
    EXPECT_EQ(EntryKindAt(folder.fd(), "missing"), EntryKind::Missing);
}

TEST_F(FolderEntries, ReadsAtMostTheStartOfAFileAndNothingThroughALinkOrFromAFifo)
{
    EXPECT_EQ(ReadStartAt(folder.fd(), "file", 4), "0123");
    EXPECT_EQ(ReadStartAt(folder.fd(), "file", 1000), "0123456789");
    EXPECT_EQ(ReadStartAt(folder.fd(), "link", 1000), "");
    EXPECT_EQ(ReadStartAt(folder.fd(), "missing", 1000), "");
    EXPECT_EQ(ReadStartAt(folder.fd(), "fifo", 1000), ""); // no writer: no wait either
}

TEST_F(FolderEntries, GivesALinksTargetCutToTheLengthAsked)
{
    EXPECT_EQ(LinkTargetAt(folder.fd(), "link", 100), "file");
    EXPECT_EQ(LinkTargetAt(folder.fd(), "long-link", 8), "a-much-l");
    EXPECT_EQ(LinkTargetAt(folder.fd(), "file", 100), "");
}

TEST_F(FolderEntries, OpensTheFolderAboveUpToTheRoot)
{
    FolderHandle sub;
    ASSERT_EQ(sub.open(tree.path("sub")), 0);
    FolderHandle above(OpenFolderAbove(sub.fd()));
    ASSERT_TRUE(above.isOpen());
    EXPECT_EQ(StatAt(above.fd(), "").identity.inode, StatAt(folder.fd(), "").identity.inode);
    FolderHandle root;
    ASSERT_EQ(root.open("/"), 0);
    FolderHandle aboveRoot(OpenFolderAbove(root.fd()));
    ASSERT_TRUE(aboveRoot.isOpen());
    EXPECT_EQ(StatAt(aboveRoot.fd(), "").identity.inode, StatAt(root.fd(), "").identity.inode);
    EXPECT_EQ(OpenFolderAbove(-1), -1);
}

TEST_F(FolderEntries, RealPathsResolveLinksAndDotsAndLeadNowhereForMissingPaths)
{
    const std::string root = RealPath(tree.root());
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(RealPath(tree.path("link")), root + "/file");
    EXPECT_EQ(RealPath(tree.path("sub/../sub/.")), root + "/sub");
    EXPECT_EQ(RealPath(tree.path("missing")), "");
}

TEST_F(FolderEntries, TellsAFileSystemsTypeOrNothing)
{
    const int proc = ::open("/proc/self", O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(proc, 0);
    EXPECT_EQ(FileSystemMagic(proc), PROC_SUPER_MAGIC);
    ::close(proc);
    EXPECT_EQ(FileSystemMagic(-1), 0);
}
