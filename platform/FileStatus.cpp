// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FileStatus.h"

PathStatus FromStat(const struct stat &st)
{
    PathStatus s;
    if (S_ISREG(st.st_mode))
        s.kind = FileKind::Regular;
    else if (S_ISDIR(st.st_mode))
        s.kind = FileKind::Directory;
    else
        s.kind = FileKind::Other;
    s.identity.device = st.st_dev;
    s.identity.inode = st.st_ino;
    s.identity.size = st.st_size;
    s.identity.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.identity.ctimeNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.owner = st.st_uid;
    return s;
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
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return FromStat(st);
}
