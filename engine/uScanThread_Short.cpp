// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "uScanThread_Short.h"
#include "CRC32Pas.h"
#include "ContentGrouper.h"
#include "DepthControl.h"
#include "DirectoryReader.h"
#include "FolderListing.h"
#include "FolderSize.h"
#include "HostGate.h"
#include "LocalTime.h"
#include "LocaleCompare.h"
#include "OrderedParallel.h"
#include "OpenFileBudget.h"
#include "OpenFileLimit.h"
#include "OpenedFile.h"
#include "RemoteStorage.h"
#include "ScanBoundary.h"
#include "ScanTexts.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>
#include <numeric>
#include <optional>

ScanContext::ScanContext(ScanHost &h, const std::atomic<bool> &a)
    : host(h), abort(a)
{
}

ScanContext::~ScanContext() = default;

ScanBoundary &ScanContext::ensureBoundary()
{
    if (!boundary)
        boundary = std::make_unique<ScanBoundary>(systemTrees ? *systemTrees : ScanBoundary::standardTrees());
    return *boundary;
}

void ScanContext::showElapsed(std::int64_t startMs)
{
    const std::int64_t elapsed = MonotonicMs() - startMs;
    if (elapsed / 1000 == lastLabelSecond)
        return; // the text only changes once a second
    lastLabelSecond = elapsed / 1000;
    host.setElapsedText(ElapsedText(elapsed));
}

std::uint32_t FileCRC32(const std::string &path)
{
    OpenedFile file;
    if (!file.open(path))
        return 0;
    std::vector<char> block(65536);
    std::uint32_t crc = 0xFFFFFFFFu;
    std::int64_t offset = 0;
    for (;;) {
        const long n = file.readAt(offset, block.data(), block.size());
        if (n <= 0)
            break; // the end, or a read error: what was read counts
        crc = UpdateCRC32(crc, block.data(), static_cast<std::int32_t>(n));
        offset += n;
    }
    return ~crc;
}

