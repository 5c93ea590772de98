// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/SeenEntry.h"
#include "platform/OpenFileLimit.h"
#include "platform/RemoteStorage.h"

#include <cerrno>

namespace
{

bool MeansAbsent(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

int OpenEntry(const std::string &path, SeenEntry &entry)
{
    // Run out of descriptors, the file is neither gone nor refused: wait.
    const int error = RetryWhileOutOfDescriptors([&] { return entry.folder.openParentOf(path, entry.name); });
    if (error == 0)
        entry.remote = IsRemoteStorage(entry.folder.fd());
    return error;
}

} // namespace

int StatEntry(const SeenEntry &entry, PathStatus &status)
{
    status = StatAt(entry.folder.fd(), entry.name.c_str(), entry.remote);
    return status.kind == FileKind::Missing ? errno : 0;
}

Standing OpenSeenEntry(const std::string &path, const FileIdentity &seen, SeenEntry &entry, PathStatus &status)
{
    int error = OpenEntry(path, entry);
    if (error == 0)
        error = StatEntry(entry, status);
    if (error != 0)
        return MeansAbsent(error) ? Standing::Gone : Standing::Unreachable;
    return status.kind == FileKind::Regular && status.identity == seen ? Standing::Seen : Standing::Changed;
}
