// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FreedesktopTrash.h"
#include "platform/PasswordDatabase.h"
#include "tests/support/ScopedEnv.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

// Without a usable XDG_DATA_HOME or HOME, the Trash lies in the home the
// password database gives, not in the working folder.
TEST(PasswordDatabase, WithoutAUsableHomeTheTrashIsInThePasswordDatabasesHome)
{
    ScopedEnv data("XDG_DATA_HOME", "relative");
    ScopedEnv home("HOME", "relative");
    const std::string own = PasswordHome(::getuid());
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(FreedesktopTrash::homeTrashPath(), own + "/.local/share/Trash");
    EXPECT_EQ(PasswordHome(uid_t(-2)), ""); // an id no account has
}

TEST(PasswordDatabase, ListsAccountsWithTheHomesTheDatabaseGivesUpToTheCountAsked)
{
    const std::vector<Account> all = Accounts(100000);
    const auto own = std::find_if(all.begin(), all.end(), [](const Account &a) { return a.id == ::getuid(); });
    ASSERT_NE(own, all.end());
    EXPECT_EQ(own->home, PasswordHome(::getuid()));
    EXPECT_EQ(Accounts(1).size(), 1u);
    EXPECT_TRUE(Accounts(0).empty());
    // Asked again, the enumeration starts over.
    EXPECT_EQ(Accounts(100000).size(), all.size());
}
