// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/OpenedFile.h"
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"
#include "platform/OpenFileLimit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace
{
// Reading must not touch access times where the kernel lets us say so. It
// does for the file's owner and for a caller allowed to act as any owner;
// asking in vain costs a second open, a whole path walk, for every file of
// a tree such as /usr. So others' files are asked for until the first
// refusal only.
std::atomic<bool> othersRefuseNoAtime{false};

// Someone else's file, when the owner is known.
bool isOthers(std::optional<std::uint32_t> owner)
{
    static const uid_t us = ::geteuid();
    return owner && *owner != us;
}

int openAt(int dirFd, const char *name, std::optional<std::uint32_t> owner)
{
    // Never blocks on a FIFO swapped in, never takes a terminal for the process's own.
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const bool others = isOthers(owner);
    if (!others || !othersRefuseNoAtime.load(std::memory_order_relaxed)) {
        const int fd = ::openat(dirFd, name, flags | O_NOATIME);
        if (fd >= 0 || errno != EPERM)
            return fd;
        if (others)
            othersRefuseNoAtime.store(true, std::memory_order_relaxed);
    }
    return ::openat(dirFd, name, flags);
}

int openForReading(const std::string &path, std::optional<std::uint32_t> owner)
{
    if (path.size() < PATH_MAX)
        return openAt(AT_FDCWD, path.c_str(), owner);
    // Deeper than the kernel resolves in one call: open the folder piecewise.
    FolderHandle folder;
    std::string name;
    int error = folder.openParentOf(path, name);
    int fd = -1;
    if (error == 0) {
        fd = openAt(folder.fd(), name.c_str(), owner);
        error = fd < 0 ? errno : 0;
    }
    folder.close();
    errno = error; // the caller tells a shortage of descriptors by it
    return fd;
}
} // namespace

OpenedFile::OpenedFile(OpenedFile &&other) noexcept : fd_(other.fd_), readError_(other.readError_)
{
    other.fd_ = -1;
}

OpenedFile &OpenedFile::operator=(OpenedFile &&other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool OpenedFile::open(const std::string &path)
{
    close();
    fd_ = openForReading(path, std::nullopt);
    if (fd_ < 0)
        return false;
    if (StatOpenFile(fd_).kind != FileKind::Regular) {
        close();
        return false;
    }
    return true;
}

OpenedFile::Outcome OpenedFile::open(const std::string &path, const FileIdentity &expected, std::uint32_t owner)
{
    const Outcome opened = openIn(AT_FDCWD, path.c_str(), owner);
    if (opened != Outcome::Opened)
        return opened;
    PathStatus now = StatOpenFile(fd_);
    if (now.kind != FileKind::Regular || !(now.identity == expected)) {
        close();
        return Outcome::Changed;
    }
    return Outcome::Opened;
}

OpenedFile::Outcome OpenedFile::openIn(int folder, const char *name, std::uint32_t owner)
{
    close();
    fd_ = folder == AT_FDCWD ? openForReading(name, owner) : openAt(folder, name, owner);
    readError_ = fd_ < 0 ? errno : 0;
    if (fd_ >= 0)
        return Outcome::Opened;
    return IsOutOfDescriptors(readError_) ? Outcome::NoDescriptor : Outcome::Failed;
}

long OpenedFile::readAt(std::int64_t offset, char *buffer, std::size_t length)
{
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        readError_ = n < 0 ? errno : 0;
        return static_cast<long>(n);
    }
}

bool OpenedFile::readFullyAt(std::int64_t offset, char *buffer, std::size_t length)
{
    readError_ = 0;
    while (length > 0) {
        const long n = readAt(offset, buffer, length);
        if (n <= 0)
            return false; // readAt said why
        offset += n;
        buffer += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::pair<std::int64_t, std::int64_t>> OpenedFile::dataRuns(std::int64_t size) const
{
    std::vector<std::pair<std::int64_t, std::int64_t>> runs;
    for (std::int64_t at = 0; at < size;) {
        const off_t data = ::lseek(fd_, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        if (data < 0)
            return {{0, size}}; // holes not reported: all of it is data
        const off_t hole = ::lseek(fd_, data, SEEK_HOLE);
        const std::int64_t end = hole < 0 ? size : std::min<std::int64_t>(hole, size);
        if (data >= size)
            break;
        runs.emplace_back(data, end);
        at = end;
    }
    return runs;
}

bool OpenedFile::unchangedSince(const FileIdentity &expected, bool fromServer) const
{
    const PathStatus now = StatAt(fd_, "", fromServer);
    return now.kind == FileKind::Regular && now.identity == expected;
}

void OpenedFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
