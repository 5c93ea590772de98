// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// How candidates are reached and read: by name in their folders, kept open a
// few at a time, and checked to be what the walk saw after their last reads.
#include "engine/FolderDescriptors.h"
#include "engine/FolderListing.h"
#include "engine/FolderSize.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScanFixture.h"
#include "tests/support/ScarceDescriptors.h"

#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using V = std::vector<std::string>;

namespace
{

// The descriptors this process holds open on `root` or below it: others,
// of threads earlier tests left to end on their own, come and go.
std::size_t OpenDescriptorsUnder(const std::string &root)
{
    std::size_t n = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (const dirent *e = ::readdir(d)) {
            char target[4096];
            const std::string link = std::string("/proc/self/fd/") + e->d_name;
            const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, std::size_t(length)).rfind(root, 0) == 0)
                ++n;
        }
        ::closedir(d);
    }
    return n;
}

bool SameFolder(int fd, const std::string &path)
{
    struct stat a {
    }, b{};
    return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev;
}

// Writes `content` under a new inode in place of the file at `path`.
void Replace(const std::string &path, const std::string &content)
{
    const std::string fresh = path + ".new";
    if (FILE *f = std::fopen(fresh.c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::rename(fresh.c_str(), path.c_str());
}

} // namespace

class FileReading : public ScanFixture
{
protected:
    CandidateList walked()
    {
        ScanContext ctx(host, abortFlag);
        CandidateList list;
        CollectFiles(ctx, tree.root(), list);
        return list;
    }
    void group(CandidateList &list)
    {
        ScanContext ctx(host, abortFlag);
        ctx.storage.readers = readers;
        SortCandidates(list);
        FindDuplicateGroups(ctx, list);
    }
};

TEST_F(FileReading, FolderDescriptorsKeepAFewOpenNeverCloseOneLentOutAndShrinkOnDemand)
{
    for (int k = 0; k < 12; ++k)
        tree.write("d" + std::to_string(k) + "/f", "x");
    const CandidateList list = walked();
    ASSERT_EQ(list.folderCount(), 13u);
    const auto open = [&] { return OpenDescriptorsUnder(tree.root()); };
    FolderDescriptors folders(list, 3);
    int error = 0;
    // Each folder, in turn and again: the right one, and never more than three kept.
    for (int round = 0; round < 2; ++round)
        for (std::uint32_t f = 0; f < list.folderCount(); ++f) {
            const auto lent = folders.lend(f, error);
            ASSERT_GE(lent.fd, 0) << f;
            EXPECT_TRUE(SameFolder(lent.fd, list.folderPath(f))) << f;
            folders.giveBack(lent);
            EXPECT_LE(open(), 3u);
        }
    // Three lent out at once fill every slot: a fourth is the borrower's
    // alone, and the three stay open however many others are asked for.
    std::vector<FolderDescriptors::Lent> held;
    for (std::uint32_t f = 1; f <= 3; ++f)
        held.push_back(folders.lend(f, error));
    for (std::uint32_t f = 4; f < list.folderCount(); ++f) {
        const auto other = folders.lend(f, error);
        ASSERT_GE(other.fd, 0);
        EXPECT_EQ(other.slot, -1);
        folders.giveBack(other);
    }
    for (std::uint32_t f = 1; f <= 3; ++f)
        EXPECT_TRUE(SameFolder(held[f - 1].fd, list.folderPath(f)));
    EXPECT_EQ(open(), 3u);
    // Shrinking closes only what no one holds.
    folders.giveBack(held.back());
    held.pop_back();
    folders.shrink();
    EXPECT_EQ(open(), 2u);
    for (const auto &lent : held)
        folders.giveBack(lent);
    folders.shrink();
    EXPECT_EQ(open(), 0u);
    // A folder renamed since the walk is not found where it was.
    ASSERT_EQ(std::rename(tree.path("d5").c_str(), tree.path("e5").c_str()), 0);
    std::uint32_t d5 = 0;
    while (list.folderPath(d5) != tree.path("d5/"))
        ++d5;
    EXPECT_LT(folders.lend(d5, error).fd, 0);
    EXPECT_EQ(error, ENOENT);
    // No slots at all: each is lent and closed again.
    FolderDescriptors none(list, 0);
    const std::uint32_t still = d5 == 1 ? 2 : 1; // the walk's threads number the folders in any order
    const auto lent = none.lend(still, error);
    EXPECT_TRUE(SameFolder(lent.fd, list.folderPath(still)));
    none.giveBack(lent);
    EXPECT_EQ(open(), 0u);
}

TEST_F(FileReading, TheWalkLeavesAFewFoldersOpenAndTheReadersLendThemWithoutOpeningThemAgain)
{
    for (int k = 0; k < 5; ++k)
        tree.write("d" + std::to_string(k) + "/f", "x");
    const auto open = [&] { return OpenDescriptorsUnder(tree.root()); };
    {
        // None unless asked for, and none from a walk cut short.
        FolderListing listing;
        GetFolderSize(tree.root(), {}, &listing);
        EXPECT_EQ(listing.keptFolderCount(), 0u);
        GetFolderSize(
            tree.root(), [] { return true; }, &listing, nullptr, nullptr, 3);
        EXPECT_EQ(listing.keptFolderCount(), 0u);
        EXPECT_EQ(open(), 0u);
    }
    FolderListing listing;
    GetFolderSize(tree.root(), {}, &listing, nullptr, nullptr, 3);
    EXPECT_EQ(listing.keptFolderCount(), 3u);
    EXPECT_EQ(open(), 3u);
    ScanContext ctx(host, abortFlag);
    CandidateList list;
    CollectFiles(ctx, tree.root(), list, &listing);
    ASSERT_EQ(list.folderCount(), 6u);
    auto kept = list.takeKeptFolders();
    ASSERT_EQ(kept.size(), 3u);
    std::vector<std::pair<std::uint32_t, int>> fds;
    for (const auto &[folder, handle] : kept) {
        EXPECT_TRUE(SameFolder(handle.fd(), list.folderPath(folder))) << folder;
        fds.emplace_back(folder, handle.fd());
    }
    // Two slots: two are kept, the third closed; a kept one is lent as it is.
    FolderDescriptors folders(list, 2);
    folders.adopt(std::move(kept));
    EXPECT_EQ(open(), 2u);
    int error = 0;
    const auto lent = folders.lend(fds[0].first, error);
    EXPECT_EQ(lent.fd, fds[0].second);
    EXPECT_GE(lent.slot, 0);
    folders.giveBack(lent);
    EXPECT_EQ(open(), 2u);
    // The folder closed is opened again when asked for, into a slot of its own.
    const auto other = folders.lend(fds[2].first, error);
    EXPECT_TRUE(SameFolder(other.fd, list.folderPath(fds[2].first)));
    folders.giveBack(other);
    EXPECT_EQ(open(), 2u);
}

TEST_F(FileReading, AWalkShortOfDescriptorsGivesBackTheFoldersItKeptAndListsTheWholeTree)
{
    for (int k = 0; k < 30; ++k)
        tree.write("d" + std::to_string(k) + "/e/f", "x");
    FolderListing listing;
    {
        ScarceDescriptors limit(256, 6);
        GetFolderSize(tree.root(), {}, &listing, nullptr, nullptr, 1000);
    }
    EXPECT_LE(listing.keptFolderCount(), 6u);
    EXPECT_EQ(listing.unreadableFolders(), 0u);
    ScanContext ctx(host, abortFlag);
    CandidateList list;
    CollectFiles(ctx, tree.root(), list, &listing);
    EXPECT_EQ(list.size(), 30u);
}

TEST_F(FileReading, ManyFoldersOddNamesAndDeepPathsUnderALowLimitGroupAsWithoutOne)
{
    // More folders than the scan may keep open under the limit, in an order
    // that jumps between them; names that are not UTF-8; paths the kernel
    // refuses in one call.
    for (int k = 0; k < 300; ++k) {
        const std::string content = RandomBytes(std::size_t(1000 + k % 150), unsigned(k % 150));
        tree.write("f" + std::to_string(k % 7) + "/caf\xe9" + std::to_string(k) + "/x", content);
    }
    tree.writeDeep("deep1", "deep pair", 4200);
    tree.writeDeep("deep2", "deep pair", 4200);
    readers = 8;
    scan();
    const V unlimited = rows();
    ASSERT_EQ(unlimited.size(), 302u);
    for (int run = 0; run < 3; ++run) {
        host.rows.clear();
        {
            ScarceDescriptors limit(256, 8);
            scan();
        }
        EXPECT_EQ(rows(), unlimited) << run;
        EXPECT_EQ(host.summaryUnread, 0) << run;
    }
}

TEST_F(FileReading, AFileReplacedWhileItsSetIsReadThroughDescriptorsOpenedPerPieceLeavesTheSet)
{
    // Forty copies, more than a reader of eight keeps open under a limit of
    // 256: each is opened for its head, closed, and opened again for the
    // rest. One is replaced by identical bytes between the two.
    const std::string content = RandomBytes(64 * 1024 + 1, 4);
    for (int k = 0; k < 40; ++k)
        tree.write("f" + std::to_string(100 + k), content);
    std::string replaced;
    readObserver = [&](const std::string &path, std::int64_t offset) {
        if (replaced.empty() && offset > 0) { // the first read of a rest: no other rest is read yet
            replaced = relative(path) == "f100" ? "f101" : "f100";
            Replace(tree.path(replaced), content);
        }
    };
    readers = 8;
    {
        ScarceDescriptors limit(256, 256);
        scan();
    }
    ASSERT_FALSE(replaced.empty());
    EXPECT_EQ(host.rows.size(), 39u);
    for (const auto &row : host.rows)
        EXPECT_NE(relative(row.path), replaced);
}

TEST_F(FileReading, FilesReplacedOrInAFolderRenamedSinceTheWalkNeverGroup)
{
    const std::string same = "the same bytes";
    tree.writeCopies(same, {"keep1", "keep2", "replaced", "sub/s1", "sub/s2"});
    CandidateList list = walked();
    Replace(tree.path("replaced"), same);
    // The folder moves away and another takes its name, with a file of the
    // same name and bytes.
    ASSERT_EQ(std::rename(tree.path("sub").c_str(), tree.path("moved").c_str()), 0);
    tree.write("sub/s1", same);
    group(list);
    EXPECT_EQ(rows(), (V{"1:keep1", "1:keep2"}));
}
