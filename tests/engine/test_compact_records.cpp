// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The walk's records, held compactly, give back exactly what the walk saw:
// every path byte for byte, every status, in the order the scan relies on.
#include "engine/ChunkedArray.h"
#include "platform/FileStatus.h"
#include "tests/support/ScanFixture.h"

#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

TEST(ChunkedNames, NamesAcrossManyBlocksComeBackWhole)
{
    ChunkedNames names;
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    // Lengths that leave each block's end unfilled, and one name of a block's worth.
    for (int i = 0; i < 3000; ++i) {
        std::string name(std::size_t(1 + (i * 7919) % 1500), char('a' + i % 26));
        name += std::to_string(i);
        kept.emplace_back(names.append(name), name);
    }
    const std::string whole(ChunkedNames::kBlock - 1, 'w');
    kept.emplace_back(names.append(whole), whole);
    for (const auto &[place, name] : kept) {
        ASSERT_EQ(names.at(place, name.size()), name);
        EXPECT_EQ(names.at(place, name.size() + 1).back(), '\0'); // ready for the system as it is
    }
    ChunkedArray<int, 16> numbers;
    for (int i = 0; i < 1000; ++i)
        numbers.push_back(i);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(numbers[std::size_t(i)], i);
}

using CompactRecords = ScanFixture;

TEST_F(CompactRecords, EveryCandidateIsTheFileAtItsPathByteForByte)
{
    // Names that are not UTF-8, of the longest length a folder takes, with
    // every byte a name may hold, and a file deeper than a path the kernel
    // takes in one call.
    const std::string longest(255, 'n');
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        if (c != '/')
            everyByte.push_back(char(c));
    const std::vector<std::string> names{"plain.txt",
                                         "caf\xe9.jpg",
                                         "\xff\xfe\x80",
                                         longest,
                                         "sub/" + everyByte.substr(0, 200),
                                         "sub/" + everyByte.substr(200),
                                         "a/b/c/d/e/f/g/h/deep.txt"};
    for (std::size_t k = 0; k < names.size(); ++k)
        tree.write(names[k], std::string(k + 1, 'x'));
    const std::string deep = tree.writeDeep("past-the-limit", "deep", 4200);

    ScanContext ctx(host, abortFlag);
    CandidateList list;
    CollectFiles(ctx, tree.root(), list);
    std::map<std::string, FileIdentity> found;
    for (std::size_t i = 0; i < list.size(); ++i)
        found[list.path(i)] = list[i].identity;
    ASSERT_EQ(found.size(), names.size() + 1);
    for (const auto &name : names) {
        ASSERT_EQ(found.count(tree.path(name)), 1u) << name;
        EXPECT_EQ(found[tree.path(name)], StatPathNoFollow(tree.path(name)).identity) << name;
    }
    ASSERT_EQ(found.count(deep), 1u);
    EXPECT_GT(deep.size(), std::size_t(PATH_MAX));
    EXPECT_EQ(found[deep].size, 4);
}

TEST_F(CompactRecords, SortedBySizeInWalkOrderWithEachFileOnce)
{
    // Sizes against the names' order; a hard link and a folder listed twice
    // and inside another: each file once, the first way it was met.
    tree.write("z/big", "xxxxx");
    tree.write("y/small", "x");
    tree.write("x/mid", "xxx");
    tree.write("w/small2", "y");
    tree.hardlink("x/mid", "w/mid-link");
    ScanContext ctx(host, abortFlag);
    CandidateList list;
    for (const auto &folder : {tree.root(), tree.path("x"), tree.root()})
        CollectFiles(ctx, folder, list);
    ASSERT_EQ(list.size(), 11u);
    std::vector<std::string> walked; // the first walk of the whole tree
    for (std::size_t i = 0; i < 5; ++i)
        walked.push_back(relative(list.path(i)));
    SortCandidates(list);
    std::vector<std::pair<std::int64_t, std::string>> sorted;
    for (std::size_t i = 0; i < list.size(); ++i)
        sorted.emplace_back(list.sizeOf(i), relative(list.path(i)));
    // Within a size the walk's order decides; of one file, the first way met stays.
    std::vector<std::pair<std::int64_t, std::string>> expected;
    std::set<std::uint64_t> inodes;
    for (const std::int64_t size : {1, 3, 5})
        for (const auto &path : walked) {
            const FileIdentity id = StatPathNoFollow(tree.path(path)).identity;
            if (id.size == size && inodes.insert(id.inode).second)
                expected.emplace_back(size, path);
        }
    EXPECT_EQ(sorted, expected);
}
