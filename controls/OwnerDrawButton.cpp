#include "controls/OwnerDrawButton.h"

#include <windowsx.h>
#include <cstring>

#include "base/StrUtil.h"
#include "base/WindowTable.h"
#include "base/WinUtil.h"

namespace {

CWindowTable<COwnerDrawButton> s_buttons;

const int kFadeSteps = 5;
const BYTE kFadeStep = 51;
const DWORD kFadeInSleepMs = 30;
const UINT kTimerFallbackMs = 250;
const DWORD kSetStateSleepMs = 100;
const LRESULT kDlgCodeRadio = DLGC_BUTTON | DLGC_RADIOBUTTON;
const UINT kFirstKeyMessage = WM_KEYDOWN;
const UINT kLastKeyMessage = 0x108;
const UINT kFirstMouseMessage = WM_MOUSEMOVE;
const UINT kLastMouseMessage = WM_MOUSEWHEEL;
const DWORD kTooltipStyle = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;

// Asks for WM_MOUSELEAVE: the capture alone sees no movement once the
// pointer is outside every window of the program.
void TrackLeave(HWND hWnd)
{
    TRACKMOUSEEVENT tme;
    memset(&tme, 0, sizeof(tme));
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = hWnd;
    TrackMouseEvent(&tme);
}

UINT RepeatDelayMs()
{
    int d = 0;
    if (!SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &d, 0))
        return kTimerFallbackMs;
    return (UINT)((5 * d + 5) * 50);
}

UINT RepeatIntervalMs()
{
    DWORD s = 0;
    if (!SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &s, 0))
        return kTimerFallbackMs;
    return (UINT)(20000 / (10 * s + 25));
}

} // namespace

UINT GetCheckMousePosMessage()
{
    static UINT s_msg = RegisterWindowMessageA("WM_CHECK_MOUSE_POS");
    return s_msg;
}

// ---------------------------------------------------------------------------
// Window table.

bool ButtonMapAdd(COwnerDrawButton* pButton) { return s_buttons.Add(pButton->GetHwnd(), pButton); }

void ButtonMapRemove(COwnerDrawButton* pButton) { s_buttons.Remove(pButton); }

COwnerDrawButton* ButtonMapFind(HWND hWnd) { return s_buttons.Find(hWnd); }

int ButtonMapCount() { return s_buttons.Count(); }

LRESULT CALLBACK OwnerDrawButtonWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DispatchToTable(s_buttons, hWnd, uMsg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Attaching and detaching.

COwnerDrawButton::COwnerDrawButton() { m_tipText[0] = '\0'; }

COwnerDrawButton::~COwnerDrawButton() { DetachIfAttached(); }

void COwnerDrawButton::DetachIfAttached()
{
    if (m_hWnd != NULL && ButtonMapFind(m_hWnd) == this)
        Detach();
}

void COwnerDrawButton::Detach()
{
    Cleanup();
    s_buttons.Unsubclass(m_hWnd, this, OwnerDrawButtonWndProc, m_pfnSaved);
    m_hWnd = NULL;
}

BOOL COwnerDrawButton::Attach(HWND hWnd, DWORD style)
{
    if (m_hWnd != NULL && ButtonMapFind(m_hWnd) == this)
        return FALSE;
    if (!s_buttons.Subclass(hWnd, this, OwnerDrawButtonWndProc, &m_pfnSaved))
        return FALSE;
    m_style = style;
    m_hWnd = hWnd;
    MakeBackBuffer();
    return TRUE;
}

BOOL COwnerDrawButton::Create(const char* caption, HWND hWndParent, UINT id, DWORD style,
                              const RECT* rect)
{
    int x = 0, y = 0, cx = 0, cy = 0;
    if (rect != NULL)
    {
        x = rect->left;
        y = rect->top;
        cx = rect->right - rect->left + 1;
        cy = rect->bottom - rect->top + 1;
    }
    HWND hWnd = CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE, x, y, cx, cy,
                                hWndParent, (HMENU)(UINT_PTR)id, NULL, NULL);
    if (hWnd == NULL)
        return FALSE;
    // Double clicks would swallow the second click of a quick pair.
    SetClassLongPtrA(hWnd, GCL_STYLE, GetClassLongPtrA(hWnd, GCL_STYLE) & ~(LONG_PTR)CS_DBLCLKS);
    return Attach(hWnd, style);
}

