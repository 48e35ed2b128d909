#include "base/WinUtil.h"

#include <commctrl.h>
#include <olectl.h>
#include <cstring>

void MakeLower(char* text)
{
    if (text == NULL)
        return;
    size_t n = strlen(text);
    // No locale is ever selected, so only A-Z would change; doing it by hand
    // keeps bytes of 128 and above away from tolower's undefined range.
    for (size_t i = 0; i < n; ++i)
        if (text[i] >= 'A' && text[i] <= 'Z')
            text[i] = (char)(text[i] - 'A' + 'a');
}

BOOL CenterWindowOn(HWND hWnd, HWND hWndRef)
{
    RECT rcWnd;
    if (!GetWindowRect(hWnd, &rcWnd))
        return FALSE;
    int w = rcWnd.right - rcWnd.left;
    int h = rcWnd.bottom - rcWnd.top;

    RECT rcArea;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0))
        SetRect(&rcArea, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

    RECT rcRef;
    if (hWndRef == NULL || !GetWindowRect(hWndRef, &rcRef) ||
        (rcRef.left == 0 && rcRef.top == 0 && rcRef.right == 0 && rcRef.bottom == 0))
        rcRef = rcArea;

    int x = rcRef.left + ((rcRef.right - rcRef.left) - w) / 2;
    int y = rcRef.top + ((rcRef.bottom - rcRef.top) - h) / 2;
    if (x < rcArea.left)
        x = rcArea.left;
    else if (x + w > rcArea.right)
        x = rcArea.right - w;
    if (y < rcArea.top)
        y = rcArea.top;
    else if (y + h > rcArea.bottom)
        y = rcArea.bottom - h;

    if (x == rcWnd.left && y == rcWnd.top)
        return FALSE;
    return SetWindowPos(hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void RedrawNow(HWND hWnd, BOOL parentToo)
{
    if (hWnd == NULL)
        return;
    InvalidateRect(hWnd, NULL, TRUE);
    UpdateWindow(hWnd);
    HWND hParent = GetParent(hWnd);
    if (!parentToo || hParent == NULL)
        return;
    RECT rc;
    GetWindowRect(hWnd, &rc);
    MapWindowPoints(NULL, hParent, (POINT*)&rc, 2);
    InvalidateRect(hParent, &rc, TRUE);
    UpdateWindow(hParent);
}

void RelayToTooltip(HWND hTooltip, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    memset(&msg, 0, sizeof(msg));
    msg.hwnd = hWnd;
    msg.message = uMsg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendMessageA(hTooltip, TTM_RELAYEVENT, 0, (LPARAM)&msg);
}

namespace {

struct RememberedControl
{
    HWND dialog;
    int id;
    HWND control;
};

// A few dialogs' controls; a slot shared by two ids just holds the later.
const size_t kRememberedControls = 256;

} // namespace

HWND DialogControl(HWND hDlg, int id)
{
    static RememberedControl remembered[kRememberedControls] = {};
    RememberedControl& slot =
        remembered[((size_t)(UINT)id + ((size_t)hDlg >> 4)) % kRememberedControls];
    // IsWindow, GetParent and GetDlgCtrlID of the process's own windows
    // need no trip to the window server.
    if (slot.dialog == hDlg && slot.id == id && slot.control != NULL && ::IsWindow(slot.control) &&
        ::GetParent(slot.control) == hDlg && ::GetDlgCtrlID(slot.control) == id)
        return slot.control;
    const HWND control = ::GetDlgItem(hDlg, id);
    slot.dialog = hDlg;
    slot.id = id;
    slot.control = control;
    return control;
}

bool IsEnableStyleChange(WPARAM wParam, LPARAM lParam)
{
    if (wParam != (WPARAM)GWL_STYLE || lParam == 0)
        return false;
    const STYLESTRUCT* ss = (const STYLESTRUCT*)lParam;
    return ((ss->styleOld ^ ss->styleNew) & WS_DISABLED) != 0;
}

COLORREF TranslateSystemColor(COLORREF color)
{
    if ((color & kSystemColorFlag) == 0)
        return color;
    COLORREF rgb = 0;
    return ::OleTranslateColor(color, NULL, &rgb) == S_OK ? rgb : 0;
}
