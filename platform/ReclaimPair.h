// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/SeenEntry.h"

// A copy and the kept copy it is to be joined with, both reached afresh and
// found as the scan saw them, on one file system, and not one file seen
// twice: what the sharing and linking steps take. The checks that make a
// pair are the caller's.
struct ReclaimPair {
    SeenEntry file;
    PathStatus fileStatus;
    SeenEntry kept;
    PathStatus keptStatus;
};
