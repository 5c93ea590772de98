// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FileStatus.h"
#include "FolderListing.h"
#include "FolderSize.h"
#include "LocalTime.h"
#include "LocaleCompare.h"
#include "OpenedFile.h"
#include "PseudoFileSystems.h"
#include "RemoteStorage.h"
#include "TempTree.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/statvfs.h>
#include <unistd.h>

TEST(FolderSize, SumsRegularFilesFailsOnMissingFoldersAndTakesAFileSystemsUsedSpace)
{
    TempTree t;
    EXPECT_EQ(GetFolderSize(t.root()), 0);
    t.write("a", std::string(100, 'x'));
    t.write("sub/deeper/b", std::string(23, 'y'));
    t.symlink(t.path("a"), "link-to-a");      // not followed
    t.symlink(t.root(), "sub/link-to-root");  // not followed either
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
        found = found || (listing.name(listing.entry(e)) == made.substr(root.size() + 1) &&
                          listing.entry(e).kind == FileKind::Directory);
    EXPECT_TRUE(found);
}

TEST(PseudoFileSystems, KnowsKernelFileSystemsFromData)
{
    EXPECT_TRUE(PseudoFileSystems::isPseudoType("proc"));
    EXPECT_TRUE(PseudoFileSystems::isPseudoType("sysfs"));
    EXPECT_TRUE(PseudoFileSystems::isPseudoType("cgroup2"));
    EXPECT_FALSE(PseudoFileSystems::isPseudoType("ext4"));
    EXPECT_FALSE(PseudoFileSystems::isPseudoType("tmpfs"));
}

TEST(LocaleCompare, IgnoresCaseAndStaysTotal)
{
    LocaleCompare c;
    EXPECT_LT(c.compare("/a/apple", "/a/Banana"), 0);
    EXPECT_LT(c.compare("/a/Apple", "/a/banana"), 0);
    EXPECT_EQ(c.compare("/same", "/same"), 0);
    // Equal but for case: still ordered, and consistently so.
    const int ab = c.compare("/x/FILE", "/x/file");
    EXPECT_NE(ab, 0);
    EXPECT_EQ(c.compare("/x/file", "/x/FILE"), -ab);
    // Bytes that are not UTF-8 still compare.
    EXPECT_NE(c.compare("/x/\xff", "/x/\xfe"), 0);
}

TEST(LocalTime, WritesYearToSecondWithoutFractions)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(LocalTimeText(0), "1970/01/01 00:00:00");
    EXPECT_EQ(LocalTimeText(1700000000LL * 1000000000 + 999999999), "2023/11/14 22:13:20");
}

TEST(OpenedFile, AFailedReadKeepsItsReasonAndAnEarlyEndHasNone)
{
    TempTree t;
    OpenedFile f;
    ASSERT_TRUE(f.open(t.write("f", "hello")));
    char buf[5];
    EXPECT_EQ(f.readAt(-1, buf, 5), -1); // a negative offset: the kernel refuses it
    EXPECT_EQ(f.readError(), EINVAL);
    EXPECT_FALSE(f.readFullyAt(-1, buf, 5));
    EXPECT_EQ(f.readError(), EINVAL);
    EXPECT_EQ(f.readAt(0, buf, 5), 5);
    EXPECT_EQ(f.readError(), 0);
    EXPECT_FALSE(f.readFullyAt(3, buf, 5)); // ends early: no error of the file
    EXPECT_EQ(f.readError(), 0);
}

TEST(OpenedFile, RefusesFilesThatAreNotWhatWasSeen)
{
    TempTree t;
    const std::string path = t.write("f", "hello");
    OpenedFile probe;
    ASSERT_TRUE(probe.open(path));
    struct stat st;
    ASSERT_EQ(::fstat(probe.fd(), &st), 0);
    const PathStatus seen = FromStat(st);
    probe.close();

    OpenedFile f;
    EXPECT_EQ(f.open(path, seen.identity, seen.owner), OpenedFile::Outcome::Opened);
    char buf[5];
    EXPECT_TRUE(f.readFullyAt(0, buf, 5));
    EXPECT_FALSE(f.readFullyAt(1, buf, 5)); // past the end
    f.close();

    t.write("f", "hello, longer");
    EXPECT_EQ(f.open(path, seen.identity, seen.owner), OpenedFile::Outcome::Changed);
    EXPECT_EQ(f.open(t.path("gone"), seen.identity, seen.owner), OpenedFile::Outcome::Failed);

    t.fifo("pipe");
    EXPECT_FALSE(f.open(t.path("pipe"))); // does not block, is not a file
    t.symlink(path, "link");
    EXPECT_FALSE(f.open(t.path("link")));
}
