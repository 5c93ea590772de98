// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/HiddenCopy.h"
#include "platform/EntryRename.h"
#include "platform/FileRemoval.h"
#include "platform/FolderHandle.h"
#include "platform/OpenedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr int kMaxHiddenNameTries = 16;

} // namespace

HiddenCopy::~HiddenCopy()
{
    if (!hidden_.empty() && namesCopy(hidden_))
        ::unlinkat(folder_.fd(), hidden_.c_str(), 0);
    if (fd_ >= 0)
        ::close(fd_);
}

CopyOutcome HiddenCopy::fail(CopyOutcome outcome, int error)
{
    error_ = error;
    if (!hidden_.empty() && namesCopy(hidden_))
        ::unlinkat(folder_.fd(), hidden_.c_str(), 0);
    hidden_.clear();
    return outcome;
}

// Whether `name` in the folder is still the file this object made.
bool HiddenCopy::namesCopy(const std::string &name) const
{
    struct stat there {
    };
    return inode_ != 0 && ::fstatat(folder_.fd(), name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0
        && there.st_dev == device_ && there.st_ino == inode_;
}

int HiddenCopy::createHidden()
{
    for (int tries = 0; tries < kMaxHiddenNameTries; ++tries) {
        hidden_ = NextTransitName(kMovingKind);
        fd_ = ::openat(folder_.fd(), hidden_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat made {
        };
        if (fd_ >= 0 && ::fstat(fd_, &made) == 0) {
            device_ = made.st_dev;
            inode_ = made.st_ino;
            return 0;
        }
        const int error = errno;
        if (fd_ >= 0) { // made, but not to be told apart from another file: not ours to keep
            ::unlinkat(folder_.fd(), hidden_.c_str(), 0);
            ::close(fd_);
            fd_ = -1;
        }
        hidden_.clear();
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

CopyOutcome HiddenCopy::make(const std::string &path, const PathStatus &seen, const StopRequest &stopped)
{
    OpenedFile source;
    switch (source.open(path, seen.identity, seen.owner)) {
    case OpenedFile::Outcome::Opened:
        break;
    case OpenedFile::Outcome::Changed:
        return CopyOutcome::SourceChanged;
    case OpenedFile::Outcome::NoDescriptor:
        return fail(CopyOutcome::Failed, EMFILE);
    case OpenedFile::Outcome::Failed:
        return fail(CopyOutcome::Failed, errno != 0 ? errno : EIO);
    }
    if (const int error = createHidden())
        return fail(CopyOutcome::Failed, error);
    reach(CopyStep::Created);
    const CopyOutcome outcome = fill(source, seen, stopped);
    ::close(fd_);
    fd_ = -1;
    return outcome == CopyOutcome::Made ? outcome : fail(outcome, error_);
}

// Bytes, settings, comparison.
CopyOutcome HiddenCopy::fill(OpenedFile &source, const PathStatus &seen, const StopRequest &stopped)
{
    // Owner first: a new owner would clear the set-id bits of the mode.
    struct stat made {
    };
    if (::fstat(fd_, &made) != 0)
        return fail(CopyOutcome::Failed, errno);
    if ((made.st_uid != seen.owner || made.st_gid != seen.ownerGroup)
        && ::fchown(fd_, seen.owner, seen.ownerGroup) != 0)
        return CopyOutcome::OwnerNotKept;
    if (const int error = CopyFileContents(source, fd_, seen.identity.size, stopped))
        return error == ECANCELED ? CopyOutcome::Stopped
            : error == ENODATA    ? CopyOutcome::SourceChanged
                                  : fail(CopyOutcome::Failed, error);
    reach(CopyStep::Copied);
    struct stat original {
    };
    if (::fstat(source.fd(), &original) != 0)
        return fail(CopyOutcome::Failed, errno);
    const struct timespec times[2] = {original.st_atim, original.st_mtim};
    if (::fchmod(fd_, seen.permissions) != 0)
        return fail(CopyOutcome::Failed, errno);
    if (const int error = CopyExtendedAttributes(source.fd(), fd_))
        return fail(CopyOutcome::Failed, error);
    if (::futimens(fd_, times) != 0)
        return fail(CopyOutcome::Failed, errno);
    reach(CopyStep::Settled);
    bool same = false;
    if (const int error = CompareFileContents(source, fd_, seen.identity.size, same, stopped))
        return error == ECANCELED ? CopyOutcome::Stopped : fail(CopyOutcome::Failed, error);
    // A file written to while it was read differs from the scan's as well.
    if (!source.unchangedSince(seen.identity))
        return CopyOutcome::SourceChanged;
    if (!same)
        return CopyOutcome::Differs;
    reach(CopyStep::Compared);
    return CopyOutcome::Made;
}

int HiddenCopy::place(const std::string &name)
{
    if (hidden_.empty())
        return ENOENT;
    const int error = RenameNoReplace(folder_, hidden_, folder_, name);
    if (error != 0)
        return error;
    placed_ = name;
    hidden_.clear();
    reach(CopyStep::Placed);
    return 0;
}

int HiddenCopy::unplace()
{
    if (placed_.empty() || !namesCopy(placed_))
        return ENOENT;
    if (::unlinkat(folder_.fd(), placed_.c_str(), 0) != 0)
        return errno;
    placed_.clear();
    return 0;
}

FileSystemSync::~FileSystemSync()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int FileSystemSync::open(int folderFd)
{
    // A folder open only as a path cannot be synced.
    fd_ = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd_ >= 0 ? 0 : errno;
}

int FileSystemSync::sync() const
{
    return ::syncfs(fd_) == 0 ? 0 : errno;
}
