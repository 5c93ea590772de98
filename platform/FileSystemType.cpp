// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileSystemType.h"

#include <sys/statfs.h>

long FileSystemMagic(int fd)
{
    struct statfs fs;
    if (fd < 0 || ::fstatfs(fd, &fs) != 0)
        return 0;
    return static_cast<long>(fs.f_type);
}
