// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/UserHomes.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace
{

// A directory service may hold a great many accounts: the homes of the first
// ones are enough to tell a person's home under /var from a service's.
constexpr int kMostAccounts = 10000;

struct PeopleIds {
    uid_t least = 1000, most = 60000; // the defaults of login.defs
    bool contains(uid_t id) const { return id >= least && id <= most; }
};

PeopleIds ReadLoginDefs()
{
    PeopleIds ids;
    std::ifstream in("/etc/login.defs");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string key;
        unsigned long value = 0;
        if (!(fields >> key >> value))
            continue;
        if (key == "UID_MIN")
            ids.least = uid_t(value);
        else if (key == "UID_MAX")
            ids.most = uid_t(value);
    }
    return ids;
}

void Add(std::vector<std::string> &homes, const char *home)
{
    if (home && home[0] == '/' && std::find(homes.begin(), homes.end(), home) == homes.end())
        homes.emplace_back(home);
}

// The entry of one user id, or false.
bool EntryOf(uid_t id, std::string &home)
{
    passwd entry, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(id, &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return false;
    home = found->pw_dir ? found->pw_dir : "";
    return true;
}

} // namespace

std::string PasswordHome(uid_t id)
{
    std::string home;
    return EntryOf(id, home) ? home : std::string();
}

std::vector<std::string> OwnHomes()
{
    std::vector<std::string> homes;
    std::string home;
    if (EntryOf(::getuid(), home))
        Add(homes, home.c_str());
    // The caller's id comes from the environment, but only names an entry;
    // a service account's home is not made the user's that way.
    if (const char *caller = std::getenv("SUDO_UID")) {
        char *end = nullptr;
        const unsigned long id = std::strtoul(caller, &end, 10);
        if (end != caller && *end == 0 && ReadLoginDefs().contains(uid_t(id)) && EntryOf(uid_t(id), home))
            Add(homes, home.c_str());
    }
    return homes;
}

std::vector<std::string> PeoplesHomes()
{
    std::vector<std::string> homes = OwnHomes();
    const PeopleIds people = ReadLoginDefs();
    // The enumeration's position is shared by the whole process.
    static std::mutex enumeration;
    std::lock_guard lock(enumeration);
    // NOLINTBEGIN(concurrency-mt-unsafe): the lock above serialises the enumeration.
    ::setpwent();
    passwd entry, *found = nullptr;
    char buffer[4096];
    for (int k = 0; k < kMostAccounts && ::getpwent_r(&entry, buffer, sizeof buffer, &found) == 0 && found; ++k)
        if (people.contains(found->pw_uid))
            Add(homes, found->pw_dir);
    ::endpwent();
    // NOLINTEND(concurrency-mt-unsafe)
    return homes;
}
