// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/ActionFile.h"
#include "actions/KeptCopy.h"

#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

// Keeps one run from taking the last copy of a file. A file of a group goes
// only while a member the run leaves alone is still the file the scan saw,
// asked once the file has been moved aside: a kept copy that vanishes with
// the move was the same file seen through another mount. A run that takes
// every member of a group was the user's own choice and is not held back. A
// member in a protected folder is left alone by every run, chosen or not.
// Made on the owner's thread, asked on the run's.
class KeptCopyGuard
{
public:
    KeptCopyGuard() = default;
    // `files`: the members of the groups of a run, in list order, those the
    // run acts on chosen (see ActionFile).
    explicit KeptCopyGuard(std::span<const ActionFile> files);

    // Whether the run leaves a member of this group alone.
    bool keepsCopyOf(int group) const { return kept_.count(group) > 0; }
    // The check for a file of this group; none when the run takes every
    // member. Valid while the guard lives.
    std::function<bool()> checkFor(int group) const;
    // Whether one of the copies the run leaves of this group is as seen.
    bool keptCopyStands(int group) const;
    // The first copy of the group in list order that the run leaves; none
    // when the run takes every member.
    const KeptCopy *firstKeptCopy(int group) const;

private:
    // Only groups that keep members outside the run.
    std::unordered_map<int, std::vector<KeptCopy>> kept_;
};
