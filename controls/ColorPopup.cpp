#include "controls/ColorPopup.h"

#include <commctrl.h>
#include <commdlg.h>
#include <cstring>

#include "base/GdiHandles.h"

const COLORREF PaletteColors[kPaletteCount] = {
    0x000000, 0x000040, 0x404080, 0x004040, 0x004000, 0x404000, 0x400000, 0x400040,
    0x404040, 0x000080, 0x004080, 0x008080, 0x008000, 0x808000, 0x800000, 0x800080,
    0x808080, 0x0000C0, 0x0040C0, 0x00C0C0, 0x00C000, 0xC0C000, 0xC00000, 0xC000C0,
    0xC0C0C0, 0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF,
    0xE0E0E0, 0x8080FF, 0x80C0FF, 0x80FFFF, 0x80FF80, 0xFFFF80, 0xFF8080, 0xFF80FF,
    0xFFFFFF, 0xC0C0FF, 0xC0E0FF, 0xC0FFFF, 0xC0FFC0, 0xFFFFC0, 0xFFC0C0, 0xFFC0FF,
};

const SystemColorEntry SystemColorTable[kSystemColorCount + 1] = {
    {kSystemColorFlag | COLOR_SCROLLBAR, "Scroll Bars"},
    {kSystemColorFlag | COLOR_BACKGROUND, "Desktop"},
    {kSystemColorFlag | COLOR_ACTIVECAPTION, "Active Title Bar"},
    {kSystemColorFlag | COLOR_INACTIVECAPTION, "Inactive Title Bar"},
    {kSystemColorFlag | COLOR_MENU, "Menu Bar"},
    {kSystemColorFlag | COLOR_WINDOW, "Window Background"},
    {kSystemColorFlag | COLOR_WINDOWFRAME, "Window Frame"},
    {kSystemColorFlag | COLOR_MENUTEXT, "Menu Text"},
    {kSystemColorFlag | COLOR_WINDOWTEXT, "Window Text"},
    {kSystemColorFlag | COLOR_CAPTIONTEXT, "Active Title Bar Text"},
    {kSystemColorFlag | COLOR_ACTIVEBORDER, "Active Border"},
    {kSystemColorFlag | COLOR_INACTIVEBORDER, "Inactive Border"},
    {kSystemColorFlag | COLOR_APPWORKSPACE, "Application Workspace"},
    {kSystemColorFlag | COLOR_HIGHLIGHT, "Highlight"},
    {kSystemColorFlag | COLOR_HIGHLIGHTTEXT, "Highlight Text"},
    {kSystemColorFlag | COLOR_BTNFACE, "Button Face"},
    {kSystemColorFlag | COLOR_BTNSHADOW, "Button Shadow"},
    {kSystemColorFlag | COLOR_GRAYTEXT, "Disabled Text"},
    {kSystemColorFlag | COLOR_BTNTEXT, "Button Text"},
    {kSystemColorFlag | COLOR_INACTIVECAPTIONTEXT, "Inactive Title Bar Text"},
    {kSystemColorFlag | COLOR_BTNHIGHLIGHT, "Button Highlight"},
    {kSystemColorFlag | COLOR_3DDKSHADOW, "Button Dark Shadow"},
    {kSystemColorFlag | COLOR_3DLIGHT, "Button Light Shadow"},
    {kSystemColorFlag | COLOR_INFOTEXT, "ToolTip Text"},
    {kSystemColorFlag | COLOR_INFOBK, "ToolTip"},
    {0, NULL},
};

namespace {

const int kCustomColorCount = 16;
const COLORREF kCustomColorWhite = 0xFFFFFF;
const DWORD kChooseColorFlags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
const DWORD kGridStyle = WS_CHILD | BS_OWNERDRAW | BS_NOTIFY;
// The cell is this much smaller than its square on every side.
const int kCellInset = 3;
// The cell size from the widest name: 5/32 of it plus a scroll bar.
const int kCellSizeNumerator = 5;
const int kCellSizeDenominator = 32;
// The list's swatch is two row heights wide, inset by this much.
const int kSwatchInset = 2;
const int kTextGap = 2;

} // namespace

