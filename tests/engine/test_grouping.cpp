// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CRC32Pas.h"
#include "engine/ContentGrouper.h"
#include "engine/FileCRC32.h"
#include "tests/support/FuseMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScanFixture.h"

#include <fcntl.h>
#include <map>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Grouping = ScanFixture;
using V = std::vector<std::string>;

TEST_F(Grouping, CopiesFollowTimeThenPathAndTheKeepRuleAndCarryWhatTheScanSaw)
{
    tree.write("new", "same");
    tree.write("old", "same");
    tree.write("other", "diff");
    tree.setTime("new", 2000000000);
    tree.setTime("old", 1000000000);
    for (auto n : {"c", "B", "a"}) { // same time: path order, ignoring case
        tree.write(n, "dup");
        tree.setTime(n, 1500000000);
    }
    tree.write("caf\xe9-1", "payload"); // names that are not UTF-8 group by their bytes
    tree.write("caf\xe9-2", "payload");
    tree.fifo("pipe"); // and a FIFO does not hang the scan
    scan();
    EXPECT_EQ(rows(), (V{"1:a", "1:B", "1:c", "2:old", "2:new", "3:caf\xe9-1", "3:caf\xe9-2"}));
    EXPECT_EQ(std::vector<bool>({host.rows[3].checked, host.rows[4].checked}), std::vector<bool>({true, false}));
    EXPECT_EQ(host.summaries, 1);
    EXPECT_EQ(host.summaryGroups, 3);
    EXPECT_EQ(host.summaryRows, 7);
    EXPECT_EQ(host.maximum, 8); // progress ends at the number of candidates
    EXPECT_EQ(host.position, 8);

    struct stat st;
    ASSERT_EQ(::lstat(host.rows[3].path.c_str(), &st), 0);
    EXPECT_EQ(host.rows[3].identity.inode, st.st_ino);
    EXPECT_EQ(host.rows[3].identity.device, st.st_dev);
    EXPECT_EQ(host.rows[3].identity.size, 4);
    EXPECT_EQ(host.rows[3].identity.mtimeNs, std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);

    host.rows.clear();
    host.rule = KeepRule::CheckNewer; // keep the oldest instead
    scan();
    EXPECT_EQ(std::vector<bool>({host.rows[3].checked, host.rows[4].checked}), std::vector<bool>({false, true}));
}

