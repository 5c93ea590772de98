// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileCopy.h"
#include "platform/FileStatus.h"

#include <functional>
#include <string>

class FolderHandle;
class OpenedFile;

// The points of a copy to another file system between its steps, where a
// test stops it.
enum class CopyStep {
    Created,      // the hidden name (see kMovingPrefix) names an empty file
    Copied,       // it holds the bytes
    Settled,      // it has the file's owner, mode, extended attributes and times
    Synced,       // all of that is on the disk
    Compared,     // read back and found byte for byte the file's
    Placed,       // renamed to its own name
    FolderSynced, // the new name is on the disk
};
using CopyStepHook = std::function<void(CopyStep)>;

// How making a copy came out. Whatever it was but Made, the hidden name is gone.
enum class CopyOutcome {
    Made,          // whole, settled, on the disk and checked, under its hidden name
    Failed,        // the system refused a step: error() says why
    Stopped,       // asked to stop midway
    Differs,       // read back, it was not the file's bytes
    SourceChanged, // the file is not (or no longer) the one the scan saw
    OwnerNotKept,  // it could not be given the file's owner and group
};

// A copy of a file made in a folder on another file system, so that nothing
// is lost whenever it is cut off: it is written under a hidden name of the
// program's own, given the file's owner, mode, extended attributes and times,
// synced, read back and compared byte for byte with the file, and only then
// renamed to its own name, never replacing one, and the folder synced. A
// copy not placed loses its hidden name when the object goes; a process
// killed midway leaves at most that one hidden name, which no scan offers.
class HiddenCopy
{
public:
    explicit HiddenCopy(const FolderHandle &folder, CopyStepHook atStep = {})
        : folder_(folder), atStep_(std::move(atStep))
    {
    }
    ~HiddenCopy();
    HiddenCopy(const HiddenCopy &) = delete;
    HiddenCopy &operator=(const HiddenCopy &) = delete;

    // Copies the file at `path` (raw bytes, any length), which must still be
    // the regular file `seen` describes, under a hidden name in the folder.
    CopyOutcome make(const std::string &path, const PathStatus &seen, const StopRequest &stopped = {});
    // The errno value of a Failed make().
    int error() const { return error_; }
    // Renames the made copy to `name` in the folder, never replacing an
    // entry. 0 or the errno value (EEXIST: the name is taken).
    int place(const std::string &name);
    // Makes the placed name durable. 0 or the errno value.
    int syncFolder();
    // Removes the placed copy again while its name still leads to it. 0 or
    // the errno value.
    int unplace();

private:
    CopyOutcome fail(CopyOutcome outcome, int error = 0);
    CopyOutcome fill(OpenedFile &source, const PathStatus &seen, const StopRequest &stopped);
    int createHidden();
    bool namesCopy(const std::string &name) const;
    void reach(CopyStep step) const
    {
        if (atStep_)
            atStep_(step);
    }

    const FolderHandle &folder_;
    CopyStepHook atStep_;
    std::string hidden_; // while it names the copy
    std::string placed_; // once placed
    int fd_ = -1;        // the copy, open until the object goes
    int error_ = 0;
};
