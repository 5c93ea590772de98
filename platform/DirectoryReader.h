// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileStatus.h"

#include <cstdint>
#include <dirent.h>
#include <string>

// Lists one directory, relative to its open descriptor so that entries are
// examined without re-resolving the whole path. Links are never followed.
class DirectoryReader
{
public:
    enum class EntryType { Directory, Regular, Other, Unknown };
    struct Entry {
        const char *name = nullptr;
        EntryType type = EntryType::Unknown;
        std::uint64_t inode = 0; // as the listing tells it
    };

    DirectoryReader() = default;
    DirectoryReader(const DirectoryReader &) = delete;
    DirectoryReader &operator=(const DirectoryReader &) = delete;
    ~DirectoryReader() { close(); }

    // A listed folder: the path itself may be a link the user chose.
    bool open(const std::string &path);
    // A subfolder met in a listing: never through a link.
    bool openChild(const DirectoryReader &parent, const char *name);
    // A folder already open, as a path only or otherwise.
    bool openFolder(int folderFd);
    void close();
    // The last open failed for a reason of the folder's own (no permission,
    // an I/O error), not because it went away.
    bool unreadable() const;

    // Next entry other than "." and ".."; false at the end of the listing.
    bool next(Entry &entry);
    // Status of an entry of this directory, not following links.
    PathStatus statEntry(const char *name) const;

    int fd() const { return fd_; }
    PathStatus status() const;

private:
    bool adopt(int fd);
    DIR *dir_ = nullptr;
    int fd_ = -1;
    int openError_ = 0;
};
