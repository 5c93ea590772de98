// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/Candidate.h"

#include <algorithm>
#include <stdexcept>

namespace
{
constexpr std::uint16_t kLoose = 0xFFFF; // a file appended by path
} // namespace

std::uint16_t CandidateList::adopt(FolderListing listing, const std::string &top)
{
    if (listings_.size() >= kLoose)
        throw std::length_error("too many folders for one scan");
    std::string prefix = top;
    if (prefix.empty() || prefix.back() != '/')
        prefix.push_back('/');
    const std::uint32_t firstFolder = folderCount();
    if (std::uint64_t(firstFolder) + listing.directoryCount() >= ReadTarget::kNoFolder)
        throw std::length_error("too many folders for one scan");
    listings_.push_back({std::move(listing), std::move(prefix), firstFolder});
    return std::uint16_t(listings_.size() - 1);
}

std::uint16_t CandidateList::deviceIndex(std::uint64_t device)
{
    // Few devices, and the files of one mostly come together.
    if (!devices_.empty() && devices_.back() == device)
        return std::uint16_t(devices_.size() - 1);
    const auto known = std::find(devices_.begin(), devices_.end(), device);
    if (known != devices_.end())
        return std::uint16_t(known - devices_.begin());
    if (devices_.size() > 0xFFFF)
        throw std::length_error("too many devices for one scan");
    devices_.push_back(device);
    return std::uint16_t(devices_.size() - 1);
}

void CandidateList::append(std::uint16_t listing, std::uint64_t entry, std::uint64_t device)
{
    if (entry > 0xFFFFFFFFu)
        throw std::length_error("too many files in one folder's tree");
    items_.push_back({std::uint32_t(entry), listing, deviceIndex(device)});
}

void CandidateList::append(const PathStatus &status, std::string_view directoryPrefix, std::string_view name)
{
    loose_.push_back({status.identity, status.owner});
    loosePaths_.emplace_back(loosePool_.size(), std::uint32_t(directoryPrefix.size() + name.size()));
    loosePool_.append(directoryPrefix).append(name).push_back('\0');
    items_.push_back({std::uint32_t(loose_.size() - 1), kLoose, deviceIndex(status.identity.device)});
}

Candidate CandidateList::operator[](std::size_t i) const
{
    const Ref &ref = items_[i];
    if (ref.listing == kLoose)
        return loose_[ref.entry];
    const FolderListing &from = listings_[ref.listing].listing;
    return {from.identity(ref.entry, devices_[ref.device]), from.owner(ref.entry)};
}

std::int64_t CandidateList::sizeOf(std::size_t i) const
{
    return (*this)[i].identity.size;
}

std::string CandidateList::path(std::size_t i) const
{
    const Ref &ref = items_[i];
    if (ref.listing == kLoose) {
        const auto &[offset, length] = loosePaths_[ref.entry];
        return loosePool_.substr(offset, length);
    }
    const Adopted &from = listings_[ref.listing];
    return from.listing.pathUnder(from.prefix, ref.entry);
}

ReadTarget CandidateList::target(std::size_t i) const
{
    const Ref &ref = items_[i];
    ReadTarget t;
    t.index = std::uint32_t(i);
    if (ref.listing == kLoose) {
        t.name = loosePool_.data() + loosePaths_[ref.entry].first;
        t.identity = loose_[ref.entry].identity;
        t.owner = loose_[ref.entry].owner;
        return t;
    }
    const Adopted &from = listings_[ref.listing];
    t.folder = from.firstFolder + from.listing.directoryOf(ref.entry);
    t.name = from.listing.name(ref.entry).data(); // the arena ends each name with a NUL
    t.identity = from.listing.identity(ref.entry, devices_[ref.device]);
    t.owner = from.listing.owner(ref.entry);
    return t;
}

std::uint32_t CandidateList::folderCount() const
{
    if (listings_.empty())
        return 0;
    const Adopted &last = listings_.back();
    return last.firstFolder + std::uint32_t(last.listing.directoryCount());
}

const CandidateList::Adopted &CandidateList::adoptedOf(std::uint32_t folder) const
{
    const auto after = std::upper_bound(listings_.begin(), listings_.end(), folder,
                                        [](std::uint32_t f, const Adopted &a) { return f < a.firstFolder; });
    return *(after - 1);
}

CandidateList::Folder CandidateList::folder(std::uint32_t number) const
{
    const Adopted &from = adoptedOf(number);
    const FolderListing::Directory &dir = from.listing.directory(number - from.firstFolder);
    if (dir.parent == FolderListing::kNoDirectory)
        return {ReadTarget::kNoFolder, from.prefix.c_str()};
    return {from.firstFolder + dir.parent, from.listing.name(dir.nameEntry).data()};
}

std::string CandidateList::folderPath(std::uint32_t number) const
{
    const Adopted &from = adoptedOf(number);
    const FolderListing::Directory &dir = from.listing.directory(number - from.firstFolder);
    if (dir.parent == FolderListing::kNoDirectory)
        return from.prefix;
    return from.listing.pathUnder(from.prefix, dir.nameEntry) + '/';
}

std::vector<FolderListing::KeptFolder> CandidateList::takeKeptFolders()
{
    std::vector<FolderListing::KeptFolder> kept;
    for (Adopted &from : listings_)
        for (auto &[directory, handle] : from.listing.takeKeptFolders())
            kept.emplace_back(from.firstFolder + directory, std::move(handle));
    return kept;
}
