// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/LayeredMounts.h"
#include "platform/RealPath.h"

#include <algorithm>

namespace
{

// Mounts judged through the folders they show, inside one another.
constexpr int kMostNestedLayers = 8;

} // namespace

thread_local int LayeredMounts::Nested::depth_ = 0;

bool LayeredMounts::Nested::tooDeep()
{
    return depth_ > kMostNestedLayers;
}

const LayeredMounts::Layers &LayeredMounts::of(const MountTable::Mount &mount)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto known = layers_.find(mount.id); known != layers_.end())
            return known->second;
    }
    Layers layers;
    if (mount.device != rootDevice_)
        for (const std::string &folder : MountTable::sourceFolders(mount)) {
            const std::string real = RealPath(folder); // empty: a path of another mount namespace
            if (real.empty())
                continue;
            layers.deep = layers.deep || std::any_of(specialPaths_.begin(), specialPaths_.end(), [&](const auto &p) {
                              return p != real && MountTable::isWithin(p, real);
                          });
            layers.folders.push_back(real);
        }
    std::lock_guard lock(mutex_);
    return layers_.emplace(mount.id, std::move(layers)).first->second; // map nodes stay put
}

bool LayeredMounts::knownShallow(std::uint64_t mountId)
{
    std::lock_guard lock(mutex_);
    const auto known = layers_.find(mountId);
    return known != layers_.end() && !known->second.deep;
}
