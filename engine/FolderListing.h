// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ChunkedArray.h"
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"
#include "platform/TransitNames.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A folder tree as one walk read it: every directory's entries in listing
// order, with the status of each regular file. The scan walks it instead of
// listing and stat-ing the same tree a second time, and later reads its
// candidates' names and statuses from it: a tree of a million files must fit
// a desktop's memory, so each name is held once, in one arena, each folder's
// name once, and a file's path is only put together when it is asked for.
class FolderListing
{
public:
    static constexpr std::uint32_t kNotEntered = 0xFFFFFFFFu;
    static constexpr std::uint32_t kNoDirectory = 0xFFFFFFFFu;

    // An entry as the walk makes it, before it is stored.
    struct Entry {
        FileKind kind = FileKind::Other;
        std::uint32_t child = kNotEntered; // directories: index of its listing
        std::uint32_t owner = 0;           // regular files, as identity
        FileIdentity identity;             // regular files
    };
    struct Directory {
        std::uint64_t firstEntry = 0;
        std::uint32_t entryCount = 0;
        std::uint32_t parent = kNoDirectory; // none for the top
        std::uint64_t nameEntry = 0;         // the parent's entry naming it
        std::uint64_t device = 0;            // of the folder, and so of every file the listing keeps in it
    };

    // Directories are added once all their entries are known; children
    // after. A regular file on another device than its folder is a mount
    // point of its own and is kept as Other.
    std::uint32_t addDirectory(const std::vector<Entry> &entries, const std::vector<std::string_view> &names,
                               std::uint64_t device);
    void setChild(std::uint64_t entry, std::uint32_t child);
    // An entry whose kind the listing left open until its status was read.
    void setStatus(std::uint64_t entry, FileKind kind, const PathStatus &status);

    const Directory &directory(std::uint32_t index) const { return directories_[index]; }
    std::size_t directoryCount() const { return directories_.size(); }
    std::uint64_t entryCount() const { return entries_.size(); }
    FileKind kind(std::uint64_t entry) const { return FileKind(entries_[entry].kind); }
    std::uint32_t child(std::uint64_t entry) const;
    std::uint32_t owner(std::uint64_t entry) const;
    // A regular file's status; its device is its folder's.
    FileIdentity identity(std::uint64_t entry, std::uint64_t device) const;
    std::string_view name(std::uint64_t entry) const;
    // The directory holding an entry.
    std::uint32_t directoryOf(std::uint64_t entry) const;
    // The entry's path below the top folder, "a/b/name", exactly as the
    // entries are named, however deep.
    std::string relativePath(std::uint64_t entry) const;
    // The same after prefix (the top folder's path with its slash).
    std::string pathUnder(std::string_view prefix, std::uint64_t entry) const;

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
    const std::array<std::uint64_t, kTransitKindCount> &inTransitFiles() const { return inTransit_; }
    void countPassedBy(std::uint64_t softwareFolders,
                       const std::array<std::uint64_t, kTransitKindCount> &inTransitFiles)
    {
        software_ += softwareFolders;
        for (std::size_t kind = 0; kind < kTransitKindCount; ++kind)
            inTransit_[kind] += inTransitFiles[kind];
    }
    // Descriptors of listed folders the walk left open for the readers, by
    // directory; closed with the listing unless taken.
    using KeptFolder = std::pair<std::uint32_t, FolderHandle>;
    void keepFolders(std::vector<KeptFolder> kept) { kept_ = std::move(kept); }
    std::size_t keptFolderCount() const { return kept_.size(); }
    std::vector<KeptFolder> takeKeptFolders() { return std::exchange(kept_, {}); }
    void clear();

private:
    // One entry as held: 44 bytes, four-byte aligned. Files and folders alike
    // (folders are few); a file's device is its folder's.
#pragma pack(push, 4)
    struct Stored {
        std::uint32_t nameLow = 0; // offset in the arena, low bits
        std::uint16_t nameLength = 0;
        std::uint8_t nameHigh = 0; // offset, high bits
        std::uint8_t kind = std::uint8_t(FileKind::Other);
        std::uint32_t childOrOwner = kNotEntered;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t mtimeNs = 0;
        std::int64_t ctimeNs = 0;
    };
#pragma pack(pop)
    static_assert(sizeof(Stored) == 44);
    std::uint64_t appendName(std::string_view name);
    // The same, for an entry of a folder on `folderDevice`.
    static void setStatus(Stored &s, FileKind kind, const PathStatus &status, std::uint64_t folderDevice);

    std::vector<Directory> directories_;
    ChunkedArray<Stored> entries_;
    ChunkedNames names_;
    std::vector<KeptFolder> kept_;
    std::uint64_t unreadable_ = 0;
    std::uint64_t software_ = 0;
    std::array<std::uint64_t, kTransitKindCount> inTransit_{}; // by kind (TransitNames.h)
    bool walked_ = false;
};
