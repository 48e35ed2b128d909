#include "controls/HyperLink.h"

#include <shellapi.h>
#include <cstring>
#include <new>

#include "base/StrUtil.h"
#include "base/WindowTable.h"
#include "base/WinUtil.h"
#include "controls/OwnerDrawButton.h"

namespace {

CWindowTable<CHyperLink> s_links;
HCURSOR s_hLinkCursor = NULL;

const DWORD kStaticTypeMask = SS_TYPEMASK;

} // namespace

// ---------------------------------------------------------------------------
// The link table and the shared procedure.

bool LinkMapAdd(CHyperLink* pLink) { return s_links.Add(pLink->GetHwnd(), pLink); }

void LinkMapRemove(CHyperLink* pLink) { s_links.Remove(pLink); }

CHyperLink* LinkMapFind(HWND hWnd) { return s_links.Find(hWnd); }

int LinkMapCount() { return s_links.Count(); }

LRESULT CALLBACK HyperLinkWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DispatchToTable(s_links, hWnd, uMsg, wParam, lParam);
}

void SetLinkCursor(HCURSOR hCursor) { s_hLinkCursor = hCursor; }

UINT LinkDrawTextFlags(DWORD style, const char* text)
{
    UINT flags;
    switch (style & kStaticTypeMask)
    {
    case SS_CENTER:
        flags = DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        flags = DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_LEFTNOWORDWRAP:
        flags = DT_LEFT;
        break;
    default:
        flags = DT_WORDBREAK;
        break;
    }
    if (style & SS_CENTERIMAGE)
    {
        // Several lines cannot be centred vertically by DrawText.
        if (text != NULL && strstr(text, "\r\n") != NULL)
            flags = DT_CENTER;
        else
            flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    }
    return flags;
}

// ---------------------------------------------------------------------------
// CHyperLink

CHyperLink::CHyperLink() { m_tipText[0] = '\0'; }

CHyperLink::~CHyperLink()
{
    if (m_hWnd != NULL && LinkMapFind(m_hWnd) == this)
        Detach();
}

void CHyperLink::Detach()
{
    Cleanup();
    s_links.Unsubclass(m_hWnd, this, HyperLinkWndProc, m_pfnOldProc);
    m_hWnd = NULL;
}

BOOL CHyperLink::Attach(HWND hDlg, UINT id)
{
    HWND hItem = GetDlgItem(hDlg, LOWORD(id));
    if (hItem == NULL)
        return FALSE;
    if (m_hWnd != NULL && LinkMapFind(m_hWnd) == this)
        return FALSE;
    if (!s_links.Subclass(hItem, this, HyperLinkWndProc, &m_pfnOldProc))
        return FALSE;
    m_hWnd = hItem;

    // The parent's font underlined; without one, the GUI font.
    LOGFONTA lf;
    HFONT hBase = (HFONT)SendMessageA(GetParent(hItem), WM_GETFONT, 0, 0);
    if (hBase == NULL || GetObjectA(hBase, sizeof(lf), &lf) != sizeof(lf))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfUnderline = TRUE;
    m_hFont.Reset(CreateFontIndirectA(&lf));
    return TRUE;
}

void CHyperLink::SetUrl(const char* url)
{
    m_pszUrl.reset();
    if (url == NULL)
        return;
    const size_t size = strlen(url) + 1;
    m_pszUrl.reset(new (std::nothrow) char[size]);
    if (m_pszUrl != NULL)
        memcpy(m_pszUrl.get(), url, size);
}

void CHyperLink::Redraw() { RedrawNow(m_hWnd, TRUE); }

void CHyperLink::GetTipText(NMTTDISPINFOA* pInfo)
{
    if (pInfo == NULL || m_tipText[0] == '\0')
        return;
    const char* tip = strrchr(m_tipText, '\n');
    tip = tip != NULL ? tip + 1 : m_tipText;
    // The notification's own buffer holds 80 characters; longer tips are cut.
    SafeCopy(pInfo->szText, tip);
    pInfo->lpszText = pInfo->szText;
}

void CHyperLink::Cleanup()
{
    m_hTooltip = NULL;
    m_tipText[0] = '\0';
    m_hFont.Reset();
    m_pszUrl.reset();
    m_bVisited = false;
    m_hCursor = NULL;
}

void CHyperLink::Paint(HDC hDC)
{
    HGDIOBJ hOldFont = m_hFont != NULL ? SelectObject(hDC, m_hFont) : NULL;
    const COLORREF oldColor = SetTextColor(hDC, m_bVisited ? m_crVisited : m_crLink);
    const int oldMode = SetBkMode(hDC, TRANSPARENT);

    char text[kLinkTextSize];
    text[0] = '\0';
    GetWindowTextA(m_hWnd, text, sizeof(text));
    const UINT flags = LinkDrawTextFlags((DWORD)GetWindowLongPtrA(m_hWnd, GWL_STYLE), text);
    RECT rc = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &rc);
    if (IsWindowEnabled(m_hWnd))
    {
        DrawTextA(hDC, text, -1, &rc, flags);
    }
    else
    {
        // Embossed: a shadow up and left, the highlight in place.
        RECT shadow = rc;
        shadow.left -= 1;
        shadow.top -= 1;
        SetTextColor(hDC, GetSysColor(COLOR_BTNSHADOW));
        DrawTextA(hDC, text, -1, &shadow, flags);
        SetTextColor(hDC, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(hDC, text, -1, &rc, flags);
    }

    SetBkMode(hDC, oldMode);
    SetTextColor(hDC, oldColor);
    if (hOldFont != NULL && hOldFont != HGDI_ERROR)
        SelectObject(hDC, hOldFont);
}

LRESULT CHyperLink::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == GetCheckMousePosMessage())
    {
        Redraw();
        return 1;
    }
    if (uMsg >= WM_MOUSEFIRST && uMsg <= WM_MOUSEWHEEL)
    {
        if (m_hTooltip != NULL)
            RelayToTooltip(m_hTooltip, hWnd, uMsg, wParam, lParam);
        if (uMsg == WM_LBUTTONDOWN && IsWindowEnabled(hWnd) && m_pszUrl != NULL)
        {
            ShellExecuteA(NULL, "open", m_pszUrl.get(), NULL, NULL, SW_SHOWNORMAL);
            m_bVisited = true;
            Redraw();
        }
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }

    switch (uMsg)
    {
    case WM_DESTROY:
        Detach();
        break;
    case WM_ENABLE:
        Redraw();
        PostMessageA(hWnd, GetCheckMousePosMessage(), 0, 0);
        break;
    case WM_PAINT:
    {
        CPaintDC dc(hWnd);
        if (dc != NULL)
            Paint(dc);
        return 1;
    }
    case WM_SETCURSOR:
        if (m_pszUrl != NULL)
        {
            HCURSOR hCursor = m_hCursor != NULL ? m_hCursor : s_hLinkCursor;
            if (hCursor != NULL)
            {
                SetCursor(hCursor);
                return 1;
            }
        }
        break;
    case WM_NOTIFY:
        if (lParam != 0 && ((NMHDR*)lParam)->code == TTN_NEEDTEXTA)
        {
            GetTipText((NMTTDISPINFOA*)lParam);
            return 0;
        }
        break;
    case WM_STYLECHANGED:
        if (IsEnableStyleChange(wParam, lParam))
            PostMessageA(hWnd, GetCheckMousePosMessage(), 0, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}
