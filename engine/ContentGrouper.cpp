// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ContentGrouper.h"
#include "engine/FileReader.h"
#include "engine/FolderDescriptors.h"
#include "engine/OpenFileBudget.h"
#include "engine/PiecePartition.h"
#include "platform/DepthControl.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

namespace
{

constexpr std::int64_t kAlign = 4096; // where the middle probe starts
constexpr std::int64_t kMinPiece = 512;
// Smaller files are read whole: asking where their holes are costs more.
constexpr std::int64_t kHolesFrom = 1024 * 1024;
// A set read on past its heads in one piece holds about this much of it at
// once, as much as growing pieces held; a large set, this much a member.
constexpr std::int64_t kStraightHeld = 512 * 1024;
constexpr std::int64_t kStraightLeast = 256 * 1024;

struct Range {
    std::int64_t offset;
    std::int64_t length;
};
using Plan = std::vector<Range>;

void addGap(Plan &plan, std::int64_t from, std::int64_t to, ReadSizes sizes)
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
Plan readingPlan(std::int64_t size, ReadSizes sizes)
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
    Plan plan{{0, probe}, last};
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

// Moves the set past `hole` bytes of zeros, through as many ranges of the
// plan as follow on from each other.
void skipHole(WorkSet &set, const Plan &plan, std::int64_t hole)
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

using DataRuns = std::vector<std::pair<std::int64_t, std::int64_t>>;

// One piece of each member of a set, side by side in one buffer.
struct Pieces {
    std::vector<std::uint32_t> members; // those read in full
    std::vector<const char *> bytes;
    std::size_t length = 0;
    bool last = false; // the plan's last piece: each member then read to its end
};

// The files of one size being compared: each opened when first needed and
// kept open while the set it is in fits this reader's descriptors, else
// opened for each piece. A shortage of descriptors closes them all, to be
// opened again when needed.
class SetReading
{
public:
    SetReading(FileReader &reader, const std::vector<ReadTarget> &targets, std::int64_t size, const Plan &plan,
               std::size_t open, std::size_t bufferBudget, ContentGrouper::Buffer &buffer)
        : reader_(reader), targets_(targets), files_(targets.size()), runs_(targets.size()), size_(size), plan_(plan),
          straight_(plan.size() == 2 && plan[1].offset == plan[0].length && plan[1].offset + plan[1].length == size),
          open_(open), bufferBudget_(bufferBudget), buffer_(buffer)
    {
    }

    bool cancelled() { return reader_.cancelled(); }
    bool keptOpen(const WorkSet &set) const { return set.members.size() <= open_; }

    // The bytes from where the set stands that are a hole in every member,
    // so zeros in all of them alike: nothing there needs reading. Nothing
    // when cancelled.
    std::optional<std::int64_t> commonHole(const WorkSet &set);
    // The next piece of every member of the set. Nothing when cancelled.
    std::optional<Pieces> readPiece(const WorkSet &set);
    // Runs of members whose pieces are alike, two or more, moved on past the
    // piece; after the last piece only the members still what the walk saw.
    // Nothing when cancelled.
    std::optional<std::vector<WorkSet>> splitAlike(const WorkSet &set, Pieces &pieces);
    // A set compared to its end: the members still what the walk saw after
    // their last reads (checked already, unless holes ended the set), two or
    // more. Their descriptors go back now, as the sets still to come are
    // owed them. Nothing when cancelled.
    std::optional<std::vector<std::uint32_t>> finish(const WorkSet &set)
    {
        auto still = unchanged(set.members);
        for (std::uint32_t i : set.members)
            FileReader::drop(files_[i]);
        if (still && still->size() < 2)
            still->clear();
        return still;
    }

private:
    FileReader::Access open(std::uint32_t i);
    std::int64_t holeAt(std::uint32_t i, std::int64_t offset) const;
    bool read(std::uint32_t i, std::int64_t offset, char *into, std::size_t length);
    // Members still what the walk saw, after their last reads.
    std::optional<std::vector<std::uint32_t>> unchanged(const std::vector<std::uint32_t> &members);
    void releaseAll()
    {
        for (std::size_t i = 0; i < files_.size(); ++i)
            reader_.release(files_[i], targets_[i]);
    }

