// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/StorageSharing.h"
#include "platform/ExtentMap.h"
#include "platform/OpenedDescriptor.h"
#include "platform/ReclaimPair.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <vector>

namespace
{

// Btrfs takes at most 16 MiB a request; the others take as much or cut it short.
constexpr std::uint64_t kChunk = 16u << 20;

bool MeansUnsupported(int error)
{
    return error == EOPNOTSUPP || error == EINVAL || error == ENOTTY || error == EXDEV || error == ENOSYS;
}

bool StoredWithoutCopyOnWrite(int fd)
{
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_NOCOW_FL) != 0;
}

// A refusal of the first range: the file system cannot share, or cannot
// share these two (Btrfs will not join a file stored without copy-on-write
// with one stored with it). Past the first range it is a fault.
ReclaimOutcome FromError(int error, bool first, int keptFd, int fileFd)
{
    if (!first || !MeansUnsupported(error))
        return ReclaimOutcome::Refused;
    if (error == EINVAL && StoredWithoutCopyOnWrite(keptFd) != StoredWithoutCopyOnWrite(fileFd))
        return ReclaimOutcome::CopyOnWriteDiffers;
    return ReclaimOutcome::Unsupported;
}

// The opened file is the one the entry named when checked.
bool Opened(int fd, const PathStatus &expected)
{
    if (fd < 0)
        return false;
    const PathStatus now = StatOpenFile(fd);
    return now.identity.device == expected.identity.device && now.identity.inode == expected.identity.inode;
}

bool AllShared(const ExtentMap &map)
{
    return !map.empty()
        && std::all_of(map.begin(), map.end(), [](const Extent &e) { return e.shared && !e.inlined && !e.unplaced; });
}

// Whether the file's storage is all the kept copy's, by both maps now.
bool SharesWith(int keptFd, const std::optional<ExtentMap> &map)
{
    if (!map || !AllShared(*map))
        return false;
    const std::optional<ExtentMap> kept = ExtentsOf(keptFd);
    return kept && SameStorage(*map, *kept);
}

ReclaimOutcome Deduplicate(int keptFd, int fileFd, std::uint64_t size)
{
    std::vector<unsigned char> buffer(sizeof(struct file_dedupe_range) + sizeof(struct file_dedupe_range_info));
    auto *range = reinterpret_cast<struct file_dedupe_range *>(buffer.data());
    for (std::uint64_t offset = 0; offset < size;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        range->src_offset = offset;
        range->src_length = std::min(kChunk, size - offset);
        range->dest_count = 1;
        range->info[0].dest_fd = fileFd;
        range->info[0].dest_offset = offset;
        if (::ioctl(keptFd, FIDEDUPERANGE, range) != 0)
            return FromError(errno, offset == 0, keptFd, fileFd);
        const struct file_dedupe_range_info &done = range->info[0];
        if (done.status == FILE_DEDUPE_RANGE_DIFFERS)
            return ReclaimOutcome::Changed; // ranges before it are shared: they were the same
        if (done.status < 0)
            return FromError(-done.status, offset == 0, keptFd, fileFd);
        if (done.bytes_deduped == 0)
            return ReclaimOutcome::Refused; // no progress: the kernel will not take it
        offset += done.bytes_deduped;
    }
    return ReclaimOutcome::Done;
}

} // namespace

ReclaimOutcome ShareStorage(const ReclaimPair &pair, ReclaimEffect &effect)
{
    effect = {};
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    const OpenedDescriptor ownKept(pair.keptFd >= 0 ? -1
                                                    : ::openat(pair.kept.folder.fd(), pair.kept.name.c_str(), kFlags));
    const int keptFd = pair.keptFd >= 0 ? pair.keptFd : ownKept.get();
    if (pair.keptFd < 0 && !Opened(keptFd, pair.keptStatus))
        return ReclaimOutcome::KeptCopyChanged;
    // Read access is enough: the kernel lets the file's owner, or whoever may
    // write it, take shared storage into it.
    const OpenedDescriptor file(::openat(pair.file.folder.fd(), pair.file.name.c_str(), kFlags));
    if (!file.isOpen())
        return ReclaimOutcome::Refused;
    if (!Opened(file.get(), pair.fileStatus))
        return ReclaimOutcome::Changed;
    const auto size = std::uint64_t(pair.fileStatus.identity.size);
    const std::optional<ExtentMap> before = ExtentsOf(file.get());
    if (size == 0 || SharesWith(keptFd, before))
        return ReclaimOutcome::AlreadyDone;

    if (const ReclaimOutcome outcome = Deduplicate(keptFd, file.get(), size); outcome != ReclaimOutcome::Done)
        return outcome;
    const std::optional<ExtentMap> after = ExtentsOf(file.get());
    if (!before || !after)
        return ReclaimOutcome::Done; // shared as the kernel says; no map to count by
    // The kernel answers for what it compared, the map for what it shares:
    // every byte of the copy in shared blocks now, as the source's are.
    if (!AllShared(*after))
        return HasInlineData(*before) || HasInlineData(*after) ? ReclaimOutcome::TooSmallToShare
                                                               : ReclaimOutcome::Changed;
    effect.released = std::min(pair.fileStatus.allocatedBytes, UnsharedBytes(*before));
    effect.releasedAtMost = pair.traits.keepsSnapshots && effect.released > 0;
    return ReclaimOutcome::Done;
}
