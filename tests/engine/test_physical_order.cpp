// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ContentGrouper.h"
#include "engine/HeadSweep.h"
#include "engine/OpenFileBudget.h"
#include "engine/PhysicalOrder.h"
#include "engine/ReadBatches.h"
#include "platform/DepthControl.h"
#include "platform/FileStatus.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScanFixture.h"

#include <map>
#include <mutex>
#include <random>
#include <sys/stat.h>

namespace
{

using V = std::vector<std::string>;

std::uint64_t InodeOf(const std::string &path)
{
    struct stat st {
    };
    ::lstat(path.c_str(), &st);
    return st.st_ino;
}

class PhysicalOrderScan : public ScanFixture
{
protected:
    std::mutex mutex;
    std::vector<std::pair<std::string, std::int64_t>> reads; // path relative to the tree, offset

    void watchReads()
    {
        readObserver = [this](const std::string &path, std::int64_t offset) {
            std::lock_guard lock(mutex);
            reads.emplace_back(relative(path), offset);
        };
    }
    // What a sweep reads with, reads watched.
    OpenFileBudget budget{8};
    std::atomic<std::uint64_t> sweptBytes{0}, unreadable{0};
    DepthControl depth{{1, 1, 1}};
    ReaderShared sweepShared()
    {
        return {[] { return false; },
                budget,
                sweptBytes,
                unreadable,
                depth,
                kRotationalReads,
                [this](const std::string &path, std::int64_t offset) { reads.emplace_back(relative(path), offset); }};
    }
    // The list's files in the order the given places put them.
    static std::vector<std::uint32_t> SweepOf(const CandidateList &list, const std::uint64_t *place)
    {
        std::vector<std::pair<std::uint32_t, DiskPlace>> places;
        for (std::uint32_t k = 0; k < list.size(); ++k)
            places.emplace_back(k, PlaceOf(list[k].identity, place[k]));
        return SweepOrder(places);
    }
    CandidateList listOf(const V &names)
    {
        CandidateList list;
        for (const auto &name : names)
            list.append(StatPathNoFollow(tree.path(name)), tree.root() + "/", name);
        return list;
    }
    // Each file once, in the order it was first read.
    V firstReads() const
    {
        V order;
        for (const auto &[path, offset] : reads)
            if (std::find(order.begin(), order.end(), path) == order.end())
                order.push_back(path);
        return order;
    }
};

TEST_F(PhysicalOrderScan, ReadsFollowTheOffsetsGivenThenInodesAndTheRowsStayAsElsewhere)
{
    // Three sizes whose files the lookup places against their names' order
    // and interleaved with each other's, one of them with a file it cannot
    // place; and a size it places none of, read in inode order.
    std::map<std::string, std::uint64_t> offsets;
    const std::uint64_t blocks[3][4] = {{9, 2, 7, 4}, {6, 11, 3, 8}, {5, 0, 1, 10}}; // sizes first at 2, 3, 1
    std::vector<V> bySize(4);
    for (int s = 0; s < 3; ++s)
        for (int k = 0; k < 4; ++k) {
            const std::string name = "s" + std::to_string(s) + "/f" + std::to_string(k);
            tree.write(name, std::string(std::size_t(10 * (s + 1)), char('a' + k % 2)));
            bySize[std::size_t(s)].push_back(name);
            if (s != 2 || k != 1)
                offsets[tree.path(name)] = blocks[s][k] * 4096;
        }
    for (int k = 0; k < 12; ++k) {
        const std::string name = "u/" + std::to_string((k * 5) % 12);
        tree.write(name, std::string(40, char('a' + k % 3)));
        bySize[3].push_back(name);
    }
    auto offsetOf = [&](const std::string &path) {
        const auto found = offsets.find(path);
        return found == offsets.end() ? std::nullopt : std::optional<std::uint64_t>(found->second);
    };
    // Worked out here from the offsets and the inodes the files really have:
    // every file's first read in one pass, whatever its size.
    auto expectedReads = [&] {
        auto placeOf = [&](const std::string &name) {
            return PlaceOf(FileIdentity{0, InodeOf(tree.path(name))}, offsetOf(tree.path(name)));
        };
        V expected;
        for (const V &names : bySize)
            expected.insert(expected.end(), names.begin(), names.end());
        std::stable_sort(expected.begin(), expected.end(), [&](auto &a, auto &b) { return placeOf(a) < placeOf(b); });
        return expected;
    };

    scan();
    const V elsewhere = rows();
    ASSERT_EQ(host.rows.size(), 3u * 4 + 12); // every file has a copy
    readAsOnSpinningDisk = true;
    readers = 1; // the order of reads is then the order of work
    const ExtentLookup lookup = [&](const std::string &path, const FileIdentity &identity) {
        EXPECT_EQ(identity.inode, InodeOf(path)); // asked about the file the walk saw
        return offsetOf(path);
    };
    watchReads();
    // Without a lookup every size follows its inodes.
    for (bool placed : {true, false}) {
        extentLookup = placed ? lookup : nullptr;
        if (!placed)
            offsets.clear();
        reads.clear();
        host.rows.clear();
        scan();
        EXPECT_EQ(firstReads(), expectedReads()) << placed;
        EXPECT_EQ(reads.size(), 4u * 3 + 12) << placed; // small files: one read each
        EXPECT_EQ(rows(), elsewhere) << placed;
    }
}

TEST_F(PhysicalOrderScan, CopiesAreReadOneAfterTheOtherEachToItsEnd)
{
    const auto probe = kRotationalReads.probe;
    readAsOnSpinningDisk = true;
    watchReads();
    // A file alike in its first read, and one larger than is ever read
    // whole on other storage: each copy is read from its start to its end
    // before the other, never in turns, in each pass.
    for (std::size_t size : {std::size_t(3 * 1024 * 1024 + 17), std::size_t(kRotationalReads.straightUpTo + 4096)}) {
        const std::string big = RandomBytes(size, 9);
        tree.write("one", big);
        tree.write("two", big);
        reads.clear();
        host.rows.clear();
        scan();
        EXPECT_EQ(rows(), (V{"1:one", "1:two"}));
        // Both passes read each whole, the first from where its first read
        // ended (the second finds it in the page cache).
        EXPECT_EQ(bytesRead, 4 * big.size());
        std::vector<std::pair<std::string, std::vector<std::int64_t>>> runs; // a file's reads in a row
        for (const auto &[name, offset] : reads) {
            if (runs.empty() || runs.back().first != name)
                runs.push_back({name, {}});
            runs.back().second.push_back(offset);
        }
        ASSERT_EQ(runs.size(), 4u) << size;
        EXPECT_NE(runs[0].first, runs[1].first);
        EXPECT_EQ(runs[2].first, runs[0].first);
        EXPECT_EQ(runs[3].first, runs[1].first);
        for (std::size_t k = 0; k < runs.size(); ++k) {
            const auto &at = runs[k].second;
            ASSERT_GE(at.size(), 3u);
            EXPECT_EQ(at[0], 0);
            EXPECT_EQ(at[1], k < 2 ? std::int64_t(probe) : std::int64_t(1) << 20);
            for (std::size_t r = 2; r < at.size(); ++r)
                EXPECT_EQ(at[r], at[r - 1] + (1 << 20)) << k << " " << r; // straight on
        }
    }
}

} // namespace

