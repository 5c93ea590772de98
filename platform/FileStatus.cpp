// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileStatus.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/sysmacros.h>

namespace
{

FileKind KindOf(mode_t mode)
{
    return S_ISREG(mode) ? FileKind::Regular : S_ISDIR(mode) ? FileKind::Directory : FileKind::Other;
}

} // namespace

PathStatus FromStat(const struct stat &st)
{
    PathStatus s;
    s.kind = KindOf(st.st_mode);
    s.identity.device = st.st_dev;
    s.identity.inode = st.st_ino;
    s.identity.size = st.st_size;
    s.identity.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.identity.ctimeNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.owner = st.st_uid;
    s.ownerGroup = st.st_gid;
    s.permissions = st.st_mode & 07777;
    s.links = st.st_nlink;
    s.allocatedBytes = std::int64_t(st.st_blocks) * 512;
    return s;
}

namespace
{

std::int64_t Nanoseconds(const struct statx_timestamp &t)
{
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

PathStatus FromStatx(const struct statx &st)
{
    PathStatus s;
    s.kind = KindOf(st.stx_mode);
    s.identity.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    s.identity.inode = st.stx_ino;
    s.identity.size = std::int64_t(st.stx_size);
    s.identity.mtimeNs = Nanoseconds(st.stx_mtime);
    s.identity.ctimeNs = Nanoseconds(st.stx_ctime);
    s.owner = st.stx_uid;
    s.ownerGroup = st.stx_gid;
    s.permissions = st.stx_mode & 07777;
    s.links = st.stx_nlink;
    s.allocatedBytes = std::int64_t(st.stx_blocks) * 512;
    s.kernelProtected = (st.stx_attributes & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) != 0;
    if (st.stx_mask & STATX_MNT_ID)
        s.mountId = st.stx_mnt_id;
    return s;
}

} // namespace

PathStatus StatAt(int dirFd, const char *name, bool fromServer)
{
    const int flags = AT_SYMLINK_NOFOLLOW | (name[0] == 0 ? AT_EMPTY_PATH : 0)
        | (fromServer ? AT_STATX_FORCE_SYNC : AT_STATX_SYNC_AS_STAT);
    struct statx st;
    if (::statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_MNT_ID, &st) == 0)
        return FromStatx(st);
    if (errno != ENOSYS)
        return {};
    struct stat old; // a kernel without statx: no attributes, no mount
    if (::fstatat(dirFd, name, &old, flags & (AT_SYMLINK_NOFOLLOW | AT_EMPTY_PATH)) != 0)
        return {};
    return FromStat(old);
}

PathStatus StatPathNoFollow(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    return FromStat(st);
}

PathStatus StatPath(const std::string &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return FromStat(st);
}

PathStatus StatOpenFile(int fd)
{
    return StatAt(fd, "");
}
