// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/UserHomes.h"
#include "platform/PasswordDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
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

void Add(std::vector<std::string> &homes, const std::string &home)
{
    if (!home.empty() && home[0] == '/' && std::find(homes.begin(), homes.end(), home) == homes.end())
        homes.push_back(home);
}

} // namespace

std::vector<std::string> OwnHomes()
{
    std::vector<std::string> homes;
    Add(homes, PasswordHome(::getuid()));
    // The caller's id comes from the environment, but only names an entry;
    // a service account's home is not made the user's that way.
    if (const char *caller = std::getenv("SUDO_UID")) {
        char *end = nullptr;
        const unsigned long id = std::strtoul(caller, &end, 10);
        if (end != caller && *end == 0 && ReadLoginDefs().contains(uid_t(id)))
            Add(homes, PasswordHome(uid_t(id)));
    }
    return homes;
}

std::vector<std::string> PeoplesHomes()
{
    std::vector<std::string> homes = OwnHomes();
    const PeopleIds people = ReadLoginDefs();
    for (const Account &account : Accounts(kMostAccounts))
        if (people.contains(account.id))
            Add(homes, account.home);
    return homes;
}
