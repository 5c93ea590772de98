// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>
#include <vector>

// Homes as the password database gives them, never as the environment's HOME
// says: any program may be started with HOME=/var/lib.

// The home of the user running the program and, under sudo, of the person
// who called it.
std::vector<std::string> OwnHomes();
// The homes of every person's account (user ids from UID_MIN to UID_MAX of
// /etc/login.defs), the own ones first.
std::vector<std::string> PeoplesHomes();
