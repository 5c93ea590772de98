// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/FileAction.h"
#include "actions/SpaceReclaimer.h"

// Joins each file of a run with its group's kept copy, the first copy of the
// group in list order that the run leaves, by sharing storage or by a hard
// link. A file whose group keeps no copy is left. A file joined stays where
// it is (Joined), with what it released and what it is now; the verdicts'
// reasons are ReclaimOutcome values.
class ReclaimAction : public FileAction
{
public:
    explicit ReclaimAction(ReclaimKind kind, LinkStepHook atLinkStep = {})
        : reclaimer_(kind), atLinkStep_(std::move(atLinkStep))
    {
    }

    FileVerdict apply(const ActionFile &file, const ActionContext &context) override;

    // The verdict an outcome comes to.
    static FileVerdict verdictOf(ReclaimOutcome outcome);

private:
    SpaceReclaimer reclaimer_;
    LinkStepHook atLinkStep_; // where a test stops a link midway
};
