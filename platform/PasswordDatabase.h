// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

// The accounts of the password database (getpwuid_r, getpwent_r): which of
// them are people's, and whose homes count, is decided above this layer.

// The home the password database gives one user id; empty when it has none.
std::string PasswordHome(uid_t id);

struct Account {
    uid_t id = 0;
    std::string home; // as the database gives it; may be empty
};
// The first `most` accounts, in the database's order.
std::vector<Account> Accounts(int most);
