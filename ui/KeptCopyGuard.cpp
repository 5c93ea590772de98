// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/KeptCopyGuard.h"
#include "platform/FileRemoval.h"
#include "ui/ResultModel.h"

#include <algorithm>
#include <unordered_set>

KeptCopyGuard::KeptCopyGuard(const ResultModel &model, const std::vector<int> &rowsInRun)
{
    std::vector<bool> inRun(std::size_t(model.rowCount()), false);
    std::unordered_set<int> runGroups;
    for (int row : rowsInRun) {
        inRun[std::size_t(row)] = true;
        runGroups.insert(model.group(row));
    }
    // A copy in a protected folder stays whether the run holds it or not.
    for (int row = 0; row < model.rowCount(); ++row) {
        if (runGroups.count(model.group(row)) == 0)
            continue;
        const ResultRow file = model.row(row);
        if (!inRun[std::size_t(row)] || file.inProtectedFolder)
            kept_[file.group].push_back({file.path, file.identity});
    }
}

std::function<bool()> KeptCopyGuard::checkFor(int group) const
{
    if (!keepsCopyOf(group))
        return {};
    return [this, group] { return keptCopyStands(group); };
}

bool KeptCopyGuard::keptCopyStands(int group) const
{
    const auto found = kept_.find(group);
    if (found == kept_.end())
        return false;
    return std::any_of(found->second.begin(), found->second.end(),
                       [](const KeptCopy &copy) { return IsFileAsSeen(copy.path, copy.identity); });
}

const KeptCopy *KeptCopyGuard::firstKeptCopy(int group) const
{
    const auto found = kept_.find(group);
    return found == kept_.end() || found->second.empty() ? nullptr : &found->second.front();
}
