// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

// The names this program gives a file for a moment, in the file's own
// folder: a prefix of the step's own, the process id, "-" and a counter of
// that process. A run killed midway may leave one behind; no scan offers it,
// and the scan's summary says how many of each kind it passed by, named by
// what left them. A new step that hides a file adds one line here.
struct TransitKind {
    std::string_view prefix;
    const char *leftByOne;  // what left one: "a deletion that did not finish"
    const char *leftByMany; // what left several
};

inline constexpr TransitKind kTransitKinds[] = {
    // A file being deleted for good, in its own folder.
    {".varnok-deleting-", "a deletion that did not finish", "deletions that did not finish"},
    // A new link to a group's kept copy, in the folder of the copy it is
    // about to replace; or that copy, swapped out for a moment. Either way a
    // whole file with the group's bytes.
    {".varnok-linking-", "a hard link that did not finish", "hard links that did not finish"},
    // A copy being made in the folder a file is moved to on another file
    // system, until it is whole, checked and settled: an unfinished copy of
    // a file still in its place.
    {".varnok-moving-", "a move that did not finish", "moves that did not finish"},
};
inline constexpr std::size_t kTransitKindCount = std::size(kTransitKinds);
// The kinds by their place in the table.
enum TransitKindIndex : std::size_t { kDeletingKind = 0, kLinkingKind = 1, kMovingKind = 2 };

// Which kind of name `name` is (prefix, digits, "-", digits): its place in
// the table, or -1 when it is no name of ours.
int TransitKindOf(std::string_view name);
inline bool IsInTransitName(std::string_view name)
{
    return TransitKindOf(name) >= 0;
}
// A fresh name of that kind for this process: prefix, process id, "-", the
// next number of its counter.
std::string NextTransitName(TransitKindIndex kind);
// How many names of that kind the folder open as `folderFd` holds that
// another process (a run cut off) left; 0 when it cannot be listed.
int CountLeftInTransit(int folderFd, TransitKindIndex kind);
