// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/KnownMounts.h"

#include <utility>

std::optional<MountTable::Mount> KnownMounts::find(std::uint64_t mountId)
{
    if (mountId == 0)
        return std::nullopt;
    std::lock_guard lock(mutex_);
    const MountTable::Mount *mount = mounts_.byId(mountId);
    if (!mount && !reread_) {
        // Mounted since the table was read: read it again, once.
        reread_ = true;
        if (MountTable fresh = MountTable::read(); !fresh.mounts().empty())
            mounts_ = std::move(fresh);
        mount = mounts_.byId(mountId);
    }
    if (!mount)
        return std::nullopt;
    return *mount;
}