namespace {

bool IsSystemFolder(ScanBoundary &boundary, const std::string &folder)
{
    DirectoryReader dir;
    return dir.open(folder) && boundary.listedFolder(dir.fd()) == FolderStanding::System;
}

void advanceProgress(ScanHost &host, std::int64_t size)
{
    const std::int64_t total = host.totalBytes();
    if (total <= 0 || size <= 0)
        return; // no estimate to measure against: the bar stays put
    const double step = std::ceil(double(size) * 1000.0 / double(total));
    const std::int64_t position = std::int64_t(host.progressPosition()) + std::int64_t(std::min(step, double(INT_MAX)));
    host.setProgressPosition(int(std::min<std::int64_t>(position, INT_MAX)));
}

struct WalkEntry {
    const char *name = nullptr;
    FileKind kind = FileKind::Other;
};

// A folder read from the disk as the walk goes.
class LiveFolder {
public:
    explicit LiveFolder(ScanContext &ctx) : ctx_(ctx) {}
    LiveFolder emptyChild() const { return LiveFolder(ctx_); }
    bool open(const std::string &path)
    {
        if (!dir_.open(path))
            return countUnreadable();
        self_ = dir_.status();
        standing_ = ctx_.boundary->listedFolder(dir_.fd());
        return standing_ != FolderStanding::System;
    }
    FolderStanding standing() const { return standing_; }
    bool next(WalkEntry &e)
    {
        DirectoryReader::Entry d;
        if (!dir_.next(d))
            return false;
        e.name = d.name;
        status_ = {};
        switch (d.type) {
        case DirectoryReader::EntryType::Directory: e.kind = FileKind::Directory; break;
        case DirectoryReader::EntryType::Regular: e.kind = FileKind::Regular; break;
        case DirectoryReader::EntryType::Other: e.kind = FileKind::Other; break;
        case DirectoryReader::EntryType::Unknown:
            status_ = dir_.statEntry(d.name);
            e.kind = status_.kind == FileKind::Missing ? FileKind::Other : status_.kind;
            break;
        }
        return true;
    }
    PathStatus status(const WalkEntry &e)
    {
        return status_.kind != FileKind::Missing ? status_ : dir_.statEntry(e.name);
    }
    bool enter(const WalkEntry &e, LiveFolder &child)
    {
        if (!child.dir_.openChild(dir_, e.name))
            return child.countUnreadable();
        child.self_ = child.dir_.status();
        child.standing_ = ctx_.boundary->subfolder(standing_, self_, e.name, child.dir_.fd(), child.self_);
        return child.standing_ != FolderStanding::System;
    }

private:
    bool countUnreadable()
    {
        if (dir_.unreadable())
            ctx_.stats.unreadableFolders++;
        return false;
    }
    ScanContext &ctx_;
    DirectoryReader dir_;
    PathStatus self_;
    FolderStanding standing_ = FolderStanding::User;
    PathStatus status_;
};

// A folder as measuring the folders read it a moment ago.
class ListedFolder {
public:
    ListedFolder(const FolderListing &listing, std::uint32_t index) : listing_(listing) { seek(index); }
    explicit ListedFolder(const FolderListing &listing) : listing_(listing) {}
    ListedFolder emptyChild() const { return ListedFolder(listing_); }
    // The listing holds only what the boundary let in.
    FolderStanding standing() const { return FolderStanding::User; }
    bool next(WalkEntry &e)
    {
        if (position_ == end_)
            return false;
        current_ = &listing_.entry(position_++);
        e.name = listing_.name(*current_).data(); // names are stored NUL-terminated
        e.kind = current_->kind;
        return true;
    }
    PathStatus status(const WalkEntry &) const { return {current_->kind, current_->identity, current_->owner}; }
    bool enter(const WalkEntry &, ListedFolder &child) const
    {
        if (current_->child == FolderListing::kNotEntered)
            return false;
        child.seek(current_->child);
        return true;
    }

private:
    void seek(std::uint32_t index)
    {
        const auto &d = listing_.directory(index);
        position_ = d.firstEntry;
        end_ = d.firstEntry + d.entryCount;
    }
    const FolderListing &listing_;
    std::uint64_t position_ = 0, end_ = 0;
    const FolderListing::Entry *current_ = nullptr;
};

// One folder level: its own filter copy and its own start time for the label.
template <typename Folder>
void collectDirectory(ScanContext &ctx, Folder &dir, std::string &prefix, CandidateList &list)
{
    const std::int64_t start = MonotonicMs();
    const std::string filter = UpperFilter(ctx.host.filterText());
    WalkEntry entry;
    while (dir.next(entry)) {
        if (ctx.aborted())
            return;
        if (entry.kind == FileKind::Directory) {
            Folder child = dir.emptyChild();
            if (dir.enter(entry, child)) {
                const std::size_t keep = prefix.size();
                prefix.append(entry.name).push_back('/');
                collectDirectory(ctx, child, prefix, list);
                prefix.resize(keep);
            }
        } else if (entry.kind == FileKind::Regular && dir.standing() == FolderStanding::User &&
                   ExtensionPasses(entry.name, filter)) {
            // A file gone since the listing is still taken, as an empty one;
            // it cannot be opened later and so never joins a group.
            const PathStatus status = dir.status(entry);
            if (status.kind == FileKind::Missing || ScanBoundary::admitsFile(dir.standing(), status)) {
                advanceProgress(ctx.host, status.identity.size);
                list.append(status, prefix, entry.name);
            }
        }
        // Links, FIFOs, sockets and devices are skipped without being touched.
        if (ctx.host.stopFlag() || ctx.aborted())
            return;
        ctx.showElapsed(start);
    }
}

struct GroupMember {
    std::uint32_t index; // into the sorted list
    std::string timeText;
    QString display; // converted once, compared many times
};

bool pathBefore(const GroupMember &a, const GroupMember &b, const CandidateList &list, const LocaleCompare &locale)
{
    if (const int c = locale.compareDisplay(a.display, b.display))
        return c < 0;
    return list.path(a.index) < list.path(b.index);
}

bool memberBefore(const GroupMember &a, const GroupMember &b, const CandidateList &list, const LocaleCompare &locale)
{
    if (a.timeText != b.timeText)
        return a.timeText < b.timeText;
    return pathBefore(a, b, list, locale);
}

} // namespace

