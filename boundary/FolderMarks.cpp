// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/FolderMarks.h"
#include "platform/FileStatus.h"
#include "platform/FolderEntries.h"

#include <algorithm>
#include <array>
#include <strings.h>

namespace
{

// Folders that hold a repository's history, never the user's own files.
constexpr std::array<std::string_view, 9> kStoreNames
    = {".git", ".hg", ".svn", ".bzr", "_darcs", ".jj", ".pijul", ".fossil-settings", "CVSROOT"};
// Files of a repository's machinery among the working files: a submodule's or
// a worktree's pointer to its store ("gitdir: ..."), a fossil checkout's database.
constexpr std::array<std::string_view, 3> kStoreFileNames = {".git", ".fslckout", "_FOSSIL_"};
// npm, yarn and pnpm install a project's packages there.
constexpr std::string_view kPackagesFolder = "node_modules";

// Entries whose presence marks a folder (see MarkOf).
enum Marker : unsigned {
    kPyvenvCfg,
    kCondaMeta,
    kHead,
    kObjects,
    kRefs,
    kConfig,
    kFormat,
    kDb,
    kLocks,
    kCvsRoot,
    kEntries,
    kRepository,
    kRootFile,
    kMarkerCount
};
struct MarkerEntry {
    std::string_view name;
    FileKind kind; // Other: any kind, the content tells
};
constexpr std::array<MarkerEntry, kMarkerCount> kMarkers = {{
    {"pyvenv.cfg", FileKind::Regular},
    {"conda-meta", FileKind::Directory},
    {"HEAD", FileKind::Other}, // a file, or a link into refs/ as older git made
    {"objects", FileKind::Directory},
    {"refs", FileKind::Directory},
    {"config", FileKind::Regular},
    {"format", FileKind::Regular},
    {"db", FileKind::Directory},
    {"locks", FileKind::Directory},
    {"CVSROOT", FileKind::Directory},
    {"Entries", FileKind::Regular},
    {"Repository", FileKind::Regular},
    {"Root", FileKind::Regular},
}};

// Enough of a HEAD or a config to judge it by.
constexpr std::size_t kHeadBytes = 256;
constexpr std::size_t kConfigBytes = 64 * 1024;

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N> &names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool HasEntry(int folderFd, Marker marker)
{
    const EntryKind kind = EntryKindAt(folderFd, kMarkers[marker].name.data());
    switch (kMarkers[marker].kind) {
    case FileKind::Regular:
        return kind == EntryKind::Regular;
    case FileKind::Directory:
        return kind == EntryKind::Directory;
    default:
        return kind != EntryKind::Missing;
    }
}

// A HEAD as git takes one: "ref: refs/...", an object name, or a link into refs/.
bool IsGitHead(int folderFd)
{
    const EntryKind kind = EntryKindAt(folderFd, "HEAD");
    if (kind == EntryKind::Link)
        return LinkTargetAt(folderFd, "HEAD", kHeadBytes).starts_with("refs/");
    if (kind != EntryKind::Regular)
        return false;
    const std::string text = ReadStartAt(folderFd, "HEAD", kHeadBytes);
    std::string_view head(text);
    if (head.starts_with("ref:")) {
        head.remove_prefix(4);
        head.remove_prefix(std::min(head.find_first_not_of(" \t"), head.size()));
        return head.starts_with("refs/");
    }
    const std::size_t hex = std::min(head.find_first_not_of("0123456789abcdef"), head.size());
    return (hex == 40 || hex == 64) && head.find_first_not_of(" \t\r\n", hex) == std::string_view::npos;
}

// A git config that holds a [core] section, as every repository's does.
bool HasCoreSection(int folderFd)
{
    const std::string text = ReadStartAt(folderFd, "config", kConfigBytes);
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        std::string_view line = std::string_view(text).substr(begin, end - begin);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.size() >= 6 && ::strncasecmp(line.data(), "[core]", 6) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

// Whether a folder's entries mark it as installed software or a repository
// store, which are passed by whole; `has` tells whether an entry is there.
template <typename Has>
PassedBy MarkOf(Has has, int folderFd)
{
    // A Python virtual environment; a conda environment (the base install too).
    if (has(kPyvenvCfg) || has(kCondaMeta))
        return PassedBy::Software;
    // A bare git repository, judged as git judges one: a folder that only
    // holds a HEAD, objects/ and refs/ (a game's saves) is the user's.
    if (has(kHead) && has(kObjects) && has(kRefs) && has(kConfig) && IsGitHead(folderFd) && HasCoreSection(folderFd))
        return PassedBy::System;
    // A Subversion server's repository.
    if (has(kFormat) && has(kDb) && has(kLocks))
        return PassedBy::System;
    // A CVS repository, and the CVS/ folder of a checkout.
    if (has(kCvsRoot) || (has(kEntries) && has(kRepository) && has(kRootFile)))
        return PassedBy::System;
    return PassedBy::Nothing;
}

} // namespace

PassedBy MarkOfNames(const std::string &path)
{
    for (std::size_t begin = 0; begin < path.size();) {
        const std::size_t end = std::min(path.find('/', begin), path.size());
        const std::string_view name = std::string_view(path).substr(begin, end - begin);
        if (IsOneOf(name, kStoreNames))
            return PassedBy::System;
        if (name == kPackagesFolder)
            return PassedBy::Software;
        begin = end + 1;
    }
    return PassedBy::Nothing;
}

PassedBy MarkOfFolder(int folderFd)
{
    return MarkOf([folderFd](Marker m) { return HasEntry(folderFd, m); }, folderFd);
}

bool IsStoreName(std::string_view name)
{
    return IsOneOf(name, kStoreNames);
}

bool IsPackagesFolder(std::string_view name)
{
    return name == kPackagesFolder;
}

bool IsStoreFileName(std::string_view name)
{
    return IsOneOf(name, kStoreFileNames);
}

void FolderMarks::note(std::string_view name, DirectoryReader::EntryType type)
{
    for (unsigned m = 0; m < kMarkerCount; ++m) {
        if (kMarkers[m].name != name)
            continue;
        const FileKind want = kMarkers[m].kind;
        Seen seen = Seen::No;
        if (type == DirectoryReader::EntryType::Unknown || want == FileKind::Other)
            seen = Seen::Maybe;
        else if ((want == FileKind::Regular && type == DirectoryReader::EntryType::Regular)
                 || (want == FileKind::Directory && type == DirectoryReader::EntryType::Directory))
            seen = Seen::Yes;
        if (seen_.empty())
            seen_.assign(kMarkerCount, Seen::No);
        seen_[m] = seen;
        return;
    }
}

PassedBy FolderMarks::markedBy(int folderFd) const
{
    if (seen_.empty())
        return PassedBy::Nothing; // nothing that marks anything was listed
    const auto has = [&](Marker m) {
        const Seen seen = seen_[m];
        return seen == Seen::Yes || (seen == Seen::Maybe && HasEntry(folderFd, m));
    };
    return MarkOf(has, folderFd);
}
