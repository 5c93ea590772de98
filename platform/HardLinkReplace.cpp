// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/HardLinkReplace.h"
#include "platform/FileRemoval.h"
#include "platform/ReclaimPair.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
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
    static std::atomic<std::uint64_t> counter{0};
    for (int tries = 0; tries < kMaxHiddenNameTries; ++tries) {
        hidden = std::string(kLinkingPrefix) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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

} // namespace

ReclaimOutcome ReplaceWithHardLink(const ReclaimPair &pair, std::int64_t &releasable, const LinkStepHook &atStep)
{
    releasable = 0;
    if (!SameOwnerAndMode(pair.fileStatus, pair.keptStatus))
        return ReclaimOutcome::OwnerOrModeDiffer;
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
    Reach(atStep, LinkStep::Verified);
    if (::renameat(folder, hidden.c_str(), folder, pair.file.name.c_str()) != 0)
        return dropHidden(ReclaimOutcome::Refused);
    Reach(atStep, LinkStep::Replaced);
    releasable = pair.fileStatus.links == 1 ? pair.fileStatus.identity.size : 0;
    return ReclaimOutcome::Done;
}
