// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/FileAction.h"
#include "actions/MoveDestination.h"
#include "actions/MoveOutcome.h"
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"
#include "platform/HiddenCopy.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

struct SeenEntry;

// Moves each file of a run into the folder the user chose, at the place
// MoveDestination gives it, never replacing a file there: a name that is
// taken gets " (2)", " (3)"... First every check deletion makes (RecheckFile,
// the copy its group keeps). On one file system the move is one rename; onto
// another, the file is copied under a hidden name and checked (HiddenCopy)
// and placed; its verdict waits (Pending) until a batch of such copies is
// synced at once (one syncfs instead of a flush per file) and only then are
// the files removed from where they were, as deletion removes a file. A run
// cut off leaves at most the one hidden name in hand, and every file whose
// copy was placed still where it was. The folder chosen is judged once, on the run's thread, by the
// run's boundary: never the trash, a system tree or installed software, nor
// inside the folder a file to move lies in. The verdicts' reasons are
// MoveOutcome values; a file done that still has other names where it was
// counts no bytes and says so.
class MoveAction : public FileAction
{
public:
    explicit MoveAction(MoveDestination destination, CopyStepHook atStep = {})
        : destination_(std::move(destination)), atStep_(std::move(atStep))
    {
    }

    ~MoveAction() override;
    MoveAction(const MoveAction &) = delete;
    MoveAction &operator=(const MoveAction &) = delete;

    FileVerdict apply(const ActionFile &file, const ActionContext &context) override;
    std::vector<SettledFile> settle(const ActionContext &context, bool last) override;
    void note(ActionTally &tally) const override;

    // A batch is synced once it holds this many copies or bytes, or is this old.
    static constexpr std::size_t kBatchFiles = 64;
    static constexpr std::int64_t kBatchBytes = std::int64_t(256) << 20;
    static constexpr std::chrono::milliseconds kBatchAge{500};

    // The verdict an outcome comes to; `bytes`: those of a file moved.
    static FileVerdict verdictOf(MoveOutcome outcome, std::int64_t bytes = 0);

private:
    using Identity = std::pair<std::uint64_t, std::uint64_t>; // device, inode
    MoveOutcome move(const ActionFile &file, const ActionContext &context, std::int64_t &bytes);
    std::optional<MoveOutcome> judgeTarget(ScanBoundary &boundary);
    std::optional<MoveOutcome> openFolderOf(const MoveDestination::Place &place, FolderHandle &folder);
    MoveOutcome renameInto(const SeenEntry &entry, const FolderHandle &folder, const std::string &name,
                           const ActionFile &file, const ActionContext &context, bool &otherFileSystem);
    MoveOutcome copyInto(const PathStatus &status, std::unique_ptr<FolderHandle> folder, const std::string &name,
                         const ActionFile &file, const ActionContext &context);
    std::vector<SettledFile> finishBatch(const ActionContext &context);
    void countLeftInTransit(const FolderHandle &folder, const Identity &identity);

    // A copy placed whose file has not gone yet.
    struct Placed {
        const ActionFile *file;
        std::unique_ptr<FolderHandle> folder;
        std::unique_ptr<HiddenCopy> copy;
        std::uint64_t device; // the copy's file system
        PathStatus status;    // the file's, as it was copied
    };

    MoveDestination destination_;
    CopyStepHook atStep_; // where a test stops a copy midway
    bool judged_ = false;
    std::optional<MoveOutcome> targetRefused_; // why no file may go there
    FolderHandle target_;
    std::set<Identity> targetAndAbove_;             // the folder chosen and every folder above it
    std::set<Identity> looked_;                     // folders moved into, looked through for what a cut-off run left
    std::vector<Placed> placed_;                    // the batch
    std::map<std::uint64_t, FileSystemSync> syncs_; // of the batch's file systems, opened before its first copy
    std::chrono::steady_clock::time_point batchStarted_;
    std::int64_t batchBytes_ = 0;
    mutable std::mutex mutex_; // guards the count below
    int leftInTransit_ = 0;
};
