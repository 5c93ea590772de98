// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/FileReader.h"
#include "engine/FolderDescriptors.h"
#include "engine/OpenFileBudget.h"
#include "platform/DepthControl.h"
#include "platform/FileStatus.h"
#include "platform/OpenFileLimit.h"

#include <fcntl.h>
#include <string>

FileReader::FileReader(ReaderShared &shared, unsigned &timings)
    : shared_(shared), timed_(shared.depth.least() != shared.depth.most()), timings_(timings)
{
}

FileReader::Access FileReader::open(File &file, const ReadTarget &target)
{
    if (file.changed)
        return Access::Skip;
    if (file.handle.isOpen())
        return Access::Ready;
    const Timing timing = count();
    OpenedFile::Outcome opened = OpenedFile::Outcome::Failed;
    FolderDescriptors *folders = shared_.folders;
    if (target.folder == ReadTarget::kNoFolder || !folders) {
        opened = file.handle.openIn(AT_FDCWD, target.name, target.owner);
    } else {
        int error = 0;
        const FolderDescriptors::Lent folder = folders->lend(target.folder, error);
        if (folder.fd >= 0) {
            opened = file.handle.openIn(folder.fd, target.name, target.owner);
            folders->giveBack(folder);
        } else if (IsOutOfDescriptors(error)) {
            opened = OpenedFile::Outcome::NoDescriptor;
        }
    }
    switch (opened) {
    case OpenedFile::Outcome::Opened:
        file.readSinceCheck = file.checked = false;
        return Access::Ready;
    case OpenedFile::Outcome::NoDescriptor:
        return askStop() ? Access::Cancelled : Access::NoDescriptor;
    case OpenedFile::Outcome::Failed:
    case OpenedFile::Outcome::Changed:
        break;
    }
    ++unreadable_;
    return Access::Skip;
}

FileReader::Access FileReader::openWaiting(File &file, const ReadTarget &target)
{
    for (;;) {
        const Access a = open(file, target);
        if (a != Access::NoDescriptor)
            return a;
        if (!waitForDescriptors())
            return Access::Cancelled;
    }
}

bool FileReader::waitForDescriptors()
{
    if (shared_.folders)
        shared_.folders->shrink();
    if (askStop())
        return false;
    shared_.budget.waitForRelease(std::chrono::milliseconds(5));
    return !askStop();
}

bool FileReader::read(File &file, const ReadTarget &target, std::int64_t offset, char *into, std::size_t length)
{
    if (shared_.onRead)
        shared_.onRead(shared_.folders ? shared_.folders->list().path(target.index) : std::string(target.name), offset);
    const Timing timing = count();
    file.readSinceCheck = true;
    file.checked = false;
    bytesSinceAsk_ += length;
    if (file.handle.readFullyAt(offset, into, length)) {
        bytes_ += length;
        return true;
    }
    if (file.handle.readError() != 0)
        ++unreadable_;
    return false;
}

bool FileReader::check(File &file, const ReadTarget &target)
{
    const Timing timing = count();
    file.checked = file.handle.unchangedSince(target.identity, true);
    file.readSinceCheck = false;
    file.changed = !file.checked;
    return file.checked;
}

std::optional<bool> FileReader::unchanged(File &file, const ReadTarget &target)
{
    if (file.changed)
        return false;
    if (file.handle.isOpen())
        return file.readSinceCheck || !file.checked ? check(file, target) : true;
    if (file.checked)
        return true; // checked when it was closed, after its last read
    // Never read (an empty file): asked of by name, in its folder.
    const Timing timing = count();
    PathStatus now;
    FolderDescriptors *folders = shared_.folders;
    if (target.folder == ReadTarget::kNoFolder || !folders) {
        now = StatAt(AT_FDCWD, target.name, true);
    } else {
        FolderDescriptors::Lent folder;
        for (int error = 0; (folder = folders->lend(target.folder, error)).fd < 0;) {
            if (!IsOutOfDescriptors(error))
                return false;
            if (!waitForDescriptors())
                return std::nullopt;
        }
        now = StatAt(folder.fd, target.name, true);
        folders->giveBack(folder);
    }
    file.checked = now.kind == FileKind::Regular && now.identity == target.identity;
    file.changed = !file.checked;
    return file.checked;
}

bool FileReader::release(File &file, const ReadTarget &target)
{
    const bool same = !file.handle.isOpen() || !file.readSinceCheck || check(file, target);
    file.handle.close();
    return same;
}

void FileReader::settle()
{
    if (bytes_)
        shared_.bytesRead.fetch_add(bytes_, std::memory_order_relaxed);
    if (unreadable_)
        shared_.unreadableFiles.fetch_add(unreadable_, std::memory_order_relaxed);
    bytes_ = unreadable_ = 0;
}
