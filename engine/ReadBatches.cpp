// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ReadBatches.h"
#include "ScanContext.h"

#include <algorithm>
#include <thread>

std::vector<SizeClass> sharedSizes(const CandidateList &sorted)
{
    std::vector<SizeClass> classes;
    for (std::size_t i = 0, j; i < sorted.size(); i = j) {
        for (j = i + 1; j < sorted.size() && sorted[j].identity.size == sorted[i].identity.size; ++j) { }
        if (j - i >= 2)
            classes.push_back({i, j}); // a size no other file shares is never opened
    }
    return classes;
}

std::vector<Batch> batchesOf(const std::vector<SizeClass> &classes, unsigned readers)
{
    std::size_t all = 0;
    for (const auto &c : classes)
        all += c.end - c.begin;
    const std::size_t perBatch = std::clamp<std::size_t>(all / (8 * std::size_t(readers)), 1, 128);
    std::vector<Batch> batches;
    for (std::size_t k = 0; k < classes.size();) {
        Batch b{k, k};
        std::size_t files = 0;
        while (b.endClass < classes.size() && files < perBatch) {
            files += classes[b.endClass].end - classes[b.endClass].begin;
            ++b.endClass;
        }
        batches.push_back(b);
        k = b.endClass;
    }
    return batches;
}

std::vector<Batch> oneBatchEach(const std::vector<SizeClass> &classes)
{
    std::vector<Batch> batches(classes.size());
    for (std::size_t k = 0; k < classes.size(); ++k)
        batches[k] = {k, k + 1};
    return batches;
}

std::vector<std::size_t> longBatches(const std::vector<Batch> &batches, const std::vector<SizeClass> &classes,
                                     const CandidateList &sorted, unsigned readers, std::int64_t readSize)
{
    constexpr double kRequestsPerFile = 3;
    std::vector<double> requests(batches.size());
    double all = 0;
    for (std::size_t b = 0; b < batches.size(); ++b) {
        for (std::size_t k = batches[b].firstClass; k < batches[b].endClass; ++k) {
            const double files = double(classes[k].end - classes[k].begin);
            const double size = double(sorted[classes[k].begin].identity.size);
            requests[b] += files * (kRequestsPerFile + size / double(readSize));
        }
        all += requests[b];
    }
    // Half an even share of all the work is long.
    const double longOnes = all / (2.0 * std::max(1u, readers));
    std::vector<std::size_t> found;
    for (std::size_t b = 0; b < batches.size(); ++b)
        if (requests[b] >= longOnes)
            found.push_back(b);
    std::sort(found.begin(), found.end(), [&](std::size_t a, std::size_t b) { return requests[a] > requests[b]; });
    if (found.size() > readers)
        found.resize(readers);
    return found;
}

// Twice the cores to start with on a local disk: with a cold cache a reader
// mostly waits for the disk, and more requests in flight keep it busy; with a
// warm one the cost is small. A share starts deep. Either grows while the
// storage answers slowly. One head serves one request at a time: on a
// spinning disk two readers, taking neighbouring sizes, keep the next request
// waiting at the disk while the other compares; more would only move the
// head between their files. A count the caller chose is kept as it is.
DepthControl::Range readerDepth(const ScanContext &ctx)
{
    if (ctx.readerThreads > 0)
        return {ctx.readerThreads, ctx.readerThreads, ctx.readerThreads};
    if (ctx.rotationalStorage)
        return {2, 2, 2};
    return DepthControl::forStorage(ctx.remoteStorage, std::clamp(2 * std::thread::hardware_concurrency(), 2u, 8u));
}

ContentGrouper::ReadSizes readSizes(const ScanContext &ctx)
{
    if (ctx.rotationalStorage)
        return ContentGrouper::kRotationalReads;
    return ctx.remoteStorage ? ContentGrouper::kRemoteReads : ContentGrouper::kLocalReads;
}
