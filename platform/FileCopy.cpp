// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileCopy.h"
#include "platform/OpenedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace
{

// Large enough that a call's cost vanishes beside the bytes, small enough
// that Stop is heard within a few milliseconds.
constexpr std::int64_t kPiece = 4 << 20;
constexpr std::int64_t kBuffer = 1 << 20;

bool Stopped(const StopRequest &stopped)
{
    return stopped && stopped();
}

// What copy_file_range says when it cannot join these two files, for
// whatever reason of the file systems': the bytes go through memory.
bool RangeCopyRefused(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF
        || error == ETXTBSY;
}

int WriteAll(int to, const char *data, std::int64_t length, std::int64_t at)
{
    while (length > 0) {
        const ssize_t n = ::pwrite(to, data, std::size_t(length), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        length -= n;
        at += n;
    }
    return 0;
}

// A buffer of this thread's, kept from file to file: fresh memory costs a
// fault per page each time.
char *Buffer(int which, std::size_t size)
{
    thread_local std::vector<char> buffers[2];
    std::vector<char> &buffer = buffers[which];
    if (buffer.size() < size)
        buffer.resize(size);
    return buffer.data();
}

// One run of data, [at, end), through memory.
int CopyThroughMemory(const OpenedFile &from, int to, std::int64_t at, std::int64_t end, const StopRequest &stopped)
{
    char *const buffer = Buffer(0, std::size_t(std::min(kBuffer, end - at)));
    while (at < end) {
        if (Stopped(stopped))
            return ECANCELED;
        const std::int64_t want = std::min(kBuffer, end - at);
        const ssize_t n = ::pread(from.fd(), buffer, std::size_t(want), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENODATA;
        if (const int error = WriteAll(to, buffer, n, at))
            return error;
        at += n;
    }
    return 0;
}

} // namespace

int CopyFileContents(const OpenedFile &from, int to, std::int64_t size, const StopRequest &stopped)
{
    bool byKernel = true;
    for (auto [at, end] : from.dataRuns(size)) {
        while (byKernel && at < end) {
            if (Stopped(stopped))
                return ECANCELED;
            loff_t in = at;
            loff_t out = at;
            const ssize_t n = ::copy_file_range(from.fd(), &in, to, &out, std::size_t(std::min(kPiece, end - at)), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                return ENODATA;
            if (n < 0) {
                if (!RangeCopyRefused(errno))
                    return errno;
                byKernel = false;
                break;
            }
            at += n;
        }
        if (at < end)
            if (const int error = CopyThroughMemory(from, to, at, end, stopped))
                return error;
    }
    return ::ftruncate(to, size) == 0 ? 0 : errno;
}

int CompareFileContents(OpenedFile &from, int to, std::int64_t size, bool &same, const StopRequest &stopped)
{
    same = false;
    struct stat st {
    };
    if (::fstat(to, &st) != 0)
        return errno;
    if (st.st_size != size)
        return 0;
    const std::size_t piece = std::size_t(std::clamp<std::int64_t>(size, 1, kBuffer));
    char *const mine = Buffer(0, piece);
    char *const theirs = Buffer(1, piece);
    for (std::int64_t at = 0; at < size;) {
        if (Stopped(stopped))
            return ECANCELED;
        const std::size_t length = std::size_t(std::min<std::int64_t>(std::int64_t(piece), size - at));
        if (!from.readFullyAt(at, mine, length))
            return from.readError() != 0 ? from.readError() : ENODATA;
        std::size_t got = 0;
        while (got < length) {
            const ssize_t n = ::pread(to, theirs + got, length - got, at + std::int64_t(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? errno : 0; // shorter than it said: not the same
            got += std::size_t(n);
        }
        if (std::memcmp(mine, theirs, length) != 0)
            return 0;
        at += std::int64_t(length);
    }
    same = true;
    return 0;
}

int CopyExtendedAttributes(int from, int to)
{
    std::vector<char> names(256);
    for (;;) {
        const ssize_t n = ::flistxattr(from, names.data(), names.size());
        if (n >= 0) {
            names.resize(std::size_t(n));
            break;
        }
        if (errno == ENOTSUP)
            return 0; // its file system keeps none
        if (errno != ERANGE)
            return errno;
        const ssize_t needed = ::flistxattr(from, nullptr, 0);
        if (needed < 0)
            return errno;
        names.resize(std::size_t(needed) + 256);
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (name.starts_with("security."))
            continue;
        ssize_t length = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (length < 0 && errno == ENODATA)
            continue; // gone meanwhile
        if (length < 0)
            return errno;
        value.resize(std::size_t(length));
        length = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (length < 0)
            return errno; // ERANGE: it grew meanwhile, which a later check of the file tells
        if (::fsetxattr(to, name.c_str(), value.data(), std::size_t(length), 0) != 0)
            return errno;
    }
    return 0;
}
