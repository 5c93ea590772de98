// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FreedesktopTrash.h"
#include "platform/EntryRename.h"
#include "platform/MountTable.h"
#include "platform/PasswordDatabase.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

struct FreedesktopTrash::Place {
    FolderHandle trash, files, info;
    std::string recordedPath; // where the file came from, as its info file says
    std::string path;         // where the trash was looked for
    bool infoFailed = false;  // its info file could not be written: the trash's fault
};

namespace
{

constexpr std::size_t kNameMax = NAME_MAX;
constexpr const char kInfoSuffix[] = ".trashinfo";
constexpr std::size_t kInfoSuffixLength = sizeof kInfoSuffix - 1;
// Counters are tried one by one at first, then in ever longer leaps, so
// that a long run of names already taken costs a few dozen tries at most.
constexpr int kSteppedTries = 8;
constexpr int kMaxNameTries = 64;

std::uint64_t DeviceOf(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 ? std::uint64_t(st.st_dev) : ~std::uint64_t(0);
}

std::string ParentOf(const std::string &path)
{
    const std::string::size_type slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// The device of the path, or of its nearest folder that exists yet.
std::uint64_t DeviceOfNearest(std::string path)
{
    for (;;) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0)
            return std::uint64_t(st.st_dev);
        if (path == "/")
            return ~std::uint64_t(0);
        path = ParentOf(path);
    }
}

