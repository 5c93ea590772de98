// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Runs `body` in a child process, which ends with what it returns (or
// sooner, by _exit); its exit status, or -1 when it did not exit.
inline int InChild(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
