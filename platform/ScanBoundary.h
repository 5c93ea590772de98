// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileStatus.h"
#include "MountTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class PseudoFileSystems;
class TrashFolders;

// One of the operating system's own trees, named by path when a scan starts
// and known from then on by the identity of its top. Folders inside it that
// belong to the user (/var/tmp, a home under /var) are searched as usual.
struct SystemTree {
    std::string path;
    std::vector<std::string> userFolders;
};

// Where a folder stands for a scan.
enum class FolderStanding {
    User,    // searched
    System,  // never entered: a system tree, a version-control store, the trash, a pseudo file system
    Between, // in a system tree on the way to a user folder inside it: entered, its files passed by
};

// The one rule for what a scan may touch: which folders it enters and which
// files may be candidates. Every walk asks it, and so does deletion before a
// file goes. Folders are judged by identity and by the mount they lie on,
// never by the path the user typed, so "/", a link, a bind mount and
// /proc/self/root all lead to the same answer. Safe to ask from several
// threads at once.
class ScanBoundary
{
public:
    // This machine's system trees; a tree that does not exist is left out.
    static std::vector<SystemTree> standardTrees();

    explicit ScanBoundary(const std::vector<SystemTree> &trees = standardTrees());
    ~ScanBoundary();
    ScanBoundary(const ScanBoundary &) = delete;
    ScanBoundary &operator=(const ScanBoundary &) = delete;

    // A folder the user listed, open as `folderFd`: where it stands, however
    // it was reached. Deletion asks the same of a file's folder.
    FolderStanding listedFolder(int folderFd);
    // A subfolder `name` met by a walk in a folder standing as `parent` whose
    // status is `parentStatus`; the subfolder is open as `childFd` with the
    // status `child` (from DirectoryReader::status, which tells its mount).
    FolderStanding subfolder(FolderStanding parent, const PathStatus &parentStatus, const char *name, int childFd,
                             const PathStatus &child);
    // Whether a regular file of a folder standing so may be a candidate:
    // never one the kernel protects (immutable or append-only).
    static bool admitsFile(FolderStanding folder, const PathStatus &file)
    {
        return folder == FolderStanding::User && file.kind == FileKind::Regular && !file.kernelProtected;
    }

private:
    enum class Kind { User, Top, Between };
    struct Special {
        Kind kind;
        std::uint64_t tableDevice; // the mount table's major:minor of its file system
        std::string innerPath;     // its path inside that file system
    };
    using Key = std::pair<std::uint64_t, std::uint64_t>; // device, inode

    void addTree(const SystemTree &tree);
    void addSpecial(const std::string &realPath, Kind kind);
    std::optional<Kind> byIdentity(const FileIdentity &id) const;
    FolderStanding byInnerPath(std::uint64_t tableDevice, const std::string &innerPath) const;
    FolderStanding mountRoot(std::uint64_t mountId);
    FolderStanding judgeListed(int folderFd, const PathStatus &self);
    std::optional<FolderStanding> byAncestors(int folderFd, const PathStatus &self);
    bool isPseudo(const FileIdentity &id, int folderFd);
    const MountTable::Mount *mountOf(std::uint64_t mountId); // with mutex_ held, or while constructing

    // Fixed once constructed.
    std::map<Key, Kind> byIdentity_;
    std::vector<Special> specials_;

    std::mutex mutex_; // guards what follows, which learns as it goes
    MountTable mounts_;
    bool mountsReread_ = false;
    std::map<std::uint64_t, FolderStanding> mountStanding_;
    std::map<Key, FolderStanding> listedStanding_;
    std::unique_ptr<PseudoFileSystems> pseudo_;
    std::unique_ptr<TrashFolders> trash_;
};
