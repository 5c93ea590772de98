// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/FolderListing.h"
#include "platform/FileStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One accepted file of the walk, as the later stages read it.
struct Candidate {
    FileIdentity identity;
    std::uint32_t owner = 0;
};

// A candidate as it is read: by its name in its folder (see
// FolderDescriptors). A file appended by path has no folder; its name is the
// whole path. The name is the list's own, ended by a NUL.
struct ReadTarget {
    static constexpr std::uint32_t kNoFolder = 0xFFFFFFFFu;
    std::uint32_t index = 0; // in the list
    std::uint32_t folder = kNoFolder;
    const char *name = nullptr;
    FileIdentity identity;
    std::uint32_t owner = 0;
};

// The accepted files of a scan. Their names and statuses stay in the walk's
// listings, which the list takes over; per file it holds only where to find
// it (8 bytes), and a path is put together when it is asked for.
class CandidateList
{
public:
    // Where a candidate lies: its entry in one of the listings.
    struct Ref {
        std::uint32_t entry = 0;
        std::uint16_t listing = 0;
        std::uint16_t device = 0; // into the list's devices
    };

    // Takes a walked listing over, with the path of its top folder; returns
    // its number for append().
    std::uint16_t adopt(FolderListing listing, const std::string &top);
    // A regular file of an adopted listing, on its folder's device.
    void append(std::uint16_t listing, std::uint64_t entry, std::uint64_t device);
    const FolderListing &listing(std::uint16_t number) const { return listings_[number].listing; }
    // A file by its full path, outside any listing (for tests and tools).
    void append(const PathStatus &status, std::string_view directoryPrefix, std::string_view name);

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    Candidate operator[](std::size_t i) const;
    std::int64_t sizeOf(std::size_t i) const;
    std::string path(std::size_t i) const;
    // How the reader reaches the candidate.
    ReadTarget target(std::size_t i) const;

    // The folders of the adopted listings, numbered across them.
    struct Folder {
        std::uint32_t parent = ReadTarget::kNoFolder; // none for a listed folder
        const char *name = nullptr;                   // in its parent; a listed folder's whole path
    };
    std::uint32_t folderCount() const;
    Folder folder(std::uint32_t number) const;
    // The folder's path, ending in '/'.
    std::string folderPath(std::uint32_t number) const;
    // The folders the walks left open, by number, taken from the listings.
    std::vector<FolderListing::KeptFolder> takeKeptFolders();

    std::vector<Ref> &items() { return items_; }
    const std::vector<Ref> &items() const { return items_; }

private:
    struct Adopted {
        FolderListing listing;
        std::string prefix;            // the top folder's path, ending in '/'
        std::uint32_t firstFolder = 0; // the number of its top folder among all listings' folders
    };
    // The listing a folder number belongs to.
    const Adopted &adoptedOf(std::uint32_t folder) const;
    std::uint16_t deviceIndex(std::uint64_t device);

    std::vector<Adopted> listings_;
    std::vector<std::uint64_t> devices_;
    std::vector<Ref> items_;
    // Files appended by path: their statuses, and paths in one pool, each
    // ended by a NUL.
    std::vector<Candidate> loose_;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> loosePaths_;
    std::string loosePool_;
};
