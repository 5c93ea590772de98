// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ContentGrouper.h"
#include "engine/OpenFileBudget.h"
#include "engine/PiecePartition.h"
#include "platform/DepthControl.h"
#include "platform/OpenedFile.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>

namespace
{

constexpr std::int64_t kAlign = 4096; // where the middle probe starts
constexpr std::int64_t kMinPiece = 512;
// Smaller files are read whole: asking where their holes are costs more.
constexpr std::int64_t kHolesFrom = 1024 * 1024;

struct Range {
    std::int64_t offset;
    std::int64_t length;
};

void addGap(std::vector<Range> &plan, std::int64_t from, std::int64_t to, ContentGrouper::ReadSizes sizes)
{
    std::int64_t chunk = std::min(std::max(sizes.firstPiece, sizes.probe), sizes.longest);
    while (from < to) {
        const std::int64_t length = std::min(chunk, to - from);
        plan.push_back({from, length});
        from += length;
        chunk = std::min(chunk * 2, sizes.longest);
    }
}

// Files of one size usually differ in their headers or trailers, so those are
// compared first; the rest follows in growing sequential chunks.
std::vector<Range> readingPlan(std::int64_t size, ContentGrouper::ReadSizes sizes)
{
    const std::int64_t probe = sizes.probe;
    if (size <= std::max(sizes.whole, probe))
        return {{0, size}};
    if (size <= sizes.straightUpTo)
        return {{0, probe}, {probe, size - probe}};
    const std::int64_t lastStart = std::max(probe, size - probe);
    const Range last{lastStart, size - lastStart};
    const std::int64_t midStart = std::max(probe, (size / 2) / kAlign * kAlign);
    const std::int64_t midEnd = std::min(midStart + probe, last.offset);
    std::vector<Range> plan{{0, probe}, last};
    if (midEnd > midStart) {
        plan.push_back({midStart, midEnd - midStart});
        addGap(plan, probe, midStart, sizes);
        addGap(plan, midEnd, last.offset, sizes);
    } else {
        addGap(plan, probe, last.offset, sizes);
    }
    return plan;
}

// Members still alike after a prefix of the plan.
struct WorkSet {
    std::vector<std::uint32_t> members;
    std::size_t range = 0;   // index into the plan
    std::int64_t within = 0; // bytes of that range done
};

} // namespace

namespace
{

enum class Access { Ready, Skip, Cancelled };

// The open files of one set, each reopened on demand and checked to be the
// file the walk saw. A shortage of descriptors is waited out, never taken
// for a fault of the file.
class SetFiles
{
public:
    SetFiles(const std::vector<ContentGrouper::File> &files, std::int64_t size, ContentGrouper::Shared &shared)
        : files_(files), shared_(shared), handles_(files.size()), size_(size), runs_(files.size())
    {
    }

    // Whether holes are looked for in files of this set.
    bool sparseAware() const { return size_ >= kHolesFrom; }

    Access open(std::uint32_t i)
    {
        while (!handles_[i].isOpen()) {
            switch (shared_.depth.timed(
                [&] { return handles_[i].open(files_[i].path, files_[i].identity, files_[i].owner); })) {
            case OpenedFile::Outcome::Opened:
                if (sparseAware() && !runs_[i])
                    runs_[i] = handles_[i].dataRuns(size_);
                break;
            case OpenedFile::Outcome::Failed:
                shared_.unreadableFiles.fetch_add(1, std::memory_order_relaxed);
                return Access::Skip;
            case OpenedFile::Outcome::Changed:
                return Access::Skip;
            case OpenedFile::Outcome::NoDescriptor:
                if (shared_.cancelled())
                    return Access::Cancelled;
                closeAll(); // ours come back on demand; others may free theirs
                shared_.budget.waitForRelease(std::chrono::milliseconds(5));
                break;
            }
        }
        return Access::Ready;
    }

    bool holesKnown(std::uint32_t i) const { return runs_[i].has_value(); }
    // How many bytes from `offset` on lie in a hole of the file, which reads as
    // zeros; known once the file has been opened.
    std::int64_t holeAt(std::uint32_t i, std::int64_t offset) const
    {
        if (!runs_[i])
            return 0;
        const auto &runs = *runs_[i];
        // The first run that ends after the offset.
        const auto next = std::upper_bound(runs.begin(), runs.end(), offset,
                                           [](std::int64_t at, const auto &run) { return at < run.second; });
        if (next == runs.end())
            return size_ - offset;
        return std::max<std::int64_t>(0, next->first - offset);
    }

