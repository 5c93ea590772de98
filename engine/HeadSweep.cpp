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
#include <unordered_map>
#include <unordered_set>

namespace
{

// What a file compared with a held one is read in.
constexpr std::size_t kPiece = 1u << 20;
// Files up to this size are read on in the first pass whatever their first read.
constexpr std::size_t kReadOnFirst = 16u << 20;

// Reading one file at a time for the passes, each file checked to be what
// the walk saw after its last read.
class Reader
{
public:
    Reader(const CandidateList &sorted, ReaderShared &shared) : sorted_(sorted), reader_(shared, timings_) { }

    std::size_t listSize() const { return sorted_.size(); }
    std::int64_t sizeOfItem(std::uint32_t item) const { return sorted_.sizeOf(item); }
    bool cancelled() { return reader_.cancelled(); }
    // Stop, asked now: small reads ask only every few calls.
    bool stopAsked() { return reader_.askStop(); }
    ReadTarget targetOfItem(std::uint32_t item) const { return sorted_.target(item); }

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
    unsigned timings_ = 0;
    FileReader reader_;
};

// What the passes may hold of the files: the given memory, less as the
// files grow many. A scan's records grow with its files (about a hundred
// bytes each), and the held copies give way to them, so that a large scan
// takes about what it takes on other storage: all of it up to 64Ki files,
// then in inverse proportion, never under 16 MiB. A set is held from its
// first member to its last whatever the room; less room means more passes.
std::size_t HeldRoom(std::size_t memory, std::size_t files)
{
    constexpr std::size_t kFullUpTo = 64u << 10, kLeast = 8u << 20;
    std::size_t room = memory > kPiece ? memory - kPiece : 0;
    if (files > kFullUpTo)
        room = std::max(std::min(room, kLeast), std::size_t(double(room) * double(kFullUpTo) / double(files)));
    return room;
}

// What the first pass found: a digest of each file's first read, by its
// index in the list, with the low bit set (zero: not read); and the bytes
// of the files it read whole while there was room.
struct Heads {
    std::vector<std::uint64_t> digests;
    std::unordered_map<std::uint32_t, std::unique_ptr<char[]>> whole;
};

// Reads a file on from `from` to its end, keeping nothing: the second pass
// will read it whole, and while the head is here the rest costs no move.
void ReadOn(Reader &reader, FileReader::File &file, const ReadTarget &target, std::size_t from, std::size_t size,
            std::vector<char> &buffer)
{
    buffer.resize(std::max(buffer.size(), std::min(kPiece, size - from)));
    for (std::size_t at = from; at < size && !reader.cancelled(); at += kPiece)
        if (!reader.read(file, target, std::int64_t(at), buffer.data(), std::min(kPiece, size - at)))
            return;
}

// The first pass: each file's first read, digested. Nothing on Stop.
std::unique_ptr<Heads> DigestHeads(Reader &reader, const std::vector<std::uint32_t> &sweep, ReadSizes readSizes,
                                   std::size_t room, std::size_t readOnRoom, const std::function<void()> &afterEachFile)
{
    auto found = std::make_unique<Heads>();
    found->digests.assign(reader.listSize(), 0);
    std::vector<char> buffer;
    std::size_t held = 0;
    // The first reads of the files over 16 MiB, by size and digest.
    std::unordered_set<std::uint64_t> largeHeads;
    for (std::uint32_t item : sweep) {
        if (reader.cancelled())
            return nullptr;
        const std::int64_t size = reader.sizeOfItem(item);
        if (size <= 0)
            continue;
        const std::size_t length = std::size_t(ContentGrouper::firstReadLength(size, readSizes));
        buffer.resize(std::max(buffer.size(), length));
        const ReadTarget target = reader.targetOfItem(item);
        FileReader::File file;
        if (reader.open(file, target) && reader.read(file, target, 0, buffer.data(), length)
            && (length < std::size_t(size) || reader.unchanged(file, target))) {
            found->digests[item] = DigestOf(buffer.data(), length)[0] | 1u;
            // Read on now, where the head is, rather than by a move there and
            // back later: the second pass finds it in the page cache. Above
            // 16 MiB only when its first read is like one met before.
            const std::size_t rest = std::size_t(size) - length;
            if (rest > 0 && rest <= readOnRoom
                && (std::size_t(size) <= kReadOnFirst
                    || !largeHeads.insert(found->digests[item] ^ (std::uint64_t(size) * 0x9E3779B97F4A7C15u)).second)) {
                ReadOn(reader, file, target, length, std::size_t(size), buffer);
                readOnRoom -= rest;
            }
            // A file read whole is kept while there is room: a copy of it met
            // later in the pass is then compared with no read more.
            if (length == std::size_t(size) && held + length <= room) {
                auto bytes = std::make_unique_for_overwrite<char[]>(length);
                std::memcpy(bytes.get(), buffer.data(), length);
                found->whole.emplace(item, std::move(bytes));
                held += length;
            }
        }
        reader.settle();
        if (afterEachFile)
            afterEachFile();
    }
    if (reader.stopAsked())
        return nullptr; // the last file may have been given up for it
    return found;
}

// Compares a set whose every member the first pass kept, byte for byte:
// its runs alike, two or more. Nothing when one was not kept.
std::optional<std::vector<std::vector<std::uint32_t>>>
ComparedWhole(const std::vector<std::uint32_t> &set, std::size_t begin, const Heads &heads, std::size_t size)
{
    std::vector<const char *> pieces;
    for (std::uint32_t m : set) {
        const auto kept = heads.whole.find(std::uint32_t(begin + m));
        if (kept == heads.whole.end())
            return std::nullopt;
        pieces.push_back(kept->second.get());
    }
    std::vector<std::vector<std::uint32_t>> alike;
    for (auto &run : PartitionAlike(set, pieces, size))
        if (run.size() >= 2)
            alike.push_back(std::move(run));
    return alike;
}

// The runs of a size's members sharing a digest, two or more.
std::vector<std::vector<std::uint32_t>> SetsOf(const std::vector<std::uint64_t> &digests, SizeClass sc)
{
    std::vector<std::uint32_t> read;
    for (std::uint32_t m = 0; m < sc.end - sc.begin; ++m)
        if (digests[sc.begin + m] != 0)
            read.push_back(m);
    const auto digest = [&](std::uint32_t m) { return digests[sc.begin + m]; };
    std::stable_sort(read.begin(), read.end(), [&](auto a, auto b) { return digest(a) < digest(b); });
    std::vector<std::vector<std::uint32_t>> sets;
    for (std::size_t i = 0, j = 0; i < read.size(); i = j) {
        for (j = i + 1; j < read.size() && digest(read[j]) == digest(read[i]);)
            ++j;
        if (j - i >= 2)
            sets.emplace_back(read.begin() + std::ptrdiff_t(i), read.begin() + std::ptrdiff_t(j));
    }
    return sets;
}

// A set to be read to its ends in the second pass, its members in one list
// shared by all sets (a million files make a hundred thousand sets).
struct WholeSet {
    std::uint32_t size = 0;  // which size
    std::uint32_t first = 0; // its members in the shared list
    std::uint32_t count = 0;
    std::uint32_t left = 0; // members not yet read
    bool waiting = false;   // no room in this pass
};

// What a set being read holds: the first member to come, held, and each
// other compared with the ones held as it is read; one like none of them is
// held too, while there is room.
struct SetInHand {
    struct Held {
        std::unique_ptr<char[]> bytes;
        std::vector<std::uint32_t> members; // the one held, then each found equal to it
    };
    std::vector<Held> held;
    std::vector<std::uint32_t> other; // like none held, found without room: still to be compared
};

class WholeReads
{
public:
    WholeReads(Reader &reader, const std::vector<SizeClass> &classes, std::size_t room,
               std::vector<std::optional<SweptHeads>> &out, const std::function<void()> &afterEachFile)
        : reader_(reader), classes_(classes), room_(room), out_(out), afterEachFile_(afterEachFile)
    {
    }

