// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "TestMount.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

// A fresh ext4 file system in an image file, mounted through a loop device
// in the test's own mount namespace: a disk file system wherever the
// temporary folder lies, whose bytes the image shows at the offsets the file
// system gives. The loop device goes with the mount. Needs root, mkfs.ext4
// and a free loop device.
class Ext4ImageMount : public TestMount
{
public:
    Ext4ImageMount(const std::string &image, const std::string &where, int mib = 16)
        : TestMount(where, Made{mount(image, where, mib)})
    {
    }

private:
    static bool mount(const std::string &image, const std::string &where, int mib)
    {
        if (::geteuid() != 0 || !ownNamespace())
            return false;
        const std::string make = "truncate -s " + std::to_string(mib) + "M '" + image + "' && mkfs.ext4 -q -F '" + image
            + "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + where + "' 2>/dev/null";
        return std::system(make.c_str()) == 0;
    }
};
