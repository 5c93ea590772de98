// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/MoveAction.h"
#include "actions/ActionTally.h"
#include "actions/FileDeletion.h"
#include "actions/FileRecheck.h"
#include "actions/KeptCopyGuard.h"
#include "boundary/ScanBoundary.h"
#include "platform/EntryRename.h"
#include "platform/FileRemoval.h"

#include <cerrno>

namespace
{

// Numbered names tried before a file is left; far more than any folder holds of one name.
constexpr int kMostNumber = 9999;
// Folders above the one chosen that are looked at, at most.
constexpr int kMostDepth = 4096;

MoveOutcome FromTargetError(int error)
{
    switch (error) {
    case EROFS:
        return MoveOutcome::TargetReadOnly;
    case ENOSPC:
    case EDQUOT:
        return MoveOutcome::NoSpace;
    case EACCES:
    case EPERM:
        return MoveOutcome::TargetRefused;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return MoveOutcome::TargetUnreachable;
    default:
        return MoveOutcome::Refused;
    }
}

MoveOutcome FromRemoval(RemovalOutcome removal)
{
    switch (removal) {
    case RemovalOutcome::Removed:
        return MoveOutcome::Moved;
    case RemovalOutcome::Gone:
        return MoveOutcome::Gone;
    case RemovalOutcome::Changed:
        return MoveOutcome::Changed;
    case RemovalOutcome::Protected:
        return MoveOutcome::Protected;
    case RemovalOutcome::InProtectedFolder:
        return MoveOutcome::InProtectedFolder;
    case RemovalOutcome::LastCopy:
        return MoveOutcome::LastCopy;
    case RemovalOutcome::Refused:
        break;
    }
    return MoveOutcome::Refused;
}

MoveOutcome FromRecheck(Recheck recheck)
{
    switch (recheck) {
    case Recheck::Gone:
        return MoveOutcome::Gone;
    case Recheck::Changed:
        return MoveOutcome::Changed;
    case Recheck::InProtectedFolder:
        return MoveOutcome::InProtectedFolder;
    case Recheck::NotAdmitted:
        return MoveOutcome::Protected;
    case Recheck::Unreachable:
    case Recheck::Seen:
        break;
    }
    return MoveOutcome::Refused;
}

std::pair<std::uint64_t, std::uint64_t> IdentityOf(const PathStatus &status)
{
    return {status.identity.device, status.identity.inode};
}

} // namespace

MoveAction::~MoveAction()
{
    for (Placed &placed : placed_) // never settled (an error ended the run): the file stays, so its copy goes
        placed.copy->unplace();
}

FileVerdict MoveAction::apply(const ActionFile &file, const ActionContext &context)
{
    std::int64_t bytes = 0;
    const MoveOutcome outcome = move(file, context, bytes);
    if (!placed_.empty() && placed_.back().file == &file)
        return {FileVerdict::Pending};
    return verdictOf(outcome, bytes);
}

std::vector<SettledFile> MoveAction::settle(const ActionContext &context, bool last)
{
    if (placed_.empty())
        return {};
    if (!last && placed_.size() < kBatchFiles && batchBytes_ < kBatchBytes
        && std::chrono::steady_clock::now() - batchStarted_ < kBatchAge)
        return {};
    return finishBatch(context);
}

// One sync per file system for the whole batch; then each file goes from
// where it was, with deletion's checks, or its copy goes when it may not.
std::vector<SettledFile> MoveAction::finishBatch(const ActionContext &context)
{
    std::set<std::uint64_t> unsynced;
    for (const auto &[device, sync] : syncs_)
        if (sync.sync() != 0)
            unsynced.insert(device);
    if (atStep_)
        atStep_(CopyStep::Synced);
    std::vector<SettledFile> settled;
    for (Placed &placed : placed_) {
        MoveOutcome outcome = MoveOutcome::NotWritten;
        if (unsynced.count(placed.device) == 0)
            outcome = FromRemoval(ShellDeleteFile(
                placed.file->path, placed.file->identity, false,
                {&context.boundary, context.guard.checkFor(placed.file->group), &context.protectedFolders, {}}));
        // Gone meanwhile, it may have been the last copy anywhere: the copy
        // on the disk stays, and the file counts as moved.
        if (outcome == MoveOutcome::Gone)
            outcome = MoveOutcome::Moved;
        if (outcome != MoveOutcome::Moved)
            placed.copy->unplace(); // the file stays where it was: no second copy of it here
        else if (placed.status.links > 1)
            outcome = MoveOutcome::MovedOtherNamesStay;
        settled.push_back({placed.file, verdictOf(outcome, placed.status.identity.size)});
    }
    placed_.clear();
    syncs_.clear();
    batchBytes_ = 0;
    return settled;
}

