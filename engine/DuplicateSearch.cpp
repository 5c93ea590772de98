// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/DuplicateSearch.h"
#include "engine/ContentGrouper.h"
#include "engine/FolderDescriptors.h"
#include "engine/HeadSweep.h"
#include "engine/KeepRule.h"
#include "engine/OpenFileBudget.h"
#include "engine/OrderedParallel.h"
#include "engine/PhysicalOrder.h"
#include "engine/ProtectionJudge.h"
#include "engine/ReadBatches.h"
#include "engine/ReadLanes.h"
#include "engine/ScanContext.h"
#include "engine/SharedCopies.h"
#include "engine/SizeClassGroups.h"
#include "platform/LocalTime.h"
#include "platform/LocaleCompare.h"
#include "platform/OpenFileLimit.h"
#include "platform/PhysicalOffset.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>

namespace
{

// The groups of each size of a batch, in order; nothing for a size whose
// comparison was cancelled, and no sizes after it.
using BatchGroups = std::vector<std::optional<OrderedGroups>>;

// What the readers of one lane share: how many work at once, and how they read.
struct LaneReaders {
    LaneReaders(ScanContext &ctx, const ReadLane &lane, OpenFileBudget &budget, FolderDescriptors &folders,
                std::size_t memory, const std::function<bool()> &cancelled)
        : depth(lane.profile.readers), shared{cancelled,
                                              budget,
                                              ctx.stats.bytesRead,
                                              ctx.stats.unreadableFiles,
                                              depth,
                                              lane.profile.reads,
                                              ctx.readObserver,
                                              memory,
                                              &folders}
    {
    }
    DepthControl depth;
    ReaderShared shared;
    std::vector<std::size_t> placeOrder; // of a lane read by place: its sizes in the order their first files lie
};

// Each size's groups enter the list in size order, numbered and marked as
// they come. After Stop, the sizes the readers had finished still come in,
// in their order; a size cut short is dropped whole, never shown
// half-compared.
class RowSink
{
public:
    RowSink(ScanContext &ctx, std::size_t candidates) : ctx_(ctx), candidates_(candidates)
    {
        ctx.lastLabelSecond = -1;
        ctx.host.setProgressPosition(1);
        ctx.host.setProgressMaximum(int(std::min<std::size_t>(candidates, INT_MAX)));
    }
    void add(const SizeClass &sc, std::optional<OrderedGroups> &groups)
    {
        if (!groups) {
            stopped_ = true;
            return;
        }
        for (auto &rows : *groups) {
            ++groupNumber_;
            // Protecting a folder during the scan counts from the next group on.
            protection_.follow(ctx_.host.protectedFolders());
            for (ResultRow &row : rows)
                protection_.judge(row);
            MarkGroup(ctx_.host.keepRule(), rows.begin(), rows.end());
            for (ResultRow &row : rows) {
                row.group = groupNumber_;
                ctx_.host.addResultRow(std::move(row));
                ctx_.stats.rows++;
            }
            ctx_.stats.groups = groupNumber_; // whole groups only, should an error end the scan here
        }
        if (stopped_)
            return;
        ctx_.host.setProgressPosition(int(std::min<std::size_t>(sc.end, INT_MAX)));
        stopped_ = ctx_.host.stopFlag();
        if (!stopped_)
            ctx_.showElapsed(start_);
    }
    void finish()
    {
        if (ctx_.aborted())
            return;
        if (!stopped_)
            ctx_.host.setProgressPosition(int(std::min<std::size_t>(candidates_, INT_MAX)));
        ctx_.stats.groups = groupNumber_;
        ctx_.host.showSummary(ctx_.stats.summary(groupNumber_));
    }
    void showElapsed() { ctx_.showElapsed(start_); }

private:
    ScanContext &ctx_;
    const std::int64_t start_ = MonotonicMs();
    const std::size_t candidates_;
    int groupNumber_ = 0;
    bool stopped_ = false;
    ProtectionJudge protection_;
};

// Every lane's readers draw on one budget of descriptors, so together they
// stay within the limit in force whatever their number, and share the
// memory for reading and the folders kept open.
std::vector<std::unique_ptr<LaneReaders>> ReadersOf(ScanContext &ctx, const ReadLanes &lanes, OpenFileBudget &budget,
                                                    FolderDescriptors &folders, const std::function<bool()> &cancelled)
{
    std::vector<std::unique_ptr<LaneReaders>> readers;
    for (const ReadLane &lane : lanes.lanes)
        readers.push_back(std::make_unique<LaneReaders>(ctx, lane, budget, folders,
                                                        lane.profile.memory / lanes.lanes.size(), cancelled));
    return readers;
}

// On a spinning disk the sizes are read in the order their first files lie,
// and the files of each in the order they lie; rows still come in size
// order. Where the file system tells where a file lies, reads follow it;
// elsewhere inode numbers stand in. Then the first reads of all its sizes
// come first, in one pass over the disk: most files that differ are told
// apart by it.
std::vector<std::optional<SweptHeads>> SweepByPlace(ScanContext &ctx, CandidateList &sorted,
                                                    const std::vector<SizeClass> &classes, const ReadLanes &lanes,
                                                    std::vector<std::unique_ptr<LaneReaders>> &readers, RowSink &rows)
{
    std::vector<std::optional<SweptHeads>> swept(classes.size());
    const ExtentLookup lookup = ctx.extentLookup
        ? ctx.extentLookup
        : [](const std::string &path, const FileIdentity &) { return FirstPhysicalOffset(path); };
    for (std::size_t l = 0; l < lanes.lanes.size(); ++l) {
        const ReadLane &lane = lanes.lanes[l];
        if (lane.profile.order != ReadOrder::ByPlace)
            continue;
        std::vector<SizeClass> own;
        for (std::size_t c : lane.classes)
            own.push_back(classes[c]);
        std::vector<std::uint32_t> sweep;
        const auto order = OrderByPlace(sorted, own, lookup, readers[l]->shared.cancelled, &sweep);
        if (!order)
            continue; // after a Stop during the lookups nothing is read anyway
        for (std::size_t k : *order)
            readers[l]->placeOrder.push_back(lane.classes[k]);
        auto found = SweepHeads(sorted, classes, readers[l]->placeOrder, sweep, readers[l]->shared,
                                readers[l]->shared.memory, lane.profile.readOnFirst, [&] { rows.showElapsed(); });
        for (std::size_t c : lane.classes)
            swept[c] = std::move(found[c]);
    }
    return swept;
}

// The sizes' groups, read by each lane's readers in the lane's order, and
// added in size order.
void ReadAllSizes(ScanContext &ctx, const CandidateList &sorted, const std::vector<SizeClass> &classes,
                  const ReadLanes &lanes, std::vector<std::unique_ptr<LaneReaders>> &readers,
                  std::vector<std::optional<SweptHeads>> &swept, RowSink &rows)
{
    const auto batches = batchesOf(classes, lanes);
    std::vector<unsigned> laneOf;
    std::vector<std::size_t> batchOfClass(classes.size());
    for (std::size_t b = 0; b < batches.size(); ++b) {
        laneOf.push_back(batches[b].lane);
        for (std::size_t k = batches[b].firstClass; k < batches[b].endClass; ++k)
            batchOfClass[k] = b;
    }
    std::vector<WorkerLane> workers;
    for (std::size_t l = 0; l < lanes.lanes.size(); ++l) {
        LaneReaders &r = *readers[l];
        std::vector<std::size_t> first;
        // What the passes over the disk left to read goes first, in the order
        // it lies (one size a batch there); the sizes they decided follow in
        // size order, as the rows are shown, so their rows are not all held
        // at once while the first size waits.
        for (std::size_t c : r.placeOrder)
            if (!(swept[c] && swept[c]->decided()))
                first.push_back(batchOfClass[c]);
        if (lanes.lanes[l].profile.order == ReadOrder::BySize)
            first = longBatches(batches, unsigned(l), classes, sorted, r.depth.depth(), r.shared.sizes.longest);
        // How far the readers may run ahead of the rows shown: far enough
        // that one slow size (many files, or large ones on a share) holds up no one.
        workers.push_back({r.depth.most(), [&r] { return r.depth.depth(); }, 8 * std::size_t(r.depth.most()), first});
    }
    // Each reader thread has its own grouper and collator, made when it starts.
    std::vector<std::unique_ptr<ContentGrouper>> groupers;
    std::vector<std::unique_ptr<LocaleCompare>> locales;
    for (const WorkerLane &w : workers) {
        groupers.resize(groupers.size() + w.workers);
        locales.resize(locales.size() + w.workers);
    }
    RunOrderedParallel<BatchGroups>(
        batches.size(), workers, laneOf,
        [&](std::size_t b, unsigned reader) {
            LaneReaders &lane = *readers[batches[b].lane];
            if (!groupers[reader]) {
                groupers[reader] = std::make_unique<ContentGrouper>(lane.shared);
                locales[reader] = std::make_unique<LocaleCompare>();
            }
            BatchGroups out(batches[b].endClass - batches[b].firstClass);
            for (std::size_t k = batches[b].firstClass; k < batches[b].endClass; ++k) {
                // A size the passes over the disk decided needs no more reading:
                // it still comes in after Stop.
                const SweptHeads *decided = swept[k] ? &*swept[k] : nullptr;
                if (lane.shared.cancelled() && !(decided && decided->decided()))
                    continue;
                auto &groups = out[k - batches[b].firstClass];
                groups = groupSizeClass(sorted, classes[k], *groupers[reader], *locales[reader], decided);
                if (groups) {
                    const SharedCopies shared = CountSharedCopies(*groups, *ctx.profiles);
                    ctx.stats.sharedCopies += shared.copies;
                    ctx.stats.sharedBytes += shared.bytes;
                }
            }
            return out;
        },
        [&](std::size_t b, BatchGroups &done) {
            for (std::size_t i = 0; i < done.size() && !ctx.aborted(); ++i)
                rows.add(classes[batches[b].firstClass + i], done[i]);
            return !ctx.aborted();
        });
}

} // namespace

void FindDuplicateGroups(ScanContext &ctx, CandidateList &sorted)
{
    RowSink rows(ctx, sorted.size());
    const auto cancelled = [&ctx] { return ctx.aborted() || ctx.host.stopFlag(); };
    const auto classes = sharedSizes(sorted);
    const ReadLanes lanes = PlanReadLanes(sorted, classes, ctx.ensureProfiles());
    OpenFileBudget budget(OpenFileBudget::slotsUnder(OpenFileLimit()));
    const std::size_t kept = FolderDescriptors::slotsFor(budget.capacity(), sorted.folderCount());
    std::optional<OpenFileLease> folderSlots;
    if (kept > 0)
        folderSlots.emplace(budget, kept, cancelled);
    FolderDescriptors folders(sorted, folderSlots ? folderSlots->count() : 0);
    folders.adopt(sorted.takeKeptFolders());
    auto readers = ReadersOf(ctx, lanes, budget, folders, cancelled);
    auto swept = SweepByPlace(ctx, sorted, classes, lanes, readers, rows);
    ReadAllSizes(ctx, sorted, classes, lanes, readers, swept, rows);
    rows.finish();
}
