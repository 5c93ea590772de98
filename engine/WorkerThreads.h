// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/CallGate.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

// Every thread of the program is started here, in one of two ways. The
// threads that share one task (the walk's, the readers') are joined before
// the task returns: WorkerPool (AdaptivePool, when their number follows the
// storage). The one thread a whole job runs on may
// have to be left behind while a call of it is stuck in the kernel (a file on
// a share that stopped answering), so its owner never waits for it:
// LeavableThread.

// Threads working on one task, all joined when the pool goes.
class WorkerPool
{
public:
    template <class Body, class... Args>
    void start(Body &&body, Args &&...args)
    {
        threads_.emplace_back(std::forward<Body>(body), std::forward<Args>(args)...);
    }
    std::size_t size() const { return threads_.size(); }
    // Waits for every thread; they must have been told to stop.
    void join() { threads_.clear(); }

private:
    std::vector<std::jthread> threads_;
};

// A job's own thread, which its owner may wait for or leave behind. What the
// job hands its owner passes gate(): once the owner leaves the job, nothing
// more arrives, and what the job works with lives on, held by the thread,
// until the thread ends.
class LeavableThread
{
public:
    LeavableThread() : shared_(std::make_shared<Shared>()) { }
    ~LeavableThread() { wait(); }
    LeavableThread(const LeavableThread &) = delete;
    LeavableThread &operator=(const LeavableThread &) = delete;
    LeavableThread(LeavableThread &&) = default;
    LeavableThread &operator=(LeavableThread &&) = default;

    // Runs body(*work) on the thread, holding `work` until the body returns.
    // An exception must not escape the body: a job says how it failed
    // through its gate, and a thread ending in one ends the program.
    template <class Work>
    void start(std::shared_ptr<Work> work, void (*body)(Work &) noexcept)
    {
        thread_ = std::thread([work = std::move(work), body, shared = shared_]() mutable {
            body(*work);
            work.reset(); // let go of everything before saying so
            shared->ended.store(true);
        });
    }
    CallGate &gate() { return shared_->gate; }
    // The thread has returned, having let go of what it worked with; also
    // when it was never started.
    bool ended() const { return (!thread_.joinable() && !left_) || shared_->ended.load(); }
    // Closes the gate and lets the thread go on alone. False, and nothing
    // changed, when the job had closed the gate itself at its end (its last
    // calls are then on their way). A thread never started counts as ended.
    bool leave()
    {
        if (!shared_->gate.close())
            return false;
        if (thread_.joinable()) {
            thread_.detach();
            left_ = true;
        }
        return true;
    }
    // Waits for the thread, unless it was left behind or this is it.
    void wait()
    {
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
            thread_.join();
    }

private:
    struct Shared {
        CallGate gate;
        std::atomic<bool> ended{false};
    };
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    bool left_ = false;
};
