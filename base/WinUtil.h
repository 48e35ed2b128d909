// Small window and text utilities shared by several subsystems.
#pragma once

#include <windows.h>

// Lower-cases the ASCII letters A-Z in place; every other byte stays.
void MakeLower(char* text);

// Moves a top-level window to the middle of the reference window (or of the
// work area when the reference is NULL or unreadable), kept inside the work
// area. Non-zero when the window was moved.
BOOL CenterWindowOn(HWND hWnd, HWND hWndRef);

// Repaints a window at once (erasing); with parentToo also the parent's
// area under it, for controls drawn over the parent's background.
void RedrawNow(HWND hWnd, BOOL parentToo);

// Hands a mouse message to a tooltip control (TTM_RELAYEVENT).
void RelayToTooltip(HWND hTooltip, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// GetDlgItem for code that asks for the same controls over and over (each
// file of a batch run): Wine's GetDlgItem asks the window server for the
// dialog's whole child list on every call. A remembered handle is used only
// while it is still a child of the dialog with that id; else it is looked up
// again. UI thread only.
HWND DialogControl(HWND hDlg, int id);

// A colour with this bit (an OLE_COLOR) names a system colour by its
// GetSysColor index.
const COLORREF kSystemColorFlag = 0x80000000;

// The RGB of a colour: a system colour's as it is now (black for an index
// that names none); any other colour is its own.
COLORREF TranslateSystemColor(COLORREF color);

// Whether a WM_STYLECHANGED message tells of WS_DISABLED being switched.
bool IsEnableStyleChange(WPARAM wParam, LPARAM lParam);
