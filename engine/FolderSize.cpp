// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/FolderSize.h"
#include "boundary/ScanBoundary.h"
#include "engine/FolderListing.h"
#include "engine/TreeWalker.h"
#include "platform/VolumeSpace.h"

#include <memory>

std::int64_t GetFolderSize(const std::string &path, const std::function<bool()> &cancel, FolderListing *listing,
                           ScanBoundary *boundary, StorageProfiles *profiles, std::size_t keepFolders)
{
    // The root of a file system counts as its volume's used space; it is
    // still listed when the caller wants the tree, for the walk to reuse.
    const bool mountPoint = IsMountPoint(path);
    if (mountPoint && !listing)
        return UsedSpace(path);
    FolderListing local;
    FolderListing &target = listing ? *listing : local;
    std::unique_ptr<ScanBoundary> own;
    if (!boundary)
        boundary = (own = std::make_unique<ScanBoundary>()).get();
    TreeWalker walker(*boundary, cancel, profiles);
    if (listing)
        walker.keepFolders(keepFolders);
    const TreeWalker::Result walked = walker.walk(path, target);
    if (!walked.opened)
        return mountPoint ? UsedSpace(path) : -1;
    if (walked.standing == FolderStanding::System)
        return 0; // never searched, so nothing to wait for
    // A volume's used space holds the system trees the scan passes by: the
    // bar would never reach its end.
    const bool wholeVolume = mountPoint && walked.standing == FolderStanding::User && !walked.passedBy;
    return wholeVolume ? UsedSpace(path) : walked.bytes;
}