BOOL COwnerDrawButton::SubclassDlgItem(HWND hDlg, UINT id, DWORD style)
{
    HWND hItem = GetDlgItem(hDlg, LOWORD(id));
    if (hItem == NULL)
        return FALSE;
    return Attach(hItem, style);
}

void COwnerDrawButton::Cleanup()
{
    m_hMenu.Reset();
    m_hImage.Reset();
    m_hGrayImage.Reset();
    m_hBackBuffer.Reset();
    // The tooltip's owner is the top-level window, not the button, so it
    // would outlive the button without this.
    if (m_hTooltip != NULL && IsWindow(m_hTooltip))
        DestroyWindow(m_hTooltip);
    m_hTooltip = NULL;
    ResetPointerState();
    m_tipText[0] = '\0';
}

// ---------------------------------------------------------------------------
// Configuration.

BOOL COwnerDrawButton::SetFlags(DWORD mask, BOOL on)
{
    DWORD style = on ? (m_style | mask) : (m_style & ~mask);
    if (style == m_style)
        return FALSE;
    m_style = style;
    Redraw(TRUE);
    return TRUE;
}

BOOL COwnerDrawButton::SetMenu(HINSTANCE hInst, UINT id, int position, int defaultPosition)
{
    m_hMenu.Reset();
    CMenuHandle hTop(LoadMenuA(hInst, MAKEINTRESOURCEA(LOWORD(id))));
    if (hTop == NULL)
        return FALSE;
    MENUITEMINFOA mii;
    memset(&mii, 0, sizeof(mii));
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_SUBMENU;
    if (GetMenuItemInfoA(hTop, position, TRUE, &mii) && mii.hSubMenu != NULL)
    {
        // Detach the submenu so the loaded bar can go without it.
        m_hMenu.Reset(mii.hSubMenu);
        RemoveMenu(hTop, position, MF_BYPOSITION);
    }
    SetFlags(kOdbNoMenu, m_hMenu == NULL);
    SetFlags(kOdbDropDown, m_hMenu != NULL);
    if (m_hMenu != NULL && defaultPosition != -1)
        SetMenuDefaultItem(m_hMenu, defaultPosition, TRUE);
    return m_hMenu != NULL;
}

BOOL COwnerDrawButton::SetTooltip(HINSTANCE hInst, const char* text)
{
    SafeCopy(m_tipText, text != NULL ? text : "");
    if (m_hTooltip == NULL)
    {
        m_hTooltip =
            CreateWindowExA(0, TOOLTIPS_CLASSA, NULL, kTooltipStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, NULL, hInst, NULL);
        if (m_hTooltip != NULL)
        {
            SetWindowPos(m_hTooltip, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            TOOLINFOA ti;
            memset(&ti, 0, sizeof(ti));
            ti.cbSize = sizeof(ti);
            ti.uFlags = TTF_IDISHWND;
            ti.hwnd = m_hWnd;
            ti.uId = (UINT_PTR)m_hWnd;
            ti.lpszText = LPSTR_TEXTCALLBACKA;
            SendMessageA(m_hTooltip, TTM_ADDTOOLA, 0, (LPARAM)&ti);
        }
    }
    SetFlags(kOdbTooltip, text != NULL);
    return TRUE;
}

void COwnerDrawButton::GetTipText(NMTTDISPINFOA* pInfo)
{
    if (pInfo == NULL || !HasFlag(kOdbTooltip))
        return;
    const char* tip = strrchr(m_tipText, '\n');
    tip = tip != NULL ? tip + 1 : m_tipText;
    // The notification's own buffer holds 80 characters; longer tips are cut.
    SafeCopy(pInfo->szText, tip);
    pInfo->lpszText = pInfo->szText;
}

// ---------------------------------------------------------------------------
// Geometry and painting.

int COwnerDrawButton::HitTest(int x, int y) const
{
    RECT rc = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &rc);
    const int w = rc.right, h = rc.bottom;
    if (x < 0 || y < 0 || x > w || y > h)
        return kOdbPartNone;
    if (HasFlag(kOdbDropDown) && x > w - kOdbDropHitWidth)
        return kOdbPartDrop;
    return kOdbPartBody;
}

