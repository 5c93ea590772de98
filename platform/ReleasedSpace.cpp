// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/ReleasedSpace.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace
{

constexpr int kMaxSettleReads = 50;
constexpr auto kSettleStep = std::chrono::milliseconds(20);

struct Space {
    std::int64_t free = 0;
    std::int64_t block = 1;
};

Space SpaceOf(int fd)
{
    struct statvfs vfs {
    };
    if (fd < 0 || ::fstatvfs(fd, &vfs) != 0)
        return {};
    return {std::int64_t(vfs.f_bfree) * std::int64_t(vfs.f_frsize), std::max<std::int64_t>(1, vfs.f_frsize)};
}

// Copy-on-write file systems free shared extents when they commit; some
// free the blocks of a file's last name in the background after that, so
// the count is read again while it still grows.
std::int64_t SettledFree(int fd)
{
    ::syncfs(fd);
    std::int64_t free = SpaceOf(fd).free;
    for (int reads = 0; reads < kMaxSettleReads; ++reads) {
        std::this_thread::sleep_for(kSettleStep);
        const std::int64_t now = SpaceOf(fd).free;
        if (now <= free)
            break;
        free = now;
    }
    return free;
}

} // namespace

ReleasedSpace::~ReleasedSpace()
{
    for (auto &[device, volume] : volumes_)
        if (volume.fd >= 0)
            ::close(volume.fd);
}

void ReleasedSpace::watch(int folderFd, std::uint64_t device)
{
    if (volumes_.count(device) > 0)
        return;
    Volume volume;
    // A folder opened for reading: syncfs refuses a path-only descriptor.
    volume.fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Data not yet written has no blocks yet: both counts must see it written.
    if (volume.fd >= 0)
        ::syncfs(volume.fd);
    const Space space = SpaceOf(volume.fd);
    volume.freeBefore = space.free;
    volume.block = space.block;
    volumes_.emplace(device, volume);
}

void ReleasedSpace::expect(std::uint64_t device, std::int64_t bytes)
{
    if (const auto found = volumes_.find(device); found != volumes_.end())
        found->second.expected += (bytes + found->second.block - 1) / found->second.block * found->second.block;
}

std::int64_t ReleasedSpace::measure()
{
    std::int64_t released = 0;
    for (auto &[device, volume] : volumes_) {
        if (volume.fd < 0 || volume.expected == 0)
            continue;
        const std::int64_t gained = SettledFree(volume.fd) - volume.freeBefore;
        released += std::clamp<std::int64_t>(gained, 0, volume.expected);
    }
    return released;
}