void CollectFiles(ScanContext &context, const std::string &folder, CandidateList &list, const FolderListing *listing)
{
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/')
        prefix.push_back('/');
    if (listing && !listing->empty()) {
        context.stats.unreadableFolders += listing->unreadableFolders();
        ListedFolder root(*listing, 0);
        collectDirectory(context, root, prefix, list);
        return;
    }
    context.ensureBoundary();
    LiveFolder root(context);
    if (root.open(folder))
        collectDirectory(context, root, prefix, list);
}

void SortCandidates(CandidateList &list)
{
    auto &items = list.items();
    std::vector<std::uint32_t> order(items.size());
    std::iota(order.begin(), order.end(), 0u);
    auto sameFileOrder = [&](std::uint32_t a, std::uint32_t b) {
        const auto &x = items[a].identity, &y = items[b].identity;
        if (x.size != y.size) return x.size < y.size;
        if (x.device != y.device) return x.device < y.device;
        if (x.inode != y.inode) return x.inode < y.inode;
        return a < b;
    };
    std::sort(order.begin(), order.end(), sameFileOrder);
    // Hard links and folders met twice: one candidate per file, the first met.
    std::vector<std::uint32_t> kept;
    kept.reserve(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto &id = items[order[k]].identity;
        if (!kept.empty()) {
            const auto &prev = items[kept.back()].identity;
            if (prev.size == id.size && prev.device == id.device && prev.inode == id.inode && id.inode != 0)
                continue;
        }
        kept.push_back(order[k]);
    }
    std::sort(kept.begin(), kept.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto sa = items[a].identity.size, sb = items[b].identity.size;
        return sa != sb ? sa < sb : a < b;
    });
    std::vector<Candidate> sorted;
    sorted.reserve(kept.size());
    for (std::uint32_t k : kept)
        sorted.push_back(items[k]);
    items.swap(sorted);
}