TEST(OrderByPlace, DevicesApartPlacedFilesFirstAndSizesByTheirFirstFile)
{
    CandidateList list;
    auto add = [&](std::int64_t size, std::uint64_t device, std::uint64_t inode, const char *name) {
        PathStatus seen{FileKind::Regular, {device, inode, size}};
        list.append(seen, "/t/", name);
    };
    std::map<std::string, std::uint64_t> offsets{
        {"/t/a-far", 9000}, {"/t/a-near", 100}, {"/t/b-placed", 50}, {"/t/c-other-disk", 10}};
    add(5, 1, 30, "a-far");
    add(5, 1, 2, "a-unplaced"); // a low inode still follows every placed file
    add(5, 1, 40, "a-near");
    add(7, 1, 8, "b-unplaced");
    add(7, 1, 1, "b-placed");
    add(9, 2, 3, "c-other-disk"); // the lowest offset, on the second device
    add(9, 2, 4, "c-unplaced");
    const auto classes = sharedSizes(list);
    ASSERT_EQ(classes.size(), 3u);
    const ExtentLookup lookup = [&](const std::string &path, const FileIdentity &) -> std::optional<std::uint64_t> {
        const auto found = offsets.find(path);
        return found == offsets.end() ? std::nullopt : std::optional<std::uint64_t>(found->second);
    };
    const auto order = OrderByPlace(list, classes, lookup, {});
    ASSERT_TRUE(order);
    EXPECT_EQ(*order, (std::vector<std::size_t>{1, 0, 2}));
    V paths;
    for (std::size_t k = 0; k < list.size(); ++k)
        paths.emplace_back(list.path(k));
    EXPECT_EQ(paths,
              (V{"/t/a-near", "/t/a-far", "/t/a-unplaced", "/t/b-placed", "/t/b-unplaced", "/t/c-other-disk",
                 "/t/c-unplaced"}));

    int asked = 0;
    EXPECT_FALSE(OrderByPlace(list, classes, lookup, [&] { return ++asked > 2; }));
}

