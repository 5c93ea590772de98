// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

// The type of the file system holding the open descriptor, as fstatfs(2)
// gives it (f_type: PROC_SUPER_MAGIC and the like); 0 when it cannot be told.
long FileSystemMagic(int fd);
