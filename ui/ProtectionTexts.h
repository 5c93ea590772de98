// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// What the window says of protected folders and the files in them.

// The tooltip of a protected row of the folder list, below its path.
inline constexpr char kProtectedFolderTip[] = "Files in this folder are never checked or deleted.";
// The tooltip of a result row whose file lies in one, below its path: why
// its check box takes no click.
inline constexpr char kProtectedCopyTip[] = "In a protected folder: this file is never checked or deleted.";
// The folder list's popup entry, by the state of the first selected row.
inline constexpr char kProtectEntry[] = "Protect Folder";
inline constexpr char kUnprotectEntry[] = "Unprotect Folder";