// The time itself orders copies, not the whole seconds it is shown in.
TEST_F(Grouping, CopiesWithinOneSecondFollowTheirNanoseconds)
{
    const std::pair<const char *, long> copies[] = {{"a", 700000000}, {"b", 200000000}};
    for (const auto &[name, ns] : copies) {
        tree.write(name, "same");
        const struct timespec times[2] = {{1500000000, ns}, {1500000000, ns}};
        ASSERT_EQ(::utimensat(AT_FDCWD, tree.path(name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    scan();
    EXPECT_EQ(rows(), (V{"1:b", "1:a"}));
    EXPECT_EQ(std::vector<bool>({host.rows[0].checked, host.rows[1].checked}), std::vector<bool>({true, false}));
}

TEST_F(Grouping, EveryCopyIsFoundWhereverItSortsAndGroupsFollowSizeThenPath)
{
    // x, x, y, x and x, x, y, y in path order, all of one size; case is ignored in path order.
    for (const auto &[name, content] : {std::pair<const char *, const char *>{"a1", "xxxx"},
                                        {"a2", "xxxx"},
                                        {"a3", "yyyy"},
                                        {"a4", "xxxx"},
                                        {"b1", "ppppp"},
                                        {"b2", "ppppp"},
                                        {"b3", "qqqqq"},
                                        {"b4", "qqqqq"},
                                        {"B0", "qqqqq"},
                                        {"empty1", ""},
                                        {"empty2", ""}}) {
        tree.write(name, content);
        tree.setTime(name, 1500000000); // one time: copies follow path order
    }
    scan();
    EXPECT_EQ(rows(), (V{"1:empty1", "1:empty2", "2:a1", "2:a2", "2:a4", "3:B0", "3:b3", "3:b4", "4:b1", "4:b2"}));
    EXPECT_EQ(host.summaryGroups, 4);
}

TEST_F(Grouping, EqualChecksumIsNotEnough)
{
    // b differs from a by a pattern whose CRC is zero, so both share size and CRC.
    const std::string a = RandomBytes(5000, 1);
    std::string d = RandomBytes(996, 2);
    std::uint32_t r = UpdateCRC32(0, d.data(), std::int32_t(d.size()));
    for (int k = 0; k < 4; ++k)
        d.push_back(char((r >> (8 * k)) & 0xFF));
    std::string b = a;
    for (std::size_t i = 0; i < d.size(); ++i)
        b[1000 + i] ^= d[i];
    ASSERT_NE(a, b);
    ASSERT_EQ(FileCRC32(tree.write("a", a)), FileCRC32(tree.write("b", b)));
    tree.write("c", a);
    scan();
    EXPECT_EQ(rows(), (V{"1:a", "1:c"}));
    EXPECT_EQ(FileCRC32(tree.path("a")), FileCRC32(tree.path("c")));
}

TEST_F(Grouping, TheSameFileIsNeverItsOwnCopy)
{
    tree.write("d/only", "lonely content");
    tree.write("d/sub/single", "another lonely one");
    tree.write("h/orig", "linked");
    tree.hardlink("h/orig", "h/link");
    // Listed twice, listed with its own subfolder, and hard links.
    scan({tree.path("d"), tree.path("d"), tree.path("d/sub"), tree.path("h")});
    EXPECT_TRUE(host.rows.empty());
    EXPECT_EQ(candidates, 3u);
    EXPECT_EQ(host.summaryGroups, 0);
}

TEST_F(Grouping, FilesThatVanishOrChangeAfterTheWalkAreLeftOut)
{
    tree.write("keep1", "same-content");
    tree.write("keep2", "same-content");
    tree.write("gone", "same-content");
    tree.write("changed", "same-content");
    tree.write("swapped", "same-content");
    ScanContext ctx(host, abortFlag);
    CandidateList list;
    CollectFiles(ctx, tree.root(), list);
    ::unlink(tree.path("gone").c_str());
    tree.setTime("changed", 1234567890); // same bytes, new time
    ::unlink(tree.path("swapped").c_str());
    tree.symlink(tree.path("keep1"), "swapped");
    SortCandidates(list);
    FindDuplicateGroups(ctx, list);
    EXPECT_EQ(rows(), (V{"1:keep1", "1:keep2"}));
}

std::int64_t AccessTime(const std::string &path)
{
    struct stat st {
    };
    ::stat(path.c_str(), &st);
    return st.st_atim.tv_sec;
}

TEST_F(Grouping, AsAnOrdinaryUserUnreadableFilesNeverGroupAndOwnAccessTimesStay)
{
    tree.write("r1", "data");
    tree.write("r2", "data");
    tree.write("r3", "data");
    tree.write("locked/inside", "data");
    ::chmod(tree.root().c_str(), 0755);
    ::chmod(tree.path("r2").c_str(), 0);
    ::chmod(tree.path("locked").c_str(), 0);
    // Root reads every file, so the scan runs as an ordinary user here.
    const bool asRoot = ::geteuid() == 0;
    // The user's own copies, read after others' files: the kernel refuses to
    // keep the access times of those, never of these. An access time older
    // than the change is one that reading would renew.
    for (const char *mine : {"mine1", "mine2"}) {
        tree.write(mine, "mine, larger");
        if (asRoot) {
            ASSERT_EQ(::chown(tree.path(mine).c_str(), 65534, 65534), 0);
        }
        const timespec times[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
        ASSERT_EQ(::utimensat(AT_FDCWD, tree.path(mine).c_str(), times, 0), 0);
    }
    const pid_t child = asRoot ? ::fork() : 0;
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        scan();
        // Both are counted for the summary, so the miss is not silent.
        const bool ok = rows() == V{"1:r1", "1:r3", "2:mine1", "2:mine2"} && host.summaryUnread == 2
            && AccessTime(tree.path("mine1")) == 1000000000 && AccessTime(tree.path("mine2")) == 1000000000;
        if (asRoot)
            ::_exit(ok ? 0 : 1);
        EXPECT_TRUE(ok);
        return;
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Grouping, LargeFilesAreReadOnceAndLateDifferencesCount)
{
    const std::string big = RandomBytes(3 * 1024 * 1024 + 17, 3);
    std::string lastByte = big, middle = big, early = big;
    lastByte.back() ^= 1;
    middle[big.size() / 2 + 100] ^= 1;
    early[70000] ^= 1;
    tree.write("big1", big);
    tree.write("big2", big);
    tree.write("big3", lastByte);
    tree.write("big4", middle);
    tree.write("big5", early);
    tree.write("lonely", "a size nobody shares");
    scan();
    EXPECT_EQ(rows(), (V{"1:big1", "1:big2"}));
    // The copies are read once in full; each differing file only up to its difference.
    EXPECT_LE(bytesRead, 2 * big.size() + 3 * 128 * 1024 + 80000);
    EXPECT_GE(bytesRead, 2 * big.size());

    // On a spinning disk the first pass reads each file whole where the head
    // stands (its digest of the first read decides nothing), and the files
    // still alike are then read whole again, from the page cache, and
    // compared: the late differences still count, and no file is read more
    // than twice.
    host.rows.clear();
    readAsOnSpinningDisk = true;
    scan();
    EXPECT_EQ(rows(), (V{"1:big1", "1:big2"}));
    EXPECT_LE(bytesRead, 2 * 5 * big.size());
    EXPECT_GE(bytesRead, 5 * big.size() + 2 * big.size());
}

namespace
{

// A file of `size` bytes holding `pieces` at their offsets and holes between.
void WriteSparse(TempTree &tree, const std::string &name, std::int64_t size,
                 const std::vector<std::pair<std::int64_t, std::string>> &pieces)
{
    const int fd = ::open(tree.write(name, "").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    for (const auto &[at, bytes] : pieces)
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

} // namespace

// Where a hole lies in every copy it is skipped; where one file's hole meets
// another's bytes, zeros are compared with them as if read.
TEST_F(Grouping, SparseFilesGroupByTheirBytesWhereverTheHolesLie)
{
    constexpr std::int64_t size = (8 << 20) + 4096 * 3 + 100; // past the last data: a hole to the end
    const std::string head = RandomBytes(64 * 1024, 4), far = RandomBytes(64 * 1024, 5);
    constexpr std::int64_t farAt = 5 << 20;
    std::string farChanged = far;
    farChanged[4000] ^= 1;
    std::string inHole(4096, '\0');
    inHole[10] = 1;
    WriteSparse(tree, "s/a", size, {{0, head}, {farAt, far}});
    WriteSparse(tree, "s/b", size, {{0, head}, {farAt, far}});
    WriteSparse(tree, "s/far-differs", size, {{0, head}, {farAt, farChanged}});
    WriteSparse(tree, "s/bytes-in-a-hole", size, {{0, head}, {farAt, far}, {3 << 20, inHole}});
    WriteSparse(tree, "s/last-byte", size, {{0, head}, {farAt, far}, {size - 1, "x"}});
    // The same bytes with the zeros written out, against a sparse copy and a
    // sparse file that differs only beyond its hole.
    std::string dense(std::size_t(size + 1), '\0');
    dense.replace(0, head.size(), head);
    dense.replace(std::size_t(farAt), far.size(), far);
    tree.write("d/dense", dense);
    WriteSparse(tree, "d/sparse", size + 1, {{0, head}, {farAt, far}});
    WriteSparse(tree, "d/sparse-far-differs", size + 1, {{0, head}, {farAt, farChanged}});
    tree.write("d/dense-differs", std::string(dense).replace(std::size_t(farAt) + 4000, 1, 1, farChanged[4000]));
    for (const char *name : {"s/a", "s/b", "s/far-differs", "s/bytes-in-a-hole", "s/last-byte", "d/dense", "d/sparse",
                             "d/sparse-far-differs", "d/dense-differs"})
        tree.setTime(name, 1500000000); // copies then follow path order

    scan({tree.path("s")});
    EXPECT_EQ(rows(), (V{"1:s/a", "1:s/b"}));
    const int fd = ::open(tree.path("s/a").c_str(), O_RDONLY);
    const bool holesReported = ::lseek(fd, 0, SEEK_HOLE) < size;
    ::close(fd);
    if (holesReported) { // of 40 MiB, most of it holes in all, at most a piece past each file's data is read
        EXPECT_LE(bytesRead, 5u * (2 << 20));
    }

    host.rows.clear();
    scan({tree.path("d")});
    EXPECT_EQ(rows(), (V{"1:d/dense", "1:d/sparse", "2:d/dense-differs", "2:d/sparse-far-differs"}));
}

TEST_F(Grouping, EmptyListsAndAStopDuringTheWalkStillReport)
{
    scan();
    EXPECT_EQ(host.summaries, 1);
    EXPECT_EQ(host.summaryGroups, 0);
    TScanThread_Short none(host, {});
    none.WaitFor();
    EXPECT_EQ(host.summaries, 1); // no folders: no output at all

    for (int i = 0; i < 10; ++i)
        tree.write("f" + std::to_string(i), "same");
    host.stop = true;
    scan();
    EXPECT_EQ(host.summaries, 2);
    EXPECT_LE(host.rows.size(), 1u); // at most one file came through the walk
}

TEST_F(Grouping, StopDuringGroupingKeepsWholeGroupsOnlyAndReports)
{
    for (int s = 1; s <= 5; ++s)
        for (int k = 0; k < 3; ++k)
            tree.write("s" + std::to_string(s) + "-" + std::to_string(k), std::string(std::size_t(s), 'z'));
    host.onRow = [this](const ResultRow &) { host.stop = true; };
    // On a spinning disk the sizes are read in another order than shown.
    for (bool spinning : {false, true}) {
        host.rows.clear();
        host.stop = false;
        host.summaries = 0;
        readAsOnSpinningDisk = spinning;
        scan();
        // Sizes the readers had finished may follow the first; each comes whole.
        ASSERT_GE(host.rows.size(), 3u);
        ASSERT_EQ(host.rows.size() % 3, 0u);
        for (std::size_t r = 0; r < host.rows.size(); ++r)
            EXPECT_EQ(host.rows[r].group, int(r / 3 + 1));
        EXPECT_EQ(rows()[0], "1:s1-0");
        EXPECT_EQ(host.summaries, 1);
        EXPECT_EQ(host.summaryGroups, int(host.rows.size() / 3));
    }
}

TEST_F(Grouping, AbortEndsWithoutSummaryOrFurtherRows)
{
    // Two big copies of zeros: the reading is stopped part way.
    for (auto n : {"z1", "z2"})
        tree.writeZeros(n, 64LL << 20);
    {
        TScanThread_Short job(host, {tree.root()});
        // Leave as soon as the grouping stage has begun reading.
        while (job.Stats().bytesRead.load() == 0 && !job.Finished())
            std::this_thread::yield();
    } // the destructor aborts and waits
    EXPECT_EQ(host.summaries, 0);
    EXPECT_TRUE(host.rows.empty());
}

TEST_F(Grouping, MatchesAComparisonOfEveryFileWithEveryOtherOnEveryRun)
{
    // Many sizes, copies, and same-size files that differ at the start, in
    // the middle, in the last byte, or somewhere in between.
    std::mt19937 gen(42);
    std::vector<std::string> originals;
    std::map<std::string, std::set<std::string>> byContent;
    for (int i = 0; i < 160; ++i) {
        std::string content;
        const int pick = int(gen() % 10);
        if (pick < 3 && !originals.empty()) {
            content = originals[gen() % originals.size()];
        } else if (pick < 6 && !originals.empty()) {
            content = originals[gen() % originals.size()];
            if (!content.empty()) {
                const std::size_t places[] = {0, content.size() / 2, content.size() - 1, gen() % content.size()};
                content[places[gen() % 4]] ^= 0x20;
            }
        } else {
            const std::size_t sizes[] = {0, 1, 100, 4096, 16384, 16385, 70000, 300000, 131073, 262145};
            content = RandomBytes(sizes[gen() % 10], unsigned(gen()));
            originals.push_back(content);
        }
        const std::string name = "d" + std::to_string(gen() % 5) + "/f" + std::to_string(i);
        tree.write(name, content);
        tree.setTime(name, 1600000000 + std::int64_t(gen() % 3));
        byContent[content].insert(name);
    }
    std::set<std::set<std::string>> expected;
    for (auto &[content, names] : byContent)
        if (names.size() > 1)
            expected.insert(names);

    // Reading as on a share probes and reads in other pieces, and on a
    // spinning disk in another order too; the copies and rows are the same.
    std::vector<std::string> asOnShare;
    for (const char *way : {"share", "spinning disk", "local disk"}) {
        host.rows.clear();
        readAsOnShare = way == std::string("share");
        readAsOnSpinningDisk = way == std::string("spinning disk");
        scan();
        std::map<int, std::set<std::string>> found;
        for (const auto &r : host.rows)
            found[r.group].insert(relative(r.path));
        std::set<std::set<std::string>> actual;
        for (auto &[g, names] : found)
            actual.insert(names);
        EXPECT_EQ(actual, expected) << "read as on a " << way;
        if (readAsOnShare)
            asOnShare = rows();
        else
            EXPECT_EQ(rows(), asOnShare) << "read as on a " << way;
    }
    readAsOnSpinningDisk = false;

    // Sizes ascend from group to group; times ascend within a group.
    for (std::size_t i = 1; i < host.rows.size(); ++i) {
        const auto &a = host.rows[i - 1], &b = host.rows[i];
        if (a.group == b.group)
            EXPECT_LE(a.identity.mtimeNs, b.identity.mtimeNs);
        else
            EXPECT_LE(a.identity.size, b.identity.size);
    }
    // The same tree gives the same rows.
    const auto first = rows();
    host.rows.clear();
    scan();
    EXPECT_EQ(rows(), first);
}

TEST_F(Grouping, PathsLongerThanTheSystemTakesInOneCallAreGrouped)
{
    tree.writeDeep("deep1", "deep", 4200);
    tree.writeDeep("deep2", "deep", 4200);
    scan();
    ASSERT_EQ(host.rows.size(), 2u);
    EXPECT_GT(host.rows[0].path.size(), 4096u);
}

TEST_F(Grouping, OnAShareAFileTheServerChangesAfterItsFirstReadLeavesItsGroup)
{
    SKIP_UNLESS_FUSE();
    // The kernel keeps attributes for a second, as over a network; a
    // read-only mount answers statuses from that cache even after reads.
    // Changed in the middle, read in pieces or in one read that came before
    // the change; and grown.
    for (auto [mode, size] :
         {std::pair<std::string, std::size_t>{"same", 300 * 1024}, {"whole", 100 * 1024}, {"grow", 300 * 1024}}) {
        const bool grow = mode == "grow";
        const std::string copy = RandomBytes(size, 5), other = RandomBytes(200 * 1024, 6);
        for (auto n : {"/a", "/b"})
            tree.write("src-" + mode + n, copy);
        for (auto n : {"/c", "/d"}) // left alone: still copies
            tree.write("src-" + mode + n, other);
        tree.mkdir(mode);
        FuseMount::Options options;
        options.changeAfterFirstRead = "b";
        options.grow = grow;
        options.readOnly = true;
        FuseMount mount(tree.path("src-" + mode), tree.path(mode), options);
        ASSERT_TRUE(mount.mounted());
        host.rows.clear();
        scan({mount.path()});
        EXPECT_EQ(rows(), (V{"1:" + mode + "/c", "1:" + mode + "/d"})) << mode;
        EXPECT_NE(FileContent(tree.path("src-" + mode + "/a")), FileContent(tree.path("src-" + mode + "/b")));
    }
}

TEST(SortCandidates, NumericBySizeEvenPastTenDigitsAndOneEntryPerFile)
{
    CandidateList list;
    auto add = [&](std::int64_t size, std::uint64_t inode, const char *name) {
        PathStatus seen{FileKind::Regular, {}};
        seen.identity.size = size;
        seen.identity.device = 1;
        seen.identity.inode = inode;
        list.append(seen, "/t/", name);
    };
    add(20000000000LL, 1, "huge");
    add(9999999999LL, 2, "ten-digits");
    add(5, 3, "small-b");
    add(5, 4, "small-a");
    add(5, 3, "small-b-again"); // same file met twice: the first one stays
    add(0, 5, "empty");
    SortCandidates(list);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list.path(0), "/t/empty");
    EXPECT_EQ(list.path(1), "/t/small-b");
    EXPECT_EQ(list.path(2), "/t/small-a");
    EXPECT_EQ(list.path(3), "/t/ten-digits");
    EXPECT_EQ(list.path(4), "/t/huge");
}
