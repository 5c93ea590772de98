// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/ReclaimOutcome.h"

#include <functional>

struct ReclaimPair;
struct ReclaimEffect;

// The points of ReplaceWithHardLink between its steps, where a test stops it
// or does what another program might do at that moment.
enum class LinkStep {
    Checked,   // owner, mode and attributes compared, the lease held; nothing made yet
    Linked,    // the hidden name (see kLinkingPrefix) names the kept copy
    Verified,  // hidden name and copy checked once more: the last check
    Exchanged, // the path names the kept copy, the hidden name the old copy
    Replaced,  // the old copy's name is gone
};
using LinkStepHook = std::function<void(LinkStep)>;

// Makes the copy's path another name of the kept copy, so that the path
// always names a whole file and nobody's data is lost:
// - only where nothing but the name changes: owner, group, mode, the access
//   ACL and every extended attribute this process can read equal on both
//   files (times may differ: the path takes the kept copy's);
// - only while no other program has the copy open: a write lease is held on
//   it from before the last check until its name has moved, and a program
//   that opens it meanwhile makes the step undo itself;
// - the kept copy is linked to a hidden name in the copy's folder (never
//   replacing a name), checked, swapped with the copy in one step, and the
//   old copy's hidden name removed. On any failure the copy is back at its
//   path and the hidden name goes. A process killed midway leaves at most
//   that one hidden name, a whole file with the group's bytes.
// `effect` tells what the copy released, and what became of it when it
// keeps other names.
ReclaimOutcome ReplaceWithHardLink(const ReclaimPair &pair, ReclaimEffect &effect, const LinkStepHook &atStep = {});
