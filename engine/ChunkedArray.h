// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A growing array held in blocks of a fixed size: unlike a vector it never
// copies what it holds to grow, so a million records never stand in memory
// twice, and at most one block is spare.
template <typename T, std::size_t kBlock = 4096>
class ChunkedArray
{
public:
    std::size_t size() const { return size_; }
    T &operator[](std::size_t i) { return blocks_[i / kBlock][i % kBlock]; }
    const T &operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
    T &back() { return (*this)[size_ - 1]; }
    void push_back(const T &value)
    {
        if (size_ % kBlock == 0)
            blocks_.push_back(std::make_unique<T[]>(kBlock));
        blocks_.back()[size_ % kBlock] = value;
        ++size_;
    }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t size_ = 0;
};

// Names one after another in blocks of a fixed size; a name never spans two
// blocks, so each is one piece of memory.
class ChunkedNames
{
public:
    static constexpr std::size_t kBlock = 1 << 20;

    // Where the name now lies; it is followed by a NUL.
    std::uint64_t append(std::string_view name)
    {
        const std::size_t needed = name.size() + 1;
        if (blocks_.empty() || used_ + needed > blockSize_) {
            blockSize_ = std::max(kBlock, needed);
            // Not zeroed: a page is touched only once a name reaches it.
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
            used_ = 0;
        }
        char *at = blocks_.back().get() + used_;
        name.copy(at, name.size());
        at[name.size()] = '\0';
        const std::uint64_t place = std::uint64_t(blocks_.size() - 1) << 24 | used_;
        used_ += needed;
        return place;
    }
    std::string_view at(std::uint64_t place, std::size_t length) const
    {
        return {blocks_[place >> 24].get() + (place & 0xFFFFFF), length};
    }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0, blockSize_ = 0;
};
