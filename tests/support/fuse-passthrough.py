#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Varnok developers
# SPDX-License-Identifier: MIT
"""Mount SOURCE again at MOUNTPOINT through a user-space server, for tests.

usage: fuse-passthrough.py SOURCE MOUNTPOINT [options]   (runs until unmounted)

A writable passthrough over FUSE that keeps attributes and entries cached
for a while, as network file systems do, and can misbehave on purpose: wait
before every call, change a file behind the reader's back, or never answer.
Inode numbers pass through. Run as root, the mount serves every user and
the kernel checks permissions. Needs python3-fusepy.
"""
import argparse
import errno
import os
import threading
import time

from fusepy import FUSE, FuseOSError, Operations, fuse_get_context

# Paths come and go as bytes in latin-1 clothing, so that names which are not
# UTF-8 pass through unchanged.
ENCODING = "latin-1"
CHANGE_BYTES = 4096
GROW_BYTES = 1 << 20


def _bytes(text):
    return text.encode(ENCODING)


class Passthrough(Operations):
    use_ns = True  # times as integer nanoseconds, exactly as the source has them

    def __init__(self, args):
        self.root = os.path.realpath(args.source).encode()
        self.latency = args.latency_ms / 1000.0
        self.args = args
        # Named after its source, as bindfs names its mounts, or uniquely.
        self.fsname = os.path.realpath(args.source) if args.name_source else "varnok-passthrough-%d" % os.getpid()
        self.mountpoint = os.path.realpath(args.mountpoint)
        self.unmounted = threading.Event()
        self.change_lock = threading.Lock()  # reads of the file to change, one at a time
        self.changed = False
        self.as_root = os.geteuid() == 0

    # Every call waits first, on its own thread: requests in flight overlap
    # as they would on a share.
    def __call__(self, op, *args):
        if self.latency and op not in ("init", "destroy"):
            time.sleep(self.latency)
        return super().__call__(op, *args)

    def _full(self, path):
        return os.path.join(self.root, _bytes(path).lstrip(b"/"))

    @staticmethod
    def _named(path, name):
        return name is not None and os.path.basename(path) == name

    def _still_mounted(self):
        with open("/proc/self/mountinfo", "rb") as f:
            if self.args.name_source:  # the name is no longer unique: look for the mount point
                point = self.mountpoint.replace("\\", "\\134").replace(" ", "\\040").encode()
                return any(line.split(b" ")[4] == point for line in f)
            needle = (" %s " % self.fsname).encode()
            return any(needle in line for line in f)

    def _hang(self):
        # Never answers while the mount is there; once it is gone the caller
        # gets an error, so that the kernel can let the mount go. A test
        # learns that a call hangs by the file beside the ready file.
        if self.args.ready_file:
            with open(self.args.ready_file + ".hung", "w"):
                pass
        while not self.unmounted.wait(0.1):
            if not self._still_mounted():
                self.unmounted.set()
        raise FuseOSError(errno.EIO)

    def _own(self, full):
        # What a user creates through the mount is the user's, as it would be
        # on a share.
        if self.as_root:
            uid, gid, _ = fuse_get_context()
            os.lchown(full, uid, gid)

    def init(self, path):
        if self.args.ready_file:
            with open(self.args.ready_file, "w"):
                pass

    def destroy(self, path):
        self.unmounted.set()

    def getattr(self, path, fh=None):
        if self._named(path, self.args.hang_getattr):
            self._hang()
        st = os.fstat(fh) if fh is not None else os.lstat(self._full(path))
        attrs = {k: getattr(st, k) for k in ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_ino",
                                              "st_rdev", "st_blocks")}
        attrs.update(st_atime=st.st_atime_ns, st_mtime=st.st_mtime_ns, st_ctime=st.st_ctime_ns)
        return attrs

    def readdir(self, path, fh):
        return [".", ".."] + [name.decode(ENCODING) for name in os.listdir(self._full(path))]

    def readlink(self, path):
        return os.readlink(self._full(path)).decode(ENCODING)

    def statfs(self, path):
        st = os.statvfs(self._full(path))
        return {k: getattr(st, k) for k in ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail",
                                             "f_ffree", "f_files", "f_flag", "f_frsize", "f_namemax")}

    def open(self, path, flags):
        return os.open(self._full(path), flags & ~(os.O_CREAT | os.O_EXCL | os.O_NOCTTY))

    def create(self, path, mode, fi=None):
        full = self._full(path)
        fd = os.open(full, os.O_RDWR | os.O_CREAT, mode)
        self._own(full)
        return fd

    def read(self, path, size, offset, fh):
        if self._named(path, self.args.hang_read):
            self._hang()
        if not self._named(path, self.args.change_after_first_read):
            return os.pread(fh, size, offset)
        with self.change_lock:
            data = os.pread(fh, size, offset)
            if not self.changed:
                self.changed = True
                # Changed before this answer leaves: whatever is asked next
                # meets the new file.
                self._change(self._full(path))
            return data

    def _change(self, full):
        with open(full, "r+b") as f:
            if self.args.change_mode == "grow":
                f.seek(0, os.SEEK_END)
                f.write(b"\x5a" * GROW_BYTES)
                return
            size = os.fstat(f.fileno()).st_size
            offset = size // 2
            old = os.pread(f.fileno(), min(CHANGE_BYTES, size - offset), offset)
            os.pwrite(f.fileno(), bytes(b ^ 0xFF for b in old), offset)

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        if fh is not None:
            os.ftruncate(fh, length)
        else:
            os.truncate(self._full(path), length)

    def flush(self, path, fh):
        return 0

    def fsync(self, path, datasync, fh):
        (os.fdatasync if datasync else os.fsync)(fh)

    def release(self, path, fh):
        os.close(fh)

    def mkdir(self, path, mode):
        full = self._full(path)
        os.mkdir(full, mode)
        self._own(full)

    def rmdir(self, path):
        os.rmdir(self._full(path))

    def unlink(self, path):
        os.unlink(self._full(path))

    def rename(self, old, new):
        os.rename(self._full(old), self._full(new))

    def symlink(self, target, source):
        full = self._full(target)
        os.symlink(_bytes(source), full)
        self._own(full)

    def link(self, target, source):
        os.link(self._full(source), self._full(target))

    def chmod(self, path, mode):
        os.chmod(self._full(path), mode)

    def chown(self, path, uid, gid):
        os.lchown(self._full(path), uid, gid)

    def utimens(self, path, times=None):
        os.utime(self._full(path), ns=times, follow_symlinks=False)


