// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileStatus.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Lists one directory, relative to its open descriptor so that entries are
// examined without re-resolving the whole path. Links are never followed.
// The entries come straight from the kernel's listing call into a buffer of
// the reader's own, held only while the listing is read.
class DirectoryReader
{
public:
    enum class EntryType { Directory, Regular, Other, Unknown };
    struct Entry {
        const char *name = nullptr; // valid until the next call of next()
        EntryType type = EntryType::Unknown;
        std::uint64_t inode = 0; // as the listing tells it
    };

    DirectoryReader() = default;
    DirectoryReader(const DirectoryReader &) = delete;
    DirectoryReader &operator=(const DirectoryReader &) = delete;
    ~DirectoryReader() { close(); }

    // A listed folder: the path itself may be a link the user chose.
    bool open(const std::string &path);
    // A subfolder met in a listing: never through a link. `onShortage` is
    // called while descriptors run short, before each wait for one.
    bool openChild(const DirectoryReader &parent, const char *name, const std::function<void()> &onShortage = {});
    // A folder already open, as a path only or otherwise.
    bool openFolder(int folderFd);
    void close();
    // Gives the descriptor up, open, to the caller; the reader is closed.
    int release();
    // The last open failed for a reason of the folder's own (no permission,
    // an I/O error), not because it went away.
    bool unreadable() const;

    // Next entry other than "." and ".."; false at the end of the listing,
    // or when the listing failed.
    bool next(Entry &entry);
    // Status of an entry of this directory, not following links.
    PathStatus statEntry(const char *name) const;

    int fd() const { return fd_; }
    PathStatus status() const;

private:
    bool adopt(int fd);
    bool refill();

    int fd_ = -1;
    int openError_ = 0;
    std::unique_ptr<char[]> buffer_; // while the listing is read
    std::size_t at_ = 0, filled_ = 0;
    bool ended_ = false;
};
