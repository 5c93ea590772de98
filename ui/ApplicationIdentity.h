#pragma once

// Names the program to the desktop and gives every window its icon; the
// taskbar matches windows to the desktop entry "varnok" and its icon.
void SetUpApplicationIdentity();
