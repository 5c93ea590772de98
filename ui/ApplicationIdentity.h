// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

// Names the program to the desktop and gives every window its icon; the
// taskbar matches windows to the desktop entry "org.example.varnok" (the
// home page's domain reversed, as the AppStream metadata names it).
void SetUpApplicationIdentity();
