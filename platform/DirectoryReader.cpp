// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/DirectoryReader.h"

#include "platform/OpenFileLimit.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

// As the kernel lays out each entry of a listing.
struct KernelEntry {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

// Large enough that a folder of a few hundred entries takes one call.
constexpr std::size_t kListingBuffer = 32 * 1024;

} // namespace

bool DirectoryReader::open(const std::string &path)
{
    close();
    return adopt(OpenWaitingForDescriptors([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
}

bool DirectoryReader::openChild(const DirectoryReader &parent, const char *name,
                                const std::function<void()> &onShortage)
{
    close();
    return adopt(OpenWaitingForDescriptors(
        [&] { return ::openat(parent.fd_, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); }, onShortage));
}

bool DirectoryReader::openFolder(int folderFd)
{
    close();
    return adopt(
        OpenWaitingForDescriptors([&] { return ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
}

bool DirectoryReader::unreadable() const
{
    // Gone, or turned into something else since it was listed: nothing was missed.
    return openError_ != 0 && openError_ != ENOENT && openError_ != ENOTDIR && openError_ != ELOOP;
}

bool DirectoryReader::adopt(int fd)
{
    openError_ = fd < 0 ? errno : 0;
    fd_ = fd;
    return fd >= 0;
}

void DirectoryReader::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    buffer_.reset();
    at_ = filled_ = 0;
    ended_ = false;
}

int DirectoryReader::release()
{
    const int fd = fd_;
    fd_ = -1;
    close();
    return fd;
}

bool DirectoryReader::refill()
{
    if (ended_ || fd_ < 0)
        return false;
    if (!buffer_)
        buffer_ = std::make_unique_for_overwrite<char[]>(kListingBuffer); // the kernel writes it: never zeroed
    long n = 0;
    do
        n = ::syscall(SYS_getdents64, fd_, buffer_.get(), kListingBuffer);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
        ended_ = true;
        buffer_.reset(); // the folder is listed: its buffer goes
        return false;
    }
    at_ = 0;
    filled_ = std::size_t(n);
    return true;
}

bool DirectoryReader::next(Entry &entry)
{
    for (;;) {
        if (at_ >= filled_ && !refill())
            return false;
        const auto *d = reinterpret_cast<const KernelEntry *>(buffer_.get() + at_);
        at_ += d->length;
        const char *n = d->name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        entry.name = n;
        entry.inode = d->inode;
        switch (d->type) {
        case DT_DIR:
            entry.type = EntryType::Directory;
            break;
        case DT_REG:
            entry.type = EntryType::Regular;
            break;
        case DT_UNKNOWN:
            entry.type = EntryType::Unknown;
            break;
        default:
            entry.type = EntryType::Other;
            break;
        }
        return true;
    }
}

PathStatus DirectoryReader::statEntry(const char *name) const
{
    return fd_ < 0 ? PathStatus{} : StatAt(fd_, name);
}

PathStatus DirectoryReader::status() const
{
    return fd_ < 0 ? PathStatus{} : StatOpenFile(fd_);
}
