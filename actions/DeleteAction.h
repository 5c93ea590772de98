// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/FileAction.h"
#include "actions/FileDeletion.h"

#include <functional>
#include <mutex>
#include <string>

// Removes one file; ShellDeleteFile unless a test gives another.
using FileRemover = std::function<RemovalOutcome(const std::string &path, const FileIdentity &seen, bool recycle,
                                                 const RemovalChecks &checks)>;

// Deletes each file of a run, to the trash or for good. A group's file is
// put back when the copy the run leaves of it vanished with it; it keeps its
// row and counts as left.
class DeleteAction : public FileAction
{
public:
    explicit DeleteAction(bool recycle, FileRemover remover = {});

    FileVerdict apply(const ActionFile &file, const ActionContext &context) override;
    void note(ActionTally &tally) const override;

private:
    bool recycle_;
    FileRemover remover_;
    mutable std::mutex mutex_;  // guards the members below
    std::string unusableTrash_; // the first trash that could not be used
    int trashError_ = 0;
};
