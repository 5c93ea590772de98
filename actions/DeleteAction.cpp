// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/DeleteAction.h"
#include "actions/ActionTally.h"
#include "actions/KeptCopyGuard.h"

DeleteAction::DeleteAction(bool recycle, FileRemover remover) : recycle_(recycle), remover_(std::move(remover))
{
    if (!remover_)
        remover_ = [](const std::string &path, const FileIdentity &seen, bool recycle, const RemovalChecks &checks) {
            return ShellDeleteFile(path, seen, recycle, checks);
        };
}

FileVerdict DeleteAction::apply(const ActionFile &file, const ActionContext &context)
{
    const RemovalChecks checks{&context.boundary, context.guard.checkFor(file.group), &context.protectedFolders,
                               [this](const std::string &trash, int error) {
                                   std::lock_guard lock(mutex_);
                                   if (unusableTrash_.empty()) {
                                       unusableTrash_ = trash;
                                       trashError_ = error;
                                   }
                               }};
    switch (remover_(file.path, file.identity, recycle_, checks)) {
    case RemovalOutcome::Removed:
        return {FileVerdict::Done, -1, file.identity.size};
    case RemovalOutcome::Gone:
        return {FileVerdict::Gone};
    case RemovalOutcome::InProtectedFolder:
        return {FileVerdict::InProtectedFolder};
    case RemovalOutcome::Changed:
    case RemovalOutcome::Refused:
    case RemovalOutcome::Protected:
    case RemovalOutcome::LastCopy:
        break;
    }
    return {FileVerdict::Left};
}

void DeleteAction::note(ActionTally &tally) const
{
    std::lock_guard lock(mutex_);
    if (tally.unusableTrash.empty()) {
        tally.unusableTrash = unusableTrash_;
        tally.trashError = trashError_;
    }
}
