// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/StorageSharing.h"
#include "platform/ReclaimPair.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace
{

// Btrfs takes at most 16 MiB a request; the others take as much or cut it short.
constexpr std::uint64_t kChunk = 16u << 20;
constexpr std::uint32_t kExtentsPerCall = 32;

struct Extent {
    std::uint64_t logical, physical, length;
    bool operator==(const Extent &) const = default;
};

// The file's extents, all of them shared; empty when one is not or the map
// cannot be had.
std::vector<Extent> SharedExtents(int fd)
{
    std::vector<Extent> extents;
    std::vector<unsigned char> buffer(sizeof(struct fiemap) + kExtentsPerCall * sizeof(struct fiemap_extent));
    auto *map = reinterpret_cast<struct fiemap *>(buffer.data());
    std::uint64_t start = 0;
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = kExtentsPerCall;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0)
            return {};
        for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
            const struct fiemap_extent &e = map->fm_extents[i];
            if (!(e.fe_flags & FIEMAP_EXTENT_SHARED))
                return {};
            extents.push_back({e.fe_logical, e.fe_physical, e.fe_length});
            if (e.fe_flags & FIEMAP_EXTENT_LAST)
                return extents;
            start = e.fe_logical + e.fe_length;
        }
    }
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) { }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool MeansUnsupported(int error)
{
    return error == EOPNOTSUPP || error == EINVAL || error == ENOTTY || error == EXDEV || error == ENOSYS;
}

ReclaimOutcome FromError(int error, bool first)
{
    // A refusal past the first range is no lack of support but a fault.
    if (MeansUnsupported(error))
        return first ? ReclaimOutcome::Unsupported : ReclaimOutcome::Refused;
    return ReclaimOutcome::Refused;
}

// The opened file is the one the entry named when checked.
bool Opened(int fd, const PathStatus &expected)
{
    if (fd < 0)
        return false;
    const PathStatus now = StatOpenFile(fd);
    return now.identity.device == expected.identity.device && now.identity.inode == expected.identity.inode;
}

} // namespace

bool SharesAllStorage(int fd, int otherFd)
{
    const std::vector<Extent> mine = SharedExtents(fd);
    return !mine.empty() && mine == SharedExtents(otherFd);
}

ReclaimOutcome ShareStorage(const ReclaimPair &pair, std::int64_t &releasable)
{
    releasable = 0;
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    const Descriptor kept(::openat(pair.kept.folder.fd(), pair.kept.name.c_str(), kFlags));
    if (!Opened(kept.get(), pair.keptStatus))
        return ReclaimOutcome::KeptCopyChanged;
    // Read access is enough: the kernel lets the file's owner, or whoever may
    // write it, take shared storage into it.
    const Descriptor file(::openat(pair.file.folder.fd(), pair.file.name.c_str(), kFlags));
    if (file.get() < 0)
        return ReclaimOutcome::Refused;
    if (!Opened(file.get(), pair.fileStatus))
        return ReclaimOutcome::Changed;
    const auto size = std::uint64_t(pair.fileStatus.identity.size);
    if (size == 0 || SharesAllStorage(file.get(), kept.get()))
        return ReclaimOutcome::AlreadyDone;

    std::vector<unsigned char> buffer(sizeof(struct file_dedupe_range) + sizeof(struct file_dedupe_range_info));
    auto *range = reinterpret_cast<struct file_dedupe_range *>(buffer.data());
    for (std::uint64_t offset = 0; offset < size;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        range->src_offset = offset;
        range->src_length = std::min(kChunk, size - offset);
        range->dest_count = 1;
        range->info[0].dest_fd = file.get();
        range->info[0].dest_offset = offset;
        if (::ioctl(kept.get(), FIDEDUPERANGE, range) != 0)
            return FromError(errno, offset == 0);
        const struct file_dedupe_range_info &done = range->info[0];
        if (done.status == FILE_DEDUPE_RANGE_DIFFERS)
            return ReclaimOutcome::Changed; // ranges before it are shared: they were the same
        if (done.status < 0)
            return FromError(-done.status, offset == 0);
        if (done.bytes_deduped == 0)
            return ReclaimOutcome::Refused; // no progress: the kernel will not take it
        offset += done.bytes_deduped;
    }
    releasable = std::int64_t(size);
    return ReclaimOutcome::Done;
}
