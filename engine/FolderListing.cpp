// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/FolderListing.h"

#include <algorithm>
#include <stdexcept>

namespace
{
constexpr std::uint64_t kLongestArena = std::uint64_t(1) << 40;
} // namespace

std::uint64_t FolderListing::appendName(std::string_view name)
{
    if (name.size() > 0xFFFF)
        throw std::length_error("a name too long for the listing");
    const std::uint64_t place = names_.append(name); // ended by a NUL: it can be handed to the system as it is
    if (place >= kLongestArena)
        throw std::length_error("too many names for the listing");
    return place;
}

std::uint32_t FolderListing::addDirectory(const std::vector<Entry> &entries, const std::vector<std::string_view> &names,
                                          std::uint64_t device)
{
    Directory dir;
    dir.firstEntry = entries_.size();
    dir.entryCount = std::uint32_t(entries.size());
    dir.device = device;
    directories_.push_back(dir);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const std::uint64_t offset = appendName(names[k]);
        Stored s;
        s.nameLow = std::uint32_t(offset);
        s.nameHigh = std::uint8_t(offset >> 32);
        s.nameLength = std::uint16_t(names[k].size());
        entries_.push_back(s);
        PathStatus status;
        status.identity = entries[k].identity;
        status.owner = entries[k].owner;
        setStatus(entries_.back(), entries[k].kind, status, device);
        if (entries[k].kind == FileKind::Directory)
            entries_.back().childOrOwner = entries[k].child;
    }
    return std::uint32_t(directories_.size() - 1);
}

void FolderListing::setChild(std::uint64_t entry, std::uint32_t child)
{
    entries_[entry].childOrOwner = child;
    directories_[child].parent = directoryOf(entry);
    directories_[child].nameEntry = entry;
}

void FolderListing::setStatus(std::uint64_t entry, FileKind kind, const PathStatus &status)
{
    setStatus(entries_[entry], kind, status, directories_[directoryOf(entry)].device);
}

void FolderListing::setStatus(Stored &s, FileKind kind, const PathStatus &status, std::uint64_t folderDevice)
{
    if (kind == FileKind::Regular && status.identity.device != folderDevice)
        kind = FileKind::Other; // a file mounted over a file: not the folder's own
    s.kind = std::uint8_t(kind);
    if (kind != FileKind::Regular) {
        s.childOrOwner = kNotEntered;
        return;
    }
    s.childOrOwner = status.owner;
    s.inode = status.identity.inode;
    s.size = status.identity.size;
    s.mtimeNs = status.identity.mtimeNs;
    s.ctimeNs = status.identity.ctimeNs;
}

std::uint32_t FolderListing::child(std::uint64_t entry) const
{
    return kind(entry) == FileKind::Directory ? entries_[entry].childOrOwner : kNotEntered;
}

std::uint32_t FolderListing::owner(std::uint64_t entry) const
{
    return kind(entry) == FileKind::Regular ? entries_[entry].childOrOwner : 0;
}

FileIdentity FolderListing::identity(std::uint64_t entry, std::uint64_t device) const
{
    const Stored &s = entries_[entry];
    return {device, s.inode, s.size, s.mtimeNs, s.ctimeNs};
}

std::string_view FolderListing::name(std::uint64_t entry) const
{
    const Stored &s = entries_[entry];
    const std::uint64_t offset = std::uint64_t(s.nameHigh) << 32 | s.nameLow;
    return names_.at(offset, s.nameLength);
}

std::uint32_t FolderListing::directoryOf(std::uint64_t entry) const
{
    // Directories are added in the order of their entries.
    const auto after = std::upper_bound(directories_.begin(), directories_.end(), entry,
                                        [](std::uint64_t e, const Directory &d) { return e < d.firstEntry; });
    return std::uint32_t(after - directories_.begin() - 1);
}

std::string FolderListing::relativePath(std::uint64_t entry) const
{
    return pathUnder({}, entry);
}

std::string FolderListing::pathUnder(std::string_view prefix, std::uint64_t entry) const
{
    // Measured first, then written from its end backwards: one allocation and
    // no part copied twice, as this runs for every file opened or listed.
    const std::uint32_t folder = directoryOf(entry);
    const std::string_view own = name(entry);
    std::size_t length = prefix.size() + own.size();
    for (std::uint32_t dir = folder; directories_[dir].parent != kNoDirectory; dir = directories_[dir].parent)
        length += name(directories_[dir].nameEntry).size() + 1;
    std::string path(length, '\0');
    char *end = path.data() + length;
    const auto put = [&end](std::string_view part) {
        end -= part.size();
        std::copy(part.begin(), part.end(), end); // the empty prefix may have no data at all
    };
    put(own);
    for (std::uint32_t dir = folder; directories_[dir].parent != kNoDirectory; dir = directories_[dir].parent) {
        *--end = '/';
        put(name(directories_[dir].nameEntry));
    }
    put(prefix);
    return path;
}

void FolderListing::clear()
{
    *this = FolderListing(); // gives the memory back, not just the contents
}
