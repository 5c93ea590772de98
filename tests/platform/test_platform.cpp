// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileStatus.h"
#include "platform/LocalTime.h"
#include "platform/LocaleCompare.h"
#include "platform/OpenedFile.h"
#include "platform/RemoteStorage.h"
#include "tests/support/TempTree.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <unistd.h>

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
