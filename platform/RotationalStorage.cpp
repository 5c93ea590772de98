// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/RotationalStorage.h"
#include "platform/RealPath.h"

#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace
{

// Stacks of devices are shallow; this only bounds a loop in a broken tree.
constexpr int kMostLevels = 16;

bool Exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string ParentOf(const std::string &path)
{
    return path.substr(0, path.rfind('/'));
}

// The device folders `slaves/` names: what a stacked device is made of.
std::vector<std::string> PartsOf(const std::string &deviceFolder)
{
    std::vector<std::string> parts;
    DIR *dir = ::opendir((deviceFolder + "/slaves").c_str());
    if (!dir)
        return parts;
    while (const dirent *e = ::readdir(dir))
        if (e->d_name[0] != '.')
            if (std::string real = RealPath(deviceFolder + "/slaves/" + e->d_name); !real.empty())
                parts.push_back(std::move(real));
    ::closedir(dir);
    return parts;
}

DeviceRotation Rotation(const std::string &deviceFolder, int level)
{
    if (deviceFolder.empty() || level > kMostLevels)
        return DeviceRotation::Unknown;
    if (Exists(deviceFolder + "/partition"))
        return Rotation(ParentOf(deviceFolder), level + 1);
    const auto parts = PartsOf(deviceFolder);
    if (!parts.empty()) {
        DeviceRotation all = DeviceRotation::Still;
        for (const std::string &part : parts) {
            const DeviceRotation r = Rotation(part, level + 1);
            if (r == DeviceRotation::Spins)
                return r;
            if (r == DeviceRotation::Unknown)
                all = r;
        }
        return all;
    }
    // A virtual disk's driver never sets the flag, so it keeps the block
    // layer's default of "spins" whatever the host stores it on: unknown.
    if (RealPath(deviceFolder + "/device/driver").ends_with("/virtio_blk"))
        return DeviceRotation::Unknown;
    std::ifstream flag(deviceFolder + "/queue/rotational");
    int rotational = 0;
    if (!(flag >> rotational))
        return DeviceRotation::Unknown;
    return rotational == 1 ? DeviceRotation::Spins : DeviceRotation::Still;
}

} // namespace

DeviceRotation RotationOf(std::uint64_t device, const std::string &sysfs)
{
    const std::string link
        = sysfs + "/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    return Rotation(RealPath(link), 0);
}

bool IsRotationalDevice(std::uint64_t device, const std::string &sysfs)
{
    return RotationOf(device, sysfs) == DeviceRotation::Spins;
}
