// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Shared storage and hard links on real Btrfs, XFS and ext4 images.
#include "platform/FileRemoval.h"
#include "tests/actions/ReclaimImages.h"

#include <sys/xattr.h>

namespace fs = std::filesystem;
using Kind = LoopImageMount::Kind;

namespace
{

using Reclaim = ReclaimImages;

class ShareOn : public Reclaim, public ::testing::WithParamInterface<Kind>
{
};

TEST_P(ShareOn, KeepsEveryPathItsBytesAndSettingsAndReleasesWhatEachFileGaveUp)
{
    SKIP_UNLESS_IMAGE(mountDisk(GetParam()));
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
    const std::int64_t allocated = StatPathNoFollow(files[1]).allocatedBytes;
    ASSERT_GE(allocated, std::int64_t(kFileSize));

    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    for (const std::string &file : files)
        EXPECT_EQ(sharer.apply(file, seen(file), kept(), {}).outcome, ReclaimOutcome::Done) << file;
    // Told by the files: each gave up the blocks it held alone. Btrfs keeps
    // snapshots, which may hold them still: "up to".
    EXPECT_EQ(sharer.released(), 3 * allocated);
    EXPECT_EQ(sharer.releasedAtMost(), GetParam() == Kind::Btrfs);
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
    EXPECT_EQ(again.apply(files[1], seen(files[1]), kept(), {}).outcome, ReclaimOutcome::AlreadyDone);
    EXPECT_EQ(again.released(), 0);
}

TEST_P(ShareOn, LeavesACopyChangedSinceTheScanOrWhoseKeptCopyWent)
{
    SKIP_UNLESS_IMAGE(mountDisk(GetParam()));
    const std::vector<std::string> files = copies(2);
    const FileIdentity seenFirst = seen(files[0]);
    const KeptCopy keptSeen = kept();
    // One byte near the end, same size; the scan's identity no longer holds,
    // and had it been put back the kernel would still tell the bytes apart.
    std::fstream(files[0], std::ios::binary | std::ios::in | std::ios::out).seekp(kFileSize - 10).put('!');
    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(files[0], seenFirst, keptSeen, {}).outcome, ReclaimOutcome::Changed);
    EXPECT_EQ(sharer.apply(files[0], seen(files[0]), keptSeen, {}).outcome, ReclaimOutcome::Changed);
    EXPECT_NE(FileContent(files[0]), bytes);
    EXPECT_EQ(FileContent(files[0]).size(), kFileSize);

    fs::remove(at("a/kept"));
    EXPECT_EQ(sharer.apply(files[1], seen(files[1]), keptSeen, {}).outcome, ReclaimOutcome::KeptCopyChanged);
    EXPECT_EQ(FileContent(files[1]), bytes);
    EXPECT_EQ(sharer.released(), 0);
}

INSTANTIATE_TEST_SUITE_P(Images, ShareOn, ::testing::Values(Kind::Btrfs, Kind::Xfs), ImageCaseName);

TEST_F(Reclaim, Ext4CannotShareAndNoFileSystemJoinsAcrossItselfOrWithTheSameFile)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4));
    const std::vector<std::string> files = copies(1);
    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(files[0], seen(files[0]), kept(), {}).outcome, ReclaimOutcome::Unsupported);
    EXPECT_EQ(FileContent(files[0]), bytes);

    // The kept copy on another file system: neither joins.
    const std::unique_ptr<LoopImageMount> first = std::move(disk);
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "other"));
    copies(0, "other");
    SpaceReclaimer linker(ReclaimKind::HardLink);
    EXPECT_EQ(sharer.apply(files[0], seen(files[0]), kept("other"), {}).outcome, ReclaimOutcome::OtherFileSystem);
    EXPECT_EQ(linker.apply(files[0], seen(files[0]), kept("other"), {}).outcome, ReclaimOutcome::OtherFileSystem);

    // The kept copy seen again through a bind mount is the same file.
    tree.mkdir("again");
    TestMount again(tree.path("again"), at("a"));
    ASSERT_TRUE(again.made());
    const KeptCopy twice{tree.path("again/kept"), seen(tree.path("again/kept"))};
    EXPECT_EQ(sharer.apply(at("a/kept"), seen(at("a/kept")), twice, {}).outcome, ReclaimOutcome::SameFile);
    EXPECT_EQ(linker.apply(at("a/kept"), seen(at("a/kept")), twice, {}).outcome, ReclaimOutcome::SameFile);
    EXPECT_EQ(FileContent(at("a/kept")), bytes);
    EXPECT_EQ(linker.released(), 0);
}

