// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// Failure of the PNG codec: a damaged, truncated or unreadable picture.
// The message is libpng's own (or names the file that could not be read).

#include <stdexcept>
#include <string>

class EPNGError : public std::runtime_error
{
public:
    explicit EPNGError(const std::string &message) : std::runtime_error(message) { }
};
