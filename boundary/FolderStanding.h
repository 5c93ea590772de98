// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

// Where a folder stands for a scan.
enum class FolderStanding {
    User,    // searched
    System,  // never entered: a system tree, installed software, a version-control store, the trash, a pseudo file
             // system
    Between, // in a system tree on the way to a user folder inside it: entered, its files passed by
    Root,    // the root folder: entered, its own files passed by, its subfolders judged one by one
};

// Why something was passed by, for what the summary counts.
enum class PassedBy {
    Nothing,
    System,    // the system's: its trees, a pseudo file system, a repository store, a mount of its own
    Software,  // installed software inside a home
    Trash,     // the user's trash
    InTransit, // a file this program moved aside to delete it, left by a deletion that did not finish
};
