// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>

// True when the folder is the root of the file system it lives on.
bool IsMountPoint(const std::string &path);

// The bytes in use on the volume holding a folder; -1 when it cannot be told.
std::int64_t UsedSpace(const std::string &path);
