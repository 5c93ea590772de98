// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>

// Desktop sessions start programs with a soft limit of 1,024 open files,
// far below what the kernel allows. Raises the soft limit to the hard one
// and returns the soft limit now in force.
std::size_t RaiseOpenFileLimit();
// The soft limit on open files now in force.
std::size_t OpenFileLimit();
// True for the errors that mean the process or the system ran out of file
// descriptors: a passing shortage, not a fault of the file being opened.
bool IsOutOfDescriptors(int error);
