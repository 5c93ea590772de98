// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The folders the user protected, as the folder list gives their paths, and
// the number of the change that made them so: each change gets a new one, so
// a row can tell whether it was judged against the folders protected now.
struct ProtectedFolderList {
    std::uint32_t serial = 0; // 0: as at start, nothing protected
    std::vector<std::string> paths;
};
