// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/FileAction.h"
#include "actions/MoveDestination.h"
#include "actions/MoveOutcome.h"
#include "platform/FolderHandle.h"
#include "platform/HiddenCopy.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

struct PathStatus;
struct SeenEntry;

// Moves each file of a run into the folder the user chose, at the place
// MoveDestination gives it, never replacing a file there: a name that is
// taken gets " (2)", " (3)"... First every check deletion makes (RecheckFile,
// the copy its group keeps). On one file system the move is one rename; onto
// another, the file is copied under a hidden name and checked (HiddenCopy),
// placed, and only then removed from where it was, as deletion removes a
// file. The folder chosen is judged once, on the run's thread, by the
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

    FileVerdict apply(const ActionFile &file, const ActionContext &context) override;
    void note(ActionTally &tally) const override;

    // The verdict an outcome comes to; `bytes`: those of a file moved.
    static FileVerdict verdictOf(MoveOutcome outcome, std::int64_t bytes = 0);

private:
    using Identity = std::pair<std::uint64_t, std::uint64_t>; // device, inode
    MoveOutcome move(const ActionFile &file, const ActionContext &context, std::int64_t &bytes);
    std::optional<MoveOutcome> judgeTarget(ScanBoundary &boundary);
    std::optional<MoveOutcome> openFolderOf(const MoveDestination::Place &place, FolderHandle &folder);
    MoveOutcome renameInto(const SeenEntry &entry, const FolderHandle &folder, const std::string &name,
                           const ActionFile &file, const ActionContext &context, bool &otherFileSystem);
    MoveOutcome copyInto(const PathStatus &status, const FolderHandle &folder, const std::string &name,
                         const ActionFile &file, const ActionContext &context);
    void countLeftInTransit(const FolderHandle &folder, const Identity &identity);

    MoveDestination destination_;
    CopyStepHook atStep_; // where a test stops a copy midway
    bool judged_ = false;
    std::optional<MoveOutcome> targetRefused_; // why no file may go there
    FolderHandle target_;
    std::set<Identity> targetAndAbove_; // the folder chosen and every folder above it
    std::set<Identity> looked_;         // folders moved into, looked through for what a cut-off run left
    mutable std::mutex mutex_;          // guards the count below
    int leftInTransit_ = 0;
};
