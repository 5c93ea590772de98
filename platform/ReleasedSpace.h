// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <unordered_map>

// The space a run released, as the file systems count it: each one's free
// space is read before the run first changes a file on it and again at the
// end, once what the run did is written out. Never more than the run's own
// files could have released, whatever else happened there meanwhile.
class ReleasedSpace
{
public:
    ReleasedSpace() = default;
    ~ReleasedSpace();
    ReleasedSpace(const ReleasedSpace &) = delete;
    ReleasedSpace &operator=(const ReleasedSpace &) = delete;

    // Before changing a file in this folder (an open descriptor of it) on `device`.
    void watch(int folderFd, std::uint64_t device);
    // A file on `device` was changed and could have released this much, in
    // whole blocks.
    void expect(std::uint64_t device, std::int64_t bytes);
    // Writes out every file system watched and tells what they gained.
    std::int64_t measure();

private:
    struct Volume {
        int fd = -1;
        std::int64_t freeBefore = 0;
        std::int64_t expected = 0; // in whole blocks
        std::int64_t block = 1;
    };
    std::unordered_map<std::uint64_t, Volume> volumes_;
};
