// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// A 128-bit digest of some bytes, for telling files apart without holding
// them: equal bytes always give equal digests, so different digests prove
// the bytes differ. Equal digests prove nothing; the bytes are compared.
using ContentDigest = std::array<std::uint64_t, 2>;

ContentDigest DigestOf(const char *bytes, std::size_t length);
