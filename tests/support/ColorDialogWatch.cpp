// Answers the system colour dialog on this thread and records how it was opened.
#include "tests/support/ColorDialogWatch.h"

#include <cstdio>
#include <cstring>

namespace {

// Controls of the system colour dialog.
const int kRedEdit = 706;
const int kGreenEdit = 707;
const int kBlueEdit = 708;
const int kAddCustomButton = 712;

ColorDialogWatch* s_watch = NULL;

void SetNumber(HWND hDialog, int id, int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    SetDlgItemTextA(hDialog, id, text);
}

} // namespace

ColorDialogWatch::ColorDialogWatch()
{
    s_watch = this;
    m_hook = SetWindowsHookExA(WH_CALLWNDPROC, HookProc, NULL, GetCurrentThreadId());
}

ColorDialogWatch::~ColorDialogWatch()
{
    if (m_hook != NULL)
        UnhookWindowsHookEx(m_hook);
    s_watch = NULL;
}

LRESULT CALLBACK ColorDialogWatch::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* msg = (const CWPSTRUCT*)lParam;
    // The dialog's initialisation carries the caller's structure.
    if (code >= 0 && s_watch != NULL && msg->message == WM_INITDIALOG &&
        GetDlgItem(msg->hwnd, kRedEdit) != NULL && msg->lParam != 0)
    {
        const CHOOSECOLORA* cc = (const CHOOSECOLORA*)msg->lParam;
        Opening& o = s_watch->m_last;
        o.hDialog = msg->hwnd;
        o.structSize = cc->lStructSize;
        o.hOwner = cc->hwndOwner;
        o.initial = cc->rgbResult;
        o.flags = cc->Flags;
        o.pCustom = cc->lpCustColors;
        if (cc->lpCustColors != NULL)
            memcpy(o.custom, cc->lpCustColors, sizeof(o.custom));
        ++s_watch->m_count;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

HWND ColorDialogWatch::Open() const
{
    HWND h = m_last.hDialog;
    return h != NULL && IsWindow(h) && IsWindowVisible(h) ? h : NULL;
}

void ColorDialogWatch::Type(HWND hDialog, COLORREF color)
{
    SetNumber(hDialog, kRedEdit, GetRValue(color));
    SetNumber(hDialog, kGreenEdit, GetGValue(color));
    SetNumber(hDialog, kBlueEdit, GetBValue(color));
}

void ColorDialogWatch::Confirm(HWND hDialog, COLORREF color, bool addCustom)
{
    Type(hDialog, color);
    if (addCustom)
        SendDlgItemMessageA(hDialog, kAddCustomButton, BM_CLICK, 0, 0);
    PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
}

void ColorDialogWatch::Cancel(HWND hDialog, COLORREF typed)
{
    if (typed != CLR_INVALID)
        Type(hDialog, typed);
    PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
}
