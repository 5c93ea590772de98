// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Shared storage and hard links on real Btrfs, XFS and ext4 images.
#include "actions/SpaceReclaimer.h"
#include "platform/FileRemoval.h"
#include "platform/FileStatus.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Kind = LoopImageMount::Kind;

namespace
{

constexpr std::size_t kFileSize = (3u << 20) + 1234; // several requests and a ragged tail

std::int64_t FreeBytes(const std::string &where)
{
    ::sync();
    struct statvfs vfs {
    };
    ::statvfs(where.c_str(), &vfs);
    return std::int64_t(vfs.f_bfree) * std::int64_t(vfs.f_frsize);
}

class Reclaim : public ::testing::Test
{
protected:
    TempTree tree;
    std::unique_ptr<LoopImageMount> disk;
    std::string bytes = RandomBytes(kFileSize, 7);

    // A fresh file system of this kind at "disk"; false (the test skipped) when none can be made.
    bool mountDisk(Kind kind, const std::string &name = "disk")
    {
        tree.mkdir(name);
        disk = std::make_unique<LoopImageMount>(kind, tree.path(name + ".img"), tree.path(name));
        return disk->made();
    }
    std::string at(const std::string &relative) { return tree.path("disk/" + relative); }
    // The kept copy and `copies` copies of it, each with storage of its own.
    std::vector<std::string> copies(int count, const std::string &folder = "disk")
    {
        fs::create_directories(tree.path(folder + "/a"));
        std::ofstream(tree.path(folder + "/a/kept"), std::ios::binary) << bytes;
        std::vector<std::string> made;
        for (int i = 0; i < count; ++i) {
            made.push_back(tree.path(folder + "/copy" + std::to_string(i)));
            const std::string cp = "cp --reflink=never '" + tree.path(folder + "/a/kept") + "' '" + made.back() + "'";
            EXPECT_EQ(std::system(cp.c_str()), 0);
        }
        return made;
    }
    KeptCopy kept(const std::string &folder = "disk")
    {
        return {tree.path(folder + "/a/kept"), seen(tree.path(folder + "/a/kept"))};
    }
    static FileIdentity seen(const std::string &path) { return StatPathNoFollow(path).identity; }
};

#define SKIP_UNLESS(made)                                                                                              \
    if (!(made))                                                                                                       \
    GTEST_SKIP() << "no image file system: " << disk->reason()

class ShareOn : public Reclaim, public ::testing::WithParamInterface<Kind>
{
};

TEST_P(ShareOn, KeepsEveryPathItsBytesAndSettingsAndReleasesWhatTheFileSystemCounts)
{
    SKIP_UNLESS(mountDisk(GetParam()));
    const std::vector<std::string> files = copies(3);
    ::chmod(files[0].c_str(), 0640);
    ::chown(files[0].c_str(), 1234, 1235);
    ::setxattr(files[0].c_str(), "user.note", "x", 1, 0);
    ::link(files[0].c_str(), at("other-name").c_str());
    const struct stat before = [&] {
        struct stat st {
        };
        ::stat(files[0].c_str(), &st);
        return st;
    }();
    const std::int64_t freeBefore = FreeBytes(at(""));

    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    for (const std::string &file : files)
        EXPECT_EQ(sharer.apply(file, seen(file), kept(), {}), ReclaimOutcome::Done) << file;
    const std::int64_t released = sharer.released();

    EXPECT_EQ(released, FreeBytes(at("")) - freeBefore);
    EXPECT_GE(released, 3 * std::int64_t(kFileSize) * 9 / 10);
    for (const std::string &path : {files[0], files[1], files[2], at("a/kept"), at("other-name")})
        EXPECT_EQ(FileContent(path), bytes) << path;
    struct stat after {
    };
    ::stat(files[0].c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, 1234u);
    EXPECT_EQ(after.st_gid, 1235u);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    char note[4] = {};
    EXPECT_EQ(::getxattr(files[0].c_str(), "user.note", note, sizeof note), 1);

    // Shared already: done again, nothing more released.
    SpaceReclaimer again(ReclaimKind::ShareStorage);
    EXPECT_EQ(again.apply(files[1], seen(files[1]), kept(), {}), ReclaimOutcome::AlreadyDone);
    EXPECT_EQ(again.released(), 0);
}

TEST_P(ShareOn, LeavesACopyChangedSinceTheScanOrWhoseKeptCopyWent)
{
    SKIP_UNLESS(mountDisk(GetParam()));
    const std::vector<std::string> files = copies(2);
    const FileIdentity seenFirst = seen(files[0]);
    const KeptCopy keptSeen = kept();
    // One byte near the end, same size; the scan's identity no longer holds,
    // and had it been put back the kernel would still tell the bytes apart.
    std::fstream(files[0], std::ios::binary | std::ios::in | std::ios::out).seekp(kFileSize - 10).put('!');
    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(files[0], seenFirst, keptSeen, {}), ReclaimOutcome::Changed);
    EXPECT_EQ(sharer.apply(files[0], seen(files[0]), keptSeen, {}), ReclaimOutcome::Changed);
    EXPECT_NE(FileContent(files[0]), bytes);
    EXPECT_EQ(FileContent(files[0]).size(), kFileSize);