FileVerdict MoveAction::verdictOf(MoveOutcome outcome, std::int64_t bytes)
{
    switch (outcome) {
    case MoveOutcome::Moved:
        return {FileVerdict::Done, -1, bytes};
    case MoveOutcome::MovedOtherNamesStay:
        return {FileVerdict::Done, int(outcome), 0};
    case MoveOutcome::Gone:
        return {FileVerdict::Gone};
    case MoveOutcome::InProtectedFolder:
        return {FileVerdict::InProtectedFolder};
    default:
        return {FileVerdict::Left, int(outcome)};
    }
}

void MoveAction::note(ActionTally &tally) const
{
    std::lock_guard lock(mutex_);
    tally.leftInTransit = leftInTransit_;
}

MoveOutcome MoveAction::move(const ActionFile &file, const ActionContext &context, std::int64_t &bytes)
{
    if (!judged_) {
        targetRefused_ = judgeTarget(context.boundary);
        judged_ = true;
    }
    if (targetRefused_)
        return *targetRefused_;
    SeenEntry entry;
    PathStatus status;
    const Recheck recheck
        = RecheckFile(file.path, file.identity, &context.boundary, &context.protectedFolders, entry, status);
    if (recheck != Recheck::Seen)
        return FromRecheck(recheck);
    // The copies set aside stay apart from the folders they were found in.
    const PathStatus from = StatAt(entry.folder.fd(), "", entry.remote);
    if (from.kind != FileKind::Directory)
        return MoveOutcome::Refused;
    if (targetAndAbove_.count(IdentityOf(from)) > 0)
        return MoveOutcome::TargetInsideItsFolder;
    const MoveDestination::Place place = destination_.placeOf(file.path);
    auto folder = std::make_unique<FolderHandle>();
    if (const auto refused = openFolderOf(place, *folder))
        return *refused;
    const PathStatus into = StatAt(folder->fd(), "");
    if (IdentityOf(into) == IdentityOf(from))
        return MoveOutcome::TargetInsideItsFolder;
    countLeftInTransit(*folder, IdentityOf(into));

    // A kept copy already gone needs no move to tell. A copy onto another
    // file system asks when its file is to go.
    bool otherFileSystem = into.identity.device != from.identity.device;
    const std::function<bool()> keptCopyStands = context.guard.checkFor(file.group);
    if (!otherFileSystem && keptCopyStands && !keptCopyStands())
        return MoveOutcome::LastCopy;
    MoveOutcome outcome = MoveOutcome::Refused;
    if (!otherFileSystem)
        outcome = renameInto(entry, *folder, place.name, file, context, otherFileSystem);
    if (otherFileSystem)
        return copyInto(status, std::move(folder), place.name, file, context);
    if (outcome != MoveOutcome::Moved)
        return outcome;
    // Other names of the file keep its bytes where it was.
    if (status.links > 1)
        return MoveOutcome::MovedOtherNamesStay;
    bytes = status.identity.size;
    return MoveOutcome::Moved;
}

// The folder chosen and, once, every folder above it.
std::optional<MoveOutcome> MoveAction::judgeTarget(ScanBoundary &boundary)
{
    if (target_.open(destination_.target()) != 0)
        return MoveOutcome::TargetUnreachable;
    PassedBy why = PassedBy::Nothing;
    if (boundary.listedFolder(target_.fd(), &why) != FolderStanding::User)
        return why == PassedBy::Trash   ? MoveOutcome::TargetInTrash
            : why == PassedBy::Software ? MoveOutcome::TargetInSoftware
                                        : MoveOutcome::TargetInSystem;
    FolderHandle at;
    if (at.openChild(target_, ".", false) != 0)
        return MoveOutcome::TargetUnreachable;
    for (int depth = 0; depth < kMostDepth; ++depth) {
        const PathStatus here = StatAt(at.fd(), "");
        if (here.kind != FileKind::Directory || !targetAndAbove_.insert(IdentityOf(here)).second)
            break; // the root is its own parent
        FolderHandle above;
        if (above.openChild(at, "..", false) != 0)
            break;
        at = std::move(above);
    }
    return std::nullopt;
}