TEST_F(PhysicalOrderScan, OnePassDigestsEveryFirstReadThenSetsStillAlikeAreComparedWholeByteForByte)
{
    // Small files read whole in the first pass; large ones alike in their
    // first read but not at their ends; one that differs at once.
    const std::string head = RandomBytes(1536 * 1024, 3);
    std::string late = head;
    late.back() ^= 1;
    std::string early = head;
    early[10] ^= 1;
    for (const auto &[name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"a1", "small"}, {"a2", "small"}, {"a3", "SMALL"}, {"b1", head}, {"b2", late}, {"b3", early}})
        tree.write(name, bytes);
    const CandidateList list = listOf({"a1", "a2", "a3", "b1", "b2", "b3"});
    const auto classes = sharedSizes(list);
    ASSERT_EQ(classes.size(), 2u);
    const std::uint64_t place[] = {60, 10, 40, 30, 50, 20}; // a2 b3 b1 a3 b2 a1 on the disk
    const auto sweep = SweepOf(list, place);

    ReaderShared shared = sweepShared();
    auto swept = SweepHeads(list, classes, {0, 1}, sweep, shared, 16u << 20);
    ASSERT_TRUE(swept[0] && swept[1]);
    EXPECT_TRUE(swept[0]->decided());
    EXPECT_EQ(swept[0]->groups, (std::vector<std::vector<std::uint32_t>>{{0, 1}}));
    // The pair alike in its first read is told apart by its last byte.
    EXPECT_TRUE(swept[1]->decided());
    EXPECT_TRUE(swept[1]->groups.empty());
    // One pass over every first read in the order they lie, whatever the
    // size, the small copies kept and compared there; then only the files
    // still alike, each from its start to its end.
    const auto probe = std::size_t(kRotationalReads.probe);
    const std::vector<std::pair<std::string, std::int64_t>> expected{
        {"a2", 0}, {"b3", 0},       {"b1", 0}, {"a3", 0},      {"b2", 0}, {"a1", 0}, // first reads
        {"b1", 0}, {"b1", 1 << 20}, {"b2", 0}, {"b2", 1 << 20}};                     // the held one, then the compared
    EXPECT_EQ(reads, expected);
    EXPECT_EQ(sweptBytes.load(), 3u * 5 + 3 * probe + 2 * head.size());

    // Without room to hold one of a set, its digests decide nothing: it is
    // left alike, for the usual comparison from its first byte.
    reads.clear();
    swept = SweepHeads(list, classes, {0, 1}, sweep, shared, head.size());
    ASSERT_TRUE(swept[0] && swept[1]);
    EXPECT_EQ(swept[0]->groups, (std::vector<std::vector<std::uint32_t>>{{0, 1}}));
    EXPECT_FALSE(swept[1]->decided());
    EXPECT_TRUE(swept[1]->groups.empty());
    EXPECT_EQ(swept[1]->alike, (std::vector<std::vector<std::uint32_t>>{{0, 1}}));
}

