// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <string>

// Small looks at the entries of an open folder by name, never through a
// final link: what an entry is, the start of a file, a link's target, and
// the folder above.

enum class EntryKind { Missing, Regular, Directory, Link, Other };
// What the entry `name` of the folder is.
EntryKind EntryKindAt(int folderFd, const char *name);
// At most the first `most` bytes of the entry `name` of the folder, opened
// without following a link nor waiting for a FIFO's writer; a shortage of
// descriptors is waited out. Empty when it cannot be read.
std::string ReadStartAt(int folderFd, const char *name, std::size_t most);
// What the link `name` of the folder points to, at most `most` bytes; empty
// when it is no link.
std::string LinkTargetAt(int folderFd, const char *name, std::size_t most);
// The folder above the open folder, opened as O_PATH; -1 with errno set when
// it cannot be.
int OpenFolderAbove(int folderFd);