    FileReader &reader_;
    const std::vector<ReadTarget> &targets_;
    std::vector<FileReader::File> files_;
    std::vector<std::optional<DataRuns>> runs_; // learnt at the first open, for large files
    const std::int64_t size_;
    const Plan &plan_;
    const bool straight_;    // a head, then the rest
    const std::size_t open_; // files this reader keeps open at once
    const std::size_t bufferBudget_;
    ContentGrouper::Buffer &buffer_;
};

FileReader::Access SetReading::open(std::uint32_t i)
{
    for (;;) {
        const FileReader::Access a = reader_.open(files_[i], targets_[i]);
        if (a == FileReader::Access::Ready && size_ >= kHolesFrom && !runs_[i])
            runs_[i] = files_[i].handle.dataRuns(size_);
        if (a != FileReader::Access::NoDescriptor)
            return a;
        releaseAll(); // ours come back on demand; others may free theirs
        if (!reader_.waitForDescriptors())
            return FileReader::Access::Cancelled;
    }
}

std::int64_t SetReading::holeAt(std::uint32_t i, std::int64_t offset) const
{
    if (!runs_[i])
        return 0;
    const DataRuns &runs = *runs_[i];
    // The first run that ends after the offset.
    const auto next = std::upper_bound(runs.begin(), runs.end(), offset,
                                       [](std::int64_t at, const auto &run) { return at < run.second; });
    if (next == runs.end())
        return size_ - offset;
    return std::max<std::int64_t>(0, next->first - offset);
}

bool SetReading::read(std::uint32_t i, std::int64_t offset, char *into, std::size_t length)
{
    if (holeAt(i, offset) >= std::int64_t(length)) {
        std::memset(into, 0, length); // what a read would give, without the read
        return true;
    }
    return reader_.read(files_[i], targets_[i], offset, into, length);
}

std::optional<std::int64_t> SetReading::commonHole(const WorkSet &set)
{
    if (size_ < kHolesFrom)
        return 0;
    const std::int64_t offset = plan_[set.range].offset + set.within;
    std::int64_t common = std::numeric_limits<std::int64_t>::max();
    for (std::uint32_t i : set.members) {
        if (!runs_[i]) {
            const FileReader::Access a = open(i);
            if (a == FileReader::Access::Cancelled)
                return std::nullopt;
            if (!keptOpen(set))
                reader_.release(files_[i], targets_[i]);
        }
        common = std::min(common, holeAt(i, offset)); // none known: none assumed
        if (common == 0)
            break;
    }
    return common;
}

std::optional<Pieces> SetReading::readPiece(const WorkSet &set)
{
    const Range &r = plan_[set.range];
    const auto members = std::int64_t(set.members.size());
    std::int64_t budgetPiece = std::max<std::int64_t>(kMinPiece, std::int64_t(bufferBudget_) / members);
    if (straight_ && set.range == 1)
        budgetPiece = std::min(budgetPiece, std::max(kStraightLeast, kStraightHeld / members));
    Pieces pieces;
    pieces.length = std::size_t(std::min(r.length - set.within, budgetPiece));
    pieces.last = set.range + 1 == plan_.size() && set.within + std::int64_t(pieces.length) == r.length;
    char *const buffer = buffer_.atLeast(pieces.length * set.members.size());
    const bool keepOpen = keptOpen(set);
    for (std::uint32_t i : set.members) {
        if (cancelled())
            return std::nullopt;
        char *into = buffer + pieces.length * pieces.bytes.size();
        const FileReader::Access a = open(i);
        if (a == FileReader::Access::Cancelled)
            return std::nullopt;
        bool ok = a == FileReader::Access::Ready && read(i, r.offset + set.within, into, pieces.length);
        // A file opened for this piece alone is checked before it closes, as
        // its next piece comes through another descriptor.
        if (ok && !keepOpen)
            ok = reader_.release(files_[i], targets_[i]);
        else if (!ok)
            FileReader::drop(files_[i]);
        if (ok) {
            pieces.members.push_back(i);
            pieces.bytes.push_back(into);
        }
    }
    reader_.settle();
    return pieces;
}

std::optional<std::vector<std::uint32_t>> SetReading::unchanged(const std::vector<std::uint32_t> &members)
{
    std::vector<std::uint32_t> still;
    for (std::uint32_t i : members) {
        if (cancelled())
            return std::nullopt; // on a share each check is a round trip
        const auto same = reader_.unchanged(files_[i], targets_[i]);
        if (!same)
            return std::nullopt;
        if (*same)
            still.push_back(i);
        else
            FileReader::drop(files_[i]);
    }
    return still;
}

std::optional<std::vector<WorkSet>> SetReading::splitAlike(const WorkSet &set, Pieces &pieces)
{
    std::vector<WorkSet> alike;
    for (auto &part : PartitionAlike(pieces.members, pieces.bytes, pieces.length)) {
        if (pieces.last && part.size() >= 2) {
            auto still = unchanged(part);
            if (!still)
                return std::nullopt;
            part = std::move(*still);
        }
        if (part.size() < 2) {
            for (std::uint32_t i : part)
                FileReader::drop(files_[i]); // alone: decided nothing, needs no check
            continue;
        }
        WorkSet child{std::move(part), set.range, set.within + std::int64_t(pieces.length)};
        if (child.within == plan_[child.range].length) {
            child.range++;
            child.within = 0;
        }
        alike.push_back(std::move(child));
    }
    reader_.settle();
    return alike;
}

// Empty files need no read: the ones still what the walk saw are alike.
std::optional<std::vector<ContentGrouper::Group>> UnchangedEmptyFiles(FileReader &reader,
                                                                      const std::vector<ReadTarget> &files)
{
    ContentGrouper::Group kept;
    for (std::uint32_t i = 0; i < files.size(); ++i) {
        if (reader.cancelled())
            return std::nullopt; // each check is a round trip on a share
        FileReader::File file;
        const auto same = reader.unchanged(file, files[i]);
        if (!same)
            return std::nullopt;
        if (*same)
            kept.push_back(i);
    }
    reader.settle();
    std::vector<ContentGrouper::Group> groups;
    if (kept.size() >= 2)
        groups.push_back(std::move(kept));
    return groups;
}

} // namespace

