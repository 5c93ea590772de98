// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FolderListing.h"
#include "FolderSize.h"
#include "ScanFixture.h"

#include <cstring>

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
    EXPECT_EQ(walk(), (V{".hidden", ".hidden-dir/inside", "README", "image.jp", "logo.Gif", "notes.txt", "photo.jpg",
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

TEST_F(Walk, AListingTakenWhileMeasuringWalksLikeTheDisk)
{
    for (auto n : {"a.jpg", "b/c.txt", "b/d/e.JPG", "b/d/f", ".h/g.jpg", "z"})
        tree.write(n, std::string(std::strlen(n), 'x'));
    tree.fifo("b/pipe");
    tree.symlink(tree.root(), "b/loop");
    // Folders wide enough that their statuses are read in several slices,
    // by several threads, interleaved.
    std::int64_t wide = 0;
    for (int f = 0; f < 3; ++f)
        for (int k = 0; k < 70; ++k) {
            const std::string name = "wide" + std::to_string(f) + "/" + std::to_string(k) + ".txt";
            tree.write(name, std::string(std::size_t(k), 'w'));
            wide += k;
        }
    host.filter = "*.JPG;*.TXT";
    FolderListing listing;
    EXPECT_EQ(GetFolderSize(tree.root(), nullptr, &listing), 5 + 7 + 9 + 5 + 8 + 1 + wide);

    ScanContext ctx(host, abortFlag);
    CandidateList live, listed;
    CollectFiles(ctx, tree.root(), live);
    CollectFiles(ctx, tree.root(), listed, &listing);
    ASSERT_EQ(live.size(), 4u + 3 * 70);
    ASSERT_EQ(listed.size(), live.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        EXPECT_EQ(listed.path(i), live.path(i));
        EXPECT_EQ(listed[i].identity, live[i].identity);
    }
}
