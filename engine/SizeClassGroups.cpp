// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/SizeClassGroups.h"
#include "engine/ContentGrouper.h"
#include "engine/SweptHeads.h"
#include "platform/LocaleCompare.h"

#include <algorithm>
#include <numeric>

namespace
{

struct GroupMember {
    std::uint32_t index; // into the sorted list
    std::int64_t mtimeNs;
    QString display; // converted once, compared many times
};

bool pathBefore(const GroupMember &a, const GroupMember &b, const CandidateList &list, const LocaleCompare &locale)
{
    if (const int c = locale.compareDisplay(a.display, b.display))
        return c < 0;
    return list.path(a.index) < list.path(b.index);
}

// The time itself, not its local text: in the hour that repeats when the
// clocks go back, the text of the older copy can sort after the newer one.
bool memberBefore(const GroupMember &a, const GroupMember &b, const CandidateList &list, const LocaleCompare &locale)
{
    if (a.mtimeNs != b.mtimeNs)
        return a.mtimeNs < b.mtimeNs;
    return pathBefore(a, b, list, locale);
}

} // namespace

namespace
{

// The groups of one size as the grouper finds them, by index within the
// size; where a sweep went first, its groups stand and only the sets it left
// alike are compared, from their first byte (it kept only digests of them).
std::optional<std::vector<ContentGrouper::Group>> compare(const CandidateList &sorted, SizeClass sc,
                                                          ContentGrouper &grouper, const SweptHeads *swept)
{
    std::vector<std::vector<std::uint32_t>> sets;
    std::vector<ContentGrouper::Group> groups;
    if (swept) {
        groups = swept->groups;
        sets = swept->alike;
    } else {
        sets.emplace_back(sc.end - sc.begin);
        std::iota(sets.back().begin(), sets.back().end(), 0u);
    }
    std::vector<ReadTarget> files;
    for (const auto &set : sets) {
        files.clear();
        for (std::uint32_t m : set)
            files.push_back(sorted.target(sc.begin + m));
        const auto found = grouper.group(files, sorted[sc.begin].identity.size);
        if (!found)
            return std::nullopt;
        for (const auto &g : *found) {
            groups.emplace_back();
            for (std::uint32_t k : g)
                groups.back().push_back(set[k]);
        }
    }
    return groups;
}

} // namespace

std::optional<OrderedGroups> groupSizeClass(const CandidateList &sorted, SizeClass sc, ContentGrouper &grouper,
                                            const LocaleCompare &locale, const SweptHeads *swept)
{
    const auto groups = compare(sorted, sc, grouper, swept);
    if (!groups)
        return std::nullopt;

    std::vector<std::vector<GroupMember>> ordered;
    for (const auto &g : *groups) {
        std::vector<GroupMember> members;
        for (std::uint32_t m : g) {
            const auto index = std::uint32_t(sc.begin + m);
            members.push_back({index, sorted[index].identity.mtimeNs, LocaleCompare::toDisplay(sorted.path(index))});
        }
        std::sort(members.begin(), members.end(), [&](auto &a, auto &b) { return memberBefore(a, b, sorted, locale); });
        ordered.push_back(std::move(members));
    }
    auto firstPath = [&](const std::vector<GroupMember> &g) {
        return *std::min_element(g.begin(), g.end(),
                                 [&](auto &a, auto &b) { return pathBefore(a, b, sorted, locale); });
    };
    std::sort(ordered.begin(), ordered.end(),
              [&](auto &a, auto &b) { return pathBefore(firstPath(a), firstPath(b), sorted, locale); });

    OrderedGroups out;
    for (const auto &members : ordered) {
        std::vector<ResultRow> rows;
        for (const auto &m : members) {
            ResultRow row;
            row.path = std::string(sorted.path(m.index));
            row.identity = sorted[m.index].identity;
            rows.push_back(std::move(row));
        }
        out.push_back(std::move(rows));
    }
    return out;
}
