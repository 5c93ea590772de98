// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "HeadSweep.h"
#include "Candidate.h"
#include "DepthControl.h"
#include "OpenFileBudget.h"
#include "OpenedFile.h"
#include "PiecePartition.h"
#include "SizeClassGroups.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace
{

// One file's first read, held until its size is compared.
struct Head {
    bool read = false;
    std::unique_ptr<char[]> bytes;
};

// What is read of each size in a pass: `length` bytes from `offset`.
struct Span {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

class Sweep
{
public:
    Sweep(const CandidateList &sorted, const std::vector<SizeClass> &classes, ContentGrouper::Shared &shared)
        : sorted_(sorted), classes_(classes), shared_(shared)
    {
    }

    std::int64_t size(std::size_t c) const { return sorted_[classes_[c].begin].identity.size; }
    std::int64_t headLength(std::size_t c) const { return ContentGrouper::firstReadLength(size(c), shared_.sizes); }

    // Reads the spans of the given members of the window's sizes (all of
    // them where none are given) in the order of `places`; false when
    // cancelled, with `complete` telling the sizes read through before.
    bool read(const std::vector<std::size_t> &window, const std::vector<std::vector<std::uint32_t>> &members,
              const std::vector<Span> &spans, const std::vector<DiskPlace> &places,
              std::vector<std::vector<Head>> &heads, const std::function<void()> &afterEachFile)
    {
        std::vector<std::pair<std::size_t, std::size_t>> files; // (size, member)
        left_.resize(classes_.size());
        for (std::size_t c : window) {
            heads[c].resize(classes_[c].end - classes_[c].begin);
            if (members[c].empty())
                for (std::size_t m = 0; m < heads[c].size(); ++m)
                    files.emplace_back(c, m);
            for (std::uint32_t m : members[c])
                files.emplace_back(c, m);
            left_[c] = members[c].empty() ? heads[c].size() : members[c].size();
        }
        std::stable_sort(files.begin(), files.end(), [&](const auto &a, const auto &b) {
            return places[classes_[a.first].begin + a.second] < places[classes_[b.first].begin + b.second];
        });
        for (const auto &[c, m] : files) {
            if (shared_.cancelled())
                return false;
            heads[c][m] = readSpan(classes_[c].begin + m, spans[c]);
            if (shared_.cancelled())
                return false; // this file may have been given up for it
            --left_[c];
            if (afterEachFile)
                afterEachFile();
        }
        return true;
    }
    bool complete(std::size_t c) const { return left_[c] == 0; }

    // The runs of members of each set whose spans are alike, two or more.
    static std::vector<std::vector<std::uint32_t>> compare(const std::vector<std::vector<std::uint32_t>> &sets,
                                                           std::vector<Head> &heads, std::int64_t length)
    {
        std::vector<std::vector<std::uint32_t>> alike;
        for (const auto &set : sets) {
            std::vector<std::uint32_t> members;
            std::vector<const char *> pieces;
            for (std::uint32_t m : set)
                if (heads[m].read) {
                    members.push_back(m);
                    pieces.push_back(heads[m].bytes.get());
                }
            for (auto &run : PartitionAlike(members, pieces, std::size_t(length)))
                if (run.size() >= 2)
                    alike.push_back(std::move(run));
        }
        std::sort(alike.begin(), alike.end());
        heads.clear();
        heads.shrink_to_fit();
        return alike;
    }

private:
    Head readSpan(std::size_t index, Span span)
    {
        const Candidate &file = sorted_[index];
        const std::string path(sorted_.path(index));
        OpenedFile handle;
        OpenedFile::Outcome opened;
        while ((opened = handle.open(path, file.identity, file.owner)) == OpenedFile::Outcome::NoDescriptor) {
            if (shared_.cancelled())
                return {};
            shared_.budget.waitForRelease(std::chrono::milliseconds(5));
        }
        if (opened == OpenedFile::Outcome::Failed)
            shared_.unreadableFiles.fetch_add(1, std::memory_order_relaxed);
        if (opened != OpenedFile::Outcome::Opened)
            return {};
        Head head{true, std::make_unique<char[]>(std::size_t(span.length))};
        if (shared_.onRead)
            shared_.onRead(path, span.offset);
        if (!shared_.depth.timed(
                [&] { return handle.readFullyAt(span.offset, head.bytes.get(), std::size_t(span.length)); })) {
            if (handle.readError() != 0)
                shared_.unreadableFiles.fetch_add(1, std::memory_order_relaxed);
            return {};
        }
        shared_.bytesRead.fetch_add(std::uint64_t(span.length), std::memory_order_relaxed);
        // A file read to its end is compared for good: it must still be what
        // the walk saw once read, or its bytes may be a mix of before and after.
        if (span.offset + span.length == file.identity.size && !handle.unchangedSince(file.identity, true))
            return {};
        return head;
    }

    const CandidateList &sorted_;
    const std::vector<SizeClass> &classes_;
    ContentGrouper::Shared &shared_;
    std::vector<std::size_t> left_; // of each size of the window, the files still to read
};

} // namespace

std::vector<std::optional<SweptHeads>> SweepHeads(const CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                  const std::vector<std::size_t> &sizeOrder,
                                                  const std::vector<DiskPlace> &places, ContentGrouper::Shared &shared,
                                                  std::size_t memory, const std::function<void()> &afterEachFile)
{
    std::vector<std::optional<SweptHeads>> out(classes.size());
    Sweep sweep(sorted, classes, shared);
    // One descriptor at a time, from the readers' budget.
    const OpenFileLease lease(shared.budget, 1, shared.cancelled);
    if (lease.count() == 0)
        return out;
    std::vector<std::vector<Head>> heads(classes.size());
    std::vector<std::vector<std::uint32_t>> members(classes.size()); // none: every member
    std::vector<Span> spans(classes.size());
    std::vector<std::vector<std::vector<std::uint32_t>>> sets(classes.size());
    // Sweeps the sizes of `sizeOrder` that `take` gives a span, in windows of
    // at most `memory` held; `done` is told each size's alike runs. False
    // once cancelled: the sizes read through before still count.
    auto pass = [&](const std::function<bool(std::size_t)> &take, const std::function<void(std::size_t)> &done) {
        std::vector<std::size_t> window;
        std::size_t held = 0;
        auto sweepWindow = [&] {
            const bool finished = window.empty() || sweep.read(window, members, spans, places, heads, afterEachFile);
            // After Stop, the sizes whose files were all read before it still count.
            for (std::size_t c : window)
                if (finished || sweep.complete(c)) {
                    sets[c] = Sweep::compare(sets[c], heads[c], spans[c].length);
                    done(c);
                }
            window.clear();
            held = 0;
            return finished;
        };
        for (std::size_t c : sizeOrder) {
            if (!take(c))
                continue;
            const std::size_t count = members[c].empty() ? classes[c].end - classes[c].begin : members[c].size();
            const std::size_t bytes = std::size_t(spans[c].length) * count;
            if (bytes == 0 || bytes > memory)
                continue; // left to the usual comparison
            if (held + bytes > memory && !sweepWindow())
                return false;
            window.push_back(c);
            held += bytes;
        }
        return sweepWindow();
    };

    // The first read of every file.
    const bool headsSwept = pass(
        [&](std::size_t c) {
            spans[c] = {0, sweep.headLength(c)};
            sets[c] = {std::vector<std::uint32_t>(classes[c].end - classes[c].begin)};
            std::iota(sets[c][0].begin(), sets[c][0].end(), 0u);
            return true;
        },
        [&](std::size_t c) {
            out[c] = SweptHeads{sets[c], spans[c].length == sweep.size(c)};
        });
    if (!headsSwept)
        return out;

    // Then the rest of the files alike so far that are read on in one piece
    // anyway, in a second pass in the order they lie: copies of a folder lie
    // side by side, and set by set the head would go back and forth between
    // them for every file.
    pass(
        [&](std::size_t c) {
            if (!out[c] || out[c]->whole || out[c]->alike.empty() || sweep.size(c) > shared.sizes.straightUpTo)
                return false;
            spans[c] = {sweep.headLength(c), sweep.size(c) - sweep.headLength(c)};
            members[c].clear();
            for (const auto &set : out[c]->alike)
                members[c].insert(members[c].end(), set.begin(), set.end());
            sets[c] = out[c]->alike;
            return true;
        },
        [&](std::size_t c) {
            out[c] = SweptHeads{sets[c], true};
        });
    return out;
}
