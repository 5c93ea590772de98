// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/DirectoryReader.h"

#include "platform/OpenFileLimit.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool DirectoryReader::open(const std::string &path)
{
    close();
    return adopt(OpenWaitingForDescriptors([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
}

bool DirectoryReader::openChild(const DirectoryReader &parent, const char *name)
{
    close();
    return adopt(OpenWaitingForDescriptors(
        [&] { return ::openat(parent.fd_, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); }));
}

bool DirectoryReader::openFolder(int folderFd)
{
    close();
    return adopt(
        OpenWaitingForDescriptors([&] { return ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
}

bool DirectoryReader::unreadable() const
{
    // Gone, or turned into something else since it was listed: nothing was missed.
    return openError_ != 0 && openError_ != ENOENT && openError_ != ENOTDIR && openError_ != ELOOP;
}

bool DirectoryReader::adopt(int fd)
{
    openError_ = fd < 0 ? errno : 0;
    if (fd < 0)
        return false;
    dir_ = ::fdopendir(fd);
    if (!dir_) {
        openError_ = errno;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void DirectoryReader::close()
{
    if (dir_)
        ::closedir(dir_); // also closes fd_
    dir_ = nullptr;
    fd_ = -1;
}

bool DirectoryReader::next(Entry &entry)
{
    if (!dir_)
        return false;
    while (const dirent *d = ::readdir(dir_)) {
        const char *n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        entry.name = n;
        entry.inode = d->d_ino;
        switch (d->d_type) {
        case DT_DIR:
            entry.type = EntryType::Directory;
            break;
        case DT_REG:
            entry.type = EntryType::Regular;
            break;
        case DT_UNKNOWN:
            entry.type = EntryType::Unknown;
            break;
        default:
            entry.type = EntryType::Other;
            break;
        }
        return true;
    }
    return false;
}

PathStatus DirectoryReader::statEntry(const char *name) const
{
    return fd_ < 0 ? PathStatus{} : StatAt(fd_, name);
}

PathStatus DirectoryReader::status() const
{
    return fd_ < 0 ? PathStatus{} : StatOpenFile(fd_);
}