std::optional<MoveOutcome> MoveAction::openFolderOf(const MoveDestination::Place &place, FolderHandle &folder)
{
    // Most files go to folders made already: one call opens them.
    std::string relative;
    for (const std::string &part : place.folders)
        relative += (relative.empty() ? "" : "/") + part;
    if (folder.openBeneath(target_, relative) == 0)
        return std::nullopt;
    FolderHandle current;
    for (std::size_t i = 0; i < place.folders.size(); ++i) {
        FolderHandle next;
        if (const int error = next.openChildLike(i == 0 ? target_ : current, place.folders[i], place.sources[i]))
            return FromTargetError(error);
        current = std::move(next);
    }
    folder = std::move(current);
    return std::nullopt;
}

// One rename, when both lie on one file system (and one mount).
MoveOutcome MoveAction::renameInto(const SeenEntry &entry, const FolderHandle &folder, const std::string &name,
                                   const ActionFile &file, const ActionContext &context, bool &otherFileSystem)
{
    for (int number = 1; number <= kMostNumber; ++number) {
        const std::string numbered = MoveDestination::numberedName(name, number);
        const int error = RenameNoReplace(entry.folder, entry.name, folder, numbered);
        if (error == EEXIST)
            continue;
        if (error == EXDEV) {
            otherFileSystem = true;
            return MoveOutcome::Refused;
        }
        // The file's own folder may refuse as well as the one chosen.
        if (error == ENOENT)
            return MoveOutcome::Gone;
        if (error == EACCES || error == EPERM)
            return MoveOutcome::Refused;
        if (error != 0)
            return FromTargetError(error);
        // Success is only believed when the file has really left its place.
        if (FileAside::stillInPlace(entry, file.identity))
            return MoveOutcome::Refused;
        // A kept copy that went with it was the same file seen through another mount.
        const std::function<bool()> keptCopyStands = context.guard.checkFor(file.group);
        if (keptCopyStands && !keptCopyStands()) {
            RenameNoReplace(folder, numbered, entry.folder, entry.name);
            return MoveOutcome::LastCopy;
        }
        return MoveOutcome::Moved;
    }
    return MoveOutcome::TooManyNames;
}

// Onto another file system: a checked copy first, placed; the file goes
// once the batch is on the disk (finishBatch).
MoveOutcome MoveAction::copyInto(const PathStatus &status, std::unique_ptr<FolderHandle> folder,
                                 const std::string &name, const ActionFile &file, const ActionContext &context)
{
    const PathStatus into = StatAt(folder->fd(), "");
    if (syncs_.count(into.identity.device) == 0) {
        FileSystemSync sync;
        if (const int error = sync.open(folder->fd()))
            return FromTargetError(error);
        syncs_.emplace(into.identity.device, std::move(sync));
    }
    auto copy = std::make_unique<HiddenCopy>(*folder, atStep_);
    const std::atomic<bool> *stop = context.stop;
    switch (copy->make(file.path, status, [stop] { return stop && stop->load(); })) {
    case CopyOutcome::Made:
        break;
    case CopyOutcome::Failed:
        return FromTargetError(copy->error());
    case CopyOutcome::Stopped:
        return MoveOutcome::Stopped;
    case CopyOutcome::Differs:
        return MoveOutcome::CopyDiffered;
    case CopyOutcome::SourceChanged:
        return MoveOutcome::Changed;
    case CopyOutcome::OwnerNotKept:
        return MoveOutcome::OwnerNotKept;
    }
    int error = EEXIST;
    for (int number = 1; number <= kMostNumber && error == EEXIST; ++number)
        error = copy->place(MoveDestination::numberedName(name, number));
    if (error != 0)
        return error == EEXIST ? MoveOutcome::TooManyNames : FromTargetError(error);
    if (placed_.empty())
        batchStarted_ = std::chrono::steady_clock::now();
    batchBytes_ += status.identity.size;
    placed_.push_back({&file, std::move(folder), std::move(copy), into.identity.device, status});
    return MoveOutcome::Moved; // for now: settled with its batch
}

void MoveAction::countLeftInTransit(const FolderHandle &folder, const Identity &identity)
{
    if (!looked_.insert(identity).second)
        return;
    const int left = CountLeftInTransit(folder.fd(), kMovingKind);
    std::lock_guard lock(mutex_);
    leftInTransit_ += left;
}
