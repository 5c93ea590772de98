// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CollectFiles.h"
#include "engine/FolderListing.h"
#include "engine/ScanContext.h"
#include "engine/ScanTexts.h"
#include "engine/TreeWalker.h"
#include "platform/LocalTime.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{

void advanceProgress(ScanHost &host, std::int64_t size)
{
    const std::int64_t total = host.totalBytes();
    if (total <= 0 || size <= 0)
        return; // no estimate to measure against: the bar stays put
    const double step = std::ceil(double(size) * 1000.0 / double(total));
    const std::int64_t position = std::int64_t(host.progressPosition()) + std::int64_t(std::min(step, double(INT_MAX)));
    host.setProgressPosition(int(std::min<std::int64_t>(position, INT_MAX)));
}

// One folder level of the listing: its own filter copy and its own start
// time for the label. The listing holds only what the boundary let in.
void collectDirectory(ScanContext &ctx, const FolderListing &listing, std::uint16_t number, std::uint32_t index,
                      CandidateList &list)
{
    const std::int64_t start = MonotonicMs();
    const std::string filter = UpperFilter(ctx.host.filterText());
    const auto &dir = listing.directory(index);
    for (std::uint64_t k = dir.firstEntry; k < dir.firstEntry + dir.entryCount; ++k) {
        if (ctx.aborted())
            return;
        const FileKind kind = listing.kind(k);
        if (kind == FileKind::Directory && listing.child(k) != FolderListing::kNotEntered) {
            collectDirectory(ctx, listing, number, listing.child(k), list);
        } else if (kind == FileKind::Regular && ExtensionPasses(listing.name(k), filter)) {
            advanceProgress(ctx.host, listing.identity(k, dir.device).size);
            list.append(number, k, dir.device);
        }
        // Links, FIFOs, sockets and devices were never touched.
        if (ctx.host.stopFlag() || ctx.aborted())
            return;
        ctx.showElapsed(start);
    }
}

} // namespace

void CollectFiles(ScanContext &context, const std::string &folder, CandidateList &list, FolderListing *listing)
{
    FolderListing walked;
    if (listing && listing->walked()) {
        walked = std::move(*listing);
    } else {
        TreeWalker walker(
            context.ensureBoundary(), [&context] { return context.aborted() || context.host.stopFlag(); },
            &context.ensureProfiles());
        walker.walk(folder, walked);
    }
    if (listing)
        listing->clear();
    context.stats.unreadableFolders += walked.unreadableFolders();
    context.stats.softwareFolders += walked.softwareFolders();
    for (std::size_t kind = 0; kind < kTransitKindCount; ++kind)
        context.stats.inTransitFiles[kind] += walked.inTransitFiles()[kind];
    if (walked.empty())
        return;
    // The candidates' names and statuses stay where the walk put them.
    const std::uint16_t number = list.adopt(std::move(walked), folder);
    collectDirectory(context, list.listing(number), number, 0, list);
}
