// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/KeptCopyGuard.h"
#include "platform/FileRemoval.h"

#include <algorithm>
#include <unordered_set>

KeptCopyGuard::KeptCopyGuard(std::span<const ActionFile> files)
{
    std::unordered_set<int> runGroups;
    for (const ActionFile &file : files)
        if (file.chosen)
            runGroups.insert(file.group);
    // A copy in a protected folder stays whether the run holds it or not.
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ActionFile &file = files[i];
        if (runGroups.count(file.group) > 0 && (!file.chosen || file.inProtectedFolder))
            kept_[file.group].push_back({file.path, file.identity, i, file.inProtectedFolder});
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
