#include "ContentGrouper.h"
#include "CRC32Pas.h"
#include "OpenedFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <zlib.h>

namespace {

constexpr std::int64_t kSample = 4096;            // first, last and middle probes
constexpr std::int64_t kWholeUpTo = 16 * 1024;     // small files are compared whole
constexpr std::int64_t kFirstChunk = 64 * 1024;
constexpr std::int64_t kMaxChunk = 1024 * 1024;
constexpr std::int64_t kMinPiece = 512;
constexpr std::size_t kBufferBudget = 64u << 20;  // bytes held for one set at once

struct Range {
    std::int64_t offset;
    std::int64_t length;
};

void addGap(std::vector<Range> &plan, std::int64_t from, std::int64_t to)
{
    std::int64_t chunk = kFirstChunk;
    while (from < to) {
        const std::int64_t length = std::min(chunk, to - from);
        plan.push_back({from, length});
        from += length;
        chunk = std::min(chunk * 2, kMaxChunk);
    }
}

// Files of one size usually differ in their headers or trailers, so those are
// compared first; the rest follows in growing sequential chunks.
std::vector<Range> readingPlan(std::int64_t size)
{
    if (size <= kWholeUpTo)
        return {{0, size}};
    const Range last{size - kSample, kSample};
    const std::int64_t midStart = std::max(kSample, (size / 2) / kSample * kSample);
    const std::int64_t midEnd = std::min(midStart + kSample, last.offset);
    std::vector<Range> plan{{0, kSample}, last};
    if (midEnd > midStart) {
        plan.push_back({midStart, midEnd - midStart});
        addGap(plan, kSample, midStart);
        addGap(plan, midEnd, last.offset);
    } else {
        addGap(plan, kSample, last.offset);
    }
    return plan;
}

// Members still alike after a prefix of the plan.
struct WorkSet {
    std::vector<std::uint32_t> members;
    std::size_t range = 0;         // index into the plan
    std::int64_t within = 0;       // bytes of that range done
    std::uint32_t running = ~0u;   // raw CRC of the range so far
    std::vector<std::uint32_t> crcs; // finished CRC of each earlier range
};

std::uint32_t combineCrcs(const std::vector<Range> &plan, const std::vector<std::uint32_t> &crcs)
{
    std::vector<std::size_t> order(plan.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](auto a, auto b) { return plan[a].offset < plan[b].offset; });
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::size_t i : order)
        crc = crc32_combine64(crc, crcs[i], plan[i].length);
    return static_cast<std::uint32_t>(crc);
}

// Splits the read pieces into runs of identical bytes, first member first.
std::vector<std::vector<std::uint32_t>> partition(const std::vector<std::uint32_t> &members,
                                                  const std::vector<const char *> &pieces, std::size_t length)
{
    std::vector<std::vector<std::uint32_t>> parts;
    std::vector<const char *> reps;
    std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
    const bool hashed = members.size() > 8;
    for (std::size_t k = 0; k < members.size(); ++k) {
        const char *piece = pieces[k];
        std::vector<std::size_t> *candidates = nullptr;
        std::vector<std::size_t> all;
        if (hashed) {
            candidates = &byHash[std::hash<std::string_view>{}(std::string_view(piece, length))];
        } else {
            all.resize(parts.size());
            for (std::size_t p = 0; p < parts.size(); ++p)
                all[p] = p;
            candidates = &all;
        }
        std::size_t found = parts.size();
        for (std::size_t p : *candidates)
            if (std::memcmp(reps[p], piece, length) == 0) {
                found = p;
                break;
            }
        if (found == parts.size()) {
            parts.emplace_back();
            reps.push_back(piece);
            if (hashed)
                candidates->push_back(found);
        }
        parts[found].push_back(members[k]);
    }
    return parts;
}

} // namespace

std::vector<ContentGrouper::Group> ContentGrouper::group(const std::vector<File> &files, std::int64_t size)
{
    std::vector<Group> done;
    std::vector<OpenedFile> handles(files.size());
    auto openChecked = [&](std::uint32_t i) {
        return handles[i].isOpen() || handles[i].open(files[i].path, files[i].identity) == OpenedFile::Outcome::Opened;
    };

    WorkSet all;
    for (std::uint32_t i = 0; i < files.size(); ++i)
        all.members.push_back(i);
    const std::vector<Range> plan = readingPlan(size);
    std::vector<WorkSet> stack;
    stack.push_back(std::move(all));
    std::vector<char> buffer;

    while (!stack.empty()) {
        if (abort_.load(std::memory_order_relaxed))
            return {};
        WorkSet set = std::move(stack.back());
        stack.pop_back();

        if (set.range == plan.size() || size == 0) {
            // Everything compared: keep the files that are still what the walk saw.
            std::vector<std::uint32_t> kept;
            for (std::uint32_t i : set.members) {
                if (openChecked(i) && handles[i].unchangedSince(files[i].identity))
                    kept.push_back(i);
                handles[i].close();
            }
            if (kept.size() >= 2)
                done.push_back({std::move(kept), size == 0 ? 0u : combineCrcs(plan, set.crcs)});
            continue;
        }

        const Range &r = plan[set.range];
        const bool keepOpen = set.members.size() <= kMaxOpenFiles;
        const std::int64_t budgetPiece = std::max<std::int64_t>(kMinPiece, std::int64_t(kBufferBudget / set.members.size()));
        const std::size_t length = std::size_t(std::min(r.length - set.within, budgetPiece));
        buffer.resize(length * set.members.size());

        std::vector<std::uint32_t> readable;
        std::vector<const char *> pieces;
        for (std::uint32_t i : set.members) {
            if (abort_.load(std::memory_order_relaxed))
                return {};
            char *piece = buffer.data() + length * pieces.size();
            const bool ok = openChecked(i) && handles[i].readFullyAt(r.offset + set.within, piece, length);
            if (ok) {
                bytesRead_.fetch_add(length, std::memory_order_relaxed);
                readable.push_back(i);
                pieces.push_back(piece);
            }
            if (!ok || !keepOpen)
                handles[i].close();
        }

        auto parts = partition(readable, pieces, length);
        // Depth first keeps the open files within one lineage of sets.
        for (auto p = parts.rbegin(); p != parts.rend(); ++p) {
            if (p->size() < 2) {
                handles[p->front()].close();
                continue;
            }
            const std::size_t repIndex = std::size_t(std::find(readable.begin(), readable.end(), p->front()) - readable.begin());
            WorkSet child;
            child.members = std::move(*p);
            child.crcs = set.crcs;
            child.running = UpdateCRC32Large(set.running, pieces[repIndex], length);
            child.range = set.range;
            child.within = set.within + std::int64_t(length);
            if (child.within == r.length) {
                child.crcs.push_back(~child.running);
                child.running = ~0u;
                child.range++;
                child.within = 0;
            }
            stack.push_back(std::move(child));
        }
    }
    std::sort(done.begin(), done.end(), [](const Group &a, const Group &b) { return a.members.front() < b.members.front(); });
    return done;
}
