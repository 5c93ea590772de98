// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileAttributes.h"

#include <algorithm>
#include <cerrno>
#include <sys/xattr.h>

namespace
{

constexpr int kMostTries = 4; // the list or a value grew between asking its size and reading it

// The names, each ended by a NUL, as the kernel lists them.
std::optional<std::string> NameList(int fd)
{
    for (int tries = 0; tries < kMostTries; ++tries) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? std::optional<std::string>(std::string()) : std::nullopt;
        if (size == 0)
            return std::string();
        std::string names(std::size_t(size), '\0');
        const ssize_t got = ::flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(std::size_t(got));
            return names;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

// A value; none when it went meanwhile or cannot be read.
std::optional<std::string> Value(int fd, const char *name, bool &gone)
{
    gone = false;
    for (int tries = 0; tries < kMostTries; ++tries) {
        const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size < 0) {
            gone = errno == ENODATA;
            return std::nullopt;
        }
        std::string value(std::size_t(size), '\0');
        const ssize_t got = size == 0 ? 0 : ::fgetxattr(fd, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(std::size_t(got));
            return value;
        }
        if (errno != ERANGE) {
            gone = errno == ENODATA;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<FileAttributes> ReadFileAttributes(int fd)
{
    const std::optional<std::string> names = NameList(fd);
    if (!names)
        return std::nullopt;
    FileAttributes attributes;
    for (std::size_t at = 0; at < names->size();) {
        const std::size_t end = names->find('\0', at);
        const std::string name = names->substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? names->size() : end + 1;
        if (name.empty())
            continue;
        bool gone = false;
        std::optional<std::string> value = Value(fd, name.c_str(), gone);
        if (!value) {
            if (gone)
                continue; // removed since the list was read: it is not there
            return std::nullopt;
        }
        attributes.emplace_back(name, std::move(*value));
    }
    std::sort(attributes.begin(), attributes.end());
    return attributes;
}

bool SameFileAttributes(int fd, int otherFd)
{
    const std::optional<FileAttributes> mine = ReadFileAttributes(fd);
    if (!mine)
        return false;
    const std::optional<FileAttributes> theirs = ReadFileAttributes(otherFd);
    return theirs && *mine == *theirs;
}
