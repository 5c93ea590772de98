// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileCopy.h"
#include "platform/FileStatus.h"

#include <cstdint>
#include <functional>
#include <string>

class FolderHandle;
class OpenedFile;

// The points of a copy to another file system between its steps, where a
// test stops it.
enum class CopyStep {
    Created,  // the hidden name (see kMovingPrefix) names an empty file
    Copied,   // it holds the bytes
    Settled,  // it has the file's owner, mode, extended attributes and times
    Compared, // read back and found byte for byte the file's
    Placed,   // renamed to its own name
    Synced,   // its file system synced (FileSystemSync): the copy and its name are on the disk
};
using CopyStepHook = std::function<void(CopyStep)>;

// How making a copy came out. Whatever it was but Made, the hidden name is gone.
enum class CopyOutcome {
    Made,          // whole, settled and checked, under its hidden name
    Failed,        // the system refused a step: error() says why
    Stopped,       // asked to stop midway
    Differs,       // read back, it was not the file's bytes
    SourceChanged, // the file is not (or no longer) the one the scan saw
    OwnerNotKept,  // it could not be given the file's owner and group
};

// A copy of a file made in a folder on another file system, so that nothing
// is lost whenever it is cut off: it is written under a hidden name of the
// program's own, given the file's owner, mode, extended attributes and times,
// read back and compared byte for byte with the file, and only then renamed
// to its own name, never replacing one. A copy not placed loses its hidden
// name when the object goes; a process killed midway leaves at most that one
// hidden name, which no scan offers. Making it durable is the caller's
// (FileSystemSync), before the file it copies may go.
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
    int fd_ = -1;        // the copy, open while it is made
    std::uint64_t device_ = 0, inode_ = 0;
    int error_ = 0;
};

// Syncs one file system (syncfs) and tells whether anything written to it
// since the object was opened failed to reach the disk: opened before the
// copies are written, synced before the files they copy go.
class FileSystemSync
{
public:
    FileSystemSync() = default;
    FileSystemSync(const FileSystemSync &) = delete;
    FileSystemSync &operator=(const FileSystemSync &) = delete;
    FileSystemSync(FileSystemSync &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ~FileSystemSync();
    // On the file system of the folder open as `folderFd`. 0 or the errno value.
    int open(int folderFd);
    // 0, or the errno value of the sync or of a write that failed since open().
    int sync() const;

private:
    int fd_ = -1;
};
