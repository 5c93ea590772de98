// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/FolderListing.h"
#include "engine/FolderSize.h"
#include "platform/RemoteStorage.h"
#include "platform/VolumeSpace.h"
#include "tests/support/ScanFixture.h"

#include <cstring>
#include <sys/statvfs.h>
#include <unistd.h>

using Walk = ScanFixture;
using V = std::vector<std::string>;

TEST_F(Walk, FilterDecidesHiddenFilesCountOddFilesAreSkippedAndTheLabelShowsTime)
{
    for (auto n : {"photo.jpg", "logo.Gif", "README", "notes.txt", "image.jp", "sub/deep/x.JPG", ".hidden",
                   ".hidden-dir/inside"})
        tree.write(n, "x");
    tree.fifo("pipe"); // opening it would block
    tree.symlink(tree.path("photo.jpg"), "file-link.jpg");
    tree.symlink(tree.root(), "dir-link"); // a loop if followed
    host.filter = "*.JPG;*.GIF";
    EXPECT_EQ(walk(), (V{"image.jp", "logo.Gif", "photo.jpg", "sub/deep/x.JPG"}));
    host.filter = "*.*";
    EXPECT_EQ(walk(),
              (V{".hidden", ".hidden-dir/inside", "README", "image.jp", "logo.Gif", "notes.txt", "photo.jpg",
                 "sub/deep/x.JPG"}));
    host.filter = "";
    EXPECT_TRUE(walk().empty());
    ASSERT_FALSE(host.labels.empty());
    EXPECT_EQ(host.labels.front(), "00:00:00:12");
}

TEST_F(Walk, PathsJoinWithOneDelimiterAndMissingOrKernelFoldersAddNothing)
{
    tree.write("a/f", "x");
    ScanContext ctx(host, abortFlag);
    CandidateList list;
    CollectFiles(ctx, tree.path("a/"), list);
    CollectFiles(ctx, tree.path("a"), list);
    CollectFiles(ctx, tree.path("missing"), list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.path(0), tree.path("a/f"));
    EXPECT_EQ(list.path(1), tree.path("a/f"));
    EXPECT_EQ(list[0].identity.size, 1);
    EXPECT_TRUE(walk({"/proc"}).empty()); // kernel file systems are not entered
    EXPECT_TRUE(walk({"/sys"}).empty());
}

TEST_F(Walk, ProgressAdvancesByEachFilesShareRoundedUp)
{
    tree.write("one", "1");
    host.total = 2000;
    walk();
    EXPECT_EQ(host.position, 1);

    tree.write("one", "123");
    host.position = 0;
    walk();
    EXPECT_EQ(host.position, 2);

    host.position = 0;
    host.total = 0; // no estimate: the bar stays put and the walk goes on
    EXPECT_EQ(walk().size(), 1u);
    EXPECT_EQ(host.position, 0);
    host.total = -1;
    EXPECT_EQ(walk().size(), 1u);
    EXPECT_EQ(host.position, 0);
}

TEST_F(Walk, StopEndsEachLevelAfterItsCurrentEntry)
{
    for (int i = 0; i < 20; ++i)
        tree.write("a/b/f" + std::to_string(i), "x");
    for (int i = 0; i < 20; ++i)
        tree.write("top" + std::to_string(i), "x");
    host.stop = true;
    // Each level handles one entry before it sees the flag, so at most one
    // file comes through along the first path down.
    EXPECT_LE(walk().size(), 1u);
    EXPECT_LE(walk({tree.root(), tree.path("a")}).size(), 2u);
}

TEST(FolderSize, SumsRegularFilesFailsOnMissingFoldersAndTakesAFileSystemsUsedSpace)
{
    TempTree t;
    EXPECT_EQ(GetFolderSize(t.root()), 0);
    t.write("a", std::string(100, 'x'));
    t.write("sub/deeper/b", std::string(23, 'y'));
    t.symlink(t.path("a"), "link-to-a");     // not followed
    t.symlink(t.root(), "sub/link-to-root"); // not followed either
    t.fifo("sub/pipe");
    EXPECT_EQ(GetFolderSize(t.root()), 123);
    EXPECT_EQ(GetFolderSize(t.path("missing")), -1);

    EXPECT_TRUE(IsMountPoint("/"));
    EXPECT_GT(GetFolderSize("/"), 0);
    EXPECT_FALSE(IsMountPoint(t.root()));
    EXPECT_FALSE(IsRemoteStorage(t.root()));
    EXPECT_FALSE(IsRemoteStorage(t.path("missing")));
}

TEST(FolderSize, ARootIsStillListedWhenTheWalkWantsTheListing)
{
    // A file system root a user may write to, so that the listing has a
    // known entry to show.
    const std::string root = "/dev/shm";
    if (!IsMountPoint(root) || ::access(root.c_str(), W_OK) != 0)
        GTEST_SKIP() << root << " is no writable mount point here";
    std::string made = root + "/varnok-root-XXXXXX";
    ASSERT_NE(::mkdtemp(made.data()), nullptr);
    FolderListing listing;
    const std::int64_t size = GetFolderSize(root, nullptr, &listing);
    ::rmdir(made.c_str());
    struct statvfs vfs;
    ASSERT_EQ(::statvfs(root.c_str(), &vfs), 0);
    // The volume's used space, give or take what others did there meanwhile.
    const auto used = std::int64_t(vfs.f_blocks - vfs.f_bfree) * std::int64_t(vfs.f_frsize);
    EXPECT_NEAR(double(size), double(used), double(16 << 20));
    ASSERT_FALSE(listing.empty());
    const auto &top = listing.directory(0);
    bool found = false;
    for (std::uint64_t e = top.firstEntry; e < top.firstEntry + top.entryCount; ++e)
        found = found || (listing.name(e) == made.substr(root.size() + 1) && listing.kind(e) == FileKind::Directory);
    EXPECT_TRUE(found);
}
