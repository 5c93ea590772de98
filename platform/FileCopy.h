// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <functional>

class OpenedFile;

// Asked between pieces of a long copy or comparison: true ends it early,
// with ECANCELED.
using StopRequest = std::function<bool()>;

// Copies the first `size` bytes of `from` into `to` at the same offsets,
// by the kernel's copy_file_range where the file systems allow it and by
// reads and writes where they do not. Holes the file system reports stay
// holes; `to` ends at `size`. Returns 0 or the errno value (ECANCELED when
// stopped; ENODATA when `from` ended early).
int CopyFileContents(const OpenedFile &from, int to, std::int64_t size, const StopRequest &stopped = {});

// Reads `size` bytes of both files from the start and compares them byte
// for byte; `same` also needs `to` to end there. Returns 0 or the errno
// value (ECANCELED when stopped).
int CompareFileContents(OpenedFile &from, int to, std::int64_t size, bool &same, const StopRequest &stopped = {});

// Gives `to` every extended attribute of `from` (access lists included),
// but those of the security namespace, which the system sets for each file
// itself. Returns 0 or the errno value of the first that could not be
// read or kept (EOPNOTSUPP: the file system of `to` keeps none).
int CopyExtendedAttributes(int from, int to);
