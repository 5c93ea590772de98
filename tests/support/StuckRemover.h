// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/DeleteAction.h"

#include <condition_variable>
#include <mutex>

// Deletes as the program does, except that the file at call `holdAt` waits
// before it is touched until the test releases it: a removal stuck on a
// stalled network share. It must outlive the deletion threads that use it.
class StuckRemover
{
public:
    explicit StuckRemover(int holdAt) : holdAt_(holdAt) { }

    FileRemover remover()
    {
        return [this](const std::string &path, const FileIdentity &seen, bool recycle, const RemovalChecks &checks) {
            hold();
            return ShellDeleteFile(path, seen, recycle, checks);
        };
    }
    bool holdsThread()
    {
        std::lock_guard lock(mutex_);
        return held_;
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        change_.notify_all();
    }

private:
    void hold()
    {
        std::unique_lock lock(mutex_);
        if (calls_++ != holdAt_)
            return;
        held_ = true;
        change_.wait(lock, [this] { return released_; });
        held_ = false;
    }

    const int holdAt_;
    std::mutex mutex_;
    std::condition_variable change_;
    int calls_ = 0;
    bool held_ = false;
    bool released_ = false;
};
