// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Each device is read as its own storage wants, and a size on two devices as
// the more demanding one wants.
#include "engine/StorageProfiles.h"
#include "platform/FileStatus.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScanFixture.h"
#include "tests/support/TestMount.h"

#include <map>
#include <mutex>
#include <set>
#include <thread>

using V = std::vector<std::string>;

TEST(StorageProfiles, TheMoreDemandingDeviceDecidesAndAChosenReaderCountHoldsEverywhere)
{
    StorageChoice chosen;
    chosen.readers = 5;
    chosen.cores = 4;
    StorageProfiles profiles(chosen);
    const auto flash = profiles.profileFor(StorageKind::Flash);
    const auto share = profiles.profileFor(StorageKind::Network);
    const auto disk = profiles.profileFor(StorageKind::Spinning);
    EXPECT_EQ(StorageProfiles::moreCareful(flash, disk).kind, StorageKind::Spinning);
    EXPECT_EQ(StorageProfiles::moreCareful(disk, share).kind, StorageKind::Spinning);
    EXPECT_EQ(StorageProfiles::moreCareful(flash, share).kind, StorageKind::Network);
    for (const auto &p : {flash, share, disk})
        EXPECT_EQ(p.readers, (DepthControl::Range{5, 5, 5})) << KindName(p.kind);
    EXPECT_EQ(disk.order, ReadOrder::ByPlace);
    EXPECT_EQ(flash.order, ReadOrder::BySize);

    // Forced to spin, a share is read as a spinning disk (a simulated one is
    // served through a user-space file system); forced not to, as a share.
    StorageChoice forced;
    forced.spinning = true;
    forced.remote = true;
    EXPECT_EQ(StorageProfiles(forced).ofPath("/", StatPath("/").identity.device).kind, StorageKind::Spinning);
    forced.spinning = false;
    EXPECT_EQ(StorageProfiles(forced).ofPath("/", StatPath("/").identity.device).kind, StorageKind::Network);
}

namespace
{

class MixedStorage : public ScanFixture
{
protected:
    std::mutex mutex;
    // Per file relative to the tree: the offsets read and the threads reading.
    std::map<std::string, std::set<std::int64_t>> offsets;
    std::map<std::string, std::set<std::thread::id>> threads;

    void watch()
    {
        readObserver = [this](const std::string &path, std::int64_t offset) {
            std::lock_guard lock(mutex);
            offsets[relative(path)].insert(offset);
            threads[relative(path)].insert(std::this_thread::get_id());
        };
    }
    std::set<std::thread::id> threadsOf(const V &files)
    {
        std::set<std::thread::id> all;
        for (const auto &f : files)
            all.insert(threads[f].begin(), threads[f].end());
        return all;
    }
};

} // namespace

TEST_F(MixedStorage, AFlashFolderBesideASpinningOneIsReadWithItsOwnReaders)
{
    tree.mkdir("flash");
    TestMount mount(tree.path("flash"));
    if (!mount.made())
        GTEST_SKIP() << "making a mount needs root";
    const std::uint64_t diskDevice = StatPath(tree.root()).identity.device;
    const std::uint64_t flashDevice = StatPath(tree.path("flash")).identity.device;
    ASSERT_NE(diskDevice, flashDevice);
    storageKinds = [&](std::uint64_t device) -> std::optional<StorageKind> {
        return device == diskDevice ? StorageKind::Spinning : StorageKind::Flash;
    };
    // Pairs of 100 KiB and more: read whole on a spinning disk, on flash
    // their heads first and then the rest in one piece.
    constexpr std::size_t kSize = 100 * 1024;
    V disk, flash, across;
    for (int k = 0; k < 8; ++k) {
        const std::string d = RandomBytes(kSize + k, unsigned(k)), f = RandomBytes(kSize + 100 + k, unsigned(k + 50));
        for (auto copy : {"a", "b"}) {
            disk.push_back("disk/" + std::to_string(k) + copy);
            tree.write(disk.back(), d);
            flash.push_back("flash/" + std::to_string(k) + copy);
            tree.write(flash.back(), f);
        }
    }
    const std::string both = RandomBytes(kSize + 200, 99);
    across = {"disk/across", "flash/across"};
    tree.writeCopies(both, across);
    cores = 4;
    watch();
    scan();
    EXPECT_EQ(host.summaryGroups, 17);

    // The spinning disk's files, and the size it shares with flash, are read
    // whole in one pass on the job's own thread; flash is read by readers of
    // its own, never that thread.
    for (const auto &f : disk)
        EXPECT_EQ(offsets[f], (std::set<std::int64_t>{0})) << f;
    for (const auto &f : across)
        EXPECT_EQ(offsets[f], (std::set<std::int64_t>{0})) << f;
    for (const auto &f : flash)
        EXPECT_EQ(offsets[f], (std::set<std::int64_t>{0, kLocalReads.probe})) << f;
    const auto sweeper = threadsOf(disk);
    EXPECT_EQ(sweeper.size(), 1u);
    for (const auto &t : threadsOf(flash))
        EXPECT_EQ(sweeper.count(t), 0u);
}
