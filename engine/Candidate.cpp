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
    listings_.push_back({std::move(listing), std::move(prefix)});
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
    loosePool_.append(directoryPrefix).append(name);
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
