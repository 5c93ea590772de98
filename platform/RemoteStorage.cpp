// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/RemoteStorage.h"

#include <algorithm>
#include <array>
#include <linux/magic.h>
#include <sys/statfs.h>

namespace
{

constexpr std::array<unsigned long, 11> kRemoteMagics = {
    NFS_SUPER_MAGIC,  SMB_SUPER_MAGIC, CIFS_SUPER_MAGIC, SMB2_SUPER_MAGIC, FUSE_SUPER_MAGIC, V9FS_MAGIC,
    CEPH_SUPER_MAGIC, AFS_SUPER_MAGIC, AFS_FS_MAGIC,     CODA_SUPER_MAGIC, NCP_SUPER_MAGIC,
};

bool isRemoteType(const struct statfs &fs)
{
    // f_type is signed on some architectures: compare its low 32 bits.
    const auto type = static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul;
    return std::find(kRemoteMagics.begin(), kRemoteMagics.end(), type) != kRemoteMagics.end();
}

} // namespace

bool IsRemoteStorage(int fd)
{
    struct statfs fs;
    return fd >= 0 && ::fstatfs(fd, &fs) == 0 && isRemoteType(fs);
}

bool IsRemoteStorage(const std::string &path)
{
    struct statfs fs;
    return ::statfs(path.c_str(), &fs) == 0 && isRemoteType(fs);
}

FileSystemKind KindOfFileSystem(int fd)
{
    struct statfs fs;
    if (fd < 0 || ::fstatfs(fd, &fs) != 0)
        return {};
    return {isRemoteType(fs), TraitsOfFileSystemType(fs.f_type)};
}

FileSystemKind KindOfFileSystem(const std::string &path)
{
    struct statfs fs;
    if (::statfs(path.c_str(), &fs) != 0)
        return {};
    return {isRemoteType(fs), TraitsOfFileSystemType(fs.f_type)};
}
