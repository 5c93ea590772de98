// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "boundary/FolderMarks.h"
#include "boundary/FolderStanding.h"
#include "boundary/KnownMounts.h"
#include "boundary/LayeredMounts.h"
#include "boundary/SystemTrees.h"
#include "platform/FileStatus.h"
#include "platform/MountTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class PseudoFileSystems;
class TrashFolders;

// The one rule for what a scan may touch: which folders it enters and which
// files may be candidates. Every walk asks it, and so does deletion before a
// file goes. Folders are judged by identity and by the mount they lie on,
// never by the path the user typed, so "/", a link, a bind mount, an overlay,
// a user-space passthrough and /proc/self/root all lead to the same answer.
// Safe to ask from several threads at once.
class ScanBoundary
{
public:
    explicit ScanBoundary(const std::vector<SystemTree> &trees = StandardTrees());
    ~ScanBoundary();
    ScanBoundary(const ScanBoundary &) = delete;
    ScanBoundary &operator=(const ScanBoundary &) = delete;

    // A folder the user listed, open as `folderFd`: where it stands, however
    // it was reached, and why when it is the system's. Deletion asks the
    // same of a file's folder.
    // `folder`, when given, learns the folder's status, read on the way.
    FolderStanding listedFolder(int folderFd, PassedBy *why = nullptr, PathStatus *folder = nullptr);
    // A subfolder `name` met by a walk in a folder standing as `parent` whose
    // status is `parentStatus`; the subfolder is open as `childFd` with the
    // status `child` (from DirectoryReader::status, which tells its mount).
    FolderStanding subfolder(FolderStanding parent, const PathStatus &parentStatus, const char *name, int childFd,
                             const PathStatus &child, PassedBy *why = nullptr);
    // A folder the walk has entered and listed, open as `folderFd`: whether
    // its entries mark it as installed software or a repository store, which
    // are passed by whole. Nothing when they do not.
    static PassedBy markedBy(const FolderMarks &marks, int folderFd) { return marks.markedBy(folderFd); }

    // Why the regular file `name` with the status `file`, in a folder
    // standing so with the status `folder`, may not be a candidate; Nothing
    // when it may. Never a file the kernel protects or whose folder it
    // protects, nor a file mounted on its own (a bind mount of a file), nor
    // a repository's pointer file or this program's own in-transit name.
    static PassedBy fileStanding(FolderStanding standing, const PathStatus &folder, std::string_view name,
                                 const PathStatus &file);
    static bool admitsFile(FolderStanding standing, const PathStatus &folder, std::string_view name,
                           const PathStatus &file)
    {
        return fileStanding(standing, folder, name, file) == PassedBy::Nothing;
    }

private:
    enum class Kind { User, Top, Between, Root, Software };
    struct Verdict {
        FolderStanding standing = FolderStanding::User;
        PassedBy why = PassedBy::Nothing;
    };
    struct Special {
        Kind kind;
        std::uint64_t tableDevice; // the mount table's major:minor of its file system
        std::string innerPath;     // its path inside that file system
    };
    using Key = std::pair<std::uint64_t, std::uint64_t>; // device, inode

    void addTree(const SystemTree &tree);
    void addRuntimeTree(const std::string &top);
    void addSpecial(const std::string &realPath, Kind kind);
    std::optional<Kind> byIdentity(const FileIdentity &id) const;
    static Verdict ofKind(Kind kind, bool exact);
    static Verdict below(Verdict verdict);
    Verdict byInnerPath(std::uint64_t tableDevice, const std::string &innerPath) const;
    Verdict mountRoot(std::uint64_t mountId);
    Verdict judgeListed(int folderFd, const PathStatus &self);
    Verdict listedVerdict(int folderFd, PathStatus *folder = nullptr);
    Verdict judgeSubfolder(FolderStanding parent, const PathStatus &parentStatus, const char *name, int childFd,
                           const PathStatus &child);
    std::optional<Verdict> byAncestors(int folderFd, const PathStatus &self, std::vector<std::uint64_t> &crossed);
    std::optional<Verdict> byLayers(const MountTable::Mount &mount, const std::string &innerPath);
    std::optional<MountTable::Mount> deepLayered(std::uint64_t mountId);
    bool isUsersRuntimeMount(std::uint64_t mountId);
    bool isPseudo(const FileIdentity &id, int folderFd);
    bool inTrash(int folderFd, const FileIdentity &id);

    // Fixed once constructed.
    std::map<Key, Kind> byIdentity_;
    std::vector<Special> specials_;
    std::vector<std::string> runtimeTops_; // real paths of the run-time trees

    KnownMounts mounts_;
    LayeredMounts layered_;
    std::mutex mutex_; // guards what follows, which learns as it goes
    std::map<std::uint64_t, Verdict> mountStanding_;
    std::map<Key, Verdict> listedStanding_;
    std::unique_ptr<PseudoFileSystems> pseudo_;
    std::unique_ptr<TrashFolders> trash_;
};
