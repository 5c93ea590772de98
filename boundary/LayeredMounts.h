// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/MountTable.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Mounts that show other folders again: an overlay's layers, a user-space
// passthrough's source. A folder of one is the system's when a folder it
// shows is, so the boundary judges it through them; this says, once per
// mount, which folders those are. Safe to ask from several threads at once.
class LayeredMounts
{
public:
    struct Layers {
        std::vector<std::string> folders; // each at the mount's own root
        bool deep = false;                // a special folder lies inside one: each folder is judged by its layers
    };

    // While the boundary is made: the root file system's device (the table's),
    // and the real path of each folder the boundary knows as special.
    void leaveAlone(std::uint64_t rootDevice) { rootDevice_ = rootDevice; }
    void addSpecial(std::string realPath) { specialPaths_.push_back(std::move(realPath)); }

    // What the mount shows, where it lies here. The root file system is left
    // alone: a live system builds it from layers in /run, and its own trees
    // are known by what they are.
    const Layers &of(const MountTable::Mount &mount);
    // Whether the mount is known already to show no folder holding a special
    // one: asked of every folder a walk meets.
    bool knownShallow(std::uint64_t mountId);

    // Marks a folder as one whose files are judged through the folders a
    // mount shows, for the rest of this thread's call: mounts of mounts are
    // followed only so deep.
    class Nested
    {
    public:
        Nested() { ++depth_; }
        ~Nested() { --depth_; }
        Nested(const Nested &) = delete;
        Nested &operator=(const Nested &) = delete;
        static bool tooDeep();

    private:
        static thread_local int depth_;
    };

private:
    // Fixed once the boundary is made.
    std::vector<std::string> specialPaths_;
    std::uint64_t rootDevice_ = 0;

    std::mutex mutex_; // guards what follows, which learns as it goes
    std::map<std::uint64_t, Layers> layers_;
};
