// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/SpaceReclaimer.h"
#include "platform/ReclaimPair.h"
#include "platform/StorageSharing.h"

KeptCopy SpaceReclaimer::current(const KeptCopy &kept) const
{
    const auto found = linked_.find({kept.identity.device, kept.identity.inode});
    return found == linked_.end() ? kept : KeptCopy{kept.path, found->second};
}

ReclaimOutcome SpaceReclaimer::apply(const std::string &path, const FileIdentity &seen, const KeptCopy &kept,
                                     const Checks &checks)
{
    const KeptCopy keptNow = current(kept);
    ReclaimPair pair;
    if (const auto left = OpenReclaimPair(path, seen, keptNow, checks.boundary, checks.protectedFolders, pair))
        return *left;
    const std::uint64_t device = seen.device;
    space_.watch(pair.file.folder.fd(), device);
    std::int64_t releasable = 0;
    const ReclaimOutcome outcome = kind_ == ReclaimKind::ShareStorage
        ? ShareStorage(pair, releasable)
        : ReplaceWithHardLink(pair, releasable, checks.atLinkStep);
    if (outcome != ReclaimOutcome::Done)
        return outcome;
    space_.expect(device, releasable);
    if (kind_ == ReclaimKind::HardLink) {
        // The kept copy as it stands now, linked.
        const PathStatus after = StatAt(pair.kept.folder.fd(), pair.kept.name.c_str(), pair.kept.remote);
        if (after.kind == FileKind::Regular && after.identity.inode == kept.identity.inode)
            linked_[{kept.identity.device, kept.identity.inode}] = after.identity;
    }
    return outcome;
}
