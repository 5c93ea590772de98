// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <map>
#include <string>

// What one run came to.
struct ActionTally {
    int done = 0;                   // files deleted, sharing storage or linked
    int left = 0;                   // files left as they were; their rows stay
    std::map<int, int> leftFor;     // of those, how many for each reason the action tells apart
    int inProtectedFolders = 0;     // files in folders the user protected; their rows stay
    std::int64_t releasedBytes = 0; // as the action measured it, or the sizes of the files that went
    std::string failure;            // why an error ended the run early; empty when it did not
    // Where the trash was looked for when it could not be used, and why (an
    // errno value); empty when it was not in the way.
    std::string unusableTrash;
    int trashError = 0;
};
