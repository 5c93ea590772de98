// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>
#include <string_view>

// The one way the program's own texts put a count into words, so that none
// says "1 files": the word that agrees with the count, `one` for exactly 1,
// `many` for any other count (0 files, 2 files).
std::string_view ByCount(long long count, std::string_view one, std::string_view many);
// The count and the word that agrees with it: "1 file", "3 files".
std::string CountOf(long long count, std::string_view one, std::string_view many);
