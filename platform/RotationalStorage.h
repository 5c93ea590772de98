// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>

// Whether the block device behind a file system's device number (st_dev)
// spins, so that where data lies on it costs the head's travel. A partition
// answers for its whole disk, and a device stacked on others (device-mapper,
// md, a partitioned loop device) for what lies under it: it spins when any of
// them does. A loop device answers as the device holding its backing file.
// Unknown counts as not spinning, and so does a virtual disk (virtio), whose
// flag is only the kernel's default. `sysfs` is the mount of sysfs; tests give
// a tree of their own.
bool IsRotationalDevice(std::uint64_t device, const std::string &sysfs = "/sys");

// What the kernel says of a device's head, for the storage's profile: it
// spins, it does not (flash), or nobody says (no flag, a virtual disk, a
// device sysfs does not list, such as a share's). A stacked device spins
// when any part does and is still only when every part is.
enum class DeviceRotation { Spins, Still, Unknown };
DeviceRotation RotationOf(std::uint64_t device, const std::string &sysfs = "/sys");
