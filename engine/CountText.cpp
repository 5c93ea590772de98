// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CountText.h"

std::string_view ByCount(long long count, std::string_view one, std::string_view many)
{
    return count == 1 ? one : many;
}

std::string CountOf(long long count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(ByCount(count, one, many));
}
