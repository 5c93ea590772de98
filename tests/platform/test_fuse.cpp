// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileStatus.h"
#include "platform/OpenedFile.h"
#include "tests/support/FuseMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"

#include <future>
#include <gtest/gtest.h>

// The test server, and what a status from the server tells that the
// attribute cache does not.
TEST(FuseMount, PassesFilesThroughAndOnlyAFreshStatusSeesTheServersChange)
{
    SKIP_UNLESS_FUSE();
    TempTree tree;
    tree.write("src/grows", RandomBytes(300 * 1024, 7));
    tree.write("src/gone", "delete me");
    tree.mkdir("mnt");
    tree.mkdir("ro");
    FuseMount::Options options;
    options.attrTimeout = 600; // the cache outlives the test
    FuseMount writable(tree.path("src"), tree.path("mnt"), options);
    options.changeAfterFirstRead = "grows";
    options.grow = true;
    options.readOnly = true;
    FuseMount mount(tree.path("src"), tree.path("ro"), options);
    ASSERT_TRUE(mount.mounted() && writable.mounted());

    const std::string path = tree.path("ro/grows");
    const PathStatus seen = StatPathNoFollow(path);
    EXPECT_EQ(seen.identity.inode, StatPathNoFollow(tree.path("src/grows")).identity.inode);
    OpenedFile f;
    ASSERT_EQ(f.open(path, seen.identity, seen.owner), OpenedFile::Outcome::Opened);
    char byte;
    ASSERT_TRUE(f.readFullyAt(0, &byte, 1));
    EXPECT_TRUE(f.unchangedSince(seen.identity));
    EXPECT_FALSE(f.unchangedSince(seen.identity, true));

    EXPECT_EQ(::unlink(tree.path("mnt/gone").c_str()), 0);
    EXPECT_FALSE(PathExists(tree.path("src/gone")));
}

TEST(FuseMount, HungCallsEndWhenTheMountGoes)
{
    SKIP_UNLESS_FUSE();
    TempTree tree;
    tree.write("src/stuck", "never comes");
    tree.write("src/frozen", "no status either");
    tree.mkdir("mnt");
    FuseMount::Options options;
    options.hangRead = "stuck";
    options.hangGetattr = "frozen";
    FuseMount mount(tree.path("src"), tree.path("mnt"), options);
    ASSERT_TRUE(mount.mounted());
    auto read = std::async(std::launch::async, [&] { return FileContent(tree.path("mnt/stuck")); });
    auto status = std::async(std::launch::async, [&] { return StatPathNoFollow(tree.path("mnt/frozen")); });
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_EQ(status.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    mount.unmount();
    EXPECT_EQ(read.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(status.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}