    // Passes over the files of the sets, in the order given, until each set
    // is read or Stop comes. `files` are (set, item), in the order they lie.
    // A set read through goes to its size's findings at once; one cut short
    // by Stop is left alike.
    void run(std::vector<WholeSet> &sets, const std::vector<std::uint32_t> &members,
             std::vector<std::pair<std::uint32_t, std::uint32_t>> files)
    {
        while (!files.empty() && !stopped_) {
            std::vector<std::pair<std::uint32_t, std::uint32_t>> later;
            for (WholeSet &set : sets)
                set.waiting = false;
            for (const auto &[s, item] : files) {
                WholeSet &set = sets[s];
                if (stopped_ || reader_.cancelled()) {
                    stopped_ = true;
                    break;
                }
                const auto inHand = hand_.find(s);
                if (inHand == hand_.end() && (set.waiting || held_ + std::size_t(reader_.sizeOfItem(item)) > room_)) {
                    set.waiting = true; // so none of it is read out of turn in this pass
                    later.emplace_back(s, item);
                    continue;
                }
                readOne(set, hand_[s], item);
                reader_.settle();
                if (reader_.cancelled()) {
                    stopped_ = true; // this file may have been given up for it
                    break;
                }
                if (--set.left == 0)
                    finish(s, set);
                if (afterEachFile_)
                    afterEachFile_();
            }
            files = std::move(later);
        }
        for (std::uint32_t s = 0; s < sets.size(); ++s)
            if (sets[s].left > 0) {
                out_[sets[s].size]->alike.emplace_back(members.begin() + sets[s].first,
                                                       members.begin() + sets[s].first + sets[s].count);
            }
    }

private:
    void readOne(const WholeSet &set, SetInHand &hand, std::uint32_t item)
    {
        const std::size_t size = std::size_t(reader_.sizeOfItem(item));
        const std::uint32_t m = std::uint32_t(item - classes_[set.size].begin);
        const ReadTarget target = reader_.targetOfItem(item);
        FileReader::File file;
        if (!reader_.open(file, target))
            return;
        // Once a member found no room, no other kind is held: a member set
        // aside then was compared with every kind held, and may be like one
        // held later.
        const bool room = hand.other.empty() && held_ + size <= room_;
        std::unique_ptr<char[]> bytes = room ? std::make_unique_for_overwrite<char[]>(size) : nullptr;
        piece_.resize(std::min(size, kPiece));
        std::vector<std::size_t> like(hand.held.size()); // the held ones it is still equal to
        std::iota(like.begin(), like.end(), std::size_t(0));
        // In pieces, so that Stop is seen within one.
        for (std::size_t at = 0; at < size; at += kPiece) {
            const std::size_t length = std::min(kPiece, size - at);
            char *into = bytes ? bytes.get() + at : piece_.data();
            if (reader_.cancelled() || !reader_.read(file, target, std::int64_t(at), into, length))
                return;
            std::erase_if(like,
                          [&](std::size_t h) { return std::memcmp(into, hand.held[h].bytes.get() + at, length) != 0; });
            if (like.empty() && !bytes) {
                hand.other.push_back(m);
                return;
            }
        }
        if (!reader_.unchanged(file, target))
            return;
        if (!like.empty()) {
            hand.held[like.front()].members.push_back(m); // the held ones all differ from each other
            return;
        }
        hand.held.push_back({std::move(bytes), {m}});
        held_ += size;
    }
    void finish(std::uint32_t s, const WholeSet &set)
    {
        SweptHeads &of = *out_[set.size];
        const auto inHand = hand_.find(s);
        if (inHand == hand_.end())
            return;
        for (auto &h : inHand->second.held) {
            held_ -= std::size_t(reader_.sizeOfItem(std::uint32_t(classes_[set.size].begin)));
            if (h.members.size() >= 2) {
                std::sort(h.members.begin(), h.members.end());
                of.groups.push_back(std::move(h.members));
            }
        }
        auto &other = inHand->second.other;
        std::sort(other.begin(), other.end());
        if (other.size() >= 2)
            of.alike.push_back(std::move(other));
        hand_.erase(inHand);
    }

