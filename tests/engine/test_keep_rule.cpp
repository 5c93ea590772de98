// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/KeepRule.h"

#include <gtest/gtest.h>

// Each rule keeps exactly one copy of every group, at its own end of the
// oldest-first order; a lone file is never checked.
TEST(KeepRule, KeepsOneCopyAtItsEndOfEveryGroup)
{
    struct Rule {
        KeepRule rule;
        std::size_t (*kept)(std::size_t members);
    };
    const Rule rules[] = {{KeepRule::CheckOlder, [](std::size_t members) { return members - 1; }},
                          {KeepRule::CheckNewer, [](std::size_t) { return std::size_t(0); }}};
    for (const Rule &r : rules)
        for (std::size_t members = 1; members <= 4; ++members)
            for (std::size_t position = 0; position < members; ++position)
                EXPECT_EQ(KeepRuleChecks(r.rule, position, members, {}), position != r.kept(members))
                    << int(r.rule) << " " << position << "/" << members;
}

// With a copy in a protected folder the rule has no say: the protected
// copies stay, every other one is offered; all protected, none is.
TEST(KeepRule, ProtectedCopiesStayAndTheRestGoWhateverTheRule)
{
    for (KeepRule rule : {KeepRule::CheckOlder, KeepRule::CheckNewer})
        for (std::size_t position = 0; position < 3; ++position) {
            EXPECT_FALSE(KeepRuleChecks(rule, position, 3, {true, 1}));
            EXPECT_FALSE(KeepRuleChecks(rule, position, 3, {true, 3}));
            EXPECT_TRUE(KeepRuleChecks(rule, position, 3, {false, 2}));
        }
}
