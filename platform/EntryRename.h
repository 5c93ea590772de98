// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FolderHandle.h"

#include <string>

// Renames the entry `name` of `from` to `newName` in `to`, never replacing an
// entry already there. File systems that refuse the kernel's flag get a check
// first, which is enough for names only this program makes or claims.
// Returns 0 or the errno value (EEXIST when the new name is taken).
int RenameNoReplace(const FolderHandle &from, const std::string &name, const FolderHandle &to,
                    const std::string &newName);
// Swaps the entries `name` and `otherName` of one folder in one step, so
// that each name leads to what the other led to. Returns 0 or the errno
// value (EINVAL or ENOSYS where the file system or kernel cannot).
int ExchangeEntries(const FolderHandle &folder, const std::string &name, const std::string &otherName);
