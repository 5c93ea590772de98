// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/VolumeSpace.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace
{

std::string parentOf(const std::string &path)
{
    return path.empty() || path.back() == '/' ? path + ".." : path + "/..";
}

} // namespace

bool IsMountPoint(const std::string &path)
{
    struct stat self, parent;
    if (::stat(path.c_str(), &self) != 0 || ::stat(parentOf(path).c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::int64_t UsedSpace(const std::string &path)
{
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0)
        return -1;
    return std::int64_t(vfs.f_blocks - vfs.f_bfree) * std::int64_t(vfs.f_frsize);
}
