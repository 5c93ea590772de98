// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// Groups of copies on fresh Btrfs, XFS and ext4 images, for the tests of
// shared storage and hard links.
#include "actions/SpaceReclaimer.h"
#include "platform/FileStatus.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using ImageKind = LoopImageMount::Kind;

class ReclaimImages : public ::testing::Test
{
protected:
    static constexpr std::size_t kFileSize = (3u << 20) + 1234; // several requests and a ragged tail

    TempTree tree;
    std::unique_ptr<LoopImageMount> disk;
    std::string bytes = RandomBytes(kFileSize, 7);

    // A fresh file system of this kind at `name`.
    const LoopImageMount &mountDisk(ImageKind kind, const std::string &name = "disk")
    {
        disk = MountImage(tree, kind, name);
        return *disk;
    }
    std::string at(const std::string &relative) const { return tree.path("disk/" + relative); }
    // The kept copy `<folder>/a/kept` and `count` copies `<folder>/copyN` of
    // it, each with storage of its own.
    std::vector<std::string> copies(int count, const std::string &folder = "disk") const
    {
        return group(folder, count, bytes);
    }
    // The same with other bytes, in a folder of its own.
    std::vector<std::string> group(const std::string &folder, int count, const std::string &content) const
    {
        std::filesystem::create_directories(tree.path(folder + "/a"));
        std::ofstream(tree.path(folder + "/a/kept"), std::ios::binary) << content;
        std::vector<std::string> made;
        for (int i = 0; i < count; ++i) {
            made.push_back(tree.path(folder + "/copy" + std::to_string(i)));
            const std::string cp = "cp --reflink=never '" + tree.path(folder + "/a/kept") + "' '" + made.back() + "'";
            EXPECT_EQ(std::system(cp.c_str()), 0);
        }
        return made;
    }
    KeptCopy kept(const std::string &folder = "disk") const
    {
        return {tree.path(folder + "/a/kept"), seen(tree.path(folder + "/a/kept"))};
    }
    static FileIdentity seen(const std::string &path) { return StatPathNoFollow(path).identity; }
};

// Runs `body` in a child process as user and group `id` (nobody: 65534),
// without supplementary groups; its exit status, or -1 when it did not exit.
inline int AsUser(unsigned id, const std::function<int()> &body)
{
    return InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0 || ::setresuid(id, id, id) != 0)
            return 120;
        return body();
    });
}
inline constexpr unsigned kNobody = 65534;
