// Small window and text utilities shared by several subsystems.
#pragma once

#include <windows.h>

// Lower-cases the ASCII letters A-Z in place; every other byte stays.
void MakeLower(char* text);

// Moves a top-level window to the middle of the reference window (or of the
// work area when the reference is NULL or unreadable), kept inside the work
// area. Non-zero when the window was moved.
BOOL CenterWindowOn(HWND hWnd, HWND hWndRef);
