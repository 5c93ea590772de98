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

class Sweep
{
public:
    Sweep(const CandidateList &sorted, const std::vector<SizeClass> &classes, ContentGrouper::Shared &shared)
        : sorted_(sorted), classes_(classes), shared_(shared)
    {
    }

    std::int64_t headLength(std::size_t c) const
    {
        return ContentGrouper::firstReadLength(sorted_[classes_[c].begin].identity.size, shared_.sizes);
    }

    // Reads the heads of the sizes of one window in the order of `places`;
    // false when cancelled.
    bool read(const std::vector<std::size_t> &window, const std::vector<DiskPlace> &places,
              std::vector<std::vector<Head>> &heads, const std::function<void()> &afterEachFile)
    {
        std::vector<std::pair<std::size_t, std::size_t>> files; // (size, member)
        for (std::size_t c : window) {
            heads[c].resize(classes_[c].end - classes_[c].begin);
            for (std::size_t m = 0; m < heads[c].size(); ++m)
                files.emplace_back(c, m);
        }
        std::stable_sort(files.begin(), files.end(), [&](const auto &a, const auto &b) {
            return places[classes_[a.first].begin + a.second] < places[classes_[b.first].begin + b.second];
        });
        for (const auto &[c, m] : files) {
            if (shared_.cancelled())
                return false;
            heads[c][m] = readHead(c, classes_[c].begin + m);
            if (afterEachFile)
                afterEachFile();
        }
        return true;
    }

    // The sets of a size's members whose heads are alike.
    SweptHeads compare(std::size_t c, std::vector<Head> &heads) const
    {
        std::vector<std::uint32_t> members;
        std::vector<const char *> pieces;
        for (std::uint32_t m = 0; m < heads.size(); ++m)
            if (heads[m].read) {
                members.push_back(m);
                pieces.push_back(heads[m].bytes.get());
            }
        SweptHeads out;
        const std::int64_t size = sorted_[classes_[c].begin].identity.size;
        out.whole = headLength(c) == size;
        for (auto &set : PartitionAlike(members, pieces, std::size_t(headLength(c))))
            if (set.size() >= 2)
                out.alike.push_back(std::move(set));
        heads.clear();
        heads.shrink_to_fit();
        return out;
    }

private:
    Head readHead(std::size_t c, std::size_t index)
    {
        const Candidate &file = sorted_[index];
        const std::string path(sorted_.path(index));
        const std::int64_t length = headLength(c);
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
        Head head{true, std::make_unique<char[]>(std::size_t(length))};
        if (shared_.onRead)
            shared_.onRead(path, 0);
        if (!shared_.depth.timed([&] { return handle.readFullyAt(0, head.bytes.get(), std::size_t(length)); })) {
            if (handle.readError() != 0)
                shared_.unreadableFiles.fetch_add(1, std::memory_order_relaxed);
            return {};
        }
        shared_.bytesRead.fetch_add(std::uint64_t(length), std::memory_order_relaxed);
        // A file read whole is compared for good: it must still be what the
        // walk saw once read, or its bytes may be a mix of before and after.
        if (length == file.identity.size && !handle.unchangedSince(file.identity, true))
            return {};
        return head;
    }

    const CandidateList &sorted_;
    const std::vector<SizeClass> &classes_;
    ContentGrouper::Shared &shared_;
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
    std::vector<std::size_t> window;
    std::size_t held = 0;
    auto sweepWindow = [&] {
        if (window.empty())
            return true;
        if (!sweep.read(window, places, heads, afterEachFile))
            return false;
        for (std::size_t c : window)
            out[c] = sweep.compare(c, heads[c]);
        window.clear();
        held = 0;
        return true;
    };
    for (std::size_t c : sizeOrder) {
        const std::size_t bytes = std::size_t(sweep.headLength(c)) * (classes[c].end - classes[c].begin);
        if (bytes == 0 || bytes > memory)
            continue; // left to the usual comparison
        if (held + bytes > memory && !sweepWindow())
            return out; // the windows swept whole still count
        window.push_back(c);
        held += bytes;
    }
    if (!sweepWindow())
        return out; // the windows swept whole still count
    return out;
}
