// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"
#include "engine/ReaderShared.h"
#include "platform/DepthControl.h"
#include "platform/OpenedFile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

// How the scan reads a candidate's bytes, on every kind of storage: opened
// by its name in its folder, read, and checked to be the file the walk saw
// after its last read through each descriptor, not after every open. A file
// dropped before that check decided nothing, so it needs none. A shortage
// of descriptors is waited out, never taken for a fault of the file. What
// the reads cost (bytes, unreadable files) is counted here and reaches the
// shared figures once a round of reads, when the caller settles, rather than
// once a read; one call in eight is timed for the depth control.
class FileReader
{
public:
    enum class Access {
        Ready,
        Skip,         // cannot be read, or is no longer what the walk saw
        Cancelled,    // Stop or abort
        NoDescriptor, // the process ran short of descriptors: free some and wait
    };
    // One file in hand.
    struct File {
        OpenedFile handle;
        bool readSinceCheck = false; // bytes read through this descriptor since its last check
        bool checked = false;        // checked after the last read, and found unchanged
        bool changed = false;        // found not to be what the walk saw: never read again
    };

    // `timings` counts the calls toward the next one timed: the caller keeps
    // it from one use of a reader to the next, so that small sets, of a few
    // calls each, are timed as often as large ones.
    FileReader(ReaderShared &shared, unsigned &timings);
    ~FileReader() { settle(); }
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // Stop or abort. Asked of the host after every large read and after a
    // few small calls (each ask passes the host's gate, which all readers
    // share): reading still ends within one block, and a few small calls.
    bool cancelled()
    {
        if (stopped_)
            return true;
        if (callsSinceAsk_ < kAskAfterCalls && bytesSinceAsk_ < kAskAfterBytes)
            return false;
        return askStop();
    }
    // The same, asked now.
    bool askStop()
    {
        callsSinceAsk_ = bytesSinceAsk_ = 0;
        stopped_ = shared_.cancelled();
        return stopped_;
    }
    // Opens the file unless it is open; NoDescriptor is for the caller to
    // free descriptors of its own before it waits (waitForDescriptors).
    Access open(File &file, const ReadTarget &target);
    // Opens the file, waiting out a shortage of descriptors: for a caller
    // that holds no other file.
    Access openWaiting(File &file, const ReadTarget &target);
    // Gives back the folders kept open that no reader holds and waits a
    // moment for descriptors; false on Stop.
    bool waitForDescriptors();
    // Reads a piece; false when the file failed or ended early.
    bool read(File &file, const ReadTarget &target, std::int64_t offset, char *into, std::size_t length);
    // Still what the walk saw, after its last read: asked through the open
    // descriptor, of the server on a share (its attribute cache may not know
    // yet of a change made there). A file never read is asked of by name.
    // Nothing when cancelled.
    std::optional<bool> unchanged(File &file, const ReadTarget &target);
    // Closes a file still being compared: one read through it since its
    // last check is checked first. False when it changed.
    bool release(File &file, const ReadTarget &target);
    // Closes a file that is done with, unchecked.
    static void drop(File &file) { file.handle.close(); }

    // Hands what was counted to the shared figures.
    void settle();
    ReaderShared &shared() { return shared_; }

private:
    bool check(File &file, const ReadTarget &target);
    // One call to the system, timed for the depth control one time in
    // kTimedEvery, standing for the calls around it: the storage's pace is
    // judged as from every call, for an eighth of the clock reads.
    class Timing
    {
    public:
        explicit Timing(FileReader *reader) : reader_(reader)
        {
            if (reader_)
                started_ = reader_->shared_.depth.now();
        }
        ~Timing()
        {
            if (reader_)
                reader_->shared_.depth.record((reader_->shared_.depth.now() - started_) * kTimedEvery, kTimedEvery);
        }
        Timing(const Timing &) = delete;
        Timing &operator=(const Timing &) = delete;

    private:
        FileReader *reader_;
        std::chrono::steady_clock::time_point started_;
    };
    Timing count()
    {
        ++callsSinceAsk_;
        return Timing(timed_ && ++timings_ % kTimedEvery == 0 ? this : nullptr);
    }
    static constexpr unsigned kTimedEvery = 8;
    static constexpr std::uint64_t kAskAfterCalls = 16;
    static constexpr std::uint64_t kAskAfterBytes = 256 * 1024;

    ReaderShared &shared_;
    const bool timed_; // whether the depth control wants timings
    unsigned &timings_;
    std::uint64_t bytes_ = 0;
    std::uint64_t unreadable_ = 0;
    // Since Stop was last asked of; the first time is asked at once.
    std::uint64_t callsSinceAsk_ = kAskAfterCalls;
    std::uint64_t bytesSinceAsk_ = 0;
    bool stopped_ = false;
};
