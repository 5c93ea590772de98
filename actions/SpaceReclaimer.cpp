// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/SpaceReclaimer.h"
#include "actions/FileRecheck.h"
#include "platform/ReclaimPair.h"
#include "platform/StorageSharing.h"

#include <optional>

namespace
{

// Opens both files and makes every check deletion makes, and those of a
// pair; the outcome when the copy must be left, none when it may be joined.
std::optional<ReclaimOutcome> OpenPair(const std::string &path, const FileIdentity &seen, const KeptCopy &kept,
                                       const SpaceReclaimer::Checks &checks, ReclaimPair &pair)
{
    switch (RecheckFile(path, seen, checks.boundary, checks.protectedFolders, pair.file, pair.fileStatus)) {
    case Recheck::Gone:
        return ReclaimOutcome::Gone;
    case Recheck::Changed:
        return ReclaimOutcome::Changed;
    case Recheck::Unreachable:
        return ReclaimOutcome::Refused;
    case Recheck::InProtectedFolder:
        return ReclaimOutcome::InProtectedFolder;
    case Recheck::NotAdmitted:
        return ReclaimOutcome::Protected;
    case Recheck::Seen:
        break;
    }
    if (OpenSeenEntry(kept.path, kept.identity, pair.kept, pair.keptStatus) != Standing::Seen)
        return ReclaimOutcome::KeptCopyChanged;
    // Device and inode name the file, whatever mount it was reached through.
    if (pair.fileStatus.identity.device == pair.keptStatus.identity.device
        && pair.fileStatus.identity.inode == pair.keptStatus.identity.inode)
        return ReclaimOutcome::SameFile;
    if (pair.fileStatus.identity.device != pair.keptStatus.identity.device)
        return ReclaimOutcome::OtherFileSystem;
    return std::nullopt;
}

} // namespace

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
    if (const auto left = OpenPair(path, seen, keptNow, checks, pair))
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
