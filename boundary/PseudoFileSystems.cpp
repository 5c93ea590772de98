// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/PseudoFileSystems.h"
#include "platform/FileSystemType.h"
#include "platform/MountTable.h"

#include <array>
#include <string_view>

namespace
{

constexpr std::array<std::string_view, 22> kPseudoTypes
    = {"proc",       "sysfs",     "devtmpfs",   "devpts",   "cgroup",    "cgroup2", "debugfs",     "tracefs",
       "securityfs", "pstore",    "bpf",        "configfs", "fusectl",   "mqueue",  "binfmt_misc", "autofs",
       "efivarfs",   "selinuxfs", "rpc_pipefs", "nsfs",     "hugetlbfs", "nfsd"};

// Magic numbers for when the mount table cannot be read.
constexpr std::array<long, 13> kPseudoMagics = {
    0x9fa0,     /* proc */ 0x62656572,    /* sysfs */ 0x1cd1,          /* devpts */
    0x27e0eb,   /* cgroup */ 0x63677270,  /* cgroup2 */ 0x64626720,    /* debugfs */
    0x74726163, /* tracefs */ 0x73636673, /* securityfs */ 0x6165676c, /* pstore */
    0xcafe4a11, /* bpf */ 0x62656570,     /* configfs */ 0x42494e4d,   /* binfmt_misc */
    0x6e736673,                                                        /* nsfs */
};

} // namespace

bool PseudoFileSystems::isPseudoType(const std::string &fsType)
{
    for (auto t : kPseudoTypes)
        if (fsType == t)
            return true;
    return false;
}

void PseudoFileSystems::loadMountTable()
{
    loaded_ = true;
    const MountTable table = MountTable::read();
    for (const MountTable::Mount &mount : table.mounts()) {
        // A device mounted as data somewhere counts as data.
        const bool pseudo = isPseudoType(mount.fsType);
        auto it = byDevice_.find(mount.device);
        if (it == byDevice_.end())
            byDevice_.emplace(mount.device, pseudo);
        else
            it->second = it->second && pseudo;
    }
}

bool PseudoFileSystems::isPseudo(std::uint64_t device, int fd)
{
    if (!loaded_)
        loadMountTable();
    auto it = byDevice_.find(device);
    if (it != byDevice_.end())
        return it->second;
    bool pseudo = false;
    if (const long type = FileSystemMagic(fd); type != 0)
        for (long magic : kPseudoMagics)
            if (type == magic)
                pseudo = true;
    byDevice_.emplace(device, pseudo);
    return pseudo;
}
