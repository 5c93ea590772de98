// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/SortCandidates.h"

#include <algorithm>

namespace
{

// What a candidate is ordered by, beside the candidate: a million of them
// sort in memory a tenth of their records'.
struct SizeKey {
    std::int64_t size;
    std::uint32_t index;
    bool operator<(const SizeKey &other) const { return size != other.size ? size < other.size : index < other.index; }
};

// Of the files of one size, those reached before by another path (a hard
// link, a folder met twice): one candidate per file, the first met.
void markSeenBefore(const CandidateList &list, const std::vector<SizeKey> &keys, std::size_t begin, std::size_t end,
                    std::vector<bool> &seenBefore)
{
    struct Same {
        std::uint64_t device, inode;
        std::uint32_t index;
    };
    std::vector<Same> files;
    for (std::size_t k = begin; k < end; ++k) {
        const FileIdentity id = list[keys[k].index].identity;
        if (id.inode != 0)
            files.push_back({id.device, id.inode, keys[k].index});
    }
    std::sort(files.begin(), files.end(), [](const Same &a, const Same &b) {
        return a.device != b.device ? a.device < b.device : a.inode != b.inode ? a.inode < b.inode : a.index < b.index;
    });
    for (std::size_t k = 1; k < files.size(); ++k)
        if (files[k].device == files[k - 1].device && files[k].inode == files[k - 1].inode)
            seenBefore[files[k].index] = true;
}

} // namespace

void SortCandidates(CandidateList &list)
{
    auto &items = list.items();
    std::vector<SizeKey> keys(items.size());
    for (std::uint32_t i = 0; i < keys.size(); ++i)
        keys[i] = {list.sizeOf(i), i};
    std::sort(keys.begin(), keys.end());
    std::vector<bool> seenBefore(items.size());
    for (std::size_t i = 0, j; i < keys.size(); i = j) {
        for (j = i + 1; j < keys.size() && keys[j].size == keys[i].size; ++j) { }
        if (j - i >= 2)
            markSeenBefore(list, keys, i, j, seenBefore);
    }
    std::vector<CandidateList::Ref> sorted;
    sorted.reserve(keys.size());
    for (const SizeKey &key : keys)
        if (!seenBefore[key.index])
            sorted.push_back(items[key.index]);
    items.swap(sorted);
}
