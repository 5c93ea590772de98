// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/SystemTrees.h"
#include "boundary/FolderPaths.h"
#include "boundary/UserHomes.h"
#include "platform/DirectoryReader.h"
#include "platform/MountTable.h"
#include "platform/RealPath.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace
{

// The operating system's own trees, whole. Folders that are links on a
// system with a merged /usr lead into it and are known as what they lead to.
struct SystemFolder {
    std::string_view path;
    std::string_view why;
};
constexpr std::array<SystemFolder, 14> kSystemTops = {{
    {"/usr", "the installed system: programs, libraries and their data"},
    {"/etc", "the system's configuration"},
    {"/boot", "kernels, initial file systems and the boot loader"},
    {"/efi", "the firmware's boot partition, where a system mounts it there"},
    {"/bin", "the system's programs"},
    {"/sbin", "the system's programs for its administrator"},
    {"/lib", "the system's libraries and kernel modules"},
    {"/lib32", "the system's 32-bit libraries"},
    {"/lib64", "the system's 64-bit libraries"},
    {"/libx32", "the system's x32 libraries"},
    {"/opt", "add-on software installed for every user"},
    {"/snap", "snap packages' mounted images"},
    {"/nix", "the Nix package store"},
    {"/gnu", "the Guix package store"},
}};
// Besides them: /run, the run-time files (see SystemTree::Kind::Runtime), and
// /var, the system's changing data, but for /var/tmp and people's homes.

// Installed software kept in a home. A package manager or a toolchain made
// it and will make it again; the user did not, and cannot tell which copy is
// safe to remove. Each is passed by whole.
struct SoftwareFolder {
    std::string_view path; // in the home
    std::string_view why;
};
constexpr std::array<SoftwareFolder, 12> kSoftwareInHome = {{
    {".cache", "the XDG cache folder's default place: what programs fetch or make again"},
    {".rustup", "Rust toolchains installed by rustup"},
    {".cargo/registry", "crates downloaded by cargo"},
    {".cargo/git", "git dependencies checked out by cargo"},
    {".pyenv", "Python versions built by pyenv"},
    {".nvm", "Node.js versions installed by nvm"},
    {".npm", "npm's package cache"},
    {".m2/repository", "Maven's local repository"},
    {".gradle/caches", "Gradle's downloaded dependencies and build caches"},
    {"go/pkg/mod", "Go's module cache"},
    {".local/share/flatpak", "Flatpak applications and runtimes installed for the user"},
    {"snap", "snaps' per-user data and revisions"},
}};
// And .local/lib/python*: packages installed with pip --user, one folder per Python version.
constexpr std::string_view kUserSitePackages = ".local/lib";

} // namespace

std::vector<SystemTree> SoftwareTreesOf(const std::string &home)
{
    std::vector<SystemTree> trees;
    const std::string realHome = RealPath(home);
    if (realHome.empty())
        return trees;
    const auto add = [&](const std::string &path) {
        // A link that leads back to the home or above it would take it all.
        const std::string real = RealPath(path);
        if (!real.empty() && !MountTable::isWithin(realHome, real))
            trees.push_back({path, {}, SystemTree::Kind::Software});
    };
    for (const SoftwareFolder &folder : kSoftwareInHome)
        add(Joined(home, "/" + std::string(folder.path)));
    const std::string sitePackages = Joined(home, "/" + std::string(kUserSitePackages));
    if (DirectoryReader dir; dir.open(sitePackages))
        for (DirectoryReader::Entry entry; dir.next(entry);)
            if (std::string_view(entry.name).starts_with("python"))
                add(sitePackages + "/" + entry.name);
    return trees;
}

std::vector<SystemTree> StandardTrees()
{
    std::vector<SystemTree> trees;
    trees.reserve(kSystemTops.size() + 2);
    for (const SystemFolder &top : kSystemTops)
        trees.push_back({std::string(top.path), {}});
    trees.push_back({"/run", {}, SystemTree::Kind::Runtime});
    // Some distributions keep the homes at /var/home. Services keep theirs
    // in /var too (/var/lib/postgresql, /var/www): only people's homes count.
    SystemTree var{"/var", {"/var/tmp", "/var/home"}};
    for (const std::string &home : PeoplesHomes())
        if (MountTable::isWithin(home, "/var"))
            var.userFolders.push_back(home);
    trees.push_back(std::move(var));
    // Only the own homes: looking into every account's would wake every
    // automounted home of a directory service.
    const std::vector<std::string> own = OwnHomes();
    for (const std::string &home : own) {
        std::vector<SystemTree> software = SoftwareTreesOf(home);
        trees.insert(trees.end(), software.begin(), software.end());
    }
    const char *cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/' && !own.empty()) {
        const std::string real = RealPath(cache), home = RealPath(own.front());
        if (!real.empty() && !home.empty() && !MountTable::isWithin(home, real))
            trees.push_back({cache, {}, SystemTree::Kind::Software});
    }
    return trees;
}
