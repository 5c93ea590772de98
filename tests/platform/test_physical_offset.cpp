// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/PhysicalOffset.h"
#include "tests/support/Ext4ImageMount.h"
#include "tests/support/FuseMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace
{

constexpr std::size_t kBlock = 4096;

// Writes the bytes at `at`, a hole before them, and puts them on the disk:
// a file system may give data its place only at writeback.
std::string WriteSynced(TempTree &tree, const std::string &name, const std::string &bytes, off_t at = 0)
{
    const std::string path = tree.write(name, "");
    const int fd = ::open(path.c_str(), O_WRONLY);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    EXPECT_EQ(::fsync(fd), 0);
    ::close(fd);
    return path;
}

} // namespace

TEST(PhysicalOffset, ADiskFileTellsWhereItsFirstDataLies)
{
    TempTree tree;
    const std::string first = WriteSynced(tree, "first", RandomBytes(8192, 11));
    const std::string second = WriteSynced(tree, "second", RandomBytes(8192, 12));
    const auto at = FirstPhysicalOffset(first);
    struct statfs fs;
    if (!at && ::statfs(first.c_str(), &fs) == 0 && fs.f_type == TMPFS_MAGIC)
        GTEST_SKIP() << "the temporary folder is on tmpfs, which keeps no places";
    ASSERT_TRUE(at);
    const auto other = RealPhysicalOffsets()(second);
    ASSERT_TRUE(other);
    EXPECT_NE(*at, *other);
    const int fd = ::open(first.c_str(), O_RDONLY);
    EXPECT_EQ(FirstPhysicalOffset(fd), at);
    ::close(fd);
}

// On an image of a file system, the image holds the file's bytes at the
// offset given, also when the file begins with a hole.
TEST(PhysicalOffset, TheOffsetIsWhereTheDeviceHoldsTheFilesBytes)
{
    TempTree tree;
    tree.mkdir("disk");
    Ext4ImageMount disk(tree.path("image"), tree.path("disk"));
    if (!disk.made())
        GTEST_SKIP() << "no ext4 image can be mounted here (needs root, mkfs.ext4 and a loop device)";
    const std::string head = RandomBytes(64 * 1024, 13), late = RandomBytes(64 * 1024, 14);
    const auto whole = FirstPhysicalOffset(WriteSynced(tree, "disk/whole", head));
    const auto afterHole = FirstPhysicalOffset(WriteSynced(tree, "disk/after-hole", late, 1 << 20));
    ASSERT_TRUE(whole && afterHole);
    const std::string image = tree.read("image");
    for (const auto &[offset, bytes] : {std::pair{*whole, head}, std::pair{*afterHole, late}}) {
        ASSERT_LE(offset + kBlock, image.size());
        EXPECT_TRUE(image.compare(offset, kBlock, bytes, 0, kBlock) == 0) << "not the file's bytes at " << offset;
    }
}

TEST(PhysicalOffset, NoneWithoutDataOrForWhatIsNoRegularFile)
{
    TempTree tree;
    EXPECT_FALSE(FirstPhysicalOffset(WriteSynced(tree, "empty", "")));
    EXPECT_FALSE(FirstPhysicalOffset(tree.mkdir("folder")));
    EXPECT_FALSE(FirstPhysicalOffset(tree.path("missing")));
    EXPECT_FALSE(FirstPhysicalOffset(-1));
}

// Callers fall back to inode numbers there.
TEST(PhysicalOffset, MountsThatKeepPlacesToThemselvesGiveNone)
{
    SKIP_UNLESS_FUSE();
    TempTree tree;
    WriteSynced(tree, "src/data", RandomBytes(8192, 13));
    tree.mkdir("fuse");
    tree.mkdir("tmpfs");
    FuseMount fuse(tree.path("src"), tree.path("fuse"));
    TestMount tmpfs(tree.path("tmpfs"));
    ASSERT_TRUE(fuse.mounted() && tmpfs.made());
    EXPECT_FALSE(FirstPhysicalOffset(tree.path("fuse/data")));
    EXPECT_FALSE(FirstPhysicalOffset(WriteSynced(tree, "tmpfs/data", RandomBytes(8192, 13))));
}
