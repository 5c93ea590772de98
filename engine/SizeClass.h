// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>

// A run of the sorted candidate list sharing one size.
struct SizeClass {
    std::size_t begin, end;
};