    Reader &reader_;
    const std::vector<SizeClass> &classes_;
    const std::size_t room_;
    std::vector<std::optional<SweptHeads>> &out_;
    const std::function<void()> &afterEachFile_;
    std::size_t held_ = 0;
    bool stopped_ = false;
    std::unordered_map<std::uint32_t, SetInHand> hand_; // the sets being read, by number
    std::vector<char> piece_;
};

} // namespace

std::vector<std::optional<SweptHeads>> SweepHeads(const CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                  const std::vector<std::size_t> &sizeOrder,
                                                  const std::vector<std::uint32_t> &sweep, ReaderShared &shared,
                                                  std::size_t memory, std::size_t readOnFirst,
                                                  const std::function<void()> &afterEachFile)
{
    std::vector<std::optional<SweptHeads>> out(classes.size());
    Reader reader(sorted, shared);
    // One descriptor at a time, from the readers' budget.
    const OpenFileLease lease(shared.budget, 1, shared.cancelled);
    if (lease.count() == 0)
        return out;

    const std::size_t room = HeldRoom(memory, sweep.size());
    auto found = DigestHeads(reader, sweep, shared.sizes, room, readOnFirst, afterEachFile);
    if (!found)
        return out;

    // Every set alike so far that fits the room is read whole, in the order its
    // files lie, unless the first pass kept all of it; larger ones stay alike,
    // for the usual comparison.
    std::vector<WholeSet> sets;
    std::vector<std::uint32_t> members; // of every set, set by set
    for (std::size_t c : sizeOrder) {
        const std::int64_t size = reader.sizeOfItem(std::uint32_t(classes[c].begin));
        if (size <= 0)
            continue;
        out[c] = SweptHeads{};
        for (auto &set : SetsOf(found->digests, classes[c])) {
            if (auto kept = ComparedWhole(set, classes[c].begin, *found, std::size_t(size))) {
                for (auto &group : *kept)
                    out[c]->groups.push_back(std::move(group));
                continue;
            }
            if (std::size_t(size) > room) {
                out[c]->alike.push_back(std::move(set));
                continue;
            }
            sets.push_back({std::uint32_t(c), std::uint32_t(members.size()), std::uint32_t(set.size()),
                            std::uint32_t(set.size()), false});
            members.insert(members.end(), set.begin(), set.end());
        }
    }
    // The files of the sets in the order they lie: the sweep's order, by
    // each file's set (the digests' room, reused).
    std::vector<std::uint64_t> &setOf = found->digests;
    std::fill(setOf.begin(), setOf.end(), 0);
    found->whole.clear(); // the kept bytes go before any are held again
    for (std::uint32_t s = 0; s < sets.size(); ++s)
        for (std::uint32_t k = sets[s].first; k < sets[s].first + sets[s].count; ++k)
            setOf[classes[sets[s].size].begin + members[k]] = std::uint64_t(s) + 1;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> files; // (set, item)
    for (std::uint32_t item : sweep)
        if (setOf[item] != 0)
            files.emplace_back(std::uint32_t(setOf[item] - 1), item);
    found.reset();
    WholeReads(reader, classes, room, out, afterEachFile).run(sets, members, std::move(files));

    for (auto &of : out)
        if (of) {
            std::sort(of->groups.begin(), of->groups.end());
            std::sort(of->alike.begin(), of->alike.end());
        }
    return out;
}
