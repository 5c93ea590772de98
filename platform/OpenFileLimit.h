// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <functional>

// Desktop sessions start programs with a soft limit of 1,024 open files,
// far below what the kernel allows. Raises the soft limit to the hard one
// and returns the soft limit now in force.
std::size_t RaiseOpenFileLimit();
// The soft limit on open files now in force.
std::size_t OpenFileLimit();
// True for the errors that mean the process or the system ran out of file
// descriptors: a passing shortage, not a fault of the file being opened.
bool IsOutOfDescriptors(int error);
// Calls `attempt`, which gives 0 or an errno value, again while it fails for
// want of descriptors, for up to about two seconds: such a shortage passes as
// other threads give theirs back, and a perfectly good folder or file must
// not be taken for a faulty or a missing one. Gives what the last try gave.
// Never call it holding a lock that a holder of descriptors may wait for.
// `beforeWait`, if given, is called before each wait: to give back
// descriptors of the caller's own.
int RetryWhileOutOfDescriptors(const std::function<int()> &attempt, const std::function<void()> &beforeWait = {});
// The same for a call that gives a descriptor, or -1 with errno set.
int OpenWaitingForDescriptors(const std::function<int()> &open, const std::function<void()> &beforeWait = {});
