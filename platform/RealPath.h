// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>

// The absolute path `path` leads to, every link and "." or ".." resolved
// (realpath(3)); empty when it leads nowhere.
std::string RealPath(const std::string &path);
