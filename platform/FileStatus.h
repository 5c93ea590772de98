// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileIdentity.h"

#include <string>
#include <sys/stat.h>

enum class FileKind { Missing, Regular, Directory, Other };

struct PathStatus {
    FileKind kind = FileKind::Missing;
    FileIdentity identity;
    std::uint32_t owner = 0; // user id
};

// Status of a path without following a final symbolic link.
PathStatus StatPathNoFollow(const std::string &path);
// Status of what a path leads to, following symbolic links.
PathStatus StatPath(const std::string &path);
// Status of an open file.
PathStatus StatOpenFile(int fd);
// Translate a stat record into our identity and kind.
PathStatus FromStat(const struct stat &st);