std::int64_t ContentGrouper::firstReadLength(std::int64_t size, ReadSizes sizes)
{
    return size > 0 ? readingPlan(size, sizes).front().length : 0;
}

std::optional<std::vector<ContentGrouper::Group>> ContentGrouper::group(const std::vector<ReadTarget> &files,
                                                                        std::int64_t size)
{
    FileReader reader(shared_, timings_);
    if (size == 0)
        return UnchangedEmptyFiles(reader, files);

    // This reader's shares of descriptors and memory, among the readers at
    // work now; the folders kept open have theirs.
    const std::size_t readers = shared_.depth.depth();
    const std::size_t forFiles = shared_.budget.capacity() - (shared_.folders ? shared_.folders->size() : 0);
    const std::size_t maxOpen = std::clamp<std::size_t>(forFiles / readers, 1, kMaxOpenFiles);
    const OpenFileLease lease(shared_.budget, std::min(files.size(), maxOpen), shared_.cancelled);
    if (lease.count() == 0)
        return std::nullopt;
    const Plan plan = readingPlan(size, shared_.sizes);
    SetReading reading(reader, files, size, plan, lease.count(), std::max(kLeastBuffer, shared_.memory / readers),
                       buffer_);

    // Depth first, so that the open files stay within one lineage of sets.
    std::vector<WorkSet> pending(1);
    pending[0].members.resize(files.size());
    std::iota(pending[0].members.begin(), pending[0].members.end(), 0u);
    std::vector<Group> groups;
    while (!pending.empty()) {
        WorkSet set = std::move(pending.back());
        pending.pop_back();
        if (set.range == plan.size()) {
            auto group = reading.finish(set);
            if (!group)
                return std::nullopt;
            if (!group->empty())
                groups.push_back(std::move(*group));
            continue;
        }
        const auto hole = reading.commonHole(set);
        if (!hole)
            return std::nullopt;
        if (*hole > 0) {
            if (reading.cancelled())
                return std::nullopt;
            skipHole(set, plan, *hole);
            pending.push_back(std::move(set));
            continue;
        }
        auto pieces = reading.readPiece(set);
        if (!pieces)
            return std::nullopt;
        auto alike = reading.splitAlike(set, *pieces);
        if (!alike)
            return std::nullopt;
        std::move(alike->rbegin(), alike->rend(), std::back_inserter(pending));
    }
    buffer_.trim();
    std::sort(groups.begin(), groups.end(), [](const Group &a, const Group &b) { return a.front() < b.front(); });
    return groups;
}