bool ChooseColorDialog(HWND hWndOwner, COLORREF& color)
{
    COLORREF custom[kCustomColorCount];
    for (COLORREF& c : custom)
        c = kCustomColorWhite;
    CHOOSECOLORA cc;
    memset(&cc, 0, sizeof(cc));
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = hWndOwner;
    cc.rgbResult = color;
    cc.lpCustColors = custom;
    cc.Flags = kChooseColorFlags;
    if (!ChooseColorA(&cc))
        return false;
    color = cc.rgbResult;
    return true;
}

CColorPopup::CColorPopup() : m_tab(this, kTabMap), m_list(this, kListMap), m_grid(this, kGridMap) {}

CColorPopup::~CColorPopup() = default;

// ---------------------------------------------------------------------------
// Opening, the loop and closing.

BOOL CColorPopup::Run(HWND hWndOwner, int x, int y, COLORREF initial, COLORREF& out)
{
    if (m_hWnd != NULL)
        return FALSE;
    m_result = FALSE;
    m_bButtonDown = 0;
    m_event.Reset(CreateEventA(NULL, FALSE, FALSE, NULL));
    if (!m_event.Valid())
        return FALSE;
    if (Create(hWndOwner) == NULL)
    {
        m_event.Close();
        return FALSE;
    }
    m_color = initial;
    SelectPage(SelectInitialColor(initial));
    LayOut();
    MoveOnScreen(x, y);
    m_result = FALSE;

    // No dialog keyboard processing: the list and the grid take Tab, Enter
    // and Esc themselves.
    for (;;)
    {
        HANDLE endEvent = m_event.Get();
        DWORD wait = MsgWaitForMultipleObjects(1, &endEvent, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        BOOL ended = FALSE;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (WaitForSingleObject(m_event.Get(), 0) == WAIT_OBJECT_0)
            {
                ended = TRUE;
                break;
            }
        }
        if (ended)
            break;
    }

    DestroyWindow();
    m_event.Close();
    out = m_color;
    return m_result;
}

void CColorPopup::EndPopup(BOOL result)
{
    if (m_event.Valid())
        SetEvent(m_event.Get());
    if (!m_result)
        m_result = result;
}

int CColorPopup::SelectInitialColor(COLORREF color)
{
    for (int i = 0; SystemColorTable[i].name != NULL; ++i)
    {
        if (SystemColorTable[i].value == color)
        {
            m_list.SendMessage(LB_SETCURSEL, i);
            return kPageSystem;
        }
    }
    m_hotCell = -1;
    for (int i = 0; i < kPaletteCount; ++i)
    {
        if (PaletteColors[i] == color)
        {
            m_hotCell = i;
            break;
        }
    }
    return kPagePalette;
}

void CColorPopup::LayOut()
{
    int widest = 0;
    {
        CWindowDC dc(m_hWnd);
        CSelectObject font(dc, m_hFont);
        for (int i = 0; SystemColorTable[i].name != NULL; ++i)
        {
            const char* name = SystemColorTable[i].name;
            SIZE size = {0, 0};
            GetTextExtentPoint32A(dc, name, (int)strlen(name), &size);
            if (size.cx + size.cy > widest)
                widest = size.cx + size.cy;
        }
    }
    m_cellSize = MulDiv(widest + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER),
                        kCellSizeNumerator, kCellSizeDenominator);

    RECT rc = {0, 0, kPaletteColumns * m_cellSize, kPaletteRows * m_cellSize};
    m_tab.SendMessage(TCM_ADJUSTRECT, TRUE, (LPARAM)&rc);
    LONG_PTR tabStyle = GetWindowLongPtrA(m_tab, GWL_STYLE);
    if ((tabStyle & TCS_FLATBUTTONS) == 0)
        SetWindowLongPtrA(m_tab, GWL_STYLE, tabStyle | TCS_FLATBUTTONS);
    if (rc.left < 0)
        OffsetRect(&rc, -rc.left, 0);
    if (rc.top < 0)
        OffsetRect(&rc, 0, -rc.top);
    rc.bottom += 2 * GetSystemMetrics(SM_CYEDGE) + 2;
    rc.right += 2 * GetSystemMetrics(SM_CXEDGE) + 2;
    SetWindowPos(m_hWnd, NULL, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    RECT client;
    GetClientRect(&client);
    MoveWindow(m_tab, 0, 0, client.right, client.bottom, FALSE);
    RECT page = client;
    m_tab.SendMessage(TCM_ADJUSTRECT, FALSE, (LPARAM)&page);
    const int w = page.right - page.left, h = page.bottom - page.top;
    MoveWindow(m_list, page.left, page.top, w, h, FALSE);
    MoveWindow(m_grid, page.left, page.top, w, h, FALSE);
}

