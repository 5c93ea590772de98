// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/HardLinkReplace.h"
#include "platform/EntryRename.h"
#include "platform/FileAttributes.h"
#include "platform/FileRemoval.h"
#include "platform/OpenedDescriptor.h"
#include "platform/ReclaimPair.h"
#include "platform/WriteLease.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int kMaxHiddenNameTries = 16;

void Reach(const LinkStepHook &atStep, LinkStep step)
{
    if (atStep)
        atStep(step);
}

ReclaimOutcome FromLinkError(int error)
{
    switch (error) {
    case EXDEV:
        return ReclaimOutcome::OtherFileSystem; // also two mounts of one file system
    case ENOENT:
        return ReclaimOutcome::KeptCopyChanged;
    case EOPNOTSUPP:
        return ReclaimOutcome::Unsupported;
    default:
        return ReclaimOutcome::Refused;
    }
}

int LinkToHiddenName(const ReclaimPair &pair, std::string &hidden)
{
    for (int tries = 0; tries < kMaxHiddenNameTries; ++tries) {
        hidden = NextTransitName(kLinkingKind);
        if (::linkat(pair.kept.folder.fd(), pair.kept.name.c_str(), pair.file.folder.fd(), hidden.c_str(), 0) == 0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// Linking gives the kept copy a new status-change time; all else must hold.
bool IsKeptCopy(const PathStatus &now, const FileIdentity &kept)
{
    return now.kind == FileKind::Regular && now.identity.device == kept.device && now.identity.inode == kept.inode
        && now.identity.size == kept.size && now.identity.mtimeNs == kept.mtimeNs;
}

bool SameOwnerAndMode(const PathStatus &a, const PathStatus &b)
{
    return a.owner == b.owner && a.ownerGroup == b.ownerGroup && a.permissions == b.permissions;
}

// Opened for reading only, as the lease needs; never waiting on another
// program's lease.
ReclaimOutcome OpenChecked(const SeenEntry &entry, const PathStatus &expected, ReclaimOutcome changed,
                           OpenedDescriptor &fd)
{
    fd.reset(
        ::openat(entry.folder.fd(), entry.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.isOpen())
        return errno == EWOULDBLOCK ? ReclaimOutcome::InUse
            : errno == EACCES       ? ReclaimOutcome::WriterUnknown
                                    : ReclaimOutcome::Refused;
    const PathStatus now = StatOpenFile(fd.get());
    if (now.identity.device != expected.identity.device || now.identity.inode != expected.identity.inode)
        return changed;
    return ReclaimOutcome::Done;
}

// What the copy gives up when its last name goes: its blocks, but for those
// another file or a snapshot holds too where files can share storage.
std::int64_t Releasable(const ReclaimPair &pair, int fd)
{
    std::int64_t bytes = pair.fileStatus.allocatedBytes;
    if (pair.traits.sharesStorage) {
        const std::optional<ExtentMap> map = ExtentsOf(fd);
        bytes = map ? std::min(bytes, UnsharedBytes(*map)) : 0;
    }
    return bytes;
}

// The last steps, with the lease held: the copy and the link swap names,
// unless another program began to open the copy; then the old copy's name
// goes. On a file system that cannot swap, the link is renamed over the
// copy right after the last look at the lease.
ReclaimOutcome Swap(const ReclaimPair &pair, const std::string &hidden, const WriteLease &lease,
                    const LinkStepHook &atStep, bool &nameGone)
{
    nameGone = false;
    const FolderHandle &folder = pair.file.folder;
    const auto dropHidden = [&](ReclaimOutcome outcome) {
        ::unlinkat(folder.fd(), hidden.c_str(), 0);
        return outcome;
    };
    if (lease.broken())
        return dropHidden(ReclaimOutcome::InUse);
    const int exchanged = ExchangeEntries(folder, hidden, pair.file.name);
    if (exchanged == EINVAL || exchanged == ENOSYS) {
        if (::renameat(folder.fd(), hidden.c_str(), folder.fd(), pair.file.name.c_str()) != 0)
            return dropHidden(ReclaimOutcome::Refused);
        nameGone = true;
        Reach(atStep, LinkStep::Exchanged);
        Reach(atStep, LinkStep::Replaced);
        return ReclaimOutcome::Done;
    }
    if (exchanged != 0)
        return dropHidden(ReclaimOutcome::Refused);
    Reach(atStep, LinkStep::Exchanged);
    // A program that looked the path up before the swap and is opening the
    // old copy now waits on the lease: give it its file back at its path.
    if (lease.broken()) {
        if (ExchangeEntries(folder, hidden, pair.file.name) != 0)
            return ReclaimOutcome::Refused; // the old copy stays whole under the hidden name
        return dropHidden(ReclaimOutcome::InUse);
    }
    // Should the old copy's hidden name stay, it is a whole file of the group's bytes.
    nameGone = ::unlinkat(folder.fd(), hidden.c_str(), 0) == 0;
    Reach(atStep, LinkStep::Replaced);
    return ReclaimOutcome::Done;
}

} // namespace

ReclaimOutcome ReplaceWithHardLink(const ReclaimPair &pair, ReclaimEffect &effect, const LinkStepHook &atStep)
{
    effect = {};
    if (!SameOwnerAndMode(pair.fileStatus, pair.keptStatus))
        return ReclaimOutcome::AttributesDiffer;
    OpenedDescriptor copy;
    if (const ReclaimOutcome opened = OpenChecked(pair.file, pair.fileStatus, ReclaimOutcome::Changed, copy);
        opened != ReclaimOutcome::Done)
        return opened;
    WriteLease lease(copy.get());
    if (lease.taken() != WriteLease::Taken::Held)
        return lease.taken() == WriteLease::Taken::InUse ? ReclaimOutcome::InUse : ReclaimOutcome::WriterUnknown;
    OpenedDescriptor ownKept;
    if (pair.keptFd < 0) {
        const ReclaimOutcome opened = OpenChecked(pair.kept, pair.keptStatus, ReclaimOutcome::KeptCopyChanged, ownKept);
        if (opened != ReclaimOutcome::Done)
            return opened == ReclaimOutcome::InUse || opened == ReclaimOutcome::WriterUnknown ? ReclaimOutcome::Refused
                                                                                              : opened;
    }
    if (!SameFileAttributes(copy.get(), pair.keptFd >= 0 ? pair.keptFd : ownKept.get()))
        return ReclaimOutcome::AttributesDiffer;
    Reach(atStep, LinkStep::Checked);

    std::string hidden;
    if (const int error = LinkToHiddenName(pair, hidden))
        return FromLinkError(error);
    Reach(atStep, LinkStep::Linked);
    const int folder = pair.file.folder.fd();
    const auto dropHidden = [&](ReclaimOutcome outcome) {
        ::unlinkat(folder, hidden.c_str(), 0);
        return outcome;
    };
    if (!IsKeptCopy(StatAt(folder, hidden.c_str(), pair.file.remote), pair.keptStatus.identity))
        return dropHidden(ReclaimOutcome::KeptCopyChanged);
    PathStatus now;
    if (StatEntry(pair.file, now) != 0 || now.kind != FileKind::Regular || now.identity != pair.fileStatus.identity)
        return dropHidden(ReclaimOutcome::Changed);
    const std::int64_t releasable = Releasable(pair, copy.get());
    Reach(atStep, LinkStep::Verified);

    bool nameGone = false;
    const ReclaimOutcome swapped = Swap(pair, hidden, lease, atStep, nameGone);
    lease.release();
    if (swapped != ReclaimOutcome::Done)
        return swapped;
    // Its one name went with the swap: its blocks are free once it closes.
    // With other names it lives on, a link fewer.
    if (pair.fileStatus.links == 1 && nameGone) {
        effect.released = releasable;
        effect.releasedAtMost = pair.traits.keepsSnapshots && releasable > 0;
    } else if (const PathStatus after = StatOpenFile(copy.get()); after.kind == FileKind::Regular) {
        effect.replacedNow = after;
    }
    return ReclaimOutcome::Done;
}
