// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <cstdint>
#include <string>

// One file of a duplicate group as the result list shows it.
struct ResultRow {
    std::string path; // raw bytes, exactly as the directory listing gave them
    int group = 0;    // 1-based group number
    // The change of the protected folders it was judged against
    // (ProtectedFolderList::serial).
    std::uint32_t protectionSerial = 0;
    bool checked = false;
    bool inProtectedFolder = false; // never checked, never deleted
    FileIdentity identity;          // its size and modification time are what the list shows
};