namespace {

struct SizeClass {
    std::size_t begin, end; // a run of the sorted list sharing one size
};

using OrderedGroups = std::vector<std::vector<ResultRow>>;
// The groups of each size of a batch, in order; nothing for a size whose
// comparison was cancelled, and no sizes after it.
using BatchGroups = std::vector<std::optional<OrderedGroups>>;

// The groups of one size, in the order the result list shows them: groups
// follow the locale order of their first path, rows follow modification
// time, then path. Rows still lack their group number and check mark.
// Nothing when the comparison was cancelled: a group is never shown
// half-compared.
std::optional<OrderedGroups> groupSizeClass(const CandidateList &sorted, SizeClass sc, ContentGrouper &grouper,
                                            const LocaleCompare &locale)
{
    std::vector<ContentGrouper::File> files;
    files.reserve(sc.end - sc.begin);
    for (std::size_t k = sc.begin; k < sc.end; ++k)
        files.push_back({std::string(sorted.path(k)), sorted[k].identity, sorted[k].owner});
    const std::int64_t size = sorted[sc.begin].identity.size;
    const auto groups = grouper.group(files, size);
    if (!groups)
        return std::nullopt;

    std::vector<std::vector<GroupMember>> ordered;
    for (const auto &g : *groups) {
        std::vector<GroupMember> members;
        for (std::uint32_t m : g) {
            const auto index = std::uint32_t(sc.begin + m);
            members.push_back({index, LocalTimeText(sorted[index].identity.mtimeNs), LocaleCompare::toDisplay(sorted.path(index))});
        }
        std::sort(members.begin(), members.end(), [&](auto &a, auto &b) { return memberBefore(a, b, sorted, locale); });
        ordered.push_back(std::move(members));
    }
    auto firstPath = [&](const std::vector<GroupMember> &g) {
        return *std::min_element(g.begin(), g.end(), [&](auto &a, auto &b) { return pathBefore(a, b, sorted, locale); });
    };
    std::sort(ordered.begin(), ordered.end(), [&](auto &a, auto &b) { return pathBefore(firstPath(a), firstPath(b), sorted, locale); });

    OrderedGroups out;
    for (const auto &members : ordered) {
        std::vector<ResultRow> rows;
        for (const auto &m : members) {
            ResultRow row;
            row.path = std::string(sorted.path(m.index));
            row.sizeText = SizeField(size);
            row.timeText = m.timeText;
            row.identity = sorted[m.index].identity;
            rows.push_back(std::move(row));
        }
        out.push_back(std::move(rows));
    }
    return out;
}

std::vector<SizeClass> sharedSizes(const CandidateList &sorted)
{
    std::vector<SizeClass> classes;
    for (std::size_t i = 0, j; i < sorted.size(); i = j) {
        for (j = i + 1; j < sorted.size() && sorted[j].identity.size == sorted[i].identity.size; ++j) {
        }
        if (j - i >= 2)
            classes.push_back({i, j}); // a size no other file shares is never opened
    }
    return classes;
}

// Consecutive sizes handed to a reader at once, so that threads meet once per
// batch rather than once per size.
struct Batch {
    std::size_t firstClass, endClass;
};

// Few enough files per batch that every reader of a deep queue has some
// waiting, and at most 128.
std::vector<Batch> batchesOf(const std::vector<SizeClass> &classes, unsigned readers)
{
    std::size_t all = 0;
    for (const auto &c : classes)
        all += c.end - c.begin;
    const std::size_t perBatch = std::clamp<std::size_t>(all / (8 * std::size_t(readers)), 1, 128);
    std::vector<Batch> batches;
    for (std::size_t k = 0; k < classes.size();) {
        Batch b{k, k};
        std::size_t files = 0;
        while (b.endClass < classes.size() && files < perBatch) {
            files += classes[b.endClass].end - classes[b.endClass].begin;
            ++b.endClass;
        }
        batches.push_back(b);
        k = b.endClass;
    }
    return batches;
}

// Batches long enough that, taken in turn near the end, they would keep the
// other readers idle while one reader finishes them: the few largest sizes,
// usually. Longest first. A batch's length is counted in requests: a few
// per file to open and check it, and one per read of its bytes.
std::vector<std::size_t> longBatches(const std::vector<Batch> &batches, const std::vector<SizeClass> &classes,
                                     const CandidateList &sorted, unsigned readers, std::int64_t readSize)
{
    constexpr double kRequestsPerFile = 3;
    std::vector<double> requests(batches.size());
    double all = 0;
    for (std::size_t b = 0; b < batches.size(); ++b) {
        for (std::size_t k = batches[b].firstClass; k < batches[b].endClass; ++k) {
            const double files = double(classes[k].end - classes[k].begin);
            const double size = double(sorted[classes[k].begin].identity.size);
            requests[b] += files * (kRequestsPerFile + size / double(readSize));
        }
        all += requests[b];
    }
    // Half an even share of all the work is long.
    const double longOnes = all / (2.0 * std::max(1u, readers));
    std::vector<std::size_t> found;
    for (std::size_t b = 0; b < batches.size(); ++b)
        if (requests[b] >= longOnes)
            found.push_back(b);
    std::sort(found.begin(), found.end(), [&](std::size_t a, std::size_t b) { return requests[a] > requests[b]; });
    if (found.size() > readers)
        found.resize(readers);
    return found;
}

// Twice the cores to start with on a local disk: with a cold cache a reader
// mostly waits for the disk, and more requests in flight keep it busy; with a
// warm one the cost is small. A share starts deep. Either grows while the
// storage answers slowly. A count the caller chose is kept as it is.
DepthControl::Range readerDepth(const ScanContext &ctx)
{
    if (ctx.readerThreads > 0)
        return {ctx.readerThreads, ctx.readerThreads, ctx.readerThreads};
    return DepthControl::forStorage(ctx.remoteStorage, std::clamp(2 * std::thread::hardware_concurrency(), 2u, 8u));
}

} // namespace

