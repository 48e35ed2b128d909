// A window split into a left and a right pane by a vertical bar that the
// user drags. It forwards its children's notifications to its parent.
#pragma once

#include "framework/Framework.h"

// The layout half: two pane windows, the rectangle they share and the bar.
class CSplitterImpl
{
public:
    enum { kLeftPane = 0, kRightPane = 1 };

    CSplitterImpl() {}
    virtual ~CSplitterImpl() {}

    void SetSplitterRect(const RECT* rc = NULL, bool update = true);
    // -1 puts the bar in the middle. Returns false when nothing changed.
    bool SetSplitterPos(int pos = -1, bool update = true);
    int GetSplitterPos() const { return m_xySplitterPos; }
    void SetSplitterPanes(HWND hWndLeft, HWND hWndRight, bool update = true);
    void UpdateSplitterLayout();
    void GetSplitterBarRect(RECT* rc) const;

    int m_cxySplitBar = 4; // width of the bar
    int m_cxyMin = 20;     // least width a pane keeps while dragging

protected:
    virtual HWND SplitterWindow() const = 0;

    HWND m_hWndPane[2] = {NULL, NULL};
    RECT m_rcSplitter = {0, 0, 0, 0};
    int m_xySplitterPos = -1;
    bool m_bDragging = false;
    int m_xyDragOffset = 0;
};

class CSplitterWindowImpl : public CWindowImplBaseT, public CSplitterImpl
{
public:
    const char* GetWndClassName() const override { return "TolvexSplitter"; }
    HBRUSH GetWndClassBackground() const override { return NULL; }
    // The panes are controls of the dialog that holds the splitter: Tab
    // goes into them.
    DWORD GetWndExStyle() const override { return WS_EX_CONTROLPARENT; }

    BEGIN_MSG_MAP(CSplitterWindowImpl)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        FORWARD_NOTIFICATIONS()
    END_MSG_MAP()

    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);

protected:
    HWND SplitterWindow() const override { return m_hWnd; }

private:
    bool IsOverBar(int x, int y) const;
};
