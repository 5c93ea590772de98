// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ProtectionJudge.h"
#include "boundary/ProtectedFolders.h"

ProtectionJudge::ProtectionJudge() = default;

ProtectionJudge::ProtectionJudge(std::shared_ptr<const ProtectedFolderList> list) : list_(std::move(list))
{
    if (list_ && !list_->paths.empty())
        folders_ = std::make_unique<ProtectedFolders>(list_->paths);
}

ProtectionJudge::~ProtectionJudge() = default;
ProtectionJudge::ProtectionJudge(ProtectionJudge &&) noexcept = default;
ProtectionJudge &ProtectionJudge::operator=(ProtectionJudge &&) noexcept = default;

void ProtectionJudge::follow(std::shared_ptr<const ProtectedFolderList> list)
{
    if ((list ? list->serial : 0) != serial())
        *this = ProtectionJudge(std::move(list));
}

void ProtectionJudge::judge(ResultRow &row)
{
    row.protectionSerial = serial();
    row.inProtectedFolder = holds(row.path);
}

bool ProtectionJudge::holds(const std::string &path)
{
    if (!folders_ || folders_->empty())
        return false;
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const auto known = byFolder_.find(folder);
    if (known != byFolder_.end())
        return known->second;
    const bool held = folders_->holdsFile(path);
    byFolder_.emplace(std::move(folder), held);
    return held;
}
