// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ProtectedFolderList.h"
#include "engine/ResultRow.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

class ProtectedFolders;

// Tells the marks which files lie in the folders of one change of the
// protected folders. Each folder of the files is asked once; the answer is
// for the marks only, since deletion asks again when it acts. Made and asked
// on one thread; the folders are looked at there, never on the window's.
class ProtectionJudge
{
public:
    ProtectionJudge(); // nothing protected, as at start
    explicit ProtectionJudge(std::shared_ptr<const ProtectedFolderList> list);
    ~ProtectionJudge();
    ProtectionJudge(ProtectionJudge &&) noexcept;
    ProtectionJudge &operator=(ProtectionJudge &&) noexcept;

    std::uint32_t serial() const { return list_ ? list_->serial : 0; }
    // Starts over with `list` when it is another change than this judge's.
    void follow(std::shared_ptr<const ProtectedFolderList> list);
    // Sets whether the row's file lies in a protected folder, and the change
    // that was judged against.
    void judge(ResultRow &row);
    // Whether the file at `path` lies in one of this change's folders.
    bool holds(const std::string &path);

private:
    std::shared_ptr<const ProtectedFolderList> list_;
    std::unique_ptr<ProtectedFolders> folders_; // none when nothing is protected
    std::unordered_map<std::string, bool> byFolder_;
};
