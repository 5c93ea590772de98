// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Copies that already share all their storage are told apart in the scan's
// summary, on the file systems where files can share it, and asked of
// nowhere else.
#include "engine/ScanTexts.h"
#include "engine/StorageProfiles.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScanFixture.h"

#include <cstdlib>
#include <fstream>

namespace
{

using Kind = LoopImageMount::Kind;

class SharedCopiesTest : public ScanFixture, public ::testing::WithParamInterface<Kind>
{
};
using SharedCopiesApart = ScanFixture;

void Copy(const std::string &from, const std::string &to, const char *reflink)
{
    EXPECT_EQ(std::system(("cp --reflink=" + std::string(reflink) + " '" + from + "' '" + to + "'").c_str()), 0);
}

} // namespace

TEST_P(SharedCopiesTest, TheSummaryTellsCopiesThatTakeNoExtraSpace)
{
    const auto disk = MountImage(tree, GetParam());
    SKIP_UNLESS_IMAGE(*disk);
    const std::string bytes = RandomBytes(1 << 20, 4);
    std::ofstream(tree.path("disk/photo.jpg"), std::ios::binary) << bytes;
    const bool shares = GetParam() != Kind::Ext4;
    // Two copies sharing the first one's storage (as sharing leaves them),
    // one with its own, and a pair apart sharing with each other only.
    Copy(tree.path("disk/photo.jpg"), tree.path("disk/shared1.jpg"), shares ? "always" : "never");
    Copy(tree.path("disk/photo.jpg"), tree.path("disk/shared2.jpg"), shares ? "always" : "never");
    Copy(tree.path("disk/photo.jpg"), tree.path("disk/own.jpg"), "never");
    std::ofstream(tree.path("disk/note.txt"), std::ios::binary) << RandomBytes(70000, 5);
    Copy(tree.path("disk/note.txt"), tree.path("disk/note-copy.txt"), shares ? "always" : "never");
    ::sync();

    scan({tree.path("disk")});
    ASSERT_EQ(host.rows.size(), 6u);
    if (!shares) {
        EXPECT_EQ(host.lastSummary.sharedCopies, 0);
        EXPECT_EQ(SummaryNotes(host.lastSummary), "");
        return;
    }
    EXPECT_EQ(host.lastSummary.sharedCopies, 3);
    EXPECT_EQ(host.lastSummary.sharedBytes, 2 * (1 << 20) + 70000);
    EXPECT_EQ(SummaryNotes(host.lastSummary),
              "\n3 listed copies already share all their storage with another copy "
              "of their group: 2.07 MB that take no extra space.");
}

INSTANTIATE_TEST_SUITE_P(Images, SharedCopiesTest, ::testing::Values(Kind::Btrfs, Kind::Xfs, Kind::Ext4),
                         ImageCaseName);

// The extent maps are asked only where the file system can share storage:
// its kind comes with the call that tells a share from a local disk.
TEST(SharedCopies, OnlyFileSystemsThatShareStorageAreAsked)
{
    StorageProfiles profiles;
    const PathStatus here = StatPath("/proc/self");
    profiles.ofPath("/proc/self", here.identity.device);
    EXPECT_FALSE(profiles.sharesStorage(here.identity.device));
    EXPECT_TRUE(TraitsOfFileSystemType(0x9123683E).sharesStorage); // Btrfs
    EXPECT_TRUE(TraitsOfFileSystemType(0x9123683E).keepsSnapshots);
    EXPECT_TRUE(TraitsOfFileSystemType(0x58465342).sharesStorage); // XFS
    EXPECT_FALSE(TraitsOfFileSystemType(0x58465342).keepsSnapshots);
    EXPECT_FALSE(TraitsOfFileSystemType(0xEF53).sharesStorage);     // ext4
    EXPECT_FALSE(TraitsOfFileSystemType(0x01021994).sharesStorage); // tmpfs
}

// A copy sharing its storage with a file outside its group (a reflink of a
// file not searched) takes space of its group all the same, wherever it
// stands in the group.
TEST_F(SharedCopiesApart, StorageSharedOnlyWithFilesOutsideTheGroupIsNotCounted)
{
    const auto disk = MountImage(tree, Kind::Btrfs);
    SKIP_UNLESS_IMAGE(*disk);
    tree.mkdir("disk/in");
    tree.mkdir("disk/out");
    for (const char *group : {"last", "first"}) {
        const std::string original = tree.path(std::string("disk/out/") + group);
        std::ofstream(original, std::ios::binary) << RandomBytes(1 << 20, group[0]);
        // Named so that the shared one comes last, or first, in its group.
        const bool last = group[0] == 'l';
        const std::string name = tree.path(std::string("disk/in/") + group);
        Copy(original, name + (last ? "-c" : "-a"), "always");
        Copy(original, name + (last ? "-a" : "-c"), "never");
        Copy(original, name + "-b", "never");
    }
    ::sync();
    scan({tree.path("disk/in")});
    ASSERT_EQ(host.rows.size(), 6u);
    EXPECT_EQ(host.lastSummary.sharedCopies, 0);
}
