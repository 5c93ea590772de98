// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/ReclaimOutcome.h"

#include <cstdint>
#include <functional>

struct ReclaimPair;

// The points of ReplaceWithHardLink between its steps, where a test stops it.
enum class LinkStep {
    Checked,  // owner and permissions compared; nothing made yet
    Linked,   // the hidden name (see kLinkingPrefix) names the kept copy
    Verified, // hidden name and copy checked once more
    Replaced, // the path names the kept copy
};
using LinkStepHook = std::function<void(LinkStep)>;

// Makes the copy's path another name of the kept copy, so that the path
// always names a whole file: the kept copy is linked to a hidden name in the
// copy's folder (never replacing a name), the hidden name and the copy are
// checked again, and the hidden name is renamed over the copy in one step.
// On any failure the hidden name goes and the copy is untouched; a process
// killed midway leaves at most that one hidden name, another name of the
// kept copy. A copy whose owner, group or permission bits differ from the
// kept copy's is left: a link would change who may use the path.
// `releasable`: the copy's size when its last name went, else 0.
ReclaimOutcome ReplaceWithHardLink(const ReclaimPair &pair, std::int64_t &releasable, const LinkStepHook &atStep = {});
