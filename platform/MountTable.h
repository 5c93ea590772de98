// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// The mounts this process sees, as /proc/self/mountinfo lists them. Some
// file systems (btrfs among them) give their files another st_dev than the
// table's major:minor, so every lookup by device has a fallback that asks
// the folders themselves.
class MountTable
{
public:
    struct Mount {
        std::uint64_t id = 0;     // as statx tells it (STATX_MNT_ID)
        std::uint64_t device = 0; // the table's major:minor
        std::string root;         // the folder of its file system mounted here
        std::string mountPoint;   // escapes such as \040 decoded
        std::string fsType;
        std::string source;       // what was mounted, as the table names it
        std::string superOptions; // the file system's own options, escapes kept
    };

    // The table of this process; empty when it cannot be read.
    static MountTable read();
    // The table from mountinfo text; lines it cannot make out are left out.
    static MountTable parse(std::istream &in);

    const std::vector<Mount> &mounts() const { return mounts_; }
    // The mount with that id, or null.
    const Mount *byId(std::uint64_t id) const;
    // The mounts of one device, in table order.
    std::vector<const Mount *> onDevice(std::uint64_t device) const;

    // The top folder of the file system on `device` that holds the folder
    // whose real path is `folderPath`: the deepest mount of that device above
    // it, else the highest folder of that path still on the device.
    std::string topOf(const std::string &folderPath, std::uint64_t device) const;

    // `realPath`, which lies on `mount`, as a path inside the mount's file
    // system: the same folder has the same inner path through every mount.
    static std::string innerPath(const Mount &mount, const std::string &realPath);
    // The folders whose files a mount shows again, as absolute paths: an
    // overlay's layers, and the source of a user-space file system when it
    // names folders (bindfs and the like give it). Empty for other mounts.
    static std::vector<std::string> sourceFolders(const Mount &mount);

    // Whether `path` is `top` or lies below it, folder by folder.
    static bool isWithin(const std::string &path, const std::string &top);

    // The path the kernel knows an open folder by, links resolved; empty when
    // it cannot tell (a folder removed, or a path longer than it reports).
    static std::string realPathOf(int folderFd);

private:
    std::vector<Mount> mounts_;
};