void CColorPopup::MoveOnScreen(int x, int y)
{
    RECT rc;
    GetWindowRect(&rc);
    const int h = rc.bottom - rc.top;
    const int screen = GetSystemMetrics(SM_CYSCREEN);
    if (y + h >= screen)
        y = screen - h;
    SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
    ShowWindow(SW_SHOW);
}

// ---------------------------------------------------------------------------
// Dialog messages.

LRESULT CColorPopup::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    HWND hGrid = CreateWindowExA(0, "BUTTON", "", kGridStyle, 0, 0, 0, 0, m_hWnd,
                                 (HMENU)(INT_PTR)IDC_COLORPOPUP_GRID,
                                 (HINSTANCE)GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE), NULL);
    if (hGrid != NULL)
        m_grid.SubclassWindow(hGrid);
    m_tab.SubclassWindow(GetDlgItem(IDC_COLORPOPUP_TAB));
    m_list.SubclassWindow(GetDlgItem(IDC_COLORPOPUP_LIST));

    const char* pages[] = {"Palette", "System"};
    for (int i = 0; i < (int)(sizeof(pages) / sizeof(pages[0])); ++i)
    {
        TCITEMA item;
        memset(&item, 0, sizeof(item));
        item.mask = TCIF_TEXT;
        item.pszText = (LPSTR)pages[i];
        m_tab.SendMessage(TCM_INSERTITEMA, i, (LPARAM)&item);
    }
    for (int i = 0; SystemColorTable[i].name != NULL; ++i)
    {
        LRESULT row = m_list.SendMessage(LB_ADDSTRING, 0, (LPARAM)SystemColorTable[i].name);
        if (row >= 0)
            m_list.SendMessage(LB_SETITEMDATA, (WPARAM)row, i);
    }

    m_hFont = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    m_tab.SendMessage(WM_SETFONT, (WPARAM)m_hFont, TRUE);
    m_list.SendMessage(WM_SETFONT, (WPARAM)m_hFont, TRUE);
    m_grid.SendMessage(WM_SETFONT, (WPARAM)m_hFont, TRUE);
    // No focus from the dialog manager: opening the page focuses it.
    return 0;
}

LRESULT CColorPopup::OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    const DRAWITEMSTRUCT* dis = (const DRAWITEMSTRUCT*)lParam;
    if (dis == NULL)
        return 0;
    if (dis->CtlID == IDC_COLORPOPUP_GRID)
        DrawGrid(*dis);
    else if (dis->CtlID == IDC_COLORPOPUP_LIST)
        DrawListItem(*dis);
    return 0;
}

LRESULT CColorPopup::OnActivate(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (LOWORD(wParam) == WA_INACTIVE)
    {
        ShowWindow(SW_HIDE);
        EndPopup(FALSE);
    }
    // The dialog manager still keeps track of the focus.
    bHandled = FALSE;
    return 0;
}

LRESULT CColorPopup::OnTabChanged(int, LPNMHDR, BOOL&)
{
    if (m_tab.SendMessage(TCM_GETCURSEL) != kPagePalette)
    {
        m_list.ShowWindow(SW_SHOW);
        m_grid.ShowWindow(SW_HIDE);
        ::SetFocus(m_list);
    }
    else
    {
        m_grid.ShowWindow(SW_SHOW);
        m_list.ShowWindow(SW_HIDE);
        ::SetFocus(m_grid);
    }
    return 0;
}

void CColorPopup::SelectPage(int page)
{
    m_tab.SendMessage(TCM_SETCURSEL, page);
    BOOL handled = TRUE;
    OnTabChanged(0, NULL, handled);
}

