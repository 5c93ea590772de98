// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>

// Absolute paths, taken apart and put together as the boundary's rules name
// folders.

// The folder that holds `path`; "/" for the root and for what lies in it.
inline std::string ParentPath(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// `below` ("/a/b", or "/" for the folder itself) inside `folder`.
inline std::string Joined(const std::string &folder, const std::string &below)
{
    if (below.empty() || below == "/")
        return folder;
    return folder == "/" ? below : folder + below;
}
