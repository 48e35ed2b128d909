// The colours of a selection in the folder tree and the file list while
// the control has no focus.
#pragma once

#include <windows.h>

// The highlight colour halfway to the window colour. The controls' own
// choice, the 3-D face colour, can be all but the window colour itself
// (0xF5F5F5 on white under Wine): the selection then cannot be seen.
COLORREF InactiveSelectionBackground();
inline COLORREF InactiveSelectionText() { return ::GetSysColor(COLOR_WINDOWTEXT); }
