// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/PasswordDatabase.h"

#include <mutex>
#include <pwd.h>

std::string PasswordHome(uid_t id)
{
    passwd entry, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(id, &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return {};
    return found->pw_dir ? found->pw_dir : "";
}

std::vector<Account> Accounts(int most)
{
    std::vector<Account> accounts;
    // The enumeration's position is shared by the whole process.
    static std::mutex enumeration;
    std::lock_guard lock(enumeration);
    // NOLINTBEGIN(concurrency-mt-unsafe): the lock above serialises the enumeration.
    ::setpwent();
    passwd entry, *found = nullptr;
    char buffer[4096];
    for (int k = 0; k < most && ::getpwent_r(&entry, buffer, sizeof buffer, &found) == 0 && found; ++k)
        accounts.push_back({found->pw_uid, found->pw_dir ? found->pw_dir : ""});
    ::endpwent();
    // NOLINTEND(concurrency-mt-unsafe)
    return accounts;
}
