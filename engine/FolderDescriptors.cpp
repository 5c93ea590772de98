// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/FolderDescriptors.h"
#include "engine/Candidate.h"
#include "engine/OpenFileBudget.h"
#include "platform/OpenFileLimit.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// A few thousand folders kept open cost the kernel less than a megabyte,
// and hold the folders of most trees a desktop scans.
constexpr std::size_t kMostKept = 8192;
} // namespace

FolderDescriptors::FolderDescriptors(const CandidateList &list, std::size_t most)
    : list_(list), slots_(most), slotOf_(list.folderCount())
{
    for (auto &slot : slotOf_)
        slot.store(-1, std::memory_order_relaxed);
}

FolderDescriptors::~FolderDescriptors()
{
    for (Slot &s : slots_)
        if (s.fd >= 0)
            ::close(s.fd);
}

FolderDescriptors::Lent FolderDescriptors::lendKept(std::uint32_t folder)
{
    const std::int32_t s = slotOf_[folder].load(std::memory_order_acquire);
    if (s < 0)
        return {};
    Slot &slot = slots_[std::size_t(s)];
    int lent = slot.lent.load(std::memory_order_relaxed);
    do {
        if (lent < 0)
            return {}; // being closed or given to another folder
    } while (!slot.lent.compare_exchange_weak(lent, lent + 1, std::memory_order_acquire, std::memory_order_relaxed));
    if (slot.folder.load(std::memory_order_relaxed) != folder) {
        slot.lent.fetch_sub(1, std::memory_order_release); // the slot went to another folder meanwhile
        return {};
    }
    if (!slot.used.load(std::memory_order_relaxed))
        slot.used.store(true, std::memory_order_relaxed);
    return {slot.fd.load(std::memory_order_relaxed), s};
}

bool FolderDescriptors::close(Slot &slot, int &closeAfter)
{
    int idle = 0;
    if (!slot.lent.compare_exchange_strong(idle, kClosed, std::memory_order_acquire))
        return false;
    slotOf_[slot.folder.load(std::memory_order_relaxed)].store(-1, std::memory_order_relaxed);
    closeAfter = slot.fd.exchange(-1, std::memory_order_relaxed);
    return true;
}

std::size_t FolderDescriptors::slotsFor(std::size_t slots, std::size_t folders)
{
    return std::min({slots / 2, folders, kMostKept});
}

std::size_t FolderDescriptors::keptByWalks()
{
    return slotsFor(OpenFileBudget::slotsUnder(OpenFileLimit()), SIZE_MAX);
}

void FolderDescriptors::adopt(std::vector<std::pair<std::uint32_t, FolderHandle>> &&open)
{
    {
        std::lock_guard lock(mutex_);
        for (auto &[folder, handle] : open) {
            if (hand_ == slots_.size() || folder >= slotOf_.size() || slotOf_[folder].load() >= 0)
                continue; // closed below
            Slot &slot = slots_[hand_];
            slot.fd.store(handle.release(), std::memory_order_relaxed);
            slot.folder.store(folder, std::memory_order_relaxed);
            slotOf_[folder].store(std::int32_t(hand_), std::memory_order_relaxed);
            slot.lent.store(0, std::memory_order_release);
            ++hand_;
        }
        if (hand_ == slots_.size())
            hand_ = 0;
    }
    open.clear(); // those left over close now, without the lock
}

FolderDescriptors::Lent FolderDescriptors::lend(std::uint32_t folder, int &error)
{
    if (const Lent kept = lendKept(folder); kept.fd >= 0)
        return kept;
    const int fd = open(folder, error);
    if (fd < 0)
        return {};
    int closeAfter = -1;
    Lent lent;
    {
        std::lock_guard lock(mutex_);
        lent = keep(folder, fd, closeAfter);
    }
    if (closeAfter >= 0)
        ::close(closeAfter);
    return lent;
}

void FolderDescriptors::giveBack(const Lent &lent)
{
    if (lent.slot >= 0)
        slots_[std::size_t(lent.slot)].lent.fetch_sub(1, std::memory_order_release);
    else if (lent.fd >= 0)
        ::close(lent.fd);
}

FolderDescriptors::Lent FolderDescriptors::keep(std::uint32_t folder, int fd, int &closeAfter)
{
    if (const Lent kept = lendKept(folder); kept.fd >= 0) {
        closeAfter = fd; // another thread opened it meanwhile: theirs is kept
        return kept;
    }
    const std::int32_t s = freeSlot(closeAfter);
    if (s < 0)
        return {fd, -1}; // every slot lent out: this one is the caller's alone
    Slot &slot = slots_[std::size_t(s)];
    slot.fd.store(fd, std::memory_order_relaxed);
    slot.folder.store(folder, std::memory_order_relaxed);
    slot.used.store(true, std::memory_order_relaxed);
    slotOf_[folder].store(s, std::memory_order_relaxed);
    slot.lent.store(1, std::memory_order_release); // the caller's; from now on others may borrow it too
    return {fd, s};
}

std::int32_t FolderDescriptors::freeSlot(int &closeAfter)
{
    if (slots_.empty())
        return -1;
    // Two turns of the hand: the first may only clear the marks of use.
    for (std::size_t step = 0; step < 2 * slots_.size(); ++step) {
        const std::size_t k = hand_;
        hand_ = (hand_ + 1) % slots_.size();
        Slot &slot = slots_[k];
        if (slot.fd.load(std::memory_order_relaxed) < 0)
            return std::int32_t(k);
        if (slot.lent.load(std::memory_order_relaxed) > 0)
            continue;
        if (slot.used.exchange(false, std::memory_order_relaxed))
            continue;
        if (close(slot, closeAfter))
            return std::int32_t(k);
    }
    return -1;
}

void FolderDescriptors::shrink()
{
    std::vector<int> toClose;
    {
        std::lock_guard lock(mutex_);
        for (Slot &slot : slots_)
            if (int fd = -1; slot.fd.load(std::memory_order_relaxed) >= 0 && close(slot, fd))
                toClose.push_back(fd);
    }
    for (int fd : toClose)
        ::close(fd);
}

int FolderDescriptors::open(std::uint32_t folder, int &error)
{
    const CandidateList::Folder place = list_.folder(folder);
    FolderHandle handle;
    if (place.parent == ReadTarget::kNoFolder) {
        error = handle.openIn(AT_FDCWD, place.name, true); // a listed folder may be a link the user chose
        return handle.release();
    }
    // In its parent where that is kept open, which needs no path.
    Lent parent = lendKept(place.parent);
    if (parent.fd < 0) {
        const std::string path = list_.folderPath(folder);
        if (path.size() < PATH_MAX) {
            error = handle.openIn(AT_FDCWD, path.c_str(), false);
            return handle.release();
        }
        parent = lend(place.parent, error);
        if (parent.fd < 0)
            return -1;
    }
    error = handle.openIn(parent.fd, place.name, false);
    giveBack(parent);
    return handle.release();
}
