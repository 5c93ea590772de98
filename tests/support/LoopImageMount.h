// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

// A fresh disk file system in a sparse image file, mounted through a loop
// device in the test's own mount namespace; the loop device goes with the
// mount. Needs root, the file system's mkfs and a free loop device;
// reason() tells which was missing when made() is false.
// Made before the mount, so that the mount can say why it failed.
struct LoopMountReason {
    std::string whyNot;
};

class LoopImageMount : private LoopMountReason, public TestMount
{
public:
    enum class Kind { Ext4, Btrfs, Xfs };

    LoopImageMount(Kind kind, const std::string &image, const std::string &where, int mib = 0)
        : TestMount(where, Made{mount(kind, image, where, mib, whyNot)})
    {
    }
    const std::string &reason() const { return whyNot; }

private:
    static int smallest(Kind kind)
    {
        // Below these mkfs refuses.
        return kind == Kind::Btrfs ? 128 : kind == Kind::Xfs ? 320 : 16;
    }
    static std::string maker(Kind kind)
    {
        switch (kind) {
        case Kind::Btrfs:
            return "mkfs.btrfs -q -f";
        case Kind::Xfs:
            return "mkfs.xfs -q -f -m reflink=1";
        case Kind::Ext4:
            break;
        }
        return "mkfs.ext4 -q -F";
    }
    static bool mount(Kind kind, const std::string &image, const std::string &where, int mib, std::string &whyNot)
    {
        if (::geteuid() != 0) {
            whyNot = "loop devices need root";
            return false;
        }
        if (!ownNamespace()) {
            whyNot = "no mount namespace of the test's own";
            return false;
        }
        const std::string mkfs = maker(kind);
        if (std::system(("command -v " + mkfs.substr(0, mkfs.find(' ')) + " >/dev/null").c_str()) != 0) {
            whyNot = mkfs.substr(0, mkfs.find(' ')) + " is not installed";
            return false;
        }
        const std::string make = "truncate -s " + std::to_string(mib > 0 ? mib : smallest(kind)) + "M '" + image
            + "' && " + mkfs + " '" + image + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            whyNot = "the image could not be made";
            return false;
        }
        if (std::system(("mount -o loop '" + image + "' '" + where + "' 2>/dev/null").c_str()) != 0) {
            whyNot = "no loop device could be set up";
            return false;
        }
        return true;
    }
};

// A fresh file system of the kind at `name` in the test's folder, its image
// beside it.
inline std::unique_ptr<LoopImageMount> MountImage(TempTree &tree, LoopImageMount::Kind kind,
                                                  const std::string &name = "disk", int mib = 0)
{
    tree.mkdir(name);
    return std::make_unique<LoopImageMount>(kind, tree.path(name + ".img"), tree.path(name), mib);
}

inline const char *ImageName(LoopImageMount::Kind kind)
{
    return kind == LoopImageMount::Kind::Btrfs ? "Btrfs" : kind == LoopImageMount::Kind::Xfs ? "Xfs" : "Ext4";
}
// Names the cases of a suite over kinds of image.
inline std::string ImageCaseName(const ::testing::TestParamInfo<LoopImageMount::Kind> &info)
{
    return ImageName(info.param);
}

// Skips the test, saying why, when the image's file system is not there.
#define SKIP_UNLESS_IMAGE(mount)                                                                                       \
    if (const LoopImageMount &image_ = (mount); !image_.made())                                                        \
    GTEST_SKIP() << "no image file system: " << image_.reason()
