// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One accepted file of the walk. Paths live in the list's shared byte pool so
// that a million candidates cost one allocation pattern, not a million.
struct Candidate {
    FileIdentity identity;
    std::uint64_t pathOffset = 0;
    std::uint32_t pathLength = 0;
    std::uint32_t owner = 0;
};

class CandidateList
{
public:
    void append(const PathStatus &status, std::string_view directoryPrefix, std::string_view name);
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Candidate &operator[](std::size_t i) const { return items_[i]; }
    std::string_view path(std::size_t i) const;
    std::string_view path(const Candidate &c) const;
    std::vector<Candidate> &items() { return items_; }
    const std::vector<Candidate> &items() const { return items_; }

private:
    std::vector<Candidate> items_;
    std::string pool_;
};