    // Reads a piece; false when the file failed or ended early.
    bool read(std::uint32_t i, std::int64_t offset, char *piece, std::size_t length)
    {
        if (holeAt(i, offset) >= std::int64_t(length)) {
            std::memset(piece, 0, length); // what a read would give, without the read
            return true;
        }
        if (shared_.onRead)
            shared_.onRead(files_[i].path, offset);
        if (shared_.depth.timed([&] { return handles_[i].readFullyAt(offset, piece, length); })) {
            shared_.bytesRead.fetch_add(length, std::memory_order_relaxed);
            return true;
        }
        if (handles_[i].readError() != 0)
            shared_.unreadableFiles.fetch_add(1, std::memory_order_relaxed);
        return false;
    }

    // Still what the walk saw, after its last read. Asked of the server:
    // a share's attribute cache may not know yet of a change made there,
    // and a share may lie below a local folder; a local file system answers
    // as it always does. A file a shortage of descriptors closed since its
    // read is opened again for it, which checks the same. Nothing when
    // cancelled while waiting for a descriptor.
    std::optional<bool> unchanged(std::uint32_t i)
    {
        if (!handles_[i].isOpen()) {
            const Access a = open(i);
            if (a != Access::Ready)
                return a == Access::Cancelled ? std::nullopt : std::optional<bool>(false);
        }
        return shared_.depth.timed([&] { return handles_[i].unchangedSince(files_[i].identity, true); });
    }
    void close(std::uint32_t i) { handles_[i].close(); }
    bool cancelled() const { return shared_.cancelled(); }
    void closeAll()
    {
        for (auto &h : handles_)
            h.close();
    }

private:
    const std::vector<ContentGrouper::File> &files_;
    ContentGrouper::Shared &shared_;
    std::vector<OpenedFile> handles_;
    std::int64_t size_;
    std::vector<std::optional<std::vector<std::pair<std::int64_t, std::int64_t>>>> runs_;
};

// The open members that are still what the walk saw; the others are closed.
// Nothing when cancelled: on a share each check is a round trip.
std::optional<std::vector<std::uint32_t>> keptUnchanged(SetFiles &handles, const std::vector<std::uint32_t> &members)
{
    std::vector<std::uint32_t> still;
    for (std::uint32_t i : members) {
        if (handles.cancelled())
            return std::nullopt;
        const auto same = handles.unchanged(i);
        if (!same)
            return std::nullopt;
        if (*same)
            still.push_back(i);
        else
            handles.close(i);
    }
    return still;
}

// Moves the set past `hole` bytes of zeros, through as many ranges of the
// plan as follow on from each other.
void skipHole(WorkSet &set, const std::vector<Range> &plan, std::int64_t hole)
{
    while (hole > 0 && set.range < plan.size()) {
        const Range &r = plan[set.range];
        const std::int64_t step = std::min(hole, r.length - set.within);
        set.within += step;
        hole -= step;
        if (set.within < r.length)
            return;
        const std::int64_t end = r.offset + r.length;
        set.range++;
        set.within = 0;
        if (set.range < plan.size() && plan[set.range].offset != end)
            return; // the next range lies elsewhere: look there afresh
    }
}

// The bytes from `offset` on that are a hole in every member, so zeros in all
// of them alike: nothing there needs reading or comparing. The members are
// opened to learn their holes; a member that cannot be opened has none.
std::optional<std::int64_t> CommonHole(SetFiles &handles, const std::vector<std::uint32_t> &members,
                                       std::int64_t offset, bool keepOpen)
{
    std::int64_t common = std::numeric_limits<std::int64_t>::max();
    for (std::uint32_t i : members) {
        if (!handles.holesKnown(i)) {
            const Access a = handles.open(i);
            if (a == Access::Cancelled)
                return std::nullopt;
            if (!keepOpen)
                handles.close(i);
        }
        common = std::min(common, handles.holeAt(i, offset)); // none known: none assumed
        if (common == 0)
            break;
    }
    return common;
}

} // namespace

std::int64_t ContentGrouper::firstReadLength(std::int64_t size, ReadSizes sizes)
{
    return size > 0 ? readingPlan(size, sizes).front().length : 0;
}