// ---------------------------------------------------------------------------
// Painting.

void CColorPopup::RepaintGrid()
{
    InvalidateRect(m_grid, NULL, FALSE);
    UpdateWindow(m_grid);
}

void CColorPopup::DrawGrid(const DRAWITEMSTRUCT& dis)
{
    const int w = dis.rcItem.right - dis.rcItem.left, h = dis.rcItem.bottom - dis.rcItem.top;
    CMemoryDC mem(dis.hDC);
    CBitmapHandle bitmap(CreateCompatibleBitmap(dis.hDC, w, h));
    if (mem == NULL || bitmap == NULL)
        return;
    {
        CSelectObject selectBitmap(mem, bitmap);
        RECT all = {0, 0, w, h};
        FillRect(mem, &all, GetSysColorBrush(COLOR_BTNFACE));
        const int s = m_cellSize;
        for (int i = 0; i < kPaletteCount; ++i)
        {
            const int column = i % kPaletteColumns, row = i / kPaletteColumns;
            RECT cell = {column * s, row * s, column * s + s - 1, row * s + s - 1};
            InflateRect(&cell, -kCellInset, -kCellInset);
            {
                CGdiObject<HBRUSH> brush(CreateSolidBrush(PaletteColors[i]));
                CSelectObject selectBrush(mem, brush);
                Rectangle(mem, cell.left, cell.top, cell.right, cell.bottom);
            }
            InflateRect(&cell, kCellInset, kCellInset);
            if (i == m_hotCell)
                DrawEdge(mem, &cell, EDGE_SUNKEN, BF_RECT);
        }
        BitBlt(dis.hDC, dis.rcItem.left, dis.rcItem.top, w, h, mem, 0, 0, SRCCOPY);
    }
}

void CColorPopup::DrawListItem(const DRAWITEMSTRUCT& dis)
{
    // An empty list asks for its focus frame with no item.
    if (dis.itemID == (UINT)-1 || dis.itemData >= (ULONG_PTR)kSystemColorCount)
        return;
    const SystemColorEntry& entry = SystemColorTable[dis.itemData];
    const BOOL selected = (dis.itemState & ODS_SELECTED) != 0;
    HDC hDC = dis.hDC;
    RECT item = dis.rcItem;
    FillRect(hDC, &item, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

    const int itemHeight = item.bottom - item.top;
    RECT swatch = item;
    swatch.right = swatch.left + 2 * itemHeight;
    InflateRect(&swatch, -kSwatchInset, -kSwatchInset);
    CGdiObject<HBRUSH> brush(CreateSolidBrush(TranslateSystemColor(entry.value)));
    if (selected)
    {
        FillRect(hDC, &swatch, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        InflateRect(&swatch, -1, -1);
        FillRect(hDC, &swatch, brush);
    }
    else
    {
        CSelectObject selectBrush(hDC, brush);
        Rectangle(hDC, swatch.left, swatch.top, swatch.right, swatch.bottom);
    }

    RECT text = item;
    text.left = item.left + 2 * itemHeight + kTextGap;
    const COLORREF oldBack =
        SetBkColor(hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const COLORREF oldText =
        SetTextColor(hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    ExtTextOutA(hDC, text.left, text.top, ETO_OPAQUE | ETO_CLIPPED, &text, entry.name,
                (UINT)strlen(entry.name), NULL);
    if (selected)
        DrawFocusRect(hDC, &item);
    SetBkColor(hDC, oldBack);
    SetTextColor(hDC, oldText);
}

// ---------------------------------------------------------------------------
// The grid.

int CColorPopup::GridHitTest(int x, int y) const
{
    if (m_cellSize <= 0)
        return -1;
    // The halves of lParam unsigned: points left of or above the grid are
    // far outside it.
    const int column = (int)(WORD)x / m_cellSize;
    const int row = (int)(WORD)y / m_cellSize;
    if (column < 0 || column >= kPaletteColumns || row < 0 || row >= kPaletteRows)
        return -1;
    return column + kPaletteColumns * row;
}

LRESULT CColorPopup::OnGridLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    m_bButtonDown = 0;
    m_hotCell = GridHitTest(LOWORD(lParam), HIWORD(lParam));
    if (m_hotCell < 0)
        return 0;
    ::SetCapture(m_grid);
    m_bButtonDown = 1;
    m_color = PaletteColors[m_hotCell];
    RepaintGrid();
    return 0;
}

LRESULT CColorPopup::OnGridMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (m_bButtonDown != 1)
        return 0;
    const int cell = GridHitTest(LOWORD(lParam), HIWORD(lParam));
    if (cell < 0)
    {
        m_hotCell = -1;
        return 0;
    }
    if (cell != m_hotCell)
    {
        m_color = PaletteColors[cell];
        m_hotCell = cell;
        RepaintGrid();
    }
    return 0;
}

LRESULT CColorPopup::OnGridLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (::GetCapture() == m_grid)
        ::ReleaseCapture();
    const int cell = GridHitTest(LOWORD(lParam), HIWORD(lParam));
    if (m_bButtonDown == 1 && cell >= 0)
    {
        m_color = PaletteColors[cell];
        EndPopup(TRUE);
    }
    m_bButtonDown = 0;
    return 0;
}

LRESULT CColorPopup::OnGridRButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    const int cell = GridHitTest(LOWORD(lParam), HIWORD(lParam));
    if (cell < 0)
        return 0;
    // The dialog takes the activation, which closes the popup unpicked; a
    // colour confirmed there is still the user's pick.
    COLORREF color = PaletteColors[cell];
    if (ChooseColorDialog(::GetWindow(m_hWnd, GW_OWNER), color))
    {
        m_color = color;
        EndPopup(TRUE);
    }
    return 0;
}

