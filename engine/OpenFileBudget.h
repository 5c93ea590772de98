// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

// The file descriptors every reader of one scan shares. A reader takes its
// slots all at once and gives them back all at once, and never waits while
// it holds any, so readers cannot wait on each other in a circle.
class OpenFileBudget
{
public:
    explicit OpenFileBudget(std::size_t slots);

    // What a scan may keep open under a soft limit of `limit` descriptors,
    // leaving a reserve for the window, Qt and the folder listing.
    static std::size_t slotsUnder(std::size_t limit);

    // Takes as many free slots as there are, between 1 and `wanted`; waits
    // while none is free. Returns 0 only when cancelled() said so first.
    std::size_t acquireUpTo(std::size_t wanted, const std::function<bool()> &cancelled);
    void release(std::size_t count);
    // Waits until some slot is given back, or `most` has passed.
    void waitForRelease(std::chrono::milliseconds most);

    std::size_t capacity() const { return capacity_; }

private:
    const std::size_t capacity_;
    std::size_t free_;
    unsigned long long releases_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
};

// Slots held for one reader's set of files, given back when it goes.
class OpenFileLease
{
public:
    OpenFileLease(OpenFileBudget &budget, std::size_t wanted, const std::function<bool()> &cancelled)
        : budget_(budget), count_(budget.acquireUpTo(wanted, cancelled))
    {
    }
    ~OpenFileLease() { budget_.release(count_); }
    OpenFileLease(const OpenFileLease &) = delete;
    OpenFileLease &operator=(const OpenFileLease &) = delete;
    std::size_t count() const { return count_; }

private:
    OpenFileBudget &budget_;
    std::size_t count_;
};
