// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <chrono>
#include <functional>

// The end of the program once its window has closed, while another thread may
// still be at work. Waits up to `bound` for `finished` to hold; when it does,
// returns, and the caller tears down in order. Otherwise that thread is stuck
// where nothing can reach it (a read from a stalled network mount), and an
// orderly teardown would wait for it or free what it still uses: the process
// then ends at once with `exitCode`, after flushing its output, running no
// destructor. Nothing is lost by this: the program keeps nothing on disk.
void EndProcessUnlessFinished(const std::function<bool()> &finished, std::chrono::milliseconds bound, int exitCode);
