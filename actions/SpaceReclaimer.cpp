// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/SpaceReclaimer.h"
#include "actions/FileRecheck.h"
#include "boundary/ProtectedFolders.h"
#include "platform/StorageSharing.h"

#include <fcntl.h>

#include <optional>

namespace
{

bool SameInode(const FileIdentity &a, const FileIdentity &b)
{
    return a.device == b.device && a.inode == b.inode;
}

// Two names of one inode are one entry when their folders are one folder
// and their names one name: the file reached twice (a bind mount).
bool SameEntry(const SeenEntry &a, const SeenEntry &b)
{
    if (a.name != b.name)
        return false;
    const PathStatus folderA = StatAt(a.folder.fd(), "");
    const PathStatus folderB = StatAt(b.folder.fd(), "");
    return folderA.kind == FileKind::Directory && SameInode(folderA.identity, folderB.identity);
}

} // namespace

// The kept copy, found as it is now: through the folder held open for the
// group's copies before (its name asked again), else reached afresh.
bool SpaceReclaimer::reachKept(const KeptCopy &kept, ReclaimPair &pair)
{
    KeptInHand &hand = keptInHand_;
    if (hand.path == kept.path && hand.fd.isOpen()) {
        if (StatEntry(hand.entry, pair.keptStatus) == 0 && pair.keptStatus.kind == FileKind::Regular
            && pair.keptStatus.identity == kept.identity) {
            pair.kept = std::move(hand.entry);
            pair.keptFd = hand.fd.get();
            return true;
        }
    }
    hand.path.clear();
    hand.fd.reset();
    if (OpenSeenEntry(kept.path, kept.identity, pair.kept, pair.keptStatus, &devices_) != Standing::Seen)
        return false;
    hand.fd.reset(::openat(pair.kept.folder.fd(), pair.kept.name.c_str(),
                           O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (hand.fd.isOpen() && SameInode(StatOpenFile(hand.fd.get()).identity, pair.keptStatus.identity)) {
        hand.path = kept.path;
        pair.keptFd = hand.fd.get();
    } else {
        hand.fd.reset(); // the steps open it themselves and say what they find
    }
    return true;
}

// Opens both files and makes every check deletion makes, and those of a
// pair; the outcome when the copy must be left or is done already, none
// when it may be joined.
std::optional<ReclaimOutcome> SpaceReclaimer::openPair(const std::string &path, const FileIdentity &seen,
                                                       const KeptCopy &kept, const Checks &checks, ReclaimPair &pair)
{
    const Recheck recheck
        = RecheckFile(path, seen, checks.boundary, checks.protectedFolders, pair.file, pair.fileStatus, &devices_);
    switch (recheck) {
    case Recheck::Gone:
        return ReclaimOutcome::Gone;
    case Recheck::Changed:
        break; // unless it is the kept copy already, below
    case Recheck::Unreachable:
        return ReclaimOutcome::Refused;
    case Recheck::InProtectedFolder:
        return ReclaimOutcome::InProtectedFolder;
    case Recheck::NotAdmitted:
        return ReclaimOutcome::Protected;
    case Recheck::Seen:
        break;
    }
    if (!reachKept(kept, pair))
        return recheck == Recheck::Changed ? ReclaimOutcome::Changed : ReclaimOutcome::KeptCopyChanged;
    // Device and inode name the file, whatever mount it was reached through.
    const bool sameInode = SameInode(pair.fileStatus.identity, pair.keptStatus.identity);
    if (recheck == Recheck::Changed)
        // Changed by becoming another name of the kept copy (an earlier
        // link): what the user asks is there already.
        return sameInode && pair.fileStatus.kind == FileKind::Regular ? ReclaimOutcome::AlreadyDone
                                                                      : ReclaimOutcome::Changed;
    if (sameInode)
        return SameEntry(pair.file, pair.kept) ? ReclaimOutcome::SameFile : ReclaimOutcome::AlreadyDone;
    if (pair.fileStatus.identity.device != pair.keptStatus.identity.device)
        return ReclaimOutcome::OtherFileSystem;
    return std::nullopt;
}

FileIdentity SpaceReclaimer::current(const FileIdentity &seen) const
{
    const auto found = renewals_.find({seen.device, seen.inode});
    return found != renewals_.end() && found->second.before == seen ? found->second.after : seen;
}

void SpaceReclaimer::renew(const FileIdentity &before, const FileIdentity &after)
{
    const auto [place, added] = renewals_.try_emplace({before.device, before.inode}, Renewal{before, after});
    if (!added)
        place->second = {place->second.after == before ? place->second.before : before, after};
}

const FileSystemTraits &SpaceReclaimer::traitsOf(std::uint64_t device, int folderFd)
{
    const auto found = traits_.find(device);
    if (found != traits_.end())
        return found->second;
    return traits_.emplace(device, TraitsOfFileSystem(folderFd)).first->second;
}

// A new link gave the kept copy a new status-change time; the replaced
// file, when other names keep it, lost a link.
void SpaceReclaimer::renewAfterLink(const KeptCopy &kept, const ReclaimPair &pair, Reclaimed &result)
{
    const PathStatus keptNow = StatAt(pair.kept.folder.fd(), pair.kept.name.c_str(), pair.kept.remote);
    if (keptNow.kind == FileKind::Regular && SameInode(keptNow.identity, pair.keptStatus.identity)) {
        renew(current(kept.identity), keptNow.identity);
        result.identity = keptNow.identity;
        result.renewed.push_back(keptNow.identity);
    }
    if (result.effect.replacedNow) {
        renew(pair.fileStatus.identity, result.effect.replacedNow->identity);
        result.renewed.push_back(result.effect.replacedNow->identity);
    }
}

Reclaimed SpaceReclaimer::apply(const std::string &path, const FileIdentity &seen, const KeptCopy &kept,
                                const Checks &checks)
{
    Reclaimed result;
    const KeptCopy keptNow{kept.path, current(kept.identity), kept.file, kept.inProtectedFolder};
    ReclaimPair pair;
    // Whatever comes of it, the kept copy's folder stays at hand for the next copy.
    struct GiveBack {
        KeptInHand &hand;
        ReclaimPair &pair;
        ~GiveBack()
        {
            if (pair.keptFd >= 0 && pair.keptFd == hand.fd.get())
                hand.entry = std::move(pair.kept);
        }
    } giveBack{keptInHand_, pair};
    if (const auto early = openPair(path, current(seen), keptNow, checks, pair)) {
        result.outcome = *early;
        if (result.outcome == ReclaimOutcome::AlreadyDone && SameInode(pair.fileStatus.identity, keptNow.identity)) {
            result.identity = pair.keptStatus.identity;
            result.renewed.push_back(pair.keptStatus.identity);
        }
        return result;
    }
    // A link would make the protected file another name of this path, open
    // to every change made through it. Asked of its folder now: it may have
    // been protected since its row was judged.
    if (kind_ == ReclaimKind::HardLink
        && (kept.inProtectedFolder
            || (checks.protectedFolders && checks.protectedFolders->holdsFolder(pair.kept.folder.fd())))) {
        result.outcome = ReclaimOutcome::KeptCopyProtected;
        return result;
    }
    pair.traits = traitsOf(pair.fileStatus.identity.device, pair.file.folder.fd());
    result.outcome = kind_ == ReclaimKind::ShareStorage ? ShareStorage(pair, result.effect)
                                                        : ReplaceWithHardLink(pair, result.effect, checks.atLinkStep);
    if (result.outcome != ReclaimOutcome::Done)
        return result;
    if (kind_ == ReclaimKind::HardLink)
        renewAfterLink(kept, pair, result);
    released_ += result.effect.released;
    releasedAtMost_ = releasedAtMost_ || result.effect.releasedAtMost;
    return result;
}
