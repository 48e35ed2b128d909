// Link text: takes over a static control of a dialog and draws its text
// underlined and transparent in the link colour (the visited colour once
// clicked); a left-button press opens the target with the shell verb
// "open". Links share one window procedure, which finds the object through
// a process-wide table of {window, object} pairs.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <memory>

#include "base/GdiHandles.h"

const COLORREF kLinkColor = RGB(0x00, 0x00, 0xEE);
const COLORREF kLinkVisitedColor = RGB(0x55, 0x1A, 0x8B);
const size_t kLinkTipTextSize = 1028;
const size_t kLinkTextSize = 1024;

class CHyperLink;

LRESULT CALLBACK HyperLinkWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The link table. Add fails (false) when the table cannot grow.
bool LinkMapAdd(CHyperLink* pLink);
void LinkMapRemove(CHyperLink* pLink);
CHyperLink* LinkMapFind(HWND hWnd);
int LinkMapCount();

// The cursor every link shows over itself while it has a target (NULL: the
// static class's cursor). A resource cursor; never destroyed.
void SetLinkCursor(HCURSOR hCursor);

// DrawText flags for a static of that style showing that text.
UINT LinkDrawTextFlags(DWORD style, const char* text);

class CHyperLink
{
public:
    CHyperLink();
    // Hands a still attached window back to the static, so the shared
    // procedure never reaches a dead object.
    virtual ~CHyperLink();
    CHyperLink(const CHyperLink&) = delete;
    CHyperLink& operator=(const CHyperLink&) = delete;

    virtual LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void Cleanup();
    virtual void Paint(HDC hDC);
    virtual void GetTipText(NMTTDISPINFOA* pInfo);

    // Takes over the dialog's item; 0 when there is none, when it is already
    // a link or this object already has a window, or the table cannot grow.
    BOOL Attach(HWND hDlg, UINT id);
    // Stores a copy of the target (NULL: none).
    void SetUrl(const char* url);
    // Repaints the link and the parent's background under it at once.
    void Redraw();

    HWND GetHwnd() const { return m_hWnd; }
    const char* GetUrl() const { return m_pszUrl.get(); }
    bool IsVisited() const { return m_bVisited; }
    HFONT GetFont() const { return m_hFont; }
    COLORREF GetLinkColor() const { return m_crLink; }
    COLORREF GetVisitedColor() const { return m_crVisited; }

protected:
    void Detach();

    HWND m_hWnd = NULL;
    WNDPROC m_pfnOldProc = NULL;
    COLORREF m_crLink = kLinkColor;
    COLORREF m_crVisited = kLinkVisitedColor;
    bool m_bVisited = false;
    std::unique_ptr<char[]> m_pszUrl; // NULL: no target
    CGdiObject<HFONT> m_hFont;
    HCURSOR m_hCursor = NULL;
    char m_tipText[kLinkTipTextSize];
    HWND m_hTooltip = NULL;
};
