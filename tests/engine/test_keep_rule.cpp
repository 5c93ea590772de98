// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/KeepRule.h"

#include <gtest/gtest.h>

#include <vector>

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

namespace
{

struct Member {
    bool checked = false;
    bool inProtectedFolder = false;
};

std::vector<bool> Marks(const std::vector<Member> &members)
{
    std::vector<bool> marks;
    for (const Member &member : members)
        marks.push_back(member.checked);
    return marks;
}

} // namespace

// One marking for the scan and the list: a whole group by the rule, or its
// rows from `from` on when rows came before; protection decides every mark
// of a group that has a protected copy, wherever marking starts.
TEST(KeepRule, MarkGroupMarksAWholeGroupOrItsRowsFromAPoint)
{
    std::vector<Member> group(4);
    EXPECT_EQ(MarkGroup(KeepRule::CheckOlder, group.begin(), group.end()), 0u);
    EXPECT_EQ(Marks(group), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(MarkGroup(KeepRule::CheckNewer, group.begin(), group.end()), 0u);
    EXPECT_EQ(Marks(group), (std::vector<bool>{false, true, true, true}));

    // Rows 0 and 1 keep the marks given by hand; from 2 on the rule marks.
    group = {{false, false}, {false, false}, {true, false}, {true, false}};
    EXPECT_EQ(MarkGroup(KeepRule::CheckOlder, group.begin(), group.end(), 2), 2u);
    EXPECT_EQ(Marks(group), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(MarkGroup(KeepRule::CheckOlder, group.begin(), group.end(), 9), 4u); // past the end: none

    group = {{true, false}, {false, true}, {false, false}};
    EXPECT_EQ(MarkGroup(KeepRule::CheckNewer, group.begin(), group.end(), 2), 0u);
    EXPECT_EQ(Marks(group), (std::vector<bool>{true, false, true}));

    std::vector<Member> none;
    EXPECT_EQ(MarkGroup(KeepRule::CheckOlder, none.begin(), none.end()), 0u);
}
