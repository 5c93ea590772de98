// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/PhysicalOrder.h"
#include "engine/Candidate.h"
#include "engine/ReadBatches.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

DiskPlace PlaceOf(const FileIdentity &identity, const std::optional<std::uint64_t> &offset)
{
    return {identity.device, !offset, offset ? *offset : identity.inode, identity.inode};
}

namespace
{

// A place in 16 bytes with the file it is of: the devices by their rank
// among those seen, so the order is DiskPlace's but for ties within a
// position, which keep the list's order.
struct PackedPlace {
    std::uint64_t position = 0;
    std::uint32_t deviceAndUnplaced = 0; // rank << 1 | unplaced
    std::uint32_t item = 0;
};

class PlacePacker
{
public:
    void add(const DiskPlace &place, std::size_t item)
    {
        auto at = std::find(devices_.begin(), devices_.end(), place.device);
        if (at == devices_.end())
            at = devices_.insert(devices_.end(), place.device);
        packed_.push_back({place.position, std::uint32_t(at - devices_.begin()) << 1 | (place.unplaced ? 1u : 0u),
                           std::uint32_t(item)});
    }
    std::vector<std::uint32_t> order()
    {
        std::vector<std::uint32_t> rank(devices_.size());
        std::iota(rank.begin(), rank.end(), 0u);
        std::sort(rank.begin(), rank.end(), [&](auto a, auto b) { return devices_[a] < devices_[b]; });
        std::vector<std::uint32_t> rankOf(devices_.size());
        for (std::uint32_t r = 0; r < rank.size(); ++r)
            rankOf[rank[r]] = r;
        for (PackedPlace &p : packed_)
            p.deviceAndUnplaced = rankOf[p.deviceAndUnplaced >> 1] << 1 | (p.deviceAndUnplaced & 1u);
        std::stable_sort(packed_.begin(), packed_.end(), [](const PackedPlace &a, const PackedPlace &b) {
            return std::tie(a.deviceAndUnplaced, a.position) < std::tie(b.deviceAndUnplaced, b.position);
        });
        std::vector<std::uint32_t> items(packed_.size());
        for (std::size_t k = 0; k < packed_.size(); ++k)
            items[k] = packed_[k].item;
        std::vector<PackedPlace>().swap(packed_);
        return items;
    }

private:
    std::vector<std::uint64_t> devices_; // few: in the order first seen
    std::vector<PackedPlace> packed_;
};

} // namespace

std::vector<std::uint32_t> SweepOrder(const std::vector<std::pair<std::uint32_t, DiskPlace>> &places)
{
    PlacePacker packer;
    for (const auto &[item, place] : places)
        packer.add(place, item);
    return packer.order();
}

std::optional<std::vector<std::size_t>> OrderByPlace(CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                     const ExtentLookup &lookup, const std::function<bool()> &cancelled,
                                                     std::vector<std::uint32_t> *sweep)
{
    auto &items = sorted.items();
    PlacePacker packer;
    std::vector<DiskPlace> firstPlace(classes.size());
    std::vector<std::pair<DiskPlace, CandidateList::Ref>> members;
    for (std::size_t c = 0; c < classes.size(); ++c) {
        members.clear();
        for (std::size_t k = classes[c].begin; k < classes[c].end; ++k) {
            if (cancelled && cancelled())
                return std::nullopt;
            const FileIdentity id = sorted[k].identity;
            const auto offset = lookup ? lookup(std::string(sorted.path(k)), id) : std::nullopt;
            members.emplace_back(PlaceOf(id, offset), items[k]);
        }
        // Stable: files of one place (inode 0 on some file systems) keep the walk's order.
        std::stable_sort(members.begin(), members.end(), [](auto &a, auto &b) { return a.first < b.first; });
        for (std::size_t m = 0; m < members.size(); ++m) {
            items[classes[c].begin + m] = members[m].second;
            if (sweep)
                packer.add(members[m].first, classes[c].begin + m);
        }
        firstPlace[c] = members.front().first;
    }
    if (sweep)
        *sweep = packer.order();
    std::vector<std::size_t> order(classes.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return firstPlace[a] < firstPlace[b]; });
    return order;
}