TEST_F(PhysicalOrderScan, TwoKindsAlikeInTheirFirstReadsAreToldApartWholeAndWithoutRoomLeftAlike)
{
    // x and y share their first megabyte and differ after it; each has a copy.
    const std::string x = RandomBytes(1536 * 1024, 8);
    std::string y = x;
    y[1300 * 1024] ^= 1;
    for (const auto &[name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"x1", x}, {"x2", x}, {"y1", y}, {"y2", y}})
        tree.write(name, bytes);
    const CandidateList list = listOf({"x1", "x2", "y1", "y2"});
    const auto classes = sharedSizes(list);
    const std::uint64_t place[] = {10, 30, 20, 40}; // x1 y1 x2 y2
    const auto sweep = SweepOf(list, place);
    ReaderShared shared = sweepShared();
    auto swept = SweepHeads(list, classes, {0}, sweep, shared, 16u << 20);
    ASSERT_TRUE(swept[0]);
    EXPECT_TRUE(swept[0]->decided());
    EXPECT_EQ(swept[0]->groups, (std::vector<std::vector<std::uint32_t>>{{0, 1}, {2, 3}}));
    // Room to hold one: y is found unlike x, and left to be compared.
    swept = SweepHeads(list, classes, {0}, sweep, shared, x.size() + (1u << 20));
    ASSERT_TRUE(swept[0]);
    EXPECT_EQ(swept[0]->groups, (std::vector<std::vector<std::uint32_t>>{{0, 1}}));
    EXPECT_EQ(swept[0]->alike, (std::vector<std::vector<std::uint32_t>>{{2, 3}}));
}

TEST_F(PhysicalOrderScan, TheFirstPassReadsLargeFilesOnWhereTheHeadStandsWithinItsRoomAndDecidesNothingByIt)
{
    // Up to 16 MiB a file is read on after its first read; above, only one
    // whose first read is like an earlier one's of its size. The second pass
    // still compares every set from its start, byte for byte.
    const std::string m = RandomBytes(1536 * 1024, 11);
    std::string mLate = m;
    mLate.back() ^= 1;
    const std::string big = RandomBytes(17u << 20, 12);
    std::string bigEarly = big;
    bigEarly[100] ^= 1;
    for (const auto &[name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"m1", m}, {"m2", mLate}, {"g1", big}, {"g2", bigEarly}, {"g3", big}})
        tree.write(name, bytes);
    const CandidateList list = listOf({"m1", "m2", "g1", "g2", "g3"});
    const auto classes = sharedSizes(list);
    ASSERT_EQ(classes.size(), 2u);
    const std::uint64_t place[] = {10, 20, 30, 40, 50};
    const auto sweep = SweepOf(list, place);

    using Offsets = std::vector<std::int64_t>;
    const auto offsetsOf = [&](const std::string &name) {
        Offsets at;
        for (const auto &[path, offset] : reads)
            if (path == name)
                at.push_back(offset);
        return at;
    };
    const std::int64_t probe = kRotationalReads.probe, mib = 1 << 20;
    const std::int64_t mRest = std::int64_t(m.size()) - probe, gRest = std::int64_t(big.size()) - probe;
    // A first read, then what is read on from there in 1 MiB pieces.
    const auto readOn = [&](std::int64_t size) {
        Offsets at{0};
        for (std::int64_t o = probe; o < size; o += mib)
            at.push_back(o);
        return at;
    };
    const Offsets mOn = readOn(std::int64_t(m.size())), gOn = readOn(std::int64_t(big.size()));
    const auto secondPass = [&](Offsets first) {
        first.insert(first.end(), {0, mib}); // the middle pair compared whole
        return first;
    };
    struct Case {
        std::int64_t readOnFirst;
        Offsets m1, m2, g3;
    };
    for (const Case &c : std::vector<Case>{
             {0, secondPass({0}), secondPass({0}), {0}},
             {mRest, secondPass(mOn), secondPass({0}), {0}}, // the first to come takes the room
             {2 * mRest, secondPass(mOn), secondPass(mOn), {0}},
             {2 * mRest + gRest, secondPass(mOn), secondPass(mOn), gOn},
         }) {
        SCOPED_TRACE(c.readOnFirst);
        reads.clear();
        ReaderShared shared = sweepShared();
        // Room to hold a middle-sized file, not a large one.
        const auto swept = SweepHeads(list, classes, {0, 1}, sweep, shared, 4u << 20, std::size_t(c.readOnFirst));
        ASSERT_TRUE(swept[0] && swept[1]);
        EXPECT_TRUE(swept[0]->decided());
        EXPECT_TRUE(swept[0]->groups.empty()); // told apart by the last byte
        EXPECT_EQ(swept[1]->alike, (std::vector<std::vector<std::uint32_t>>{{0, 2}}));
        EXPECT_EQ(offsetsOf("m1"), c.m1);
        EXPECT_EQ(offsetsOf("m2"), c.m2);
        EXPECT_EQ(offsetsOf("g1"), Offsets{0}); // the first of its kind to come
        EXPECT_EQ(offsetsOf("g2"), Offsets{0}); // unlike g1 in its first read
        EXPECT_EQ(offsetsOf("g3"), c.g3);
    }
}

