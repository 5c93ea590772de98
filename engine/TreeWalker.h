// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "boundary/ScanBoundary.h"
#include "platform/DepthControl.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class FolderListing;
class StorageProfiles;

// The scan's one walk of a tree. It lists a folder and everything below it
// on as many threads as the storage rewards (see DepthControl), enters only
// what the ScanBoundary lets in and never follows a link. The listing it
// fills holds each directory's entries together, in listing order, and the
// status of each regular file the boundary admits; other files are recorded
// as Other, and are never opened. Which thread lists which directory only
// changes the directories' numbering, which nothing depends on.
class TreeWalker
{
public:
    struct Result {
        bool opened = false; // the folder itself could be opened
        FolderStanding standing = FolderStanding::User;
        std::int64_t bytes = 0; // of the regular files recorded
        bool passedBy = false;  // the boundary kept the walk out of something below the top
        bool cancelled = false; // cancelled() said so: the listing was cleared
    };

    // The walked folder's device is read as `profiles` say (as this
    // machine's storage says when none are given): how many folders are
    // listed side by side, and whether a folder's statuses are read in the
    // order of the entries' inodes, which a spinning disk keeps in that order
    // in its tables; the entries are recorded in listing order either way.
    TreeWalker(ScanBoundary &boundary, std::function<bool()> cancelled, StorageProfiles *profiles = nullptr);

    // For tests: the depth, and the order of statuses, whatever the profile says.
    void setDepth(DepthControl::Range depth) { depth_ = depth; }
    void setInodeOrder(bool inodeOrder) { inodeOrder_ = inodeOrder; }
    // Leaves up to `most` of the listed folders open, in the listing, for
    // the readers to open the files in (see FolderDescriptors); none unless set.
    void keepFolders(std::size_t most) { keepFolders_ = most; }

    // Fills the listing (cleared first) and marks it walked unless cancelled:
    // half a tree must not pass for the whole. A folder that cannot be
    // opened for a reason of its own counts as an unreadable folder of the
    // listing. An error on any thread stops them all; once every one is
    // joined it reaches the caller.
    Result walk(const std::string &folder, FolderListing &listing);

private:
    class Run;
    ScanBoundary &boundary_;
    std::function<bool()> cancelled_;
    StorageProfiles *profiles_;
    std::optional<DepthControl::Range> depth_;
    std::optional<bool> inodeOrder_;
    std::size_t keepFolders_ = 0;
};
