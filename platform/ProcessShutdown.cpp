// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/ProcessShutdown.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace
{

bool FinishesWithin(const std::function<bool()> &finished, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!finished()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace

void EndProcessUnlessFinished(const std::function<bool()> &finished, std::chrono::milliseconds bound, int exitCode)
{
    if (FinishesWithin(finished, bound))
        return;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
