#include "browser/InactiveSelection.h"

namespace {

BYTE Midway(BYTE a, BYTE b) { return (BYTE)(((UINT)a + b) / 2); }

} // namespace

COLORREF InactiveSelectionBackground()
{
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    return RGB(Midway(GetRValue(highlight), GetRValue(window)),
               Midway(GetGValue(highlight), GetGValue(window)),
               Midway(GetBValue(highlight), GetBValue(window)));
}
