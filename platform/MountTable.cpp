// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/MountTable.h"
#include "platform/OpenFileLimit.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace
{

constexpr std::uint64_t kNoDevice = ~std::uint64_t(0);

// The table writes space, tab, newline and backslash in names as \ooo.
std::string DecodeEscapes(const std::string &field)
{
    std::string out;
    for (std::size_t k = 0; k < field.size(); ++k) {
        const auto isOctal = [&](std::size_t at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[k] == '\\' && isOctal(k + 1) && isOctal(k + 2) && isOctal(k + 3)) {
            out += char(((field[k + 1] - '0') << 6) | ((field[k + 2] - '0') << 3) | (field[k + 3] - '0'));
            k += 3;
        } else {
            out += field[k];
        }
    }
    return out;
}

// "major:minor" as a device number; false when it is not one.
bool ParseDevice(const std::string &text, std::uint64_t &device)
{
    unsigned major = 0, minor = 0;
    char colon = 0;
    std::istringstream in(text);
    if (!(in >> major >> colon >> minor) || colon != ':')
        return false;
    device = makedev(major, minor);
    return true;
}

// id parent major:minor root mountpoint options [optional...] - fstype source superopts
bool ParseLine(const std::string &line, MountTable::Mount &mount)
{
    std::istringstream fields(line);
    std::string id, parent, device, root, point, field;
    if (!(fields >> id >> parent >> device >> root >> point) || !ParseDevice(device, mount.device))
        return false;
    try {
        mount.id = std::stoull(id);
    } catch (const std::exception &) {
        return false;
    }
    while (fields >> field && field != "-") { }
    if (field != "-" || !(fields >> mount.fsType))
        return false;
    std::string source;
    mount.superOptions.clear();
    fields >> source >> mount.superOptions;
    mount.source = DecodeEscapes(source);
    mount.mountPoint = DecodeEscapes(point);
    mount.root = DecodeEscapes(root);
    return true;
}

// Folders joined by ":", as an overlay's lower layers are; "\:" is a colon
// inside a name.
std::vector<std::string> SplitFolderList(const std::string &list)
{
    std::vector<std::string> parts(1);
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (list[k] == '\\' && k + 1 < list.size())
            parts.back() += list[++k];
        else if (list[k] == ':')
            parts.emplace_back();
        else
            parts.back() += list[k];
    }
    return parts;
}

bool IsFolder(const std::string &path)
{
    struct stat st;
    return !path.empty() && path[0] == '/' && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint64_t DeviceOf(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? std::uint64_t(st.st_dev) : kNoDevice;
}

// The highest folder on the way from `path` up to "/" that is still on `device`.
std::string HighestOnDevice(std::string path, std::uint64_t device)
{
    while (path != "/") {
        const std::string::size_type slash = path.rfind('/');
        const std::string up = slash == 0 ? std::string("/") : path.substr(0, slash);
        if (DeviceOf(up) != device)
            break;
        path = up;
    }
    return path;
}

} // namespace

MountTable MountTable::read()
{
    // An empty table would take every bind mount for the user's: a shortage
    // of descriptors is waited out.
    const int fd = OpenWaitingForDescriptors([] { return ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC); });
    std::string text;
    if (fd >= 0) {
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR);)
            if (n > 0)
                text.append(buffer, std::size_t(n));
        ::close(fd);
    }
    std::istringstream in(text);
    return parse(in);
}

MountTable MountTable::parse(std::istream &in)
{
    MountTable table;
    std::string line;
    Mount mount;
    while (std::getline(in, line))
        if (ParseLine(line, mount))
            table.mounts_.push_back(mount);
    return table;
}

std::vector<std::string> MountTable::sourceFolders(const Mount &mount)
{
    std::vector<std::string> folders;
    const auto takeAbsolute = [&](const std::string &path) {
        if (!path.empty() && path[0] == '/')
            folders.push_back(path);
    };
    if (mount.fsType == "overlay") {
        // Commas inside the options' values are written as escapes.
        std::istringstream options(mount.superOptions);
        for (std::string option; std::getline(options, option, ',');) {
            const std::size_t equals = option.find('=');
            if (equals == std::string::npos)
                continue;
            const std::string key = option.substr(0, equals), value = DecodeEscapes(option.substr(equals + 1));
            if (key == "lowerdir" || key == "lowerdir+" || key == "datadir+")
                for (const std::string &layer : SplitFolderList(value))
                    takeAbsolute(layer);
            else if (key == "upperdir")
                takeAbsolute(value);
        }
    } else if (mount.fsType == "fuse" || mount.fsType.rfind("fuse.", 0) == 0) {
        if (IsFolder(mount.source)) {
            folders.push_back(mount.source);
        } else {
            // Some join their branches as an overlay joins its layers.
            const std::vector<std::string> branches = SplitFolderList(mount.source);
            if (branches.size() > 1 && std::all_of(branches.begin(), branches.end(), IsFolder))
                folders = branches;
        }
    }
    return folders;
}

bool MountTable::isWithin(const std::string &path, const std::string &top)
{
    if (top == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, top.size(), top) == 0 && (path.size() == top.size() || path[top.size()] == '/');
}

std::string MountTable::innerPath(const Mount &mount, const std::string &realPath)
{
    const std::string below = mount.mountPoint == "/" ? realPath : realPath.substr(mount.mountPoint.size());
    if (mount.root == "/")
        return below.empty() ? "/" : below;
    return below == "/" ? mount.root : mount.root + below;
}

const MountTable::Mount *MountTable::byId(std::uint64_t id) const
{
    for (const Mount &m : mounts_)
        if (m.id == id)
            return &m;
    return nullptr;
}

std::vector<const MountTable::Mount *> MountTable::onDevice(std::uint64_t device) const
{
    std::vector<const Mount *> found;
    for (const Mount &m : mounts_)
        if (m.device == device)
            found.push_back(&m);
    return found;
}

std::string MountTable::topOf(const std::string &folderPath, std::uint64_t device) const
{
    if (folderPath.empty() || folderPath[0] != '/')
        return {};
    const Mount *deepest = nullptr;
    for (const Mount *m : onDevice(device))
        if (isWithin(folderPath, m->mountPoint) && (!deepest || m->mountPoint.size() > deepest->mountPoint.size())
            && DeviceOf(m->mountPoint) == device) // not hidden by a later mount on the same place
            deepest = m;
    return deepest ? deepest->mountPoint : HighestOnDevice(folderPath, device);
}

std::string MountTable::realPathOf(int folderFd)
{
    char buffer[PATH_MAX + 1];
    const std::string link = "/proc/self/fd/" + std::to_string(folderFd);
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    if (n <= 0 || std::size_t(n) >= sizeof buffer || buffer[0] != '/')
        return {};
    std::string path(buffer, std::size_t(n));
    // Only believed when the path still leads to that very folder.
    struct stat byFd, byPath;
    if (::fstat(folderFd, &byFd) != 0 || ::stat(path.c_str(), &byPath) != 0 || byFd.st_dev != byPath.st_dev
        || byFd.st_ino != byPath.st_ino)
        return {};
    return path;
}
