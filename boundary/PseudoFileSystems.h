// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

// Tells whether a device holds a file system whose files are not data
// (proc, sysfs, cgroup, ...). A scan never descends into those.
class PseudoFileSystems
{
public:
    // fd: an open directory on that device, used when the mount table
    // does not know the device.
    bool isPseudo(std::uint64_t device, int fd);

    static bool isPseudoType(const std::string &fsType);

private:
    void loadMountTable();
    bool loaded_ = false;
    std::unordered_map<std::uint64_t, bool> byDevice_;
};