TEST_F(PhysicalOrderScan, SetsThatFindNoRoomWaitForTheNextPassAndStopKeepsOnlySizesDecidedBefore)
{
    // Two pairs of copies, interleaved on the disk, with room to hold one file.
    const std::string a = RandomBytes(300 * 1024, 5), b = RandomBytes(400 * 1024, 6);
    for (const auto &[name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"a1", a}, {"a2", a}, {"b1", b}, {"b2", b}})
        tree.write(name, bytes);
    const CandidateList list = listOf({"a1", "a2", "b1", "b2"});
    const auto classes = sharedSizes(list);
    ASSERT_EQ(classes.size(), 2u);
    const std::uint64_t place[] = {10, 30, 20, 40}; // a1 b1 a2 b2
    const auto sweep = SweepOf(list, place);
    ReaderShared shared = sweepShared();
    const std::size_t room = b.size() + (1u << 20);
    auto swept = SweepHeads(list, classes, {0, 1}, sweep, shared, room);
    ASSERT_TRUE(swept[0] && swept[1]);
    EXPECT_EQ(swept[0]->groups, (std::vector<std::vector<std::uint32_t>>{{0, 1}}));
    EXPECT_EQ(swept[1]->groups, (std::vector<std::vector<std::uint32_t>>{{0, 1}}));
    std::vector<std::string> order;
    for (std::size_t k = 4; k < reads.size(); ++k)
        order.push_back(reads[k].first);
    EXPECT_EQ(order, (V{"a1", "a2", "b1", "b2"})); // the b pair waits for the next pass

    // Stop in the second pass, while b waits: a counts, b not.
    reads.clear();
    shared.cancelled = [&] { return reads.size() >= 7; };
    swept = SweepHeads(list, classes, {0, 1}, sweep, shared, room);
    ASSERT_TRUE(swept[0] && swept[1]);
    EXPECT_TRUE(swept[0]->decided());
    EXPECT_FALSE(swept[1]->decided());
    // Stop in the first pass: nothing counts.
    reads.clear();
    shared.cancelled = [&] { return reads.size() >= 3; };
    swept = SweepHeads(list, classes, {0, 1}, sweep, shared, room);
    EXPECT_FALSE(swept[0] || swept[1]);
}

TEST_F(PhysicalOrderScan, AStopWhileFilesAreReadToTheirEndsKeepsTheSizesDecidedBefore)
{
    // Small pairs, decided by their first reads; larger pairs, read to their
    // ends in the second pass, where Stop is pressed at its first read.
    const std::string large = RandomBytes(2048 * 1024, 7);
    for (const char *name : {"s1", "s2"})
        tree.write(name, "small pair");
    for (const char *name : {"t1", "t2"})
        tree.write(name, "tiny");
    for (const char *name : {"l1", "l2"})
        tree.write(name, large);
    readAsOnSpinningDisk = true;
    // The first pass reads each large file from its start too (then on from
    // there): the second time one is read from its start is the second pass.
    std::map<std::string, int> fromStart;
    readObserver = [this, &fromStart](const std::string &path, std::int64_t offset) {
        if (offset == 0 && ++fromStart[path] == 2)
            host.stop = true;
    };
    scan();
    EXPECT_EQ(fromStart.size(), 6u);
    EXPECT_EQ(rows(), (V{"1:t1", "1:t2", "2:s1", "2:s2"}));
    EXPECT_EQ(host.summaryGroups, 2);
}