LRESULT CColorPopup::OnGridKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    const int last = kPaletteCount - 1;
    switch (wParam)
    {
    case VK_TAB:
        SelectPage(kPageSystem);
        break;
    case VK_RETURN:
        if (m_hotCell >= 0 && m_hotCell <= last)
        {
            m_color = PaletteColors[m_hotCell];
            EndPopup(TRUE);
        }
        else
        {
            EndPopup(FALSE);
        }
        break;
    case VK_ESCAPE:
        EndPopup(FALSE);
        break;
    case VK_LEFT:
        m_hotCell = m_hotCell - 1 < 0 ? 0 : m_hotCell - 1;
        RepaintGrid();
        break;
    case VK_UP:
        m_hotCell = m_hotCell - kPaletteColumns < 0 ? 0 : m_hotCell - kPaletteColumns;
        RepaintGrid();
        break;
    case VK_RIGHT:
        m_hotCell = m_hotCell + 1 > last ? last : m_hotCell + 1;
        RepaintGrid();
        break;
    case VK_DOWN:
        m_hotCell = m_hotCell + kPaletteColumns > last ? last : m_hotCell + kPaletteColumns;
        RepaintGrid();
        break;
    default:
        break;
    }
    // The button's own procedure sees the key too.
    bHandled = FALSE;
    return 0;
}

// ---------------------------------------------------------------------------
// The list.

bool CColorPopup::GetSelectedListColor(COLORREF& color) const
{
    LRESULT row = m_list.SendMessage(LB_GETCURSEL);
    if (row < 0)
        return false;
    LRESULT index = m_list.SendMessage(LB_GETITEMDATA, (WPARAM)row);
    if (index < 0 || index >= kSystemColorCount)
        return false;
    color = TranslateSystemColor(SystemColorTable[index].value);
    return true;
}

LRESULT CColorPopup::OnListKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    switch (wParam)
    {
    case VK_ESCAPE:
        EndPopup(FALSE);
        break;
    case VK_TAB:
        SelectPage(kPagePalette);
        break;
    case VK_RETURN:
    {
        COLORREF color;
        if (GetSelectedListColor(color))
            m_color = color;
        EndPopup(TRUE);
        break;
    }
    default:
        break;
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CColorPopup::OnListLButtonUp(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    COLORREF color;
    if (GetSelectedListColor(color))
        m_color = color;
    EndPopup(TRUE);
    bHandled = FALSE;
    return 0;
}
