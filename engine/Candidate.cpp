// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "Candidate.h"

void CandidateList::append(const PathStatus &status, std::string_view directoryPrefix, std::string_view name)
{
    Candidate c;
    c.identity = status.identity;
    c.owner = status.owner;
    c.pathOffset = pool_.size();
    c.pathLength = static_cast<std::uint32_t>(directoryPrefix.size() + name.size());
    pool_.append(directoryPrefix);
    pool_.append(name);
    items_.push_back(c);
}

std::string_view CandidateList::path(const Candidate &c) const
{
    return std::string_view(pool_).substr(c.pathOffset, c.pathLength);
}

std::string_view CandidateList::path(std::size_t i) const
{
    return path(items_[i]);
}