TEST_F(Reclaim, HardLinksReleaseTheBlocksOfALastNameAndTellWhatTheyChanged)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Btrfs));
    const std::vector<std::string> files = copies(3);
    ::link(files[1].c_str(), at("a/second-name").c_str());
    const std::int64_t allocated = StatPathNoFollow(files[0]).allocatedBytes;
    SpaceReclaimer linker(ReclaimKind::HardLink);
    const Reclaimed first = linker.apply(files[0], seen(files[0]), kept(), {});
    EXPECT_EQ(first.outcome, ReclaimOutcome::Done);
    EXPECT_EQ(first.effect.released, allocated);
    EXPECT_TRUE(first.effect.releasedAtMost); // Btrfs: a snapshot may hold them
    ASSERT_TRUE(first.identity);
    EXPECT_EQ(*first.identity, seen(at("a/kept"))); // what the path names now, status-change time and all
    // Its other name keeps its storage: nothing released by it, and what it
    // is now is told. The kept copy's own new link is no change of it.
    const Reclaimed second = linker.apply(files[1], seen(files[1]), kept(), {});
    EXPECT_EQ(second.outcome, ReclaimOutcome::Done);
    EXPECT_EQ(second.effect.released, 0);
    ASSERT_EQ(second.renewed.size(), 2u);
    EXPECT_EQ(second.renewed[1], seen(at("a/second-name")));
    // A later run told what the scan saw before this one linked it: already
    // the kept copy, done, never "changed since the scan".
    SpaceReclaimer later(ReclaimKind::HardLink);
    const FileIdentity before = seen(files[2]);
    EXPECT_EQ(linker.apply(files[2], before, kept(), {}).outcome, ReclaimOutcome::Done);
    EXPECT_EQ(later.apply(files[2], before, kept(), {}).outcome, ReclaimOutcome::AlreadyDone);
    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(files[2], seen(files[2]), kept(), {}).outcome, ReclaimOutcome::AlreadyDone);
    EXPECT_EQ(linker.released(), 2 * allocated);
    for (const std::string &path : files)
        EXPECT_EQ(FileContent(path), bytes) << path;
}

TEST_F(Reclaim, AKillAtAnyStepOfLinkingLeavesAWholeFileAtThePath)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Xfs));
    const std::vector<std::string> files = copies(5);
    const LinkStep steps[]
        = {LinkStep::Checked, LinkStep::Linked, LinkStep::Verified, LinkStep::Exchanged, LinkStep::Replaced};
    for (int i = 0; i < 5; ++i) {
        const int killed = InChild([&] {
            SpaceReclaimer linker(ReclaimKind::HardLink);
            const SpaceReclaimer::Checks checks{nullptr, nullptr, [&](LinkStep step) {
                                                    if (step == steps[i])
                                                        ::_exit(0);
                                                }};
            linker.apply(files[std::size_t(i)], seen(files[std::size_t(i)]), kept(), checks);
            return 1;
        });
        ASSERT_EQ(killed, 0) << i;
        EXPECT_EQ(FileContent(files[std::size_t(i)]), bytes) << i;
        EXPECT_EQ(seen(files[std::size_t(i)]).inode == seen(at("a/kept")).inode, i >= 3) << i;
    }
    // Killed after linking, after checking (the kept copy's new name) and
    // after the swap (the old copy): one hidden name each, a whole file with
    // the group's bytes, which no scan offers.
    const std::vector<std::string> hidden = InTransitNamesBelow(at(""));
    EXPECT_EQ(hidden.size(), 3u);
    for (const std::string &path : hidden) {
        EXPECT_TRUE(fs::path(path).filename().string().starts_with(kLinkingPrefix)) << path;
        EXPECT_EQ(FileContent(path), bytes);
    }
}

} // namespace
