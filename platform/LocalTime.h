// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>

// "yyyy/mm/dd hh:mm:ss" of a file time in local time; fractions are dropped.
std::string LocalTimeText(std::int64_t mtimeNs);

// Milliseconds of a steady clock, for elapsed times.
std::int64_t MonotonicMs();
