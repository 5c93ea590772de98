// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/DirectoryReader.h"
#include "platform/FileStatus.h"
#include "platform/LocalTime.h"
#include "platform/LocaleCompare.h"
#include "platform/OpenedFile.h"
#include "platform/RemoteStorage.h"
#include "tests/support/TempTree.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
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

TEST(DirectoryReader, ListsEveryEntryOnceWithItsKindAcrossManyCallsWhateverItsName)
{
    // More entries than one call of the listing returns, with long names and
    // names that are not UTF-8.
    TempTree t;
    std::set<std::string> made;
    for (int k = 0; k < 3000; ++k) {
        const std::string name = std::string(120, 'n') + "\xff" + std::to_string(k);
        t.write(name, "");
        made.insert(name);
    }
    t.mkdir("sub");
    t.symlink(t.path("sub"), "link");
    t.fifo("pipe");
    DirectoryReader dir;
    ASSERT_TRUE(dir.open(t.root()));
    std::set<std::string> files;
    std::map<std::string, DirectoryReader::EntryType> others;
    DirectoryReader::Entry e;
    while (dir.next(e)) {
        struct stat st {
        };
        ASSERT_EQ(::fstatat(dir.fd(), e.name, &st, AT_SYMLINK_NOFOLLOW), 0) << e.name;
        EXPECT_EQ(e.inode, st.st_ino);
        if (e.type == DirectoryReader::EntryType::Regular)
            EXPECT_TRUE(files.insert(e.name).second) << e.name;
        else
            others[e.name] = e.type;
    }
    EXPECT_EQ(files, made);
    EXPECT_EQ(others,
              (std::map<std::string, DirectoryReader::EntryType>{{"link", DirectoryReader::EntryType::Other},
                                                                 {"pipe", DirectoryReader::EntryType::Other},
                                                                 {"sub", DirectoryReader::EntryType::Directory}}));
    EXPECT_FALSE(dir.next(e)); // and stays at its end

    DirectoryReader child;
    ASSERT_TRUE(child.openChild(dir, "sub"));
    EXPECT_FALSE(child.next(e));
    EXPECT_FALSE(child.openChild(dir, "link")); // never through a link
    EXPECT_FALSE(child.unreadable());
}
