// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FolderHandle.h"
#include "platform/MountTable.h"
#include "tests/support/ScarceDescriptors.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

namespace fs = std::filesystem;

namespace
{

std::uint64_t DeviceOf(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}

std::string Real(const std::string &path)
{
    return fs::canonical(path).string();
}

} // namespace

TEST(MountTable, ReadsMountinfoLinesWithEscapesAndOptionalFields)
{
    std::istringstream text("26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                            "30 26 8:17 / /media/usb\\040stick rw shared:4 master:1 - vfat /dev/sdb1 rw\n"
                            "not a mount line\n"
                            "32 26 x:y / /bad rw - ext4 /dev/x rw\n"
                            "33 26 0:50 / /no-separator rw\n"
                            "31 26 8:17 /sub /srv/a\\134b\\011c\\012d\\04 rw - vfat /dev/sdb1 rw\n");
    const MountTable table = MountTable::parse(text);
    ASSERT_EQ(table.mounts().size(), 3u);
    EXPECT_EQ(table.mounts()[0].device, makedev(254, 0));
    EXPECT_EQ(table.mounts()[0].id, 26u);
    EXPECT_EQ(table.mounts()[0].root, "/");
    EXPECT_EQ(table.mounts()[2].root, "/sub");
    EXPECT_EQ(table.byId(31), &table.mounts()[2]);
    EXPECT_EQ(table.byId(99), nullptr);
    EXPECT_EQ(table.mounts()[0].mountPoint, "/");
    EXPECT_EQ(table.mounts()[0].fsType, "ext4");
    EXPECT_EQ(table.mounts()[1].mountPoint, "/media/usb stick");
    EXPECT_EQ(table.mounts()[1].fsType, "vfat");
    EXPECT_EQ(table.mounts()[2].mountPoint, "/srv/a\\b\tc\nd\\04"); // a cut escape stays as written

    const auto usb = table.onDevice(makedev(8, 17));
    ASSERT_EQ(usb.size(), 2u);
    EXPECT_EQ(usb[0]->mountPoint, "/media/usb stick");
    EXPECT_EQ(usb[1]->mountPoint, "/srv/a\\b\tc\nd\\04");
    EXPECT_TRUE(table.onDevice(makedev(8, 18)).empty());
}

// What a mount shows again: an overlay's layers (colons and commas in names
// escaped), a passthrough's source when it is a folder, a union's branches;
// nothing for a share or a disk, nor for a path relative to who mounted it.
TEST(MountTable, SourceFoldersAreTheLayersAndFoldersAMountShowsAgain)
{
    TempTree tree;
    const std::string a = tree.mkdir("a"), b = tree.mkdir("b");
    std::istringstream text("40 26 0:50 / /ov rw - overlay overlay "
                            "rw,lowerdir=/l/one:/l/t\\134:wo:rel,upperdir=/u/p\\054q,workdir=/w\n"
                            "41 26 0:51 / /ov2 rw - overlay overlay rw,lowerdir+=/x,lowerdir+=/y,datadir+=/d\n"
                            "42 26 0:52 / /bfs ro - fuse "
                            + a + " ro,user_id=0\n" + "43 26 0:53 / /mfs rw - fuse.mergerfs " + a + ":" + b
                            + " rw\n"
                              "44 26 0:54 / /ssh rw - fuse.sshfs me@host:/home/me rw\n"
                              "45 26 8:1 / /usb rw - ext4 /dev/sdb1 rw\n"
                              "46 26 0:55 / /gone rw - fuse "
                            + a + "/missing rw\n");
    const MountTable table = MountTable::parse(text);
    ASSERT_EQ(table.mounts().size(), 7u);
    EXPECT_EQ(table.mounts()[0].source, "overlay");
    using V = std::vector<std::string>;
    EXPECT_EQ(MountTable::sourceFolders(table.mounts()[0]), (V{"/l/one", "/l/t:wo", "/u/p,q"}));
    EXPECT_EQ(MountTable::sourceFolders(table.mounts()[1]), (V{"/x", "/y", "/d"}));
    EXPECT_EQ(MountTable::sourceFolders(table.mounts()[2]), V{a});
    EXPECT_EQ(MountTable::sourceFolders(table.mounts()[3]), (V{a, b}));
    for (std::size_t k : {4u, 5u, 6u})
        EXPECT_TRUE(MountTable::sourceFolders(table.mounts()[k]).empty()) << table.mounts()[k].mountPoint;
}

TEST(MountTable, RealPathOfAnOpenFolderResolvesLinksAndForgetsRemovedFolders)
{
    TempTree tree;
    tree.mkdir("target/inner");
    tree.symlink(tree.path("target"), "link");
    FolderHandle folder;
    ASSERT_EQ(folder.open(tree.path("link/inner")), 0);
    EXPECT_EQ(MountTable::realPathOf(folder.fd()), Real(tree.path("target/inner")));
    fs::remove(tree.path("target/inner"));
    EXPECT_EQ(MountTable::realPathOf(folder.fd()), "");
}

TEST(MountTable, TopIsTheDeepestMountOfTheDeviceElseTheHighestFolderOnIt)
{
    TempTree tree;
    tree.mkdir("outer/inner/deep");
    tree.mkdir("bound");
    tree.mkdir("tmpfs");
    TestMount bound(tree.path("bound"), tree.path("outer"));
    TestMount tmpfs(tree.path("tmpfs"));
    if (!bound.made() || !tmpfs.made())
        GTEST_SKIP() << "making mounts needs root";
    tree.mkdir("tmpfs/a/b");
    const MountTable table = MountTable::read();
    const MountTable unknown; // as for a device whose files report another number

    // A bind mount shares its device with its surroundings: only the table
    // tells where it starts.
    const std::string viaBind = Real(tree.path("bound/inner/deep"));
    const std::uint64_t disk = DeviceOf(viaBind);
    const std::string diskTop = table.topOf(Real(tree.root()), disk);
    EXPECT_EQ(table.topOf(viaBind, disk), Real(tree.path("bound")));
    EXPECT_EQ(table.topOf(Real(tree.path("outer/inner")), disk), diskTop);
    EXPECT_EQ(unknown.topOf(viaBind, disk), diskTop);

    const std::string onTmpfs = Real(tree.path("tmpfs/a/b"));
    const std::uint64_t memory = DeviceOf(onTmpfs);
    EXPECT_EQ(table.topOf(onTmpfs, memory), Real(tree.path("tmpfs")));
    EXPECT_EQ(unknown.topOf(onTmpfs, memory), Real(tree.path("tmpfs")));
    EXPECT_EQ(table.topOf(Real(tree.path("tmpfs")), memory), Real(tree.path("tmpfs")));
    EXPECT_EQ(table.topOf("", memory), "");
}

TEST(MountTable, IsReadWholeThroughAShortageOfDescriptors)
{
    // An empty table would make every bind mount the user's.
    const std::size_t mounts = MountTable::read().mounts().size();
    ASSERT_GT(mounts, 0u);
    ScarceDescriptors scarce(128, 0);
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        scarce.giveBack(4);
    });
    const std::size_t read = MountTable::read().mounts().size();
    later.join();
    EXPECT_EQ(read, mounts);
}
