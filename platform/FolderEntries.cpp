// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FolderEntries.h"
#include "platform/OpenFileLimit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

EntryKind EntryKindAt(int folderFd, const char *name)
{
    struct stat st;
    if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return EntryKind::Missing;
    if (S_ISREG(st.st_mode))
        return EntryKind::Regular;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Directory;
    return S_ISLNK(st.st_mode) ? EntryKind::Link : EntryKind::Other;
}

std::string ReadStartAt(int folderFd, const char *name, std::size_t most)
{
    const int fd = OpenWaitingForDescriptors(
        [&] { return ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0)
        return {};
    std::string text(most, '\0');
    std::size_t done = 0;
    while (done < most) {
        const ssize_t n = ::read(fd, text.data() + done, most - done);
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    ::close(fd);
    text.resize(done);
    return text;
}

std::string LinkTargetAt(int folderFd, const char *name, std::size_t most)
{
    std::string target(most, '\0');
    const ssize_t n = ::readlinkat(folderFd, name, target.data(), most);
    target.resize(n > 0 ? std::size_t(n) : 0);
    return target;
}

int OpenFolderAbove(int folderFd)
{
    return ::openat(folderFd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
}
