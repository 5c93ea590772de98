// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ui/CheckedTotal.h"

#include <QString>

// What an action is about to act on, in the words the window shows.

// "3 checked files take 4.5 MB." ("1 ... file takes", "No file is checked."),
// `which` naming the rows: "checked", "selected".
QString StakeText(const char *which, const CheckedTotal &total);
// The scan summary's line: "The checked files take 4.5 MB."
QString CheckedFilesTakeText(const CheckedTotal &total);
