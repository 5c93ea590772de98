// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/EntryRename.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

int RenameNoReplace(const FolderHandle &from, const std::string &name, const FolderHandle &to,
                    const std::string &newName)
{
    if (::renameat2(from.fd(), name.c_str(), to.fd(), newName.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat st;
    if (::fstatat(to.fd(), newName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(from.fd(), name.c_str(), to.fd(), newName.c_str()) == 0 ? 0 : errno;
}

int ExchangeEntries(const FolderHandle &folder, const std::string &name, const std::string &otherName)
{
    return ::renameat2(folder.fd(), name.c_str(), folder.fd(), otherName.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}
