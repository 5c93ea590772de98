// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>

// Which copies of a duplicate group are checked for deletion. A group's
// members are ordered oldest first, so each rule keeps one end of it.
enum class KeepRule { CheckOlder, CheckNewer };

// Whether the rule checks the member at `position` of a group of `members`:
// every one but the newest, or every one but the oldest. A group of one
// keeps its only file either way.
constexpr bool KeepRuleChecks(KeepRule rule, std::size_t position, std::size_t members)
{
    return rule == KeepRule::CheckOlder ? position + 1 != members : position != 0;
}
