// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/ScanBoundary.h"
#include "engine/FolderListing.h"
#include "engine/TreeWalker.h"
#include "tests/support/TempTree.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <map>

namespace
{

// A listing as path -> (kind, size), with each directory's entries in the
// order it recorded them, so that two listings can be compared whole.
struct Flat {
    std::map<std::string, std::pair<FileKind, std::int64_t>> entries;
    std::map<std::string, std::vector<std::string>> order;
    bool operator==(const Flat &) const = default;
};

void flatten(const FolderListing &listing, std::uint32_t index, const std::string &prefix, Flat &out)
{
    const auto &dir = listing.directory(index);
    for (std::uint64_t k = dir.firstEntry; k < dir.firstEntry + dir.entryCount; ++k) {
        const FileKind kind = listing.kind(k);
        const std::string path = prefix + std::string(listing.name(k));
        out.entries[path] = {kind, kind == FileKind::Regular ? listing.identity(k, dir.device).size : -1};
        out.order[prefix].push_back(path);
        // The path a file's record gives is the one the walk took.
        EXPECT_EQ(prefix + std::string(listing.name(k)), listing.relativePath(k));
        if (listing.child(k) != FolderListing::kNotEntered)
            flatten(listing, listing.child(k), path + "/", out);
    }
}

Flat flat(const FolderListing &listing)
{
    Flat out;
    if (!listing.empty())
        flatten(listing, 0, "", out);
    return out;
}

class TreeWalkerTest : public ::testing::Test
{
protected:
    TempTree tree;
    std::vector<SystemTree> systemTrees;

    TreeWalker::Result walk(FolderListing &listing, std::optional<DepthControl::Range> depth = {},
                            std::function<bool()> cancelled = {}, std::string folder = {}, bool inodeOrder = false)
    {
        ScanBoundary boundary(systemTrees);
        TreeWalker walker(boundary, std::move(cancelled));
        if (depth)
            walker.setDepth(*depth);
        walker.setInodeOrder(inodeOrder);
        return walker.walk(folder.empty() ? tree.root() : folder, listing);
    }
};

TEST_F(TreeWalkerTest, ManyThreadsRecordTheSameTreeAsOneAndOnlyTheSizesOfWhatTheyMayTake)
{
    std::int64_t expected = 0;
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 40; ++k) {
            tree.write("wide" + std::to_string(f) + "/d" + std::to_string(k % 3) + "/" + std::to_string(k),
                       std::string(std::size_t(k), 'w'));
            expected += k;
        }
    tree.write("a/b/c/d/e/deep", "12345");
    tree.write("sys/usr/skipped", "never counted");
    tree.write("project/.git/objects/pack", "a store's insides");
    tree.write("project/work.txt", "1234");
    tree.fifo("pipe");                 // opening it would block
    tree.symlink(tree.root(), "loop"); // a loop if followed
    expected += 5 + 4;
    systemTrees = {{tree.path("sys/usr"), {}}};

    FolderListing one, many;
    const auto single = walk(one, DepthControl::Range{1, 1, 1});
    // Deeper than the least: statuses are read in slices by several threads, more than the cores.
    const auto parallel = walk(many, DepthControl::Range{1, 8, 8});
    EXPECT_TRUE(one.walked() && many.walked());
    EXPECT_EQ(single.bytes, expected);
    EXPECT_EQ(parallel.bytes, expected);
    EXPECT_TRUE(single.passedBy);
    EXPECT_EQ(flat(one), flat(many));
    // Statuses read in inode order, by one thread or in slices by many: the
    // entries still keep their places in the listing.
    for (unsigned threads : {1u, 8u}) {
        FolderListing inInodeOrder;
        const auto byInode = walk(inInodeOrder, DepthControl::Range{1, threads, threads}, {}, {}, true);
        EXPECT_EQ(byInode.bytes, expected) << threads;
        EXPECT_EQ(flat(inInodeOrder), flat(one)) << threads;
    }

    const Flat seen = flat(one);
    EXPECT_EQ(seen.entries.at("a/b/c/d/e/deep").second, 5);
    EXPECT_EQ(seen.entries.at("pipe").first, FileKind::Other);
    EXPECT_EQ(seen.entries.at("loop").first, FileKind::Other);
    EXPECT_EQ(seen.order.count("loop/"), 0u);
    EXPECT_EQ(seen.order.count("sys/usr/"), 0u);
    EXPECT_EQ(seen.order.count("project/.git/"), 0u);
    EXPECT_EQ(seen.entries.count("project/work.txt"), 1u);
}

TEST_F(TreeWalkerTest, AListedSystemFolderIsNotEnteredAndAMissingOneIsNotOpened)
{
    tree.write("sys/usr/a", "x");
    systemTrees = {{tree.path("sys/usr"), {}}};
    FolderListing listing;
    const auto system = walk(listing, {}, {}, tree.path("sys/usr"));
    EXPECT_TRUE(system.opened);
    EXPECT_EQ(system.standing, FolderStanding::System);
    EXPECT_TRUE(listing.empty());

    const auto missing = walk(listing, {}, {}, tree.path("missing"));
    EXPECT_FALSE(missing.opened);
    EXPECT_TRUE(listing.walked());              // nothing there is the whole of it
    EXPECT_EQ(listing.unreadableFolders(), 0u); // gone is not unreadable
}

TEST_F(TreeWalkerTest, CancellingLeavesNoHalfTreeBehind)
{
    for (int k = 0; k < 200; ++k)
        tree.write("d" + std::to_string(k % 20) + "/" + std::to_string(k), "x");
    for (unsigned threads : {1u, 6u}) {
        std::atomic<int> asked{0};
        FolderListing listing;
        const auto result = walk(listing, DepthControl::Range{1, threads, threads}, [&] { return ++asked > 5; });
        EXPECT_TRUE(result.cancelled) << threads;
        EXPECT_TRUE(listing.empty()) << threads;
        EXPECT_FALSE(listing.walked()) << threads;
    }
}

} // namespace