TEST_F(PhysicalOrderScan, ManySetsInTurnsOfLittleRoomFindEveryCopy)
{
    // Sets of two and three copies and near copies of one size, scattered
    // over the disk, with room to hold a few files at a time: the passes
    // find what comparing each set whole finds.
    std::mt19937 gen(11);
    const std::size_t size = 2100;
    V names;
    std::vector<std::string> contents;
    std::map<std::string, std::vector<std::string>> byContent;
    for (int k = 0; k < 40; ++k) {
        std::string bytes = RandomBytes(size, unsigned(100 + k % 17));
        if (k % 5 == 4)
            bytes[size - 1] ^= 1; // alike in the first read, not at the end
        const std::string name = "f" + std::to_string(k);
        tree.write(name, bytes);
        names.push_back(name);
        contents.push_back(bytes);
    }
    const CandidateList list = listOf(names);
    const auto classes = sharedSizes(list);
    ASSERT_EQ(classes.size(), 1u);
    std::map<std::string, std::vector<std::uint32_t>> expected;
    for (std::uint32_t m = 0; m < list.size(); ++m)
        expected[FileContent(list.path(m))].push_back(m);
    std::vector<std::vector<std::uint32_t>> groups;
    for (auto &[bytes, members] : expected)
        if (members.size() >= 2)
            groups.push_back(members);
    std::sort(groups.begin(), groups.end());
    std::vector<std::uint64_t> place(list.size());
    for (auto &p : place)
        p = gen() % 100000;
    const auto sweep = SweepOf(list, place.data());
    ReaderShared shared = sweepShared();
    for (std::size_t room : {std::size_t(16) << 20, (1u << 20) + 3 * size, (1u << 20) + size}) {
        auto swept = SweepHeads(list, classes, {0}, sweep, shared, room);
        ASSERT_TRUE(swept[0]);
        std::vector<std::vector<std::uint32_t>> found = swept[0]->groups;
        ContentGrouper grouper(shared);
        for (const auto &set : swept[0]->alike) {
            std::vector<ReadTarget> files;
            for (std::uint32_t m : set)
                files.push_back(list.target(m));
            const auto compared = grouper.group(files, std::int64_t(size));
            ASSERT_TRUE(compared);
            for (const auto &g : *compared) {
                found.emplace_back();
                for (std::uint32_t k : g)
                    found.back().push_back(set[k]);
            }
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, groups) << room;
    }
}

TEST_F(PhysicalOrderScan, AMemberSetAsideForWantOfRoomIsNeverLeftBehindByACopyHeldLater)
{
    // One size: a pair t, and a set alike in its first read of a kind x
    // and a pair b a of another. With room for two files, b comes while t
    // and x are held; t's end frees room before a comes.
    const std::size_t size = (1u << 20) + 8192; // not read whole in the first pass
    const std::string t = RandomBytes(size, 21), x = RandomBytes(size, 22);
    std::string b = x;
    b.back() ^= 1;
    for (const auto &[name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"a", b}, {"b", b}, {"t1", t}, {"t2", t}, {"x", x}})
        tree.write(name, bytes);
    const CandidateList list = listOf({"a", "b", "t1", "t2", "x"});
    const auto classes = sharedSizes(list);
    const std::uint64_t place[] = {50, 30, 10, 40, 20}; // t1 x b t2 a
    const auto sweep = SweepOf(list, place);
    ReaderShared shared = sweepShared();
    const auto swept = SweepHeads(list, classes, {0}, sweep, shared, (1u << 20) + 2 * size);
    ASSERT_TRUE(swept[0]);
    EXPECT_EQ(swept[0]->groups, (std::vector<std::vector<std::uint32_t>>{{2, 3}}));
    EXPECT_EQ(swept[0]->alike, (std::vector<std::vector<std::uint32_t>>{{0, 1}})); // compared from the start
}

TEST(SweepOrder, DevicesInTurnPlacedFilesBeforeUnplacedAndTiesAsGiven)
{
    const auto placed = [](std::uint64_t device, std::uint64_t offset, std::uint64_t inode) {
        return PlaceOf(FileIdentity{device, inode}, offset);
    };
    const auto unplaced = [](std::uint64_t device, std::uint64_t inode) {
        return PlaceOf(FileIdentity{device, inode}, std::nullopt);
    };
    const std::vector<std::pair<std::uint32_t, DiskPlace>> places{
        {0, unplaced(9, 1)},    {1, placed(9, 500, 7)},        {2, placed(3, 900, 8)}, {3, unplaced(3, 2)},
        {4, placed(9, 500, 3)}, {5, placed(1ull << 40, 0, 1)}, {6, placed(3, 100, 9)},
    };
    EXPECT_EQ(SweepOrder(places), (std::vector<std::uint32_t>{6, 2, 3, 1, 4, 0, 5}));
}
