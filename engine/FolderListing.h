// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A folder tree as one walk read it: every directory's entries in
// listing order, with the status of each regular file. The scan walks it
// instead of listing and stat-ing the same tree a second time.
class FolderListing
{
public:
    static constexpr std::uint32_t kNotEntered = 0xFFFFFFFFu;

    struct Entry {
        std::uint64_t nameOffset = 0;
        std::uint32_t nameLength = 0;
        FileKind kind = FileKind::Other;
        std::uint32_t child = kNotEntered; // directories: index of its listing
        std::uint32_t owner = 0;           // regular files, as identity
        FileIdentity identity;             // regular files
    };
    struct Directory {
        std::uint64_t firstEntry = 0;
        std::uint32_t entryCount = 0;
    };

    // Directories are added once all their entries are known; children after.
    std::uint32_t addDirectory(const std::vector<Entry> &entries);
    void setChild(std::uint64_t entry, std::uint32_t child) { entries_[entry].child = child; }
    // An entry whose kind the listing left open until its status was read.
    void setStatus(std::uint64_t entry, FileKind kind, const PathStatus &status)
    {
        entries_[entry].kind = kind;
        entries_[entry].identity = status.identity;
        entries_[entry].owner = status.owner;
    }
    std::uint64_t appendName(std::string_view name);

    const Directory &directory(std::uint32_t index) const { return directories_[index]; }
    const Entry &entry(std::uint64_t index) const { return entries_[index]; }
    std::string_view name(const Entry &e) const { return std::string_view(names_).substr(e.nameOffset, e.nameLength); }
    bool empty() const { return directories_.empty(); }
    // Whether a walk read the whole tree into it (see TreeWalker).
    bool walked() const { return walked_; }
    void markWalked() { walked_ = true; }
    // Folders below the root that could not be listed for a reason of their own.
    std::uint64_t unreadableFolders() const { return unreadable_; }
    void countUnreadableFolder() { ++unreadable_; }
    // Folders below the root passed by as installed software, and files left
    // under the program's own in-transit name, for the summary to tell.
    std::uint64_t softwareFolders() const { return software_; }
    std::uint64_t inTransitFiles() const { return inTransit_; }
    void countPassedBy(std::uint64_t softwareFolders, std::uint64_t inTransitFiles)
    {
        software_ += softwareFolders;
        inTransit_ += inTransitFiles;
    }
    void clear();

private:
    std::vector<Directory> directories_;
    std::vector<Entry> entries_;
    std::string names_;
    std::uint64_t unreadable_ = 0;
    std::uint64_t software_ = 0;
    std::uint64_t inTransit_ = 0;
    bool walked_ = false;
};
