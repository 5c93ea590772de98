// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ScanBoundary.h"
#include "PseudoFileSystems.h"
#include "TrashFolders.h"

std::vector<SystemTree> ScanBoundary::standardTrees()
{
    return {};
}

ScanBoundary::ScanBoundary(const std::vector<SystemTree> &) {}

ScanBoundary::~ScanBoundary() = default;

FolderStanding ScanBoundary::listedFolder(int)
{
    return FolderStanding::User;
}

FolderStanding ScanBoundary::subfolder(FolderStanding parent, const PathStatus &, const char *, int, const PathStatus &)
{
    return parent;
}