    fs::remove(at("a/kept"));
    EXPECT_EQ(sharer.apply(files[1], seen(files[1]), keptSeen, {}), ReclaimOutcome::KeptCopyChanged);
    EXPECT_EQ(FileContent(files[1]), bytes);
    EXPECT_EQ(sharer.released(), 0);
}

INSTANTIATE_TEST_SUITE_P(Images, ShareOn, ::testing::Values(Kind::Btrfs, Kind::Xfs),
                         [](const auto &info) { return info.param == Kind::Btrfs ? "Btrfs" : "Xfs"; });

TEST_F(Reclaim, Ext4CannotShareAndNoFileSystemJoinsAcrossItselfOrWithTheSameFile)
{
    SKIP_UNLESS(mountDisk(Kind::Ext4));
    const std::vector<std::string> files = copies(1);
    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(files[0], seen(files[0]), kept(), {}), ReclaimOutcome::Unsupported);
    EXPECT_EQ(FileContent(files[0]), bytes);

    // The kept copy on another file system: neither joins.
    const std::unique_ptr<LoopImageMount> first = std::move(disk);
    SKIP_UNLESS(mountDisk(Kind::Ext4, "other"));
    copies(0, "other");
    SpaceReclaimer linker(ReclaimKind::HardLink);
    EXPECT_EQ(sharer.apply(files[0], seen(files[0]), kept("other"), {}), ReclaimOutcome::OtherFileSystem);
    EXPECT_EQ(linker.apply(files[0], seen(files[0]), kept("other"), {}), ReclaimOutcome::OtherFileSystem);

    // The kept copy seen again through a bind mount is the same file.
    tree.mkdir("again");
    TestMount again(tree.path("again"), at("a"));
    ASSERT_TRUE(again.made());
    const KeptCopy twice{tree.path("again/kept"), seen(tree.path("again/kept"))};
    EXPECT_EQ(sharer.apply(at("a/kept"), seen(at("a/kept")), twice, {}), ReclaimOutcome::SameFile);
    EXPECT_EQ(linker.apply(at("a/kept"), seen(at("a/kept")), twice, {}), ReclaimOutcome::SameFile);
    EXPECT_EQ(FileContent(at("a/kept")), bytes);
    EXPECT_EQ(linker.released(), 0);
}

TEST_F(Reclaim, HardLinksJoinOnlyCopiesWithTheKeptCopysOwnerAndMode)
{
    SKIP_UNLESS(mountDisk(Kind::Btrfs));
    const std::vector<std::string> files = copies(4);
    ::chmod(files[1].c_str(), 0600);
    ::chown(files[2].c_str(), 1234, 0);
    ::link(files[3].c_str(), at("a/second-name").c_str());
    const std::int64_t freeBefore = FreeBytes(at(""));
    SpaceReclaimer linker(ReclaimKind::HardLink);
    EXPECT_EQ(linker.apply(files[0], seen(files[0]), kept(), {}), ReclaimOutcome::Done);
    EXPECT_EQ(linker.apply(files[1], seen(files[1]), kept(), {}), ReclaimOutcome::OwnerOrModeDiffer);
    EXPECT_EQ(linker.apply(files[2], seen(files[2]), kept(), {}), ReclaimOutcome::OwnerOrModeDiffer);
    // Its other name keeps its storage: nothing released by it. The kept
    // copy's own new link is no change of it.
    EXPECT_EQ(linker.apply(files[3], seen(files[3]), kept(), {}), ReclaimOutcome::Done);
    const std::int64_t released = linker.released();
    EXPECT_EQ(released, FreeBytes(at("")) - freeBefore);
    EXPECT_GE(released, std::int64_t(kFileSize) * 9 / 10);
    EXPECT_LT(released, 2 * std::int64_t(kFileSize));
    EXPECT_EQ(seen(files[0]).inode, seen(at("a/kept")).inode);
    for (const std::string &path : files)
        EXPECT_EQ(FileContent(path), bytes) << path;
}

TEST_F(Reclaim, AKillAtAnyStepOfLinkingLeavesAWholeFileAtThePath)
{
    SKIP_UNLESS(mountDisk(Kind::Xfs));
    const std::vector<std::string> files = copies(4);
    const LinkStep steps[] = {LinkStep::Checked, LinkStep::Linked, LinkStep::Verified, LinkStep::Replaced};
    for (int i = 0; i < 4; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            SpaceReclaimer linker(ReclaimKind::HardLink);
            const SpaceReclaimer::Checks checks{nullptr, nullptr, [&](LinkStep step) {
                                                    if (step == steps[i])
                                                        ::_exit(0);
                                                }};
            linker.apply(files[std::size_t(i)], seen(files[std::size_t(i)]), kept(), checks);
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << i;
        EXPECT_EQ(FileContent(files[std::size_t(i)]), bytes) << i;
        EXPECT_EQ(seen(files[std::size_t(i)]).inode == seen(at("a/kept")).inode, i == 3) << i;
    }
    // Killed after linking and after checking: one hidden name each, which no scan offers.
    int hidden = 0;
    for (const auto &entry : fs::directory_iterator(at("")))
        if (entry.path().filename().string().starts_with(kLinkingPrefix)) {
            ++hidden;
            EXPECT_TRUE(IsInTransitName(entry.path().filename().string())) << entry.path();
        }
    EXPECT_EQ(hidden, 2);
}

} // namespace
