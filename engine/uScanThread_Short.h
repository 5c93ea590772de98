// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "Candidate.h"
#include "ScanHost.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class FolderListing;
class ScanBoundary;
struct SystemTree;

// Figures of one scan, for the benchmark and the tests.
struct ScanStats {
    std::atomic<std::uint64_t> bytesRead{0};
    // Folders that could not be listed and files that could not be read, for
    // a reason of their own (not a passing shortage of descriptors).
    std::atomic<std::uint64_t> unreadableFolders{0};
    std::atomic<std::uint64_t> unreadableFiles{0};
    int unreadable() const { return int(std::min<std::uint64_t>(unreadableFolders + unreadableFiles, INT_MAX)); }
    std::atomic<int> systemFolders{0}; // listed folders passed by as the system's
    std::size_t candidates = 0;
    int groups = 0;
    int rows = 0;
};

// What one scan works with besides the candidate list.
struct ScanContext {
    ScanContext(ScanHost &h, const std::atomic<bool> &a);
    ~ScanContext();
    ScanHost &host;
    const std::atomic<bool> &abort; // closing the program: stop everything now
    ScanStats stats;
    // What the walks may enter and take; made when the job starts.
    std::unique_ptr<ScanBoundary> boundary;
    std::optional<std::vector<SystemTree>> systemTrees; // the machine's own unless a test gives others
    std::int64_t lastLabelSecond = -1;
    unsigned readerThreads = 0; // files read side by side; 0: chosen from the storage as it answers
    bool remoteStorage = false; // a scanned folder lies on a network share or a user-space file system

    bool aborted() const { return abort.load(std::memory_order_relaxed); }
    ScanBoundary &ensureBoundary();
    // Sets the elapsed-time label when its text changes.
    void showElapsed(std::int64_t startMs);
};

// The checksum of a whole file, read in 64 KiB blocks; 0 when it cannot be read.
std::uint32_t FileCRC32(const std::string &path);

// Appends the accepted files of a folder and all folders below it. With a
// listing of the folder already taken, walks that instead of the disk.
void CollectFiles(ScanContext &context, const std::string &folder, CandidateList &list,
                  const FolderListing *listing = nullptr);
// Keeps one candidate per file (device and inode), the first met, and orders
// the rest by size; equal sizes keep walk order.
void SortCandidates(CandidateList &list);
// Forms the duplicate groups of a sorted list and adds their rows.
void FindDuplicateGroups(ScanContext &context, const CandidateList &sorted);

// One scan on a worker thread of its own: walk, sort, group.
class TScanThread_Short {
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
    bool Finished() const { return ended_->load(); }
    // Its figures, as counted so far while the job runs.
    const ScanStats &Stats() const;

private:
    struct Job;
    std::shared_ptr<Job> job_;
    std::shared_ptr<std::atomic<bool>> ended_;
    bool started_ = false;
    std::thread thread_;
};
