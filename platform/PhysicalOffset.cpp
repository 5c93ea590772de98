// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/PhysicalOffset.h"
#include "platform/OpenedFile.h"

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace
{
// An extent whose place is not known or is not a place of its own:
// UNKNOWN covers delayed allocation, DATA_INLINE data kept with metadata.
constexpr std::uint32_t kNoPlace = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_DATA_INLINE;
} // namespace

std::optional<std::uint64_t> FirstPhysicalOffset(int fd)
{
    // The request's head and room for the one extent asked for.
    alignas(struct fiemap) unsigned char buffer[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
    auto *map = reinterpret_cast<struct fiemap *>(buffer);
    map->fm_start = 0;
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = 0; // not FIEMAP_FLAG_SYNC: asking must not write anything back
    map->fm_extent_count = 1;
    int rc;
    do
        rc = ::ioctl(fd, FS_IOC_FIEMAP, map);
    while (rc < 0 && errno == EINTR);
    if (rc < 0 || map->fm_mapped_extents == 0 || (map->fm_extents[0].fe_flags & kNoPlace) != 0)
        return std::nullopt;
    return map->fm_extents[0].fe_physical;
}

std::optional<std::uint64_t> FirstPhysicalOffset(const std::string &path)
{
    OpenedFile file;
    if (!file.open(path))
        return std::nullopt;
    return FirstPhysicalOffset(file.fd());
}

PhysicalOffsetLookup RealPhysicalOffsets()
{
    return [](const std::string &path) { return FirstPhysicalOffset(path); };
}
