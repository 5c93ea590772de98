// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/HeadSweep.h"
#include "engine/Candidate.h"
#include "engine/ContentDigest.h"
#include "engine/FileReader.h"
#include "engine/OpenFileBudget.h"
#include "engine/PiecePartition.h"
#include "engine/SizeClass.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>

namespace
{

// What a file compared with a held one is read in.
constexpr std::size_t kPiece = 1u << 20;

using Member = std::pair<std::size_t, std::uint32_t>; // (size or set, index within the size)

// Reading one file at a time for the passes, each file checked to be what
// the walk saw after its last read.
class Reader
{
public:
    Reader(const CandidateList &sorted, const std::vector<SizeClass> &classes, ReaderShared &shared)
        : sorted_(sorted), classes_(classes), reader_(shared, timings_)
    {
    }

    std::int64_t size(std::size_t c) const { return sorted_.sizeOf(classes_[c].begin); }
    bool cancelled() { return reader_.cancelled(); }
    ReadTarget target(Member f) const { return sorted_.target(classes_[f.first].begin + f.second); }

    // Opens a member; false when it cannot be read, or on Stop.
    bool open(FileReader::File &file, const ReadTarget &target)
    {
        return reader_.openWaiting(file, target) == FileReader::Access::Ready;
    }
    bool read(FileReader::File &file, const ReadTarget &target, std::int64_t offset, char *bytes, std::size_t length)
    {
        return reader_.read(file, target, offset, bytes, length);
    }
    // A file read to its end is compared for good: it must still be what the
    // walk saw once read, or its bytes may be a mix of before and after.
    bool unchanged(FileReader::File &file, const ReadTarget &target)
    {
        const auto same = reader_.unchanged(file, target);
        return same && *same;
    }
    // What one file cost, to the shared figures.
    void settle() { reader_.settle(); }

private:
    const CandidateList &sorted_;
    const std::vector<SizeClass> &classes_;
    unsigned timings_ = 0;
    FileReader reader_;
};

// The items in the order their files lie.
std::vector<Member> InPlaceOrder(std::vector<Member> items,
                                 const std::function<const DiskPlace &(const Member &)> &placeOf)
{
    std::stable_sort(items.begin(), items.end(),
                     [&](const Member &a, const Member &b) { return placeOf(a) < placeOf(b); });
    return items;
}

// What the first pass found of each size: a digest of each member's first
// read, and the bytes of the files it read whole while there was room.
struct Heads {
    std::vector<std::vector<std::optional<ContentDigest>>> digests;
    std::vector<std::vector<std::unique_ptr<char[]>>> whole;
};

// The first pass: each file's first read, digested. Nothing on Stop.
std::unique_ptr<Heads> DigestHeads(Reader &reader, const std::vector<Member> &files, std::size_t sizes,
                                   ReadSizes readSizes, std::size_t room, const std::function<void()> &afterEachFile)
{
    auto found = std::make_unique<Heads>();
    Heads &heads = *found;
    heads.digests.resize(sizes);
    heads.whole.resize(sizes);
    std::vector<char> buffer;
    std::size_t held = 0;
    for (const Member &f : files) {
        if (reader.cancelled())
            return nullptr;
        auto &digests = heads.digests[f.first];
        auto &whole = heads.whole[f.first];
        const std::size_t size = std::size_t(reader.size(f.first));
        digests.resize(std::max<std::size_t>(digests.size(), f.second + 1));
        whole.resize(digests.size());
        const std::size_t length = std::size_t(ContentGrouper::firstReadLength(std::int64_t(size), readSizes));
        buffer.resize(std::max(buffer.size(), length));
        const ReadTarget target = reader.target(f);
        FileReader::File file;
        if (reader.open(file, target) && reader.read(file, target, 0, buffer.data(), length)
            && (length < size || reader.unchanged(file, target))) {
            digests[f.second] = DigestOf(buffer.data(), length);
            // A file read whole is kept while there is room: a copy of it met
            // later in the pass is then compared with no read more.
            if (length == size && held + length <= room) {
                whole[f.second] = std::make_unique<char[]>(length);
                std::memcpy(whole[f.second].get(), buffer.data(), length);
                held += length;
            }
        }
        reader.settle();
        if (afterEachFile)
            afterEachFile();
    }
    if (reader.cancelled())
        return nullptr; // the last file may have been given up for it
    return found;
}

// Compares a set whose every member the first pass kept, byte for byte:
// its runs alike, two or more. Nothing when one was not kept.
std::optional<std::vector<std::vector<std::uint32_t>>> ComparedWhole(const std::vector<std::uint32_t> &set,
                                                                     const std::vector<std::unique_ptr<char[]>> &whole,
                                                                     std::size_t size)
{
    std::vector<const char *> pieces;
    for (std::uint32_t m : set) {
        if (!whole[m])
            return std::nullopt;
        pieces.push_back(whole[m].get());
    }
    std::vector<std::vector<std::uint32_t>> alike;
    for (auto &run : PartitionAlike(set, pieces, size))
        if (run.size() >= 2)
            alike.push_back(std::move(run));
    return alike;
}

// The runs of members sharing a digest, two or more, by their first member.
std::vector<std::vector<std::uint32_t>> SetsOf(const std::vector<std::optional<ContentDigest>> &digests)
{
    std::vector<std::uint32_t> read;
    for (std::uint32_t m = 0; m < digests.size(); ++m)
        if (digests[m])
            read.push_back(m);
    std::stable_sort(read.begin(), read.end(), [&](auto a, auto b) { return *digests[a] < *digests[b]; });
    std::vector<std::vector<std::uint32_t>> sets;
    for (std::size_t i = 0, j = 0; i < read.size(); i = j) {
        for (j = i + 1; j < read.size() && *digests[read[j]] == *digests[read[i]];)
            ++j;
        if (j - i >= 2)
            sets.emplace_back(read.begin() + std::ptrdiff_t(i), read.begin() + std::ptrdiff_t(j));
    }
    std::sort(sets.begin(), sets.end());
    return sets;
}

// A set read to its ends in the second pass: the first member to come is
// held, and each other is compared with the ones held as it is read; one
// like none of them is held too, while there is room.
struct WholeSet {
    struct Held {
        std::unique_ptr<char[]> bytes;
        std::vector<std::uint32_t> members; // the one held, then each found equal to it
    };
    std::size_t size = 0; // which size
    std::vector<std::uint32_t> members;
    std::size_t left = 0; // members not yet read
    std::vector<Held> held;
    std::vector<std::uint32_t> other; // like none held, found without room: still to be compared
    bool waiting = false;             // no room in this pass
};

class WholeReads
{
public:
    WholeReads(Reader &reader, std::size_t room, const std::function<void()> &afterEachFile)
        : reader_(reader), room_(room), afterEachFile_(afterEachFile)
    {
    }

