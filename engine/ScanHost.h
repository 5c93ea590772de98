// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/KeepRule.h"
#include "engine/ProtectedFolderList.h"
#include "engine/ResultRow.h"
#include "platform/TransitNames.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the summary box of a finished pass reports.
struct ScanSummary {
    int groups = 0;
    // Folders and files the scan could not read, so that an empty result
    // never hides a failure.
    int unreadable = 0;
    // Listed folders that lie in the system's own trees and were not searched.
    int systemFolders = 0;
    // Listed folders in the trash, not searched either.
    int trashFolders = 0;
    // Folders of installed software (a virtual environment, node_modules, a
    // toolchain, a cache), listed or met, that were not searched.
    int softwareFolders = 0;
    // Files under a hidden name of the program's own, left by a step that
    // did not finish, by kind (see TransitNames.h); never offered.
    std::array<int, kTransitKindCount> inTransitFiles{};
    // Listed copies whose storage is all shared with another copy of their
    // group (one copy of each such set is not counted), and their bytes: they
    // take no extra space. Asked only on file systems that can share storage.
    int sharedCopies = 0;
    std::int64_t sharedBytes = 0;
    // An error, neither Stop nor closing, ended the scan before its end. The
    // groups counted are whole; others may never have been compared.
    bool endedEarly = false;
    std::string failure = {}; // what went wrong, in a few words
    // Listed folders where no folder was (gone, a file, a blank row), each
    // named in the summary: a scan that found nothing there must say why.
    std::vector<std::string> missingFolders = {};
};

// The window state the scan reads and the window operations it drives.
// Every call is made from the scan's worker thread; an implementation must
// make each one safe there and let each operation take effect on its own
// thread in the order issued.
class ScanHost
{
public:
    virtual ~ScanHost() = default;

    // Reads.
    virtual std::string filterText() = 0;
    virtual bool stopFlag() = 0;
    virtual std::int64_t totalBytes() = 0;
    virtual KeepRule keepRule() = 0;
    // The folders protected now; none unless the host protects some.
    virtual std::shared_ptr<const ProtectedFolderList> protectedFolders() { return nullptr; }

    // Operations.
    virtual int progressPosition() = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setElapsedText(const std::string &text) = 0;
    virtual void addResultRow(ResultRow row) = 0;
    // The summary of a finished pass. The host reads its own row count when it
    // shows the box, so the figure covers every row it has taken in.
    virtual void showSummary(const ScanSummary &summary) = 0;
};
