// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <map>
#include <string>

// What one run came to.
struct ActionTally {
    int done = 0;                   // files deleted, sharing storage, linked or moved
    std::map<int, int> doneFor;     // of those, how many for each remark the action makes of a file done
    int left = 0;                   // files left as they were; their rows stay
    std::map<int, int> leftFor;     // of those, how many for each reason the action tells apart
    int inProtectedFolders = 0;     // files in folders the user protected; their rows stay
    std::int64_t releasedBytes = 0; // the sum of what each file released
    bool releasedAtMost = false;    // some of it may still be held by a snapshot: "up to"
    std::string failure;            // why an error ended the run early; empty when it did not
    // Where the trash was looked for when it could not be used, and why (an
    // errno value); empty when it was not in the way.
    std::string unusableTrash;
    int trashError = 0;
    // Hidden names of the program's own that an earlier run cut off left
    // where this one worked, met on the way.
    int leftInTransit = 0;
};