void COwnerDrawButton::ResetPointerState()
{
    m_hotPart = kOdbPartNone;
    m_pressedPart = kOdbPartNone;
    m_fadeLevel = kOdbFadeFull;
}

void COwnerDrawButton::Redraw(BOOL parentToo) { RedrawNow(m_hWnd, parentToo); }

SIZE COwnerDrawButton::MeasureText() const
{
    SIZE size = {0, 0};
    char text[kOdbTipTextSize];
    GetWindowTextA(m_hWnd, text, sizeof(text));
    // Mnemonic prefixes: "&" goes, the character after it stays unexamined.
    char shown[kOdbTipTextSize];
    size_t n = 0;
    for (const char* p = text; *p != '\0'; ++p)
    {
        if (*p == '&')
        {
            ++p;
            if (*p == '\0')
                break;
        }
        shown[n++] = *p;
    }
    shown[n] = '\0';
    CWindowDC dc(m_hWnd);
    if (dc == NULL)
        return size;
    HFONT hFont = (HFONT)CallWindowProcA(m_pfnSaved, m_hWnd, WM_GETFONT, 0, 0);
    HGDIOBJ hOld = hFont != NULL ? SelectObject(dc, hFont) : NULL;
    GetTextExtentPoint32A(dc, shown, (int)n, &size);
    if (hOld != NULL)
        SelectObject(dc, hOld);
    return size;
}

// ---------------------------------------------------------------------------
// Commands.

void COwnerDrawButton::OnClicked()
{
    PostMessageA(GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), BN_CLICKED),
                 (LPARAM)m_hWnd);
}

void COwnerDrawButton::ShowMenu()
{
    HWND hParent = GetParent(m_hWnd);
    if (m_hMenu != NULL)
    {
        RECT rc;
        GetWindowRect(m_hWnd, &rc);
        UINT flags = TPM_RETURNCMD;
        int x = rc.right;
        if (HasFlag(kOdbMenuLeft))
            x = rc.left - 1;
        else
            flags |= TPM_RIGHTALIGN;
        UINT cmd = (UINT)TrackPopupMenu(m_hMenu, flags, x, rc.bottom, 0, hParent, NULL);
        if (LOWORD(cmd) != 0)
            PostMessageA(hParent, WM_COMMAND, LOWORD(cmd), 0);
    }
    ResetPointerState();
    Redraw(FALSE);
}

// ---------------------------------------------------------------------------
// Messages.

LRESULT COwnerDrawButton::CallSaved(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSaved == NULL)
        return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
    return CallWindowProcA(m_pfnSaved, m_hWnd, uMsg, wParam, lParam);
}

