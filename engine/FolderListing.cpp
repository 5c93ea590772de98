// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FolderListing.h"

std::uint32_t FolderListing::addDirectory(const std::vector<Entry> &entries)
{
    directories_.push_back({entries_.size(), std::uint32_t(entries.size())});
    entries_.insert(entries_.end(), entries.begin(), entries.end());
    return std::uint32_t(directories_.size() - 1);
}

std::uint64_t FolderListing::appendName(std::string_view name)
{
    const std::uint64_t offset = names_.size();
    names_.append(name);
    names_.push_back('\0'); // so a name can be handed to the system as it is
    return offset;
}

void FolderListing::clear()
{
    *this = FolderListing(); // gives the memory back, not just the contents
}
