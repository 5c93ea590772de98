// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/KnownMounts.h"
#include "boundary/LayeredMounts.h"
#include "boundary/ProtectedFolders.h"
#include "boundary/PseudoFileSystems.h"
#include "boundary/RuntimeMounts.h"
#include "platform/FileStatus.h"
#include "platform/RealPath.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unistd.h>

namespace
{

MountTable::Mount Mounted(std::string point, std::string fsType, std::string source, std::string root = "/")
{
    MountTable::Mount m;
    m.id = 99;
    m.device = 1;
    m.mountPoint = std::move(point);
    m.fsType = std::move(fsType);
    m.source = std::move(source);
    m.root = std::move(root);
    return m;
}

} // namespace

TEST(KnownMounts, FindsTheMountsOfTheTableAndAMountMadeSinceButNoOther)
{
    const std::uint64_t rootMount = StatAt(AT_FDCWD, "/").mountId;
    if (rootMount == 0)
        GTEST_SKIP() << "the kernel does not tell mount ids";
    KnownMounts known(MountTable::read());
    const auto root = known.find(rootMount);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->mountPoint, "/");
    EXPECT_FALSE(known.find(0));
    // An empty table is read again once: then the root's mount is known.
    KnownMounts empty;
    EXPECT_TRUE(empty.find(rootMount));

    if (::geteuid() != 0)
        GTEST_SKIP() << "mounts need root";
    TempTree tree;
    const std::string where = tree.mkdir("later");
    KnownMounts before(MountTable::read());
    TestMount later(where);
    if (!later.made())
        GTEST_SKIP() << "could not mount here";
    const auto found = before.find(StatAt(AT_FDCWD, where.c_str()).mountId);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->mountPoint, RealPath(where));
    EXPECT_FALSE(before.find(~std::uint64_t(0))); // the table was read again already, and knows no such mount
}

// A protected folder's mount is looked up afresh when made after the list:
// a bind mount of a folder inside it, made since, is still held.
TEST(KnownMounts, AFolderProtectedBeforeABindMountIsHeldThroughIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    TempTree tree;
    tree.write("kept/inner/a.jpg", "a");
    const std::string view = tree.mkdir("view");
    ProtectedFolders kept({tree.path("kept")});
    TestMount bind(view, tree.path("kept/inner"));
    if (!bind.made())
        GTEST_SKIP() << "could not bind-mount here";
    EXPECT_TRUE(kept.holdsFile(view + "/a.jpg"));
    EXPECT_FALSE(kept.holdsFile(tree.path("view-less")));
}

TEST(PseudoFileSystems, KnowsKernelFileSystemsFromData)
{
    EXPECT_TRUE(PseudoFileSystems::isPseudoType("proc"));
    EXPECT_TRUE(PseudoFileSystems::isPseudoType("sysfs"));
    EXPECT_TRUE(PseudoFileSystems::isPseudoType("cgroup2"));
    EXPECT_FALSE(PseudoFileSystems::isPseudoType("ext4"));
    EXPECT_FALSE(PseudoFileSystems::isPseudoType("tmpfs"));
}

TEST(RuntimeMounts, OnlyDisksSharesAndFolderlessUserSpaceMountsBelowTheTreeAreTheUsers)
{
    const std::vector<std::string> tops{"/run"};
    EXPECT_TRUE(IsUsersRuntimeMount(Mounted("/run/media/ann/stick", "vfat", "/dev/sdb1"), tops));
    EXPECT_TRUE(IsUsersRuntimeMount(Mounted("/run/user/1000/share", "cifs", "//nas/photos"), tops));
    EXPECT_TRUE(IsUsersRuntimeMount(Mounted("/run/user/1000/doc", "fuse.portal", "portal"), tops));
    // Not the user's: the tree's own top, what a sandbox shows of its host,
    // software images, a part of a disk, the kernel's and memory's.
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run", "ext4", "/dev/sdb1"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run/host/usr", "ext4", "/dev/sda2"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run/snapd/ns/x", "squashfs", "/dev/loop3"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run/live/rootfs", "erofs", "/dev/loop0"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run/media/ann/part", "ext4", "/dev/sdb1", "/inner"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run/user/1000", "tmpfs", "tmpfs"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/run/rpc_pipefs", "rpc_pipefs", "/dev/sunrpc"), tops));
    EXPECT_FALSE(IsUsersRuntimeMount(Mounted("/media/stick", "vfat", "/dev/sdb1"), tops));
}

TEST(LayeredMounts, KnowsAMountsLayersOnceAndLeavesTheRootFileSystemAlone)
{
    TempTree tree;
    tree.mkdir("lower/usr");
    tree.mkdir("upper");
    const std::string lower = RealPath(tree.path("lower")), upper = RealPath(tree.path("upper"));
    MountTable::Mount overlay = Mounted("/mnt/merged", "overlay", "overlay");
    overlay.superOptions = "rw,lowerdir=" + lower + ",upperdir=" + upper + ",workdir=/nowhere";

    LayeredMounts layered;
    layered.addSpecial(lower + "/usr");             // a special folder inside a layer
    EXPECT_FALSE(layered.knownShallow(overlay.id)); // not asked yet
    const LayeredMounts::Layers &layers = layered.of(overlay);
    EXPECT_EQ(layers.folders, (std::vector<std::string>{lower, upper}));
    EXPECT_TRUE(layers.deep);
    EXPECT_FALSE(layered.knownShallow(overlay.id));

    LayeredMounts shallow;
    shallow.addSpecial("/usr");
    EXPECT_FALSE(shallow.of(overlay).deep);
    EXPECT_TRUE(shallow.knownShallow(overlay.id));

    LayeredMounts rooted;
    rooted.leaveAlone(overlay.device);
    EXPECT_TRUE(rooted.of(overlay).folders.empty());
}

TEST(LayeredMounts, MountsOfMountsAreFollowedOnlySoDeepOnEachThread)
{
    std::vector<std::unique_ptr<LayeredMounts::Nested>> nested;
    while (!LayeredMounts::Nested::tooDeep() && nested.size() < 100)
        nested.push_back(std::make_unique<LayeredMounts::Nested>());
    EXPECT_EQ(nested.size(), 9u);
    bool elsewhere = true;
    std::thread([&] { elsewhere = LayeredMounts::Nested::tooDeep(); }).join();
    EXPECT_FALSE(elsewhere);
    nested.clear();
    EXPECT_FALSE(LayeredMounts::Nested::tooDeep());
}
