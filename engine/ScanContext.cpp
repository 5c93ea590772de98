// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ScanContext.h"
#include "boundary/ScanBoundary.h"
#include "engine/ScanTexts.h"
#include "platform/LocalTime.h"

ScanContext::ScanContext(ScanHost &h, const std::atomic<bool> &a) : host(h), abort(a)
{
}

ScanContext::~ScanContext() = default;

ScanSummary ScanStats::summary(int groupCount) const
{
    const auto capped = [](std::uint64_t n) { return int(std::min<std::uint64_t>(n, INT_MAX)); };
    ScanSummary s;
    s.groups = groupCount;
    s.unreadable = unreadable();
    s.systemFolders = systemFolders;
    s.trashFolders = trashFolders;
    s.softwareFolders = capped(softwareFolders);
    for (std::size_t kind = 0; kind < kTransitKindCount; ++kind)
        s.inTransitFiles[kind] = capped(inTransitFiles[kind]);
    s.sharedCopies = sharedCopies;
    s.sharedBytes = sharedBytes;
    std::lock_guard lock(missingMutex_);
    s.missingFolders = missingFolders_;
    return s;
}

void ScanStats::addMissingFolder(const std::string &folder)
{
    std::lock_guard lock(missingMutex_);
    missingFolders_.push_back(folder);
}

ScanBoundary &ScanContext::ensureBoundary()
{
    if (!boundary)
        boundary = std::make_unique<ScanBoundary>(systemTrees ? *systemTrees : StandardTrees());
    return *boundary;
}

StorageProfiles &ScanContext::ensureProfiles()
{
    if (!profiles)
        profiles = std::make_unique<StorageProfiles>(storage);
    return *profiles;
}

void ScanContext::showElapsed(std::int64_t startMs)
{
    const std::int64_t elapsed = MonotonicMs() - startMs;
    if (elapsed / 1000 == lastLabelSecond)
        return; // the text only changes once a second
    lastLabelSecond = elapsed / 1000;
    host.setElapsedText(ElapsedText(elapsed));
}
