// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/ExtentMap.h"
#include "platform/OpenedDescriptor.h"

#include <algorithm>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>

namespace
{

constexpr std::uint32_t kExtentsPerCall = 32;

// File system kinds by statfs's f_type (linux/magic.h; not every one is
// in every kernel's header).
constexpr unsigned long kBtrfs = 0x9123683E;
constexpr unsigned long kXfs = 0x58465342;
constexpr unsigned long kBcachefs = 0xCA451A4E;
constexpr unsigned long kOcfs2 = 0x7461636F;

// Neighbours that continue each other in the file and on the disk are one
// run: file systems cut the same storage into extents their own way.
ExtentMap Runs(const ExtentMap &map)
{
    ExtentMap runs;
    for (const Extent &e : map) {
        if (!runs.empty()) {
            Extent &last = runs.back();
            if (last.logical + last.length == e.logical && last.physical + last.length == e.physical) {
                last.length += e.length;
                last.shared = last.shared && e.shared;
                continue;
            }
        }
        runs.push_back(e);
    }
    return runs;
}

} // namespace

std::optional<ExtentMap> ExtentsOf(int fd)
{
    ExtentMap extents;
    std::vector<unsigned char> buffer(sizeof(struct fiemap) + kExtentsPerCall * sizeof(struct fiemap_extent));
    auto *map = reinterpret_cast<struct fiemap *>(buffer.data());
    std::uint64_t start = 0;
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = kExtentsPerCall;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0)
            return std::nullopt;
        if (map->fm_mapped_extents == 0)
            return extents; // no more: the rest is a hole, or the file is empty
        for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
            const struct fiemap_extent &e = map->fm_extents[i];
            extents.push_back({e.fe_logical, e.fe_physical, e.fe_length, (e.fe_flags & FIEMAP_EXTENT_SHARED) != 0,
                               (e.fe_flags & FIEMAP_EXTENT_DATA_INLINE) != 0,
                               (e.fe_flags & (FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC)) != 0});
            if (e.fe_flags & FIEMAP_EXTENT_LAST)
                return extents;
            start = e.fe_logical + e.fe_length;
        }
    }
}

std::optional<ExtentMap> ExtentsOfPath(const std::string &path)
{
    const OpenedDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.isOpen())
        return std::nullopt;
    return ExtentsOf(fd.get());
}

bool SameStorage(const ExtentMap &file, const ExtentMap &other)
{
    const auto placedAndShared = [](const Extent &e) { return e.shared && !e.inlined && !e.unplaced; };
    if (file.empty() || !std::all_of(file.begin(), file.end(), placedAndShared)
        || !std::all_of(other.begin(), other.end(), placedAndShared))
        return false;
    const ExtentMap a = Runs(file);
    const ExtentMap b = Runs(other);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Extent &x, const Extent &y) {
        return x.logical == y.logical && x.physical == y.physical && x.length == y.length;
    });
}

std::int64_t UnsharedBytes(const ExtentMap &map)
{
    std::int64_t bytes = 0;
    for (const Extent &e : map)
        if (!e.shared && !e.inlined)
            bytes += std::int64_t(e.length);
    return bytes;
}

bool HasInlineData(const ExtentMap &map)
{
    return std::any_of(map.begin(), map.end(), [](const Extent &e) { return e.inlined; });
}

FileSystemTraits TraitsOfFileSystemType(long type)
{
    // f_type is signed on some architectures: compare its low 32 bits.
    switch (static_cast<unsigned long>(type) & 0xFFFFFFFFul) {
    case kBtrfs:
    case kBcachefs:
        return {true, true};
    case kXfs:
    case kOcfs2:
        return {true, false};
    default:
        return {};
    }
}

FileSystemTraits TraitsOfFileSystem(int fd)
{
    struct statfs fs {
    };
    if (fd < 0 || ::fstatfs(fd, &fs) != 0)
        return {};
    return TraitsOfFileSystemType(fs.f_type);
}
