// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>

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
