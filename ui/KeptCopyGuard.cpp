// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "KeptCopyGuard.h"
#include "FileRemoval.h"
#include "ResultModel.h"

#include <algorithm>
#include <unordered_set>

KeptCopyGuard::KeptCopyGuard(const ResultModel &model, const std::vector<int> &rowsInRun)
{
    std::vector<bool> inRun(std::size_t(model.rowCount()), false);
    std::unordered_set<int> runGroups;
    for (int row : rowsInRun) {
        inRun[std::size_t(row)] = true;
        runGroups.insert(model.row(row).group);
    }
    for (int row = 0; row < model.rowCount(); ++row) {
        const ResultRow &file = model.row(row);
        if (!inRun[std::size_t(row)] && runGroups.count(file.group) > 0)
            groups_[file.group].kept.push_back({file.path, file.identity});
    }
}

bool KeptCopyGuard::allows(int group)
{
    const auto found = groups_.find(group);
    if (found == groups_.end())
        return true; // every member is in the run
    Group &state = found->second;
    if (!state.verdict) {
        state.verdict = std::any_of(state.kept.begin(), state.kept.end(),
                                    [](const KeptCopy &copy) { return IsFileAsSeen(copy.path, copy.identity); });
        state.kept.clear();
    }
    return *state.verdict;
}