    // Passes over the files of the sets, in the order given, until each set
    // is read or Stop comes.
    // `files` are (set, member), in the order they lie.
    void run(std::vector<WholeSet> &sets, std::vector<Member> files)
    {
        while (!files.empty()) {
            std::vector<Member> later;
            for (WholeSet &set : sets)
                set.waiting = false;
            for (const auto &[s, m] : files) {
                if (reader_.cancelled())
                    return;
                WholeSet &set = sets[s];
                if (set.held.empty() && (set.waiting || held_ + std::size_t(reader_.size(set.size)) > room_)) {
                    set.waiting = true; // so none of it is read out of turn in this pass
                    later.emplace_back(s, m);
                    continue;
                }
                readOne(set, m);
                reader_.settle();
                if (reader_.cancelled())
                    return; // this file may have been given up for it
                if (--set.left == 0)
                    release(set);
                if (afterEachFile_)
                    afterEachFile_();
            }
            files = std::move(later);
        }
    }

private:
    void readOne(WholeSet &set, std::uint32_t m)
    {
        const std::size_t size = std::size_t(reader_.size(set.size));
        const ReadTarget target = reader_.target({set.size, m});
        FileReader::File file;
        if (!reader_.open(file, target))
            return;
        const bool room = held_ + size <= room_;
        std::unique_ptr<char[]> bytes = room ? std::make_unique<char[]>(size) : nullptr;
        piece_.resize(std::min(size, kPiece));
        std::vector<std::size_t> like(set.held.size()); // the held ones it is still equal to
        std::iota(like.begin(), like.end(), std::size_t(0));
        // In pieces, so that Stop is seen within one.
        for (std::size_t at = 0; at < size; at += kPiece) {
            const std::size_t length = std::min(kPiece, size - at);
            char *into = bytes ? bytes.get() + at : piece_.data();
            if (reader_.cancelled() || !reader_.read(file, target, std::int64_t(at), into, length))
                return;
            std::erase_if(like,
                          [&](std::size_t h) { return std::memcmp(into, set.held[h].bytes.get() + at, length) != 0; });
            if (like.empty() && !bytes) {
                set.other.push_back(m);
                return;
            }
        }
        if (!reader_.unchanged(file, target))
            return;
        if (!like.empty()) {
            set.held[like.front()].members.push_back(m); // the held ones all differ from each other
            return;
        }
        set.held.push_back({std::move(bytes), {m}});
        held_ += size;
    }
    void release(WholeSet &set)
    {
        held_ -= std::size_t(reader_.size(set.size)) * set.held.size();
        for (auto &h : set.held)
            h.bytes.reset();
    }

