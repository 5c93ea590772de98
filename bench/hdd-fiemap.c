// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Preloaded into a tool run on bench/hdd-mount: FIEMAP, which no FUSE mount
// offers, is answered from the backing file, whose extents are the very
// places the simulated head travels to. A real disk tells a tool where its
// files lie; without this, a tool that orders its reads by place cannot.
// HDD_MOUNT and HDD_SOURCE name the mount and the folder it serves.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

// The backing file of a descriptor opened under the mount, opened; -1 otherwise.
static int backing(int fd)
{
    const char *mnt = getenv("HDD_MOUNT"), *src = getenv("HDD_SOURCE");
    char link[64], path[4096], full[8192];
    if (!mnt || !src)
        return -1;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    const size_t m = strlen(mnt);
    if (n <= 0)
        return -1;
    path[n] = '\0';
    if (strncmp(path, mnt, m) != 0 || (path[m] != '/' && path[m] != '\0'))
        return -1;
    snprintf(full, sizeof full, "%s%s", src, path + m);
    return open(full, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_fn real;
    if (!real)
        real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    const int rc = real(fd, request, arg);
    if (rc == 0 || request != FS_IOC_FIEMAP || errno != EOPNOTSUPP)
        return rc;
    const int saved = errno, other = backing(fd);
    if (other < 0) {
        errno = saved;
        return rc;
    }
    const int again = real(other, request, arg);
    const int error = errno;
    close(other);
    errno = error;
    return again;
}
