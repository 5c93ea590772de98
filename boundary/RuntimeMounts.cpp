// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/RuntimeMounts.h"
#include "boundary/FolderPaths.h"
#include "boundary/PseudoFileSystems.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace
{

// File systems served over a network: a share the user mounted.
constexpr std::array<std::string_view, 11> kShares
    = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ceph", "glusterfs", "afs", "9p", "virtiofs", "davfs"};

bool IsFuse(const std::string &fsType)
{
    return fsType == "fuse" || fsType.rfind("fuse.", 0) == 0;
}

bool IsShare(const std::string &fsType)
{
    return std::find(kShares.begin(), kShares.end(), std::string_view(fsType)) != kShares.end();
}

} // namespace

bool IsUsersRuntimeMount(const MountTable::Mount &m, const std::vector<std::string> &tops)
{
    for (const std::string &top : tops) {
        if (m.mountPoint == top || !MountTable::isWithin(m.mountPoint, top)
            || MountTable::isWithin(m.mountPoint, Joined(top, "/host")))
            continue;
        if (IsShare(m.fsType))
            return true;
        if (IsFuse(m.fsType))
            return MountTable::sourceFolders(m).empty();
        // Squashfs and erofs hold software images (a live system's root, snaps).
        const bool disk = m.source.rfind("/dev/", 0) == 0 && m.root == "/" && m.fsType != "squashfs"
            && m.fsType != "erofs" && !PseudoFileSystems::isPseudoType(m.fsType);
        if (disk)
            return true;
    }
    return false;
}