    Reader &reader_;
    const std::size_t room_;
    const std::function<void()> &afterEachFile_;
    std::size_t held_ = 0;
    std::vector<char> piece_;
};

} // namespace

std::vector<std::optional<SweptHeads>> SweepHeads(const CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                  const std::vector<std::size_t> &sizeOrder,
                                                  const std::vector<DiskPlace> &places, ReaderShared &shared,
                                                  std::size_t memory, const std::function<void()> &afterEachFile)
{
    std::vector<std::optional<SweptHeads>> out(classes.size());
    Reader reader(sorted, classes, shared);
    // One descriptor at a time, from the readers' budget.
    const OpenFileLease lease(shared.budget, 1, shared.cancelled);
    if (lease.count() == 0)
        return out;

    std::vector<Member> heads;
    for (std::size_t c : sizeOrder)
        if (reader.size(c) > 0)
            for (std::uint32_t m = 0; m < classes[c].end - classes[c].begin; ++m)
                heads.emplace_back(c, m);
    const auto placeOfHead
        = [&](const Member &f) -> const DiskPlace & { return places[classes[f.first].begin + f.second]; };
    const std::size_t room = memory > kPiece ? memory - kPiece : 0;
    auto found = DigestHeads(reader, InPlaceOrder(std::move(heads), placeOfHead), classes.size(), shared.sizes, room,
                             afterEachFile);
    if (!found)
        return out;

    // Every set alike so far that fits the room is read whole, in the order its
    // files lie, unless the first pass kept all of it; larger ones stay alike,
    // for the usual comparison.
    std::vector<WholeSet> sets;
    std::vector<Member> files; // (set, member)
    for (std::size_t c : sizeOrder) {
        if (reader.size(c) <= 0)
            continue;
        out[c] = SweptHeads{};
        for (auto &set : SetsOf(found->digests[c])) {
            if (auto kept = ComparedWhole(set, found->whole[c], std::size_t(reader.size(c)))) {
                for (auto &group : *kept)
                    out[c]->groups.push_back(std::move(group));
                continue;
            }
            if (std::size_t(reader.size(c)) > room) {
                out[c]->alike.push_back(std::move(set));
                continue;
            }
            for (std::uint32_t m : set)
                files.emplace_back(sets.size(), m);
            WholeSet whole;
            whole.size = c;
            whole.left = set.size();
            whole.members = std::move(set);
            sets.push_back(std::move(whole));
        }
    }
    found.reset(); // the kept bytes go before any are held again
    const auto placeOfFile
        = [&](const Member &f) -> const DiskPlace & { return places[classes[sets[f.first].size].begin + f.second]; };
    WholeReads(reader, room, afterEachFile).run(sets, InPlaceOrder(std::move(files), placeOfFile));

    for (WholeSet &set : sets) {
        SweptHeads &of = *out[set.size];
        if (set.left > 0) {
            of.alike.push_back(std::move(set.members)); // cut short by Stop
            continue;
        }
        for (auto &h : set.held)
            if (h.members.size() >= 2) {
                std::sort(h.members.begin(), h.members.end());
                of.groups.push_back(std::move(h.members));
            }
        std::sort(set.other.begin(), set.other.end());
        if (set.other.size() >= 2)
            of.alike.push_back(std::move(set.other));
    }
    return out;
}
