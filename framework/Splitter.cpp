#include "framework/Splitter.h"

#include <windowsx.h>

#include "base/GdiHandles.h"

void CSplitterImpl::SetSplitterRect(const RECT* rc, bool update)
{
    if (rc != NULL)
        m_rcSplitter = *rc;
    else if (SplitterWindow() != NULL)
        ::GetClientRect(SplitterWindow(), &m_rcSplitter);
    if (update)
        UpdateSplitterLayout();
}

bool CSplitterImpl::SetSplitterPos(int pos, bool update)
{
    int width = m_rcSplitter.right - m_rcSplitter.left;
    if (pos == -1)
        pos = (width - m_cxySplitBar) / 2;
    // Keep the bar inside the rectangle; each pane keeps its least width
    // when there is room for it.
    int most = width - m_cxySplitBar;
    if (most < 0)
        most = 0;
    int least = m_cxyMin <= most / 2 ? m_cxyMin : 0;
    if (pos < least)
        pos = least;
    if (pos > most - least)
        pos = most - least;
    bool changed = pos != m_xySplitterPos;
    m_xySplitterPos = pos;
    if (update)
        UpdateSplitterLayout();
    return changed;
}

void CSplitterImpl::SetSplitterPanes(HWND hWndLeft, HWND hWndRight, bool update)
{
    m_hWndPane[kLeftPane] = hWndLeft;
    m_hWndPane[kRightPane] = hWndRight;
    // Tab visits the panes from left to right, however they came to be
    // children of the splitter.
    if (hWndLeft != NULL && hWndRight != NULL && ::GetParent(hWndRight) == ::GetParent(hWndLeft))
        ::SetWindowPos(hWndRight, hWndLeft, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (update)
        UpdateSplitterLayout();
}

void CSplitterImpl::GetSplitterBarRect(RECT* rc) const
{
    rc->left = m_rcSplitter.left + m_xySplitterPos;
    rc->right = rc->left + m_cxySplitBar;
    rc->top = m_rcSplitter.top;
    rc->bottom = m_rcSplitter.bottom;
}

void CSplitterImpl::UpdateSplitterLayout()
{
    if (m_xySplitterPos == -1)
    {
        SetSplitterPos(-1, false);
    }
    RECT bar;
    GetSplitterBarRect(&bar);
    RECT left = m_rcSplitter, right = m_rcSplitter;
    left.right = bar.left;
    right.left = bar.right;
    const RECT* rects[2] = {&left, &right};
    for (int i = 0; i < 2; ++i)
    {
        if (m_hWndPane[i] == NULL)
            continue;
        const RECT& r = *rects[i];
        // A pane drawn for its old place is stale everywhere in its new one
        // (a list keeps its scroll bar's and its rows' old pixels), so none
        // of it is kept.
        ::SetWindowPos(m_hWndPane[i], NULL, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
        ::RedrawWindow(m_hWndPane[i], NULL, NULL,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    if (SplitterWindow() != NULL)
        ::InvalidateRect(SplitterWindow(), &bar, TRUE);
}

// ---------------------------------------------------------------------------

bool CSplitterWindowImpl::IsOverBar(int x, int y) const
{
    RECT bar;
    GetSplitterBarRect(&bar);
    POINT pt = {x, y};
    return ::PtInRect(&bar, pt) != FALSE;
}

LRESULT CSplitterWindowImpl::OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != SIZE_MINIMIZED)
        SetSplitterRect();
    bHandled = FALSE;
    return 0;
}

LRESULT CSplitterWindowImpl::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    CPaintDC dc(m_hWnd);
    RECT bar;
    GetSplitterBarRect(&bar);
    ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_3DFACE));
    return 0;
}

LRESULT CSplitterWindowImpl::OnSetCursor(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if ((HWND)wParam == m_hWnd && LOWORD(lParam) == HTCLIENT)
    {
        DWORD pos = ::GetMessagePos();
        POINT pt = {GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
        ::ScreenToClient(m_hWnd, &pt);
        if (IsOverBar(pt.x, pt.y))
        {
            ::SetCursor(::LoadCursorA(NULL, (LPCSTR)IDC_SIZEWE));
            return TRUE;
        }
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CSplitterWindowImpl::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    if (IsOverBar(x, y))
    {
        m_bDragging = true;
        m_xyDragOffset = x - (m_rcSplitter.left + m_xySplitterPos);
        ::SetCapture(m_hWnd);
    }
    return 0;
}

LRESULT CSplitterWindowImpl::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (m_bDragging && ::GetCapture() == m_hWnd)
    {
        int pos = GET_X_LPARAM(lParam) - m_xyDragOffset - m_rcSplitter.left;
        if (SetSplitterPos(pos, true))
            ::UpdateWindow(m_hWnd);
    }
    return 0;
}

LRESULT CSplitterWindowImpl::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_bDragging)
    {
        m_bDragging = false;
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
    }
    return 0;
}

LRESULT CSplitterWindowImpl::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&)
{
    m_bDragging = false;
    return 0;
}

LRESULT CSplitterWindowImpl::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_hWndPane[kLeftPane] != NULL)
        ::SetFocus(m_hWndPane[kLeftPane]);
    return 0;
}
