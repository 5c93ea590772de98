// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FolderHandle.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// The longest leading run of whole components of `rest` that fits one call.
std::string::size_type PieceLength(const std::string &rest, std::string::size_type from)
{
    const std::string::size_type limit = PATH_MAX - 1;
    if (rest.size() - from <= limit)
        return rest.size() - from;
    const std::string::size_type cut = rest.rfind('/', from + limit);
    // A single component longer than the limit: let the kernel refuse it.
    return cut == std::string::npos || cut <= from ? limit : cut - from;
}

} // namespace

FolderHandle &FolderHandle::operator=(FolderHandle &&other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

int FolderHandle::open(const std::string &path)
{
    close();
    if (path.empty())
        return ENOENT;
    if (path.size() < PATH_MAX) { // one call does it; longer paths go in pieces
        fd_ = ::open(path.c_str(), kFolderFlags);
        return fd_ >= 0 ? 0 : errno;
    }
    int fd = ::open(path[0] == '/' ? "/" : ".", kFolderFlags);
    std::string::size_type from = path.find_first_not_of('/');
    while (fd >= 0 && from != std::string::npos && from < path.size()) {
        const std::string::size_type length = PieceLength(path, from);
        const int next = ::openat(fd, path.substr(from, length).c_str(), kFolderFlags);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
        from = path.find_first_not_of('/', from + length);
    }
    if (fd < 0)
        return errno;
    fd_ = fd;
    return 0;
}

int FolderHandle::openChild(const FolderHandle &parent, const std::string &name, bool create, unsigned mode)
{
    close();
    if (create && ::mkdirat(parent.fd(), name.c_str(), mode) != 0 && errno != EEXIST)
        return errno;
    const int fd = ::openat(parent.fd(), name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (fd < 0)
        return errno == ELOOP ? ENOTDIR : errno;
    fd_ = fd;
    return 0;
}

int FolderHandle::openBeneath(const FolderHandle &parent, const std::string &relative)
{
    close();
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, parent.fd(), relative.c_str(), &how, sizeof how);
    if (fd < 0)
        return errno;
    fd_ = int(fd);
    return 0;
}

int FolderHandle::openChildLike(const FolderHandle &parent, const std::string &name, const std::string &likePath)
{
    int error = openChild(parent, name, false);
    if (error != ENOENT)
        return error;
    struct stat like {
    };
    if (::stat(likePath.c_str(), &like) != 0 || !S_ISDIR(like.st_mode))
        like.st_mode = 0700;
    const bool made = ::mkdirat(parent.fd(), name.c_str(), (like.st_mode & 07777) | 0700) == 0;
    if (!made && errno != EEXIST)
        return errno;
    error = openChild(parent, name, false);
    if (error == 0 && made && ::geteuid() == 0)
        ::fchownat(fd_, "", like.st_uid, like.st_gid, AT_EMPTY_PATH);
    return error;
}

int FolderHandle::openIn(int folder, const char *name, bool followLink)
{
    close();
    if (folder == AT_FDCWD && std::char_traits<char>::length(name) >= PATH_MAX)
        return open(name); // piece by piece; a listed folder may be a link
    const int fd = ::openat(folder, name, kFolderFlags | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return errno;
    fd_ = fd;
    return 0;
}

int FolderHandle::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void FolderHandle::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int FolderHandle::openParentOf(const std::string &path, std::string &name)
{
    const std::string::size_type slash = path.rfind('/');
    name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return EINVAL;
    return open(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash));
}
