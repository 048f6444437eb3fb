// Window shape from a bitmap, and scaling of a dialog's child windows to a design size.
#pragma once
#include <windows.h>

// A region covering every pixel of bitmap that differs from key (excludeKey nonzero) or equals it
// (excludeKey zero), in bitmap pixel coordinates; owned by the caller. Null when bitmap is null,
// when a device context or the 32-bit work bitmap cannot be made, or when no region could be made.
HRGN CreateShapeRegion(HBITMAP bitmap, COLORREF key, BOOL excludeKey);

// Moves and resizes every descendant of parent by the ratio of parent's client size to the design
// size. It divides screen coordinates, so it scales about the parent's client origin only while
// that lies at the screen origin, where the main window stands when it calls it.
BOOL ScaleChildWindows(HWND parent, int designWidth, int designHeight);
BOOL CALLBACK ScaleChildProc(HWND child, LPARAM scalePair);
