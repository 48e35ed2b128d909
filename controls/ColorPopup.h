// The colour popup that a picker button drops down below itself: a page of
// 48 fixed colours and a page of the system colours, chosen by flat tab
// buttons. It runs a message loop of its own until a colour is picked or it
// is dismissed, so Run returns the answer directly.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "base/Handles.h"
#include "base/WinUtil.h"
#include "framework/Framework.h"
#include "res/resource.h"

const int kPaletteColumns = 8;
const int kPaletteRows = 6;
const int kPaletteCount = kPaletteColumns * kPaletteRows;
extern const COLORREF PaletteColors[kPaletteCount];

struct SystemColorEntry
{
    COLORREF value; // kSystemColorFlag | index
    const char* name;
};
const int kSystemColorCount = 25;
// The 25 system colours in index order, ended by {0, NULL}.
extern const SystemColorEntry SystemColorTable[kSystemColorCount + 1];

// The system colour dialog, opened at `color` with 16 white custom colours
// made afresh each time; true (and `color` set) when the user confirmed.
bool ChooseColorDialog(HWND hWndOwner, COLORREF& color);

class CColorPopup : public CDialogImpl<CColorPopup>
{
public:
    enum { IDD = IDD_COLORPOPUP };
    // Alternate map ids of the contained windows.
    enum { kTabMap = 1, kListMap = 2, kGridMap = 3 };
    enum { kPagePalette = 0, kPageSystem = 1 };

    CColorPopup();
    ~CColorPopup() override;

    // Shows the popup at screen point (x, y) and returns when it has closed:
    // 1 when a colour was picked, else 0. `out` gets the current colour
    // whenever the popup was shown, picked or not.
    BOOL Run(HWND hWndOwner, int x, int y, COLORREF initial, COLORREF& out);
    // Ends the loop; once a pick is recorded a later end cannot undo it.
    void EndPopup(BOOL result);
    // The page to open for a colour (and its row or cell marked).
    int SelectInitialColor(COLORREF color);
    // Cell under a point of the grid (unsigned 16-bit halves), or -1.
    int GridHitTest(int x, int y) const;

    int GetCellSize() const { return m_cellSize; }
    int GetHotCell() const { return m_hotCell; }
    COLORREF GetColor() const { return m_color; }
    HWND GetGrid() const { return m_grid.m_hWnd; }
    HWND GetList() const { return m_list.m_hWnd; }
    HWND GetTab() const { return m_tab.m_hWnd; }

    BEGIN_MSG_MAP(CColorPopup)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DRAWITEM, OnDrawItem)
        MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
        NOTIFY_HANDLER(IDC_COLORPOPUP_TAB, TCN_SELCHANGE, OnTabChanged)
        COMMAND_HANDLER(IDC_COLORPOPUP_LIST, LBN_SELCHANGE, IgnoreCommand)
        ALT_MSG_MAP(kTabMap)
        ALT_MSG_MAP(kListMap)
        MESSAGE_HANDLER(WM_KEYDOWN, OnListKeyDown)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnListLButtonUp)
        ALT_MSG_MAP(kGridMap)
        MESSAGE_HANDLER(WM_ERASEBKGND, IgnoreMessage)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnGridLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnGridLButtonUp)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnGridMouseMove)
        MESSAGE_HANDLER(WM_RBUTTONDOWN, OnGridRButtonDown)
        MESSAGE_HANDLER(WM_KEYDOWN, OnGridKeyDown)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnActivate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTabChanged(int, LPNMHDR, BOOL&);
    LRESULT IgnoreCommand(WORD, WORD, HWND, BOOL&) { return 0; }
    LRESULT IgnoreMessage(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    LRESULT OnListKeyDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnListLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGridLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGridLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGridMouseMove(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGridRButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGridKeyDown(UINT, WPARAM, LPARAM, BOOL&);

private:
    void DrawGrid(const DRAWITEMSTRUCT& dis);
    void DrawListItem(const DRAWITEMSTRUCT& dis);
    void SelectPage(int page);
    void RepaintGrid();
    // Colour of the list's selected row as the system shows it now; false
    // when no row is selected.
    bool GetSelectedListColor(COLORREF& color) const;
    void LayOut();
    void MoveOnScreen(int x, int y);

    int m_cellSize = 0;
    int m_hotCell = -1;
    BYTE m_bButtonDown = 0;
    CKernelHandle m_event; // set when the popup ends; held only while Run loops
    COLORREF m_color = 0;
    HFONT m_hFont = NULL;
    CContainedWindow m_tab;
    CContainedWindow m_list;
    CContainedWindow m_grid;
    BOOL m_result = FALSE;
};
