// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FolderHandle.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class CandidateList;

// Descriptors of the folders the candidates lie in, so that a file is opened
// by its name in its folder: no path is put together for it, and the kernel
// does not walk one again. A few are kept open, as many as the scan's budget
// of descriptors grants them; when another is wanted the least recently used
// one goes (a clock sweep). A folder is opened in its open parent where that
// is kept, else by its path, else (deeper than the kernel takes in one call)
// through its parent, opened the same way. Safe from many threads: a
// descriptor lent out is never closed until it is given back, a folder kept
// open is lent without a lock, and no lock is held across a call to the
// system, which may hang on a share.
class FolderDescriptors
{
public:
    // A descriptor lent out. `slot` -1: one kept nowhere, closed when given back.
    struct Lent {
        int fd = -1;
        std::int32_t slot = -1;
    };

    // Keeps up to `most` of the list's folders open.
    FolderDescriptors(const CandidateList &list, std::size_t most);
    ~FolderDescriptors();
    FolderDescriptors(const FolderDescriptors &) = delete;
    FolderDescriptors &operator=(const FolderDescriptors &) = delete;

    // Keeps the descriptors the walk left open (folder numbers with them),
    // as many as there are slots; the rest are closed. Before any lending.
    void adopt(std::vector<std::pair<std::uint32_t, FolderHandle>> &&open);
    // The folder's descriptor until it is given back; fd -1 and the errno
    // value in `error` when it cannot be opened.
    Lent lend(std::uint32_t folder, int &error);
    void giveBack(const Lent &lent);
    // Closes every descriptor kept and not lent out: the process ran short of them.
    void shrink();

    // How many a scan keeps under a budget of `slots` descriptors with
    // `folders` folders: a share of the budget, so that the readers keep
    // theirs, and never more than there are folders.
    static std::size_t slotsFor(std::size_t slots, std::size_t folders);
    // How many the walks may leave open for a scan under the process's
    // limit of descriptors: as many as its readers would keep of any tree.
    static std::size_t keptByWalks();
    std::size_t size() const { return slots_.size(); }
    const CandidateList &list() const { return list_; }

private:
    // A slot's descriptor and folder change only under the lock, while
    // `lent` holds kClosed: a borrower who counted itself in sees them whole.
    struct Slot {
        std::atomic<int> fd{-1};
        std::atomic<std::uint32_t> folder{0};
        std::atomic<int> lent{kClosed};
        std::atomic<bool> used{false}; // since the clock hand last passed
    };
    static constexpr int kClosed = -(1 << 30);

    // The folder's descriptor if it is kept, counted as lent; no lock.
    Lent lendKept(std::uint32_t folder);
    // Frees a slot no one has borrowed from; the lock is held.
    bool close(Slot &slot, int &closeAfter);
    int open(std::uint32_t folder, int &error);
    // Keeps `fd` for `folder` in a slot unless another thread kept one first;
    // what to close after the lock is let go comes back in `closeAfter`.
    Lent keep(std::uint32_t folder, int fd, int &closeAfter);
    std::int32_t freeSlot(int &closeAfter);

    const CandidateList &list_;
    std::mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<std::atomic<std::int32_t>> slotOf_; // by folder number; -1: not kept
    std::size_t hand_ = 0;
};
