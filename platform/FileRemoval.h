// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"
#include "platform/FreedesktopTrash.h"
#include "platform/TransitNames.h"

#include <string>
#include <string_view>

struct SeenEntry;

// The name a file takes in its own folder while it is deleted for good (see
// TransitNames.h).
inline constexpr std::string_view kInTransitPrefix = kTransitKinds[kDeletingKind].prefix;
// The name a link to a group's kept copy takes in the folder of the file it
// is about to replace (see HardLinkReplace.h).
inline constexpr std::string_view kLinkingPrefix = kTransitKinds[kLinkingKind].prefix;
// The name a copy takes in the folder it is moved to on another file system
// until it is whole, checked and settled (see HiddenCopy.h).
inline constexpr std::string_view kMovingPrefix = kTransitKinds[kMovingKind].prefix;

// Whether `path`, not followed through a link, still names the regular file
// the scan saw: same device, inode, size, modification and status-change time.
// Network and user-space file systems are asked afresh, not from their cache.
bool IsFileAsSeen(const std::string &path, const FileIdentity &seen);

// The system's steps of deleting one file, which the caller checks between:
// the file is moved out of its place (into the desktop's trash, or to a
// hidden name in its own folder), then either put back or, deleted for good,
// its hidden name removed. A file that cannot go to the trash stays where it
// is; nothing here ever deletes it for good instead.
class FileAside
{
public:
    explicit FileAside(bool recycle) : recycle_(recycle) { }

    // Moves the entry out of its place; `path` is its path as the scan gave
    // it (raw bytes, any length), `seen` what the scan saw. Returns 0 or the
    // errno value; when the trash itself was at fault, unusableTrash() says
    // where it was looked for.
    int moveAside(const SeenEntry &entry, const std::string &path, const FileIdentity &seen);
    // Takes the file back to its own name, which must be free. 0 or errno.
    int putBack(const SeenEntry &entry) const;
    // Ends a deletion for good by removing the hidden name; for the trash
    // there is nothing left to do. 0 or errno.
    int finish(const SeenEntry &entry) const;
    const std::string &unusableTrash() const { return unusableTrash_; }

    // Whether the entry's own name still leads to the file `seen`: a move
    // the system reported done that did not happen.
    static bool stillInPlace(const SeenEntry &entry, const FileIdentity &seen);

private:
    bool recycle_;
    FreedesktopTrash::Trashed trashed_; // recycled: where it went
    std::string unusableTrash_;         // recycling failed there, at the trash's fault
    std::string hiddenName_;            // deleted for good: its name in its own folder
};
