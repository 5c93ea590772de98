// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/MountTable.h"

#include <string>
#include <vector>

// Whether the mount lies below one of the run-time trees `tops` (real paths,
// such as /run) and is the user's by what it is: a disk (a removable drive,
// an image the user opened), a network share, a user-space file system that
// serves no local folder (the desktop's shares, the portal's documents).
// Never one in a tree's host/ folder, where a sandbox shows the host's system.
bool IsUsersRuntimeMount(const MountTable::Mount &mount, const std::vector<std::string> &tops);
