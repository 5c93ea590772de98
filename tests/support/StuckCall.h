// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <condition_variable>
#include <mutex>

// A call that does not return until the test releases it, as a read from a
// stalled network mount: any thread that calls hold() waits there.
class StuckCall
{
public:
    void hold()
    {
        std::unique_lock lock(mutex_);
        ++held_;
        change_.wait(lock, [this] { return released_; });
        --held_;
    }
    // Whether a thread waits in hold() now.
    bool holdsThread()
    {
        std::lock_guard lock(mutex_);
        return held_ > 0;
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        change_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable change_;
    int held_ = 0;
    bool released_ = false;
};