std::optional<std::vector<ContentGrouper::Group>> ContentGrouper::group(const std::vector<File> &files,
                                                                        std::int64_t size)
{
    // This reader's shares of descriptors and memory, among the readers at work now.
    const std::size_t readers = shared_.depth.depth();
    const std::size_t maxOpen = std::clamp<std::size_t>(shared_.budget.capacity() / readers, 1, kMaxOpenFiles);
    const std::size_t bufferBudget = std::max(kLeastBuffer, shared_.memory / readers);
    const OpenFileLease lease(shared_.budget, std::min(files.size(), maxOpen), shared_.cancelled);
    if (lease.count() == 0)
        return std::nullopt;
    SetFiles handles(files, size, shared_);

    std::vector<Group> done;
    WorkSet all;
    for (std::uint32_t i = 0; i < files.size(); ++i)
        all.members.push_back(i);
    const std::vector<Range> plan = readingPlan(size, shared_.sizes);
    std::vector<WorkSet> stack;
    stack.push_back(std::move(all));
    std::vector<char> buffer;

    while (!stack.empty()) {
        WorkSet set = std::move(stack.back());
        stack.pop_back();

        if (set.range == plan.size()) {
            // Everything compared, and each checked after its last read. Its
            // descriptors go back now: the sets still to come are owed them.
            for (std::uint32_t i : set.members)
                handles.close(i);
            if (set.members.size() >= 2)
                done.push_back(std::move(set.members));
            continue;
        }
        if (size == 0) {
            // Nothing to read: keep the files that are still what the walk saw.
            Group kept;
            for (std::uint32_t i : set.members) {
                if (shared_.cancelled())
                    return std::nullopt; // each open is a round trip on a share
                const Access a = handles.open(i);
                if (a == Access::Cancelled)
                    return std::nullopt;
                if (a == Access::Ready) {
                    const auto same = handles.unchanged(i);
                    if (!same)
                        return std::nullopt;
                    if (*same)
                        kept.push_back(i);
                }
                handles.close(i);
            }
            if (kept.size() >= 2)
                done.push_back(std::move(kept));
            continue;
        }

        const Range &r = plan[set.range];
        const bool keepOpen = set.members.size() <= lease.count();
        if (handles.sparseAware()) {
            const auto hole = CommonHole(handles, set.members, r.offset + set.within, keepOpen);
            if (!hole)
                return std::nullopt;
            if (*hole > 0) {
                if (shared_.cancelled())
                    return std::nullopt;
                skipHole(set, plan, *hole);
                stack.push_back(std::move(set));
                continue;
            }
        }
        const std::int64_t budgetPiece
            = std::max<std::int64_t>(kMinPiece, std::int64_t(bufferBudget / set.members.size()));
        const std::size_t length = std::size_t(std::min(r.length - set.within, budgetPiece));
        buffer.resize(length * set.members.size());

        const bool lastPiece = set.range + 1 == plan.size() && set.within + std::int64_t(length) == r.length;
        std::vector<std::uint32_t> readable;
        std::vector<const char *> pieces;
        for (std::uint32_t i : set.members) {
            if (shared_.cancelled())
                return std::nullopt;
            char *piece = buffer.data() + length * pieces.size();
            const Access a = handles.open(i);
            if (a == Access::Cancelled)
                return std::nullopt;
            // A file whose size or times moved since the walk, by its last
            // read, leaves: its bytes may be a mix of before and after. Files
            // kept open are checked once they prove to have a copy; others now,
            // while they are open.
            bool ok = a == Access::Ready && handles.read(i, r.offset + set.within, piece, length);
            if (ok && lastPiece && !keepOpen) {
                const auto same = handles.unchanged(i);
                if (!same)
                    return std::nullopt;
                ok = *same;
            }
            if (ok) {
                readable.push_back(i);
                pieces.push_back(piece);
            }
            if (!ok || !keepOpen)
                handles.close(i);
        }

        auto parts = PartitionAlike(readable, pieces, length);
        // Depth first keeps the open files within one lineage of sets.
        for (auto p = parts.rbegin(); p != parts.rend(); ++p) {
            if (lastPiece && keepOpen && p->size() >= 2) {
                auto still = keptUnchanged(handles, *p);
                if (!still)
                    return std::nullopt;
                *p = std::move(*still);
            }
            if (p->size() < 2) {
                for (std::uint32_t i : *p)
                    handles.close(i);
                continue;
            }
            WorkSet child;
            child.members = std::move(*p);
            child.range = set.range;
            child.within = set.within + std::int64_t(length);
            if (child.within == r.length) {
                child.range++;
                child.within = 0;
            }
            stack.push_back(std::move(child));
        }
    }
    std::sort(done.begin(), done.end(), [](const Group &a, const Group &b) { return a.front() < b.front(); });
    return done;
}