void FindDuplicateGroups(ScanContext &ctx, const CandidateList &sorted)
{
    const std::int64_t start = MonotonicMs();
    ctx.lastLabelSecond = -1;
    const std::size_t n = sorted.size();
    ScanHost &host = ctx.host;
    host.setProgressPosition(1);
    host.setProgressMaximum(int(std::min<std::size_t>(n, INT_MAX)));

    const auto classes = sharedSizes(sorted);
    DepthControl depth(readerDepth(ctx));
    const unsigned readers = depth.most();
    // Every reader draws on one budget of descriptors, so together they stay
    // within the limit in force whatever their number.
    OpenFileBudget budget(OpenFileBudget::slotsUnder(OpenFileLimit()));
    ContentGrouper::Shared shared{[&ctx] { return ctx.aborted() || ctx.host.stopFlag(); }, budget,
                                  ctx.stats.bytesRead, ctx.stats.unreadableFiles, depth,
                                  ctx.remoteStorage ? ContentGrouper::kRemoteReads : ContentGrouper::kLocalReads};
    // Each reader thread has its own grouper and collator, made when it
    // starts; neither is shared.
    std::vector<std::unique_ptr<ContentGrouper>> groupers(readers);
    std::vector<std::unique_ptr<LocaleCompare>> locales(readers);

    int groupNumber = 0;
    bool stopped = false;
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
            for (std::size_t r = 0; r < rows.size(); ++r) {
                rows[r].group = groupNumber;
                rows[r].checked = host.keepRule() == 0 ? r + 1 != rows.size() : r != 0;
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
    const auto batches = batchesOf(classes, readers);
    // How far the readers may run ahead of the rows shown: far enough that
    // one slow size (many files, or large ones on a share) holds up no one.
    const std::size_t lookahead = 8 * std::size_t(readers);
    RunOrderedParallel<BatchGroups>(
        batches.size(), readers, [&depth] { return depth.depth(); }, lookahead,
        longBatches(batches, classes, sorted, depth.depth(), shared.sizes.longest),
        [&](std::size_t b, unsigned reader) {
            if (!groupers[reader]) {
                groupers[reader] = std::make_unique<ContentGrouper>(shared);
                locales[reader] = std::make_unique<LocaleCompare>();
            }
            BatchGroups out(batches[b].endClass - batches[b].firstClass);
            for (std::size_t k = batches[b].firstClass; k < batches[b].endClass && !shared.cancelled(); ++k)
                out[k - batches[b].firstClass] = groupSizeClass(sorted, classes[k], *groupers[reader], *locales[reader]);
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

// What a job works with: shared by its handle and its thread, so that a job
// left behind lives as long as its thread, and no longer.
struct TScanThread_Short::Job {
    Job(ScanHost &host, std::vector<std::string> f, EstimateReady e, FinishedCallback d)
        : gate(host), folders(std::move(f)), estimateReady(std::move(e)), onFinished(std::move(d)), context(gate, abort)
    {
    }
    void run();
    void execute();
    void reportEndedEarly(const std::exception_ptr &error) noexcept;

    HostGate gate; // every call of the job to its host and callbacks passes here
    std::vector<std::string> folders;
    EstimateReady estimateReady;
    FinishedCallback onFinished;
    std::atomic<bool> abort{false};
    ScanContext context;
};

TScanThread_Short::TScanThread_Short(ScanHost &host, std::vector<std::string> folders, bool createSuspended,
                                     EstimateReady estimateReady, FinishedCallback finished)
    : job_(std::make_shared<Job>(host, std::move(folders), std::move(estimateReady), std::move(finished))),
      ended_(std::make_shared<std::atomic<bool>>(false))
{
    if (!createSuspended)
        Start();
}

TScanThread_Short::~TScanThread_Short()
{
    Abort();
    WaitFor();
}

void TScanThread_Short::setSystemTrees(std::vector<SystemTree> trees)
{
    job_->context.systemTrees = std::move(trees);
}

void TScanThread_Short::setReaderThreads(unsigned count)
{
    job_->context.readerThreads = count;
}

void TScanThread_Short::setRemoteStorage(bool remote)
{
    job_->context.remoteStorage = remote;
}

const ScanStats &TScanThread_Short::Stats() const
{
    return job_->context.stats;
}

void TScanThread_Short::Start()
{
    if (started_)
        return;
    started_ = true;
    // The thread holds the job until its end, then says it has let go.
    thread_ = std::thread([job = job_, ended = ended_]() mutable {
        job->run();
        job.reset();
        ended->store(true);
    });
}

void TScanThread_Short::Abort()
{
    job_->abort.store(true);
}

bool TScanThread_Short::Abandon()
{
    Abort();
    if (!job_->gate.close())
        return false;
    if (thread_.joinable())
        thread_.detach();
    else
        ended_->store(true); // never started: nothing is left behind
    return true;
}

void TScanThread_Short::WaitFor()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TScanThread_Short::Job::run()
{
    try {
        execute();
    } catch (...) {
        reportEndedEarly(std::current_exception());
    }
    gate.closeWith(onFinished);
}

// An error ends the job where it stands: the rows already added stay, and the
// summary says the scan ended early, so that a part never passes for the whole.
void TScanThread_Short::Job::reportEndedEarly(const std::exception_ptr &error) noexcept
{
    if (context.aborted())
        return; // closing: nobody waits for a summary
    try {
        ScanSummary summary{context.stats.groups, context.stats.unreadable(), context.stats.systemFolders};
        summary.endedEarly = true;
        summary.failure = FailureReason(error);
        gate.showSummary(summary);
    } catch (...) {
        // Not even the summary could be sent (memory ran out): the job still ends.
    }
}

void TScanThread_Short::Job::execute()
{
    if (folders.empty())
        return;
    ScanBoundary &boundary = context.ensureBoundary();
    // A listed folder inside a system tree adds nothing; the summary says so.
    std::vector<std::string> searched;
    for (const auto &folder : folders) {
        if (IsSystemFolder(boundary, folder)) {
            ++context.stats.systemFolders;
            continue;
        }
        searched.push_back(folder);
        context.remoteStorage = context.remoteStorage || IsRemoteStorage(folder);
    }
    std::vector<FolderListing> listings(searched.size());
    if (estimateReady) {
        // Stop ends the measuring too; the walk then reads the disk itself.
        const auto cancelled = [this] { return context.aborted() || context.host.stopFlag(); };
        std::int64_t total = 0;
        for (std::size_t i = 0; i < searched.size() && !cancelled(); ++i)
            total += GetFolderSize(searched[i], cancelled, &listings[i], &boundary);
        gate.pass([&] { estimateReady(total); });
    }
    CandidateList list;
    for (std::size_t i = 0; i < searched.size(); ++i) {
        if (context.aborted())
            return;
        CollectFiles(context, searched[i], list, &listings[i]);
        listings[i].clear(); // walked: its memory is better spent on candidates
    }
    if (context.aborted())
        return;
    SortCandidates(list);
    context.stats.candidates = list.size();
    FindDuplicateGroups(context, list);
}
