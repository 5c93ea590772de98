// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "CollectFiles.h"
#include "FolderListing.h"
#include "LocalTime.h"
#include "ScanContext.h"
#include "ScanTexts.h"
#include "TreeWalker.h"

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
void collectDirectory(ScanContext &ctx, const FolderListing &listing, std::uint32_t index, std::string &prefix,
                      CandidateList &list)
{
    const std::int64_t start = MonotonicMs();
    const std::string filter = UpperFilter(ctx.host.filterText());
    const auto &dir = listing.directory(index);
    for (std::uint64_t k = dir.firstEntry; k < dir.firstEntry + dir.entryCount; ++k) {
        if (ctx.aborted())
            return;
        const FolderListing::Entry &entry = listing.entry(k);
        const std::string_view name = listing.name(entry);
        if (entry.kind == FileKind::Directory && entry.child != FolderListing::kNotEntered) {
            const std::size_t keep = prefix.size();
            prefix.append(name).push_back('/');
            collectDirectory(ctx, listing, entry.child, prefix, list);
            prefix.resize(keep);
        } else if (entry.kind == FileKind::Regular && ExtensionPasses(name, filter)) {
            advanceProgress(ctx.host, entry.identity.size);
            list.append({entry.kind, entry.identity, entry.owner}, prefix, name);
        }
        // Links, FIFOs, sockets and devices were never touched.
        if (ctx.host.stopFlag() || ctx.aborted())
            return;
        ctx.showElapsed(start);
    }
}

} // namespace

void CollectFiles(ScanContext &context, const std::string &folder, CandidateList &list, const FolderListing *listing)
{
    FolderListing own;
    if (!listing || !listing->walked()) {
        TreeWalker walker(
            context.ensureBoundary(), [&context] { return context.aborted() || context.host.stopFlag(); },
            &context.ensureProfiles());
        walker.walk(folder, own);
        listing = &own;
    }
    context.stats.unreadableFolders += listing->unreadableFolders();
    context.stats.softwareFolders += listing->softwareFolders();
    context.stats.inTransitFiles += listing->inTransitFiles();
    if (listing->empty())
        return;
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/')
        prefix.push_back('/');
    collectDirectory(context, *listing, 0, prefix, list);
}