LRESULT COwnerDrawButton::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == GetCheckMousePosMessage())
        return OnCheckMousePos();
    if (uMsg >= kFirstKeyMessage && uMsg <= kLastKeyMessage)
        return CallSaved(uMsg, wParam, lParam);
    if (uMsg >= kFirstMouseMessage && uMsg <= kLastMouseMessage)
        return OnMouse(uMsg, wParam, lParam);

    // Cases that break go on to DefWindowProc; the saved procedure sees only
    // what a case passes to it.
    switch (uMsg)
    {
    case WM_DESTROY:
        Detach();
        break;
    case WM_SIZE:
        OnSize();
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocusChange(uMsg, wParam, lParam);
        break;
    case WM_ENABLE:
        Redraw(TRUE);
        break;
    case WM_PAINT:
        return OnPaint();
    case WM_ERASEBKGND:
        return 1;
    case WM_SHOWWINDOW:
        OnShowWindow(wParam != 0);
        break;
    case WM_SETCURSOR:
        return OnSetCursor();
    case WM_NOTIFY:
        if (OnNotify((NMHDR*)lParam))
            return 0;
        break;
    case WM_STYLECHANGED:
        OnStyleChanged(wParam, lParam);
        break;
    case WM_GETDLGCODE:
        return OnGetDlgCode(wParam, lParam);
    case BM_SETCHECK:
        return OnSetCheck(wParam);
    case BM_SETSTATE:
        return OnSetState(wParam, lParam);
    case BM_SETSTYLE:
        return CallSaved(uMsg, wParam, lParam);
    case BM_CLICK:
        // The standard procedure turns it into a press and release on the
        // button, which is how dialog mnemonics reach OnClicked.
        return CallSaved(uMsg, wParam, lParam);
    case WM_TIMER:
        OnTimer((UINT_PTR)wParam);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged();
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void COwnerDrawButton::OnSize()
{
    m_hBackBuffer.Reset();
    MakeBackBuffer();
}

void COwnerDrawButton::OnFocusChange(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CallSaved(uMsg, wParam, lParam);
    Redraw(FALSE);
}

LRESULT COwnerDrawButton::OnPaint()
{
    CPaintDC dc(m_hWnd);
    if (dc != NULL)
        Draw(dc);
    return 1;
}

void COwnerDrawButton::OnShowWindow(BOOL showing)
{
    if (showing)
        return;
    ResetPointerState();
    if (GetCapture() == m_hWnd)
        ReleaseCapture();
}

LRESULT COwnerDrawButton::OnSetCursor()
{
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    return 1;
}

bool COwnerDrawButton::OnNotify(NMHDR* pHeader)
{
    if (pHeader == NULL || pHeader->code != TTN_NEEDTEXTA)
        return false;
    GetTipText((NMTTDISPINFOA*)pHeader);
    return true;
}

void COwnerDrawButton::OnStyleChanged(WPARAM wParam, LPARAM lParam)
{
    if (IsEnableStyleChange(wParam, lParam))
        PostMessageA(m_hWnd, GetCheckMousePosMessage(), 0, 0);
}

LRESULT COwnerDrawButton::OnGetDlgCode(WPARAM wParam, LPARAM lParam)
{
    if (HasFlag(kOdbRadio))
        return kDlgCodeRadio;
    return CallSaved(WM_GETDLGCODE, wParam, lParam);
}

LRESULT COwnerDrawButton::OnSetCheck(WPARAM wParam)
{
    if (HasFlag(kOdbRadio))
        SetFlags(kOdbLatched, wParam != 0);
    return 1;
}

LRESULT COwnerDrawButton::OnSetState(WPARAM wParam, LPARAM lParam)
{
    CallSaved(BM_SETSTATE, wParam, lParam);
    m_hotPart = m_pressedPart = (int)wParam;
    Redraw(FALSE);
    if (wParam != 0)
        Sleep(kSetStateSleepMs);
    return 1;
}

void COwnerDrawButton::OnCaptureChanged()
{
    if (GetCapture() != m_hWnd)
        ResetPointerState();
}

LRESULT COwnerDrawButton::OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_hTooltip != NULL)
        RelayToTooltip(m_hTooltip, m_hWnd, uMsg, wParam, lParam);
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    if (!IsWindowEnabled(m_hWnd) || (uMsg != WM_MOUSEMOVE && uMsg != WM_LBUTTONDOWN &&
                                     uMsg != WM_LBUTTONUP && uMsg != WM_LBUTTONDBLCLK))
        return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);

    const int part = HitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (uMsg)
    {
    case WM_MOUSEMOVE:
        return OnMouseMove(part);

    case WM_LBUTTONDOWN:
        if (part == kOdbPartNone)
            break;
        if (HasFlag(kOdbFocusOnClick) && (GetWindowLongA(m_hWnd, GWL_STYLE) & WS_TABSTOP))
            SetFocus(m_hWnd);
        m_hotPart = m_pressedPart = part;
        Redraw(FALSE);
        if (part == kOdbPartBody)
        {
            SetCapture(m_hWnd);
            if (HasFlag(kOdbAutoRepeat))
            {
                SetTimer(m_hWnd, kOdbRepeatDelayTimer, RepeatDelayMs(), NULL);
                OnClicked();
            }
        }
        else
        {
            ShowMenu();
        }
        return 1;

    case WM_LBUTTONUP:
        if (m_pressedPart != kOdbPartBody)
            break;
        m_pressedPart = kOdbPartNone;
        if (part != kOdbPartNone)
        {
            if (HasFlag(kOdbToggle))
                m_style ^= kOdbLatched;
            if (!HasFlag(kOdbAutoRepeat))
                OnClicked();
        }
        KillTimer(m_hWnd, kOdbRepeatDelayTimer);
        KillTimer(m_hWnd, kOdbRepeatTimer);
        ReleaseCapture();
        PostMessageA(m_hWnd, GetCheckMousePosMessage(), 0, 0);
        return 1;

    case WM_LBUTTONDBLCLK:
        if (part == kOdbPartBody && !HasFlag(kOdbAutoRepeat))
            OnClicked();
        ReleaseCapture();
        PostMessageA(m_hWnd, GetCheckMousePosMessage(), 0, 0);
        break;
    }
    return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT COwnerDrawButton::OnMouseMove(int part)
{
    if (part == m_hotPart)
        return 0;
    if (part != kOdbPartNone && m_hotPart != kOdbPartNone)
    {
        m_hotPart = part;
        Redraw(FALSE);
        return 1;
    }
    if (m_hotPart == kOdbPartNone)
    {
        m_hotPart = part;
        TrackLeave(m_hWnd);
        if (m_pressedPart != kOdbPartNone)
        {
            Redraw(FALSE);
            return 1;
        }
        SetCapture(m_hWnd);
        for (int i = 0; i < kFadeSteps; ++i)
        {
            m_fadeLevel = (BYTE)(i * kFadeStep);
            Redraw(FALSE);
            Sleep(kFadeInSleepMs);
        }
        m_fadeLevel = kOdbFadeFull;
        Redraw(FALSE);
        return 1;
    }
    // Leaving.
    if (m_pressedPart != kOdbPartNone)
    {
        m_hotPart = kOdbPartNone;
        Redraw(FALSE);
        return 1;
    }
    if (HasFlag(kOdbFade))
    {
        for (int i = 0; i < kFadeSteps; ++i)
        {
            m_fadeLevel = (BYTE)(kOdbFadeFull - i * kFadeStep);
            Redraw(FALSE);
            Sleep(0);
        }
    }
    ReleaseCapture();
    m_hotPart = kOdbPartNone;
    Redraw(FALSE);
    return 1;
}

