// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "boundary/ScanBoundary.h"
#include "engine/CollectFiles.h"
#include "engine/DuplicateSearch.h"
#include "engine/SortCandidates.h"
#include "engine/uScanThread_Short.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempTree.h"

#include <algorithm>
#include <gtest/gtest.h>

// Runs the engine's phases on a real temporary tree with a recording host.
class ScanFixture : public ::testing::Test
{
protected:
    TempTree tree;
    RecordingHost host;
    std::atomic<bool> abortFlag{false};

    // The paths the walk accepts from the given folders, relative to the tree.
    std::vector<std::string> walk(std::vector<std::string> folders = {})
    {
        if (folders.empty())
            folders.push_back(tree.root());
        ScanContext ctx(host, abortFlag);
        ctx.systemTrees = systemTrees;
        CandidateList list;
        for (const auto &f : folders)
            CollectFiles(ctx, f, list);
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < list.size(); ++i)
            paths.push_back(relative(std::string(list.path(i))));
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    bool readAsOnShare = false;
    // Forced either way, so that a test reads alike on every machine.
    bool readAsOnSpinningDisk = false;
    unsigned readers = 0; // chosen by the job
    unsigned cores = 0;   // this machine's
    // The kind of each device the test lays out; none: as forced above.
    std::function<std::optional<StorageKind>(std::uint64_t device)> storageKinds;
    ExtentLookup extentLookup;
    std::function<void(const std::string &path, std::int64_t offset)> readObserver;
    // The system trees the scan passes by; the machine's own unless set.
    std::optional<std::vector<SystemTree>> systemTrees;
    // A whole scan job, run to its end, measuring the folders first as the
    // program does.
    void scan(std::vector<std::string> folders = {})
    {
        if (folders.empty())
            folders.push_back(tree.root());
        TScanThread_Short job(host, folders, true, [this](std::int64_t total) { host.total = total; });
        job.setRemoteStorage(readAsOnShare);
        job.setRotationalStorage(readAsOnSpinningDisk);
        job.setReaderThreads(readers);
        job.setCores(cores);
        job.setStorageKinds(storageKinds);
        job.setExtentLookup(extentLookup);
        job.setReadObserver(readObserver);
        if (systemTrees)
            job.setSystemTrees(*systemTrees);
        job.Start();
        job.WaitFor();
        candidates = job.Stats().candidates;
        bytesRead = job.Stats().bytesRead.load();
    }

    // Rows as "group:relative path" in row order.
    std::vector<std::string> rows() const { return rows(host); }
    std::vector<std::string> rows(const RecordingHost &from) const
    {
        std::vector<std::string> out;
        for (const auto &r : from.rows)
            out.push_back(std::to_string(r.group) + ":" + relative(r.path));
        return out;
    }

    std::string relative(const std::string &path) const
    {
        return path.rfind(tree.root() + "/", 0) == 0 ? path.substr(tree.root().size() + 1) : path;
    }

    std::size_t candidates = 0;
    std::uint64_t bytesRead = 0;
};