// Creates every missing folder of an absolute path (mode 0700).
int MakeFolders(const std::string &path)
{
    for (std::string::size_type slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

// `path` as seen from `top`, a folder above it.
std::string RelativeTo(const std::string &top, const std::string &path)
{
    return path.substr(top == "/" ? 1 : top.size() + 1);
}

// The name the file takes in files/: its own, made unique by a counter and
// kept short enough that its .trashinfo name is still a valid name.
std::string TrashName(const std::string &name, std::uint64_t counter)
{
    const std::string suffix = counter == 0 ? std::string() : "." + std::to_string(counter);
    const std::size_t room = kNameMax - kInfoSuffixLength - suffix.size();
    return name.substr(0, room) + suffix;
}

std::uint64_t NextCounter(std::uint64_t counter, int triesSoFar)
{
    return counter + (triesSoFar < kSteppedTries ? 1 : std::uint64_t(1) << (triesSoFar - kSteppedTries + 1));
}

// Where the search for a free name starts, per trash and name, for the life
// of the process: files of one name then take one try each, not one for
// every file of that name trashed before. Only names that met a taken one
// are remembered.
class NameCounters
{
public:
    using Key = std::tuple<std::uint64_t, std::uint64_t, std::string>; // info folder's device and inode, name

    std::uint64_t firstTry(const Key &key)
    {
        std::lock_guard lock(mutex_);
        const auto it = next_.find(key);
        return it == next_.end() ? 0 : it->second;
    }
    void taken(const Key &key, std::uint64_t counter)
    {
        std::lock_guard lock(mutex_);
        next_[key] = counter + 1;
    }

private:
    std::mutex mutex_;
    std::map<Key, std::uint64_t> next_;
};

NameCounters &Counters()
{
    static NameCounters counters;
    return counters;
}

NameCounters::Key KeyOf(const FolderHandle &info, const std::string &name)
{
    struct stat st {
    };
    ::fstat(info.fd(), &st);
    return {st.st_dev, st.st_ino, name};
}

bool WriteAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

} // namespace

std::string FreedesktopTrash::homeTrashPath()
{
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return std::string(dataHome) + "/Trash";
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/Trash";
    const std::string own = PasswordHome(::getuid());
    return (own.empty() ? std::string("/") : own) + "/.local/share/Trash";
}

std::string FreedesktopTrash::escapePath(const std::string &path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/'
            || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string FreedesktopTrash::infoText(const std::string &recordedPath, std::int64_t deletedAtSeconds)
{
    const std::time_t when = std::time_t(deletedAtSeconds);
    std::tm local{};
    ::localtime_r(&when, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + escapePath(recordedPath) + "\nDeletionDate=" + date + "\n";
}

int FreedesktopTrash::moveToTrash(const FolderHandle &folder, const std::string &name, const std::string &absolutePath,
                                  std::uint64_t device, Trashed *where, std::string *unusable)
{
    // Files on the home trash's file system go there; others to their mount's.
    Place place;
    place.recordedPath = absolutePath;
    const bool home = DeviceOfNearest(homeTrashPath()) == device;
    const auto unusableAt = [&](int error) {
        if (unusable)
            *unusable = place.path;
        return error;
    };
    if (int error = home ? openHomeTrash(device, place) : openMountTrash(folder, name, device, place))
        return unusableAt(error);
    std::string trashName;
    if (int error = moveInto(place, folder, name, trashName))
        return place.infoFailed ? unusableAt(error) : error;
    if (where)
        *where = {std::move(place.files), std::move(place.info), std::move(trashName)};
    return 0;
}

int FreedesktopTrash::putBack(const Trashed &where, const FolderHandle &folder, const std::string &name)
{
    if (int error = RenameNoReplace(where.files, where.name, folder, name))
        return error;
    ::unlinkat(where.info.fd(), (where.name + kInfoSuffix).c_str(), 0);
    return 0;
}

int FreedesktopTrash::openHomeTrash(std::uint64_t device, Place &place)
{
    const std::string path = place.path = homeTrashPath();
    int error = place.trash.open(path);
    if (error == ENOENT && (error = MakeFolders(path)) == 0) // made only the first time
        error = place.trash.open(path);
    return error ? error : openFilesAndInfo(place, device);
}

int FreedesktopTrash::openMountTrash(const FolderHandle &folder, const std::string &name, std::uint64_t device,
                                     Place &place)
{
    // Where the folder really is, not the path given, which may pass
    // through a link from another mount.
    const std::string folderPath = MountTable::realPathOf(folder.fd());
    if (folderPath.empty())
        return ENAMETOOLONG;
    const std::string topPath = MountTable::read().topOf(folderPath, device);
    const std::string uid = std::to_string(::getuid());
    if (!topPath.empty())
        place.path = (topPath == "/" ? "" : topPath) + "/.Trash-" + uid;
    place.recordedPath = RelativeTo(topPath, folderPath == "/" ? "/" + name : folderPath + "/" + name);
    FolderHandle top;
    if (int error = top.open(topPath))
        return error;
    // A shared .Trash is only trusted when it is a real, sticky folder.
    struct stat st;
    if (::fstatat(top.fd(), ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        FolderHandle shared;
        if (shared.openChild(top, ".Trash", false) == 0 && place.trash.openChild(shared, uid, true) == 0
            && openFilesAndInfo(place, device) == 0) {
            place.path = (topPath == "/" ? "" : topPath) + "/.Trash/" + uid;
            return 0;
        }
    }
    if (int error = place.trash.openChild(top, ".Trash-" + uid, true))
        return error;
    return openFilesAndInfo(place, device);
}

int FreedesktopTrash::openFilesAndInfo(Place &place, std::uint64_t device)
{
    if (int error = place.files.openChild(place.trash, "files", true))
        return error;
    if (int error = place.info.openChild(place.trash, "info", true))
        return error;
    // A rename cannot cross file systems, and a copy is not what was asked.
    return DeviceOf(place.files.fd()) == device ? 0 : EXDEV;
}

int FreedesktopTrash::moveInto(Place &place, const FolderHandle &folder, const std::string &name,
                               std::string &trashName)
{
    const std::string text = infoText(place.recordedPath, std::int64_t(std::time(nullptr)));
    const NameCounters::Key key = KeyOf(place.info, name);
    std::uint64_t counter = Counters().firstTry(key);
    for (int tries = 0; tries < kMaxNameTries; counter = NextCounter(counter, ++tries)) {
        trashName = TrashName(name, counter);
        const std::string infoName = trashName + kInfoSuffix;
        // The info file is made first and exclusively: it claims the name.
        const int info
            = ::openat(place.info.fd(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (info < 0 && errno == EEXIST)
            continue;
        place.infoFailed = info < 0;
        if (info < 0)
            return errno;
        const bool written = WriteAll(info, text);
        ::close(info);
        place.infoFailed = !written;
        int error = written ? 0 : EIO;
        if (written)
            error = RenameNoReplace(folder, name, place.files, trashName);
        if (error == 0) {
            if (counter != 0)
                Counters().taken(key, counter);
            return 0;
        }
        ::unlinkat(place.info.fd(), infoName.c_str(), 0);
        if (error != EEXIST)
            return error; // a stale entry in files/ only asks for another name
    }
    return EEXIST;
}
