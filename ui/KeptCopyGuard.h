// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileIdentity.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class ResultModel;

// Keeps one run of deletions from taking the last copy of a file. The files
// of a group go only while a member the run leaves alone is still the file
// the scan saw; if that copy was removed or changed since, the run would
// leave nothing outside the trash. A run that takes every member of a group
// was the user's own choice and is not held back.
class KeptCopyGuard {
public:
    KeptCopyGuard() = default;
    // `rowsInRun`: the result rows the run is about to delete.
    KeptCopyGuard(const ResultModel &model, const std::vector<int> &rowsInRun);

    // Whether the files of this group may go. Decided at the first call for
    // the group, just before its first file goes, and kept for the run.
    bool allows(int group);

private:
    struct KeptCopy {
        std::string path;
        FileIdentity identity;
    };
    struct Group {
        std::vector<KeptCopy> kept;
        std::optional<bool> verdict;
    };
    // Only groups that keep members outside the run.
    std::unordered_map<int, Group> groups_;
};