def main():
    ap = argparse.ArgumentParser(description="A passthrough FUSE mount for tests.")
    ap.add_argument("source")
    ap.add_argument("mountpoint")
    ap.add_argument("--attr-timeout", type=float, default=1.0, metavar="S",
                    help="seconds the kernel keeps attributes and entries (default 1.0)")
    ap.add_argument("--latency-ms", type=float, default=0.0, metavar="MS", help="wait before each call")
    ap.add_argument("--change-after-first-read", metavar="NAME",
                    help="change the file of this base name in SOURCE once its first read is answered")
    ap.add_argument("--change-mode", choices=("same-size", "grow"), default="same-size",
                    help="overwrite bytes in the middle, or append 1 MiB")
    ap.add_argument("--hang-read", metavar="NAME", help="reads of this file never answer")
    ap.add_argument("--hang-getattr", metavar="NAME", help="status and lookup of this name never answer")
    ap.add_argument("--read-only", action="store_true",
                    help="mount read-only, as a share often is (the kernel then keeps access times too)")
    ap.add_argument("--name-source", action="store_true",
                    help="give SOURCE's real path as the mount's source, as bindfs does")
    ap.add_argument("--ready-file", metavar="PATH", help="created once the mount is up")
    args = ap.parse_args()

    ops = Passthrough(args)
    options = dict(foreground=True, nothreads=False, fsname=ops.fsname, use_ino=True, hard_remove=True,
                   default_permissions=True, attr_timeout=args.attr_timeout, entry_timeout=args.attr_timeout,
                   max_read=131072, ro=args.read_only)
    if ops.as_root:
        options["allow_other"] = True  # root included; the kernel checks permissions
    else:
        options["allow_root"] = True
    FUSE(ops, args.mountpoint, encoding=ENCODING, **options)


if __name__ == "__main__":
    main()
