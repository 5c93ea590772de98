// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/PhysicalOrder.h"
#include "engine/ScanHost.h"
#include "engine/StorageProfiles.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class ScanBoundary;
struct SystemTree;

// Figures of one scan, for the benchmark and the tests.
struct ScanStats {
    std::atomic<std::uint64_t> bytesRead{0};
    // Folders that could not be listed and files that could not be read, for
    // a reason of their own (not a passing shortage of descriptors).
    std::atomic<std::uint64_t> unreadableFolders{0};
    std::atomic<std::uint64_t> unreadableFiles{0};
    int unreadable() const { return int(std::min<std::uint64_t>(unreadableFolders + unreadableFiles, INT_MAX)); }
    std::atomic<int> systemFolders{0};             // listed folders passed by as the system's
    std::atomic<int> trashFolders{0};              // ... as the trash
    std::atomic<std::uint64_t> softwareFolders{0}; // listed or met, passed by as installed software
    std::array<std::atomic<std::uint64_t>, kTransitKindCount>
        inTransitFiles{};                     // left by a step that did not finish, by kind
    std::atomic<int> sharedCopies{0};         // copies found sharing all their storage with another of their group
    std::atomic<std::int64_t> sharedBytes{0}; // ... and their bytes
    std::size_t candidates = 0;
    int groups = 0;
    int rows = 0;

    // What the summary of a pass that found `groupCount` groups tells.
    ScanSummary summary(int groupCount) const;
    // A listed folder where no folder was. The window may ask for the
    // summary of a scan left behind while its thread adds one.
    void addMissingFolder(const std::string &folder);

private:
    mutable std::mutex missingMutex_;
    std::vector<std::string> missingFolders_;
};

// What one scan works with besides the candidate list.
struct ScanContext {
    ScanContext(ScanHost &h, const std::atomic<bool> &a);
    ~ScanContext();
    ScanHost &host;
    const std::atomic<bool> &abort; // closing the program: stop everything now
    ScanStats stats;
    // What the walks may enter and take; made when the job starts.
    std::unique_ptr<ScanBoundary> boundary;
    std::optional<std::vector<SystemTree>> systemTrees; // the machine's own unless a test gives others
    std::int64_t lastLabelSecond = -1;
    // What a caller forces about the storage; how each device is read is
    // decided from it and from the devices, once, by the profiles.
    StorageChoice storage;
    std::unique_ptr<StorageProfiles> profiles;
    ExtentLookup extentLookup; // where a spinning disk's files lie; none: asked of the file system
    // Told of every read of a compared file before it is made (tests watch the order).
    std::function<void(const std::string &path, std::int64_t offset)> readObserver;

    bool aborted() const { return abort.load(std::memory_order_relaxed); }
    ScanBoundary &ensureBoundary();
    StorageProfiles &ensureProfiles();
    // Sets the elapsed-time label when its text changes.
    void showElapsed(std::int64_t startMs);
};
