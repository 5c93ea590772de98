// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "boundary/FolderStanding.h"
#include "platform/DirectoryReader.h"

#include <string>
#include <string_view>
#include <vector>

// What a walk saw of a folder's entries while listing it, enough to tell
// whether the folder holds what marks installed software or a repository.
class FolderMarks
{
public:
    void note(std::string_view name, DirectoryReader::EntryType type);
    // Whether the entries noted, and looked at again in the folder open as
    // `folderFd` where the listing did not tell their kind, mark it as
    // installed software or a repository store, which are passed by whole.
    // Nothing when they do not.
    PassedBy markedBy(int folderFd) const;

private:
    enum class Seen : unsigned char { No, Yes, Maybe }; // Maybe: the listing did not tell the kind
    std::vector<Seen> seen_;
};

// The same of a folder no walk has listed, open as `folderFd`.
PassedBy MarkOfFolder(int folderFd);
// What the names on a real path say of it: a repository store or a
// project's packages on the way.
PassedBy MarkOfNames(const std::string &path);
// Names that mark an entry whatever its folder holds: a folder of a
// repository's history, a project's installed packages, a file of a
// repository's machinery.
bool IsStoreName(std::string_view name);
bool IsPackagesFolder(std::string_view name);
bool IsStoreFileName(std::string_view name);
