// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "DuplicateSearch.h"
#include "ContentGrouper.h"
#include "HeadSweep.h"
#include "KeepRule.h"
#include "LocalTime.h"
#include "LocaleCompare.h"
#include "OpenFileBudget.h"
#include "OpenFileLimit.h"
#include "OrderedParallel.h"
#include "PhysicalOrder.h"
#include "ProtectionJudge.h"
#include "ReadBatches.h"
#include "ScanContext.h"
#include "SizeClassGroups.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>

namespace
{

// The groups of each size of a batch, in order; nothing for a size whose
// comparison was cancelled, and no sizes after it.
using BatchGroups = std::vector<std::optional<OrderedGroups>>;

} // namespace

void FindDuplicateGroups(ScanContext &ctx, CandidateList &sorted)
{
    const std::int64_t start = MonotonicMs();
    ctx.lastLabelSecond = -1;
    const std::size_t n = sorted.size();
    ScanHost &host = ctx.host;
    host.setProgressPosition(1);
    host.setProgressMaximum(int(std::min<std::size_t>(n, INT_MAX)));

    const auto classes = sharedSizes(sorted);
    const auto cancelled = [&ctx] { return ctx.aborted() || ctx.host.stopFlag(); };
    // On a spinning disk the sizes are read in the order their first files
    // lie, and the files of each in the order they lie; rows still come in
    // size order. After a Stop during the lookups nothing is read anyway.
    std::vector<std::size_t> placeOrder;
    std::vector<DiskPlace> places;
    if (ctx.rotationalStorage)
        placeOrder
            = OrderByPlace(sorted, classes, ctx.extentLookup, cancelled, &places).value_or(std::vector<std::size_t>{});
    DepthControl depth(readerDepth(ctx));
    const unsigned readers = depth.most();
    // Every reader draws on one budget of descriptors, so together they stay
    // within the limit in force whatever their number.
    OpenFileBudget budget(OpenFileBudget::slotsUnder(OpenFileLimit()));
    ContentGrouper::Shared shared{cancelled, budget,         ctx.stats.bytesRead, ctx.stats.unreadableFiles,
                                  depth,     readSizes(ctx), ctx.readObserver};
    // There, the first reads of all sizes come first, in one pass over the
    // disk; most files that differ are told apart by it.
    std::vector<std::optional<SweptHeads>> swept(classes.size());
    if (ctx.rotationalStorage && !placeOrder.empty())
        swept = SweepHeads(sorted, classes, placeOrder, places, shared, ContentGrouper::kAllBuffers,
                           [&] { ctx.showElapsed(start); });
    // Each reader thread has its own grouper and collator, made when it
    // starts; neither is shared.
    std::vector<std::unique_ptr<ContentGrouper>> groupers(readers);
    std::vector<std::unique_ptr<LocaleCompare>> locales(readers);

    int groupNumber = 0;
    bool stopped = false;
    ProtectionJudge protection;
    // One size's groups enter the list. After Stop, the sizes the readers had
    // finished still come in, in their order; a size cut short is dropped
    // whole, never shown half-compared.
    auto addSizeRows = [&](const SizeClass &sc, std::optional<OrderedGroups> &groups) {
        if (!groups) {
            stopped = true;
            return;
        }
        for (auto &rows : *groups) {
            ++groupNumber;
            // Protecting a folder during the scan counts from the next group on.
            protection.follow(host.protectedFolders());
            std::size_t inProtectedFolders = 0;
            for (ResultRow &row : rows) {
                protection.judge(row);
                inProtectedFolders += row.inProtectedFolder ? 1 : 0;
            }
            const KeepRule rule = host.keepRule();
            for (std::size_t r = 0; r < rows.size(); ++r) {
                rows[r].group = groupNumber;
                rows[r].checked = KeepRuleChecks(rule, r, rows.size(), {rows[r].inProtectedFolder, inProtectedFolders});
                host.addResultRow(std::move(rows[r]));
                ctx.stats.rows++;
            }
            ctx.stats.groups = groupNumber; // whole groups only, should an error end the scan here
        }
        if (stopped)
            return;
        host.setProgressPosition(int(std::min<std::size_t>(sc.end, INT_MAX)));
        stopped = host.stopFlag();
        if (!stopped)
            ctx.showElapsed(start);
    };
    const auto batches = ctx.rotationalStorage ? oneBatchEach(classes) : batchesOf(classes, readers);
    // How far the readers may run ahead of the rows shown: far enough that
    // one slow size (many files, or large ones on a share) holds up no one.
    const std::size_t lookahead = 8 * std::size_t(readers);
    RunOrderedParallel<BatchGroups>(
        batches.size(), readers, [&depth] { return depth.depth(); }, lookahead,
        ctx.rotationalStorage ? placeOrder : longBatches(batches, classes, sorted, depth.depth(), shared.sizes.longest),
        [&](std::size_t b, unsigned reader) {
            if (!groupers[reader]) {
                groupers[reader] = std::make_unique<ContentGrouper>(shared);
                locales[reader] = std::make_unique<LocaleCompare>();
            }
            BatchGroups out(batches[b].endClass - batches[b].firstClass);
            for (std::size_t k = batches[b].firstClass; k < batches[b].endClass; ++k) {
                // A size the passes over the disk decided needs no more reading:
                // it still comes in after Stop.
                const SweptHeads *decided = swept[k] ? &*swept[k] : nullptr;
                if (shared.cancelled() && !(decided && decided->whole))
                    continue;
                out[k - batches[b].firstClass]
                    = groupSizeClass(sorted, classes[k], *groupers[reader], *locales[reader], decided);
            }
            return out;
        },
        [&](std::size_t b, BatchGroups &done) {
            for (std::size_t i = 0; i < done.size() && !ctx.aborted(); ++i)
                addSizeRows(classes[batches[b].firstClass + i], done[i]);
            return !ctx.aborted();
        });
    if (ctx.aborted())
        return;
    if (!stopped)
        host.setProgressPosition(int(std::min<std::size_t>(n, INT_MAX)));
    ctx.stats.groups = groupNumber;
    host.showSummary({groupNumber, ctx.stats.unreadable(), ctx.stats.systemFolders});
}
