// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "engine/WorkerThreads.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct SystemTree;

// One scan on a worker thread of its own: walk, sort, group.
class TScanThread_Short
{
public:
    // Given, the job first measures the listed folders (GetFolderSize of each,
    // summed) on its own thread and reports the estimate here before the walk
    // reads TotalBytes; the walk then reuses the listing that measuring took.
    using EstimateReady = std::function<void(std::int64_t totalBytes)>;
    // Runs on the worker as the very last thing it does, however the job
    // ended, unless the job was abandoned first.
    using FinishedCallback = std::function<void()>;

    // How long a job told to stop may take to end on its own before its
    // owner abandons it.
    static constexpr std::chrono::milliseconds kStopGrace{350};

    TScanThread_Short(ScanHost &host, std::vector<std::string> folders, bool createSuspended = false,
                      EstimateReady estimateReady = {}, FinishedCallback finished = {});
    // Aborts the job and waits for it, unless it was abandoned.
    ~TScanThread_Short();
    TScanThread_Short(const TScanThread_Short &) = delete;
    TScanThread_Short &operator=(const TScanThread_Short &) = delete;

    // Before Start: how many readers compare files side by side (tests
    // inject more than the cores).
    void setReaderThreads(unsigned count);
    // Before Start: read as on a network share wherever the folders lie
    // (tests check that both ways of reading find the same copies).
    void setRemoteStorage(bool remote);
    // Before Start: read in the order the data lies on one spinning disk, or
    // not, whatever the folders' devices say (the test machine has no such
    // disk; a simulated one is reached through a user-space file system).
    void setRotationalStorage(bool rotational);
    // Before Start: the kind of each device, where the function names one,
    // instead of what the system says (tests lay out several kinds).
    void setStorageKinds(std::function<std::optional<StorageKind>(std::uint64_t device)> kindOf);
    // Before Start: the cores the reader and walker counts are scaled to.
    void setCores(unsigned cores);
    // Before Start: where a file's data starts on its device, for that order.
    // None by default: files are read in inode order there.
    void setExtentLookup(ExtentLookup lookup);
    // Before Start: told of every read of a compared file before it is made.
    void setReadObserver(std::function<void(const std::string &path, std::int64_t offset)> observer);
    // Before Start: the system trees to pass by instead of this machine's
    // (tests put them in a temporary folder).
    void setSystemTrees(std::vector<SystemTree> trees);
    void Start();
    // Ends the job at its next check, within one block of reading: no more
    // rows and no summary.
    void Abort();
    // Leaves the job behind at once, for a thread of it may be stuck in the
    // kernel: aborted, its thread detached, and from now on none of its calls
    // reaches the host or the callbacks. It frees itself when its last
    // thread ends. False, and nothing changed, when the job had already
    // ended on its own (its last calls are then on their way).
    bool Abandon();
    // Waits for the thread; returns at once when it was abandoned.
    void WaitFor();
    // Whether its thread has ended, having let go of everything the job used.
    bool Finished() const { return thread_.ended(); }
    // Its figures, as counted so far while the job runs.
    const ScanStats &Stats() const;
    // How each device the job touched was read; complete once it finished.
    std::vector<std::pair<std::uint64_t, StorageProfile>> Profiles() const;

private:
    struct Job;
    LeavableThread thread_; // before the job: the job's calls pass its gate
    std::shared_ptr<Job> job_;
    bool started_ = false;
};
