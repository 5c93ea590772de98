// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>

// An open descriptor of a folder (O_PATH), closed when the handle goes.
class FolderHandle
{
public:
    FolderHandle() = default;
    explicit FolderHandle(int fd) : fd_(fd) { }
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;
    FolderHandle(FolderHandle &&other) noexcept : fd_(other.release()) { }
    FolderHandle &operator=(FolderHandle &&other) noexcept;
    ~FolderHandle() { close(); }

    // Opens a folder path of any length, a piece at a time when it is longer
    // than the kernel takes in one call. Returns 0 or the errno value.
    int open(const std::string &path);
    // Opens (creating it with `mode`, less the umask, when missing) the
    // subfolder `name`; never through a link. Returns 0 or the errno value.
    int openChild(const FolderHandle &parent, const std::string &name, bool create, unsigned mode = 0700);
    // Opens the folder at `relative` below `parent` in one call, never
    // through a link nor above `parent`. Returns 0 or the errno value
    // (ENOSYS: the kernel cannot; ELOOP: a link on the way).
    int openBeneath(const FolderHandle &parent, const std::string &relative);
    // Opens the subfolder `name`, never through a link; when it is missing,
    // creates it first with the permission bits of the folder at `likePath`
    // (the owner's own added, the umask taken off) and, for a caller that
    // may give files away, its owner and group. Returns 0 or the errno value.
    int openChildLike(const FolderHandle &parent, const std::string &name, const std::string &likePath);
    // Opens the folder `name` of the open folder `folder` (a path of any
    // length with AT_FDCWD), through a link as its last component only when
    // `followLink` says so. Returns 0 or the errno value.
    int openIn(int folder, const char *name, bool followLink);
    // Opens the folder that holds the last component of `path` and gives that
    // component's name. Returns 0 or the errno value.
    int openParentOf(const std::string &path, std::string &name);

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    int release();
    void close();

private:
    int fd_ = -1;
};
