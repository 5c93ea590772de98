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
    return RetryWhileOutOfDescriptors([&] { return entry.folder.openParentOf(path, entry.name); });
}

} // namespace

int StatEntry(const SeenEntry &entry, PathStatus &status)
{
    status = StatAt(entry.folder.fd(), entry.name.c_str(), entry.remote);
    return status.kind == FileKind::Missing ? errno : 0;
}

bool RemoteDevices::remote(std::uint64_t device, int folderFd)
{
    const auto found = known_.find(device);
    if (found != known_.end())
        return found->second;
    return known_.emplace(device, IsRemoteStorage(folderFd)).first->second;
}

Standing OpenSeenEntry(const std::string &path, const FileIdentity &seen, SeenEntry &entry, PathStatus &status,
                       RemoteDevices *devices)
{
    int error = OpenEntry(path, entry);
    if (error == 0 && devices) {
        // Asked where it is first; a share is asked again of its server.
        error = StatEntry(entry, status);
        if (error == 0 && devices->remote(status.identity.device, entry.folder.fd())) {
            entry.remote = true;
            error = StatEntry(entry, status);
        }
    } else if (error == 0) {
        entry.remote = IsRemoteStorage(entry.folder.fd());
        error = StatEntry(entry, status);
    }
    if (error != 0)
        return MeansAbsent(error) ? Standing::Gone : Standing::Unreachable;
    return status.kind == FileKind::Regular && status.identity == seen ? Standing::Seen : Standing::Changed;
}
