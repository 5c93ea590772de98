// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Every extended attribute of an open file this process may read, name and
// value, in name order: the user's own (user.*), the access ACL
// (system.posix_acl_access), file capabilities and security labels
// (security.*), and trusted.* for a process that may see them. What decides
// who may use a file beyond its owner, group and mode lives here.
using FileAttributes = std::vector<std::pair<std::string, std::string>>;

// None when the list or a value cannot be read (an attribute that went
// meanwhile is read again).
std::optional<FileAttributes> ReadFileAttributes(int fd);

// Whether the two open files carry the same attributes, values and all;
// false when either cannot be read.
bool SameFileAttributes(int fd, int otherFd);
