// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/ReclaimAction.h"
#include "actions/KeptCopyGuard.h"

FileVerdict ReclaimAction::apply(const ActionFile &file, const ActionContext &context)
{
    const KeptCopy *kept = context.guard.firstKeptCopy(file.group);
    if (!kept)
        return verdictOf(ReclaimOutcome::NoKeptCopy);
    Reclaimed reclaimed = reclaimer_.apply(file.path, file.identity, *kept,
                                           {&context.boundary, &context.protectedFolders, atLinkStep_});
    FileVerdict verdict = verdictOf(reclaimed.outcome);
    if (verdict.kind == FileVerdict::Joined) {
        verdict.bytes = reclaimed.effect.released;
        verdict.bytesAtMost = reclaimed.effect.releasedAtMost;
        verdict.joinedWith = kept->file;
        verdict.identity = reclaimed.identity;
        verdict.renewed = std::move(reclaimed.renewed);
    }
    return verdict;
}

FileVerdict ReclaimAction::verdictOf(ReclaimOutcome outcome)
{
    switch (outcome) {
    case ReclaimOutcome::Done:
    case ReclaimOutcome::AlreadyDone:
        return {FileVerdict::Joined};
    case ReclaimOutcome::Gone:
        return {FileVerdict::Gone};
    case ReclaimOutcome::InProtectedFolder:
        return {FileVerdict::InProtectedFolder};
    default:
        return {FileVerdict::Left, int(outcome)};
    }
}
