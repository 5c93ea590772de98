// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>
#include <vector>

// A tree the user's files are not in, named by path when a scan starts and
// known from then on by the identity of its top. Folders inside it that
// belong to the user (/var/tmp, a home under /var) are searched as usual.
struct SystemTree {
    enum class Kind {
        System,   // the operating system's own
        Software, // installed software inside a home: a toolchain, a package store, a cache
        // The system's run-time files (/run). A mount below it that is the
        // user's by what it is (a disk, a share) is searched, but none in its
        // host/ folder, where a sandbox shows the host's system.
        Runtime,
    };
    std::string path;
    std::vector<std::string> userFolders;
    Kind kind = Kind::System;
};

// This machine's system trees, its run-time tree and the installed software
// in its users' homes; a tree that does not exist is left out.
std::vector<SystemTree> StandardTrees();
// The installed software kept in the home `home`, one tree per folder that
// is there (see the list in the source).
std::vector<SystemTree> SoftwareTreesOf(const std::string &home);
