// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/ReclaimAction.h"
#include "actions/KeptCopyGuard.h"

FileVerdict ReclaimAction::apply(const ActionFile &file, const ActionContext &context)
{
    const KeptCopy *kept = context.guard.firstKeptCopy(file.group);
    if (!kept)
        return verdictOf(ReclaimOutcome::NoKeptCopy);
    return verdictOf(
        reclaimer_.apply(file.path, file.identity, *kept, {&context.boundary, &context.protectedFolders, atLinkStep_}));
}

FileVerdict ReclaimAction::verdictOf(ReclaimOutcome outcome)
{
    switch (outcome) {
    case ReclaimOutcome::Done:
    case ReclaimOutcome::AlreadyDone:
        return {FileVerdict::Done}; // the bytes are measured at the end
    case ReclaimOutcome::Gone:
        return {FileVerdict::Gone};
    case ReclaimOutcome::InProtectedFolder:
        return {FileVerdict::InProtectedFolder};
    default:
        return {FileVerdict::Left, int(outcome)};
    }
}
