// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <string>

// One file of a duplicate group as a run is told of it, by whoever holds
// the list (the window, the bench): a run is given every member of the
// groups it touches, in list order, those it acts on marked `chosen`; the
// others are the copies it leaves, which the kept-copy guard stands on.
struct ActionFile {
    std::string path;      // raw bytes, as the directory listing gave them
    FileIdentity identity; // what the scan saw
    int group = 0;
    bool inProtectedFolder = false; // as last judged; the folder is asked again when the file would change
    bool chosen = false;            // the run acts on it
};
