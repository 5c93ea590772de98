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

// The bar's steps of one folder's files, added up and shown at once: a
// position per file would pass the host's gate for every file.
class ProgressSteps
{
public:
    explicit ProgressSteps(ScanHost &host) : host_(host), total_(host.totalBytes()) { }
    ProgressSteps(const ProgressSteps &) = delete;
    ProgressSteps &operator=(const ProgressSteps &) = delete;
    ~ProgressSteps() { flush(); }
    void add(std::int64_t size)
    {
        if (total_ <= 0 || size <= 0)
            return; // no estimate to measure against: the bar stays put
        steps_ += std::int64_t(std::min(std::ceil(double(size) * 1000.0 / double(total_)), double(INT_MAX)));
    }
    void flush()
    {
        if (steps_ == 0)
            return;
        const std::int64_t position = std::int64_t(host_.progressPosition()) + steps_;
        host_.setProgressPosition(int(std::min<std::int64_t>(position, INT_MAX)));
        steps_ = 0;
    }

private:
    ScanHost &host_;
    const std::int64_t total_;
    std::int64_t steps_ = 0;
};

// Entries gone through, from memory, between two looks at Stop and the clock.
constexpr std::uint64_t kAskStopEvery = 32;

// One folder level of the listing: its own filter copy and its own start
// time for the label. The listing holds only what the boundary let in.
// False once Stop or abort ends the collecting.
bool collectDirectory(ScanContext &ctx, const FolderListing &listing, std::uint16_t number, std::uint32_t index,
                      CandidateList &list)
{
    const std::int64_t start = MonotonicMs();
    const std::string filter = UpperFilter(ctx.host.filterText());
    const auto &dir = listing.directory(index);
    ProgressSteps progress(ctx.host);
    for (std::uint64_t n = 0; n < dir.entryCount; ++n) {
        if (ctx.aborted())
            return false;
        const std::uint64_t k = dir.firstEntry + n;
        const FileKind kind = listing.kind(k);
        if (kind == FileKind::Directory && listing.child(k) != FolderListing::kNotEntered) {
            progress.flush();
            if (!collectDirectory(ctx, listing, number, listing.child(k), list))
                return false;
        } else if (kind == FileKind::Regular && ExtensionPasses(listing.name(k), filter)) {
            progress.add(listing.identity(k, dir.device).size);
            list.append(number, k, dir.device);
        }
        // Links, FIFOs, sockets and devices were never touched.
        // Asked after the first entry, as a Stop already pressed must end each
        // level at once, then every few entries and after the last.
        if (n % kAskStopEvery != 0 && n + 1 != dir.entryCount)
            continue;
        progress.flush();
        if (ctx.host.stopFlag() || ctx.aborted())
            return false;
        ctx.showElapsed(start);
    }
    return true;
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
