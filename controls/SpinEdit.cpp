#include "controls/SpinEdit.h"

#include <cstring>

#include "base/StrUtil.h"

namespace {

const int kWheelNotch = WHEEL_DELTA;
// With Ctrl held the wheel counts a notch every half turn step.
const int kFineWheelNotch = WHEEL_DELTA / 2;
const char kPercent = '%';

BOOL IsPercentText(const char* text)
{
    const size_t len = strlen(text);
    return len > 0 && text[len - 1] == kPercent;
}

} // namespace

// ---------------------------------------------------------------------------
// CSpinButton

BOOL CSpinButton::Attach(HWND hWnd, DWORD style)
{
    m_hImage.Share((style & kOdbUpArrow) ? g_ButtonArrowBitmaps.hUpArrow
                                         : g_ButtonArrowBitmaps.hDownArrow);
    return COwnerDrawButton::Attach(hWnd, style);
}

void CSpinButton::Cleanup()
{
    m_hImage.Reset();
    COwnerDrawButton::Cleanup();
}

// ---------------------------------------------------------------------------
// CSpinEdit

long long SnapStep(int v, int delta)
{
    if (delta == 0)
        return v;
    return ((long long)v / delta + 1) * delta;
}

void CSpinEdit::OnCreate()
{
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE,
                        ::GetWindowLongPtrA(m_hWnd, GWL_STYLE) | WS_CLIPCHILDREN);
    RECT rc = {0, 0, 0, 0};
    GetClientRect(&rc);
    const int w = rc.right, h = rc.bottom;
    const int c = ::GetSystemMetrics(SM_CXVSCROLL);
    const RECT up = {w - c - 1, 0, w - 1, h / 2 - 1};
    const RECT down = {w - c - 1, h / 2, w - 1, h - 1};
    m_btnUp.Create("Up", m_hWnd, IDC_SPIN_UP, kOdbStyleSpinUp, &up);
    m_btnDown.Create("Dn", m_hWnd, IDC_SPIN_DOWN, kOdbStyleSpinDown, &down);
    // The text ends where the arrows begin: a number that does not fit
    // scrolls instead of running under them.
    SendMessage(EM_SETMARGINS, EC_RIGHTMARGIN, MAKELONG(0, c + 1));
}

void CSpinEdit::StepBy(int delta)
{
    if (!m_bIdle)
        return;
    m_bIdle = FALSE;
    char text[kTextSize];
    text[0] = '\0';
    ::GetWindowTextA(m_hWnd, text, sizeof(text));
    long long v = SnapStep(ParseLeadingInt(text), delta);
    const BOOL percent = IsPercentText(text);
    const int lo = percent ? m_nPercentMin : m_nMin;
    const int hi = percent ? m_nPercentMax : m_nMax;
    if (v < lo)
        v = lo;
    else if (v > hi)
        v = hi;
    char number[kTextSize];
    if (percent)
        SafeFormat(number, sizeof(number), "%d%c", (int)v, kPercent);
    else
        SafeFormat(number, sizeof(number), "%d", (int)v);
    SetWindowText(number);
    m_bIdle = TRUE;
}

void CSpinEdit::SelectNumber()
{
    const std::string text = GetWindowTextString(m_hWnd);
    if (IsPercentText(text.c_str()))
        SendMessage(EM_SETSEL, 0, (LPARAM)(text.size() - 1));
    else
        SendMessage(EM_SETSEL, 0, -1);
    SendMessage(EM_SCROLLCARET);
}

LRESULT CSpinEdit::OnCreateMessage(UINT, WPARAM, LPARAM, BOOL&)
{
    OnCreate();
    return 0;
}

LRESULT CSpinEdit::OnEnable(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    ::EnableWindow(m_btnUp.GetHwnd(), (BOOL)wParam);
    ::EnableWindow(m_btnDown.GetHwnd(), (BOOL)wParam);
    bHandled = FALSE;
    return 0;
}

LRESULT CSpinEdit::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    StepBy(0);
    bHandled = FALSE;
    return 0;
}

LRESULT CSpinEdit::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (::GetKeyState(VK_CONTROL) < 0 && (wParam == VK_UP || wParam == VK_DOWN))
    {
        StepBy(wParam == VK_UP ? m_nStep : -m_nStep);
        SelectNumber();
        return 0;
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CSpinEdit::OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    const int wheel = (short)HIWORD(wParam);
    const int notches = wheel / ((LOWORD(wParam) & MK_CONTROL) ? kFineWheelNotch : kWheelNotch);
    StepBy(notches * m_nWheelStep);
    SelectNumber();
    return 0;
}

LRESULT CSpinEdit::OnUpButton(WORD, WORD, HWND, BOOL&)
{
    StepBy(m_nStep);
    SelectNumber();
    ::SetFocus(m_hWnd);
    return 0;
}

LRESULT CSpinEdit::OnDownButton(WORD, WORD, HWND, BOOL&)
{
    StepBy(-m_nStep);
    SelectNumber();
    ::SetFocus(m_hWnd);
    return 0;
}
