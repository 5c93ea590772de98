// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <cstddef>
#include <string>

// A copy of a group that a run leaves where it is, as the scan saw it.
struct KeptCopy {
    std::string path;
    FileIdentity identity;
    std::size_t file = 0;           // its place among the files the run was given
    bool inProtectedFolder = false; // as its description said
};
