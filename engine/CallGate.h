// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

// Stands between work on a thread of its own and its owner, so that work left
// behind while a call of it is stuck can be cut off: once closed, no call
// passes. Closing waits only for the calls already in progress, so the calls
// that pass must return promptly. Safe from any thread.
class CallGate
{
public:
    // Lets nothing through from now on. False when it was closed already.
    bool close();
    // Closes the gate and then runs `last`, unless it was closed already:
    // of the work's own end and its owner leaving it, exactly one wins.
    bool closeWith(const std::function<void()> &last);
    // Runs `call` while the gate is open; false when closed.
    bool pass(const std::function<void()> &call) { return run(call); }
    // The same for any callable, without wrapping it.
    template <class Call>
    bool run(Call call)
    {
        if (!enter())
            return false;
        struct Leave {
            CallGate &gate;
            ~Leave() { gate.leave(); }
        } leaveOnReturn{*this};
        call();
        return true;
    }

private:
    bool enter();
    void leave();

    static constexpr std::uint32_t kClosed = 1u << 31;
    std::atomic<std::uint32_t> state_{0}; // the closed bit, and the calls in progress
};
