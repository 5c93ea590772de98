// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <algorithm>
#include <cstddef>
#include <iterator>

// Which copies of a duplicate group are checked for deletion. A group's
// members are ordered oldest first, so each rule keeps one end of it.
enum class KeepRule { CheckOlder, CheckNewer };

// How a group stands to the folders the user protected: whether the member
// asked about lies in one, and how many of the group's members do.
struct MemberProtection {
    bool member = false;
    std::size_t inGroup = 0;
};

// Whether the rule checks the member at `position` of a group of `members`:
// every one but the newest, or every one but the oldest. A group of one
// keeps its only file either way. A group with copies in protected folders
// keeps those and offers all the others, whatever the rule; one whose copies
// are all protected offers none.
constexpr bool KeepRuleChecks(KeepRule rule, std::size_t position, std::size_t members, MemberProtection protection)
{
    if (protection.inGroup > 0)
        return !protection.member;
    return rule == KeepRule::CheckOlder ? position + 1 != members : position != 0;
}

// Marks the members of one group, [first, last) oldest first, by the rule:
// the one marking of a group, for the scan as it adds a group and for the
// list when the rule changes or rows arrive. A member is anything with
// `checked` and `inProtectedFolder`. Members before `from` keep their marks
// (the list's rows marked before the group went on), unless the group has a
// copy in a protected folder: protection decides every mark then. Returns
// the place of the first member marked.
template <std::random_access_iterator Member>
std::size_t MarkGroup(KeepRule rule, Member first, Member last, std::size_t from = 0)
{
    const auto members = std::size_t(last - first);
    const auto inProtectedFolders
        = std::size_t(std::count_if(first, last, [](const auto &member) { return bool(member.inProtectedFolder); }));
    const std::size_t markFrom = inProtectedFolders > 0 ? 0 : std::min(from, members);
    for (std::size_t i = markFrom; i < members; ++i) {
        auto &member = first[std::ptrdiff_t(i)];
        member.checked = KeepRuleChecks(rule, i, members, {bool(member.inProtectedFolder), inProtectedFolders});
    }
    return markFrom;
}
