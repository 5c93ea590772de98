// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/LoopImageMount.h"

// A fresh ext4 file system in an image file, mounted through a loop device
// in the test's own mount namespace: a disk file system wherever the
// temporary folder lies, whose bytes the image shows at the offsets the file
// system gives.
class Ext4ImageMount : public LoopImageMount
{
public:
    Ext4ImageMount(const std::string &image, const std::string &where, int mib = 16)
        : LoopImageMount(Kind::Ext4, image, where, mib)
    {
    }
};