void COwnerDrawButton::OnTimer(UINT_PTR id)
{
    if (id == kOdbRepeatDelayTimer)
    {
        KillTimer(m_hWnd, kOdbRepeatDelayTimer);
        if (m_pressedPart == kOdbPartBody)
        {
            OnClicked();
            SetTimer(m_hWnd, kOdbRepeatTimer, RepeatIntervalMs(), NULL);
        }
    }
    else if (id == kOdbRepeatTimer)
    {
        if (m_pressedPart == kOdbPartBody)
            OnClicked();
        else if (GetCapture() != m_hWnd)
            KillTimer(m_hWnd, kOdbRepeatTimer);
    }
}

LRESULT COwnerDrawButton::OnCheckMousePos()
{
    POINT pt = {0, 0};
    GetCursorPos(&pt);
    ScreenToClient(m_hWnd, &pt);
    m_hotPart = HitTest(pt.x, pt.y);
    if (m_hotPart != kOdbPartNone && IsWindowEnabled(m_hWnd) && GetFocus() == m_hWnd)
    {
        SetCapture(m_hWnd);
        TrackLeave(m_hWnd);
        Redraw(FALSE);
        return 1;
    }
    ResetPointerState();
    // A button disabled by a style change still holds the capture.
    if (GetCapture() == m_hWnd)
        ReleaseCapture();
    Redraw(FALSE);
    return 1;
}

void COwnerDrawButton::OnMouseLeave()
{
    if (m_hotPart == kOdbPartNone || !IsWindowEnabled(m_hWnd))
        return;
    // A notice that comes while the pointer is still over the button (over
    // its tooltip, say) changes nothing: the capture sees the real leaving.
    POINT pt = {0, 0};
    GetCursorPos(&pt);
    ScreenToClient(m_hWnd, &pt);
    if (HitTest(pt.x, pt.y) != kOdbPartNone)
        return;
    OnMouseMove(kOdbPartNone);
}
