// ColorPopup: the colour popup lays out, paints, and picks by mouse, keys and the system list.
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <string>

#include "base/GdiHandles.h"
#include "controls/Bitmaps.h"
#include "controls/ColorPopup.h"
#include "tests/support/ColorDialogWatch.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

namespace {

INT_PTR CALLBACK OwnerProc(HWND, UINT uMsg, WPARAM, LPARAM) { return uMsg == WM_INITDIALOG; }

struct Outcome
{
    BOOL picked = FALSE;
    COLORREF color = 0xDEADBEEF;
    // The popup was still open when the test's steps were done.
    bool leftOpen = false;
};

// Something every popup step can look at.
typedef std::function<bool(CColorPopup&, int)> PopupStep;

class ColorPopupTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        owner = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_TEST_COLOR), NULL,
                                   OwnerProc, 0);
        SetWindowPos(owner, NULL, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(owner, SW_SHOW);
        SetForegroundWindow(owner);
        PumpMessages(50);
    }
    static void TearDownTestSuite() { DestroyWindow(owner); }

    // Runs a popup at (x, y); `step` acts on it from a timer inside its loop
    // until it returns false. A popup still open then is closed unpicked.
    static Outcome Run(COLORREF initial, const PopupStep& step, int x = 120, int y = 160)
    {
        Outcome o;
        CColorPopup popup;
        bool acting = true;
        DriveWhile([&] { o.picked = popup.Run(owner, x, y, initial, o.color); },
                   [&](int n) {
                       if (popup.m_hWnd == NULL)
                           return false;
                       if (acting)
                       {
                           acting = step(popup, n);
                           return true;
                       }
                       o.leftOpen = IsWindowVisible(popup.m_hWnd) != FALSE;
                       popup.EndPopup(FALSE);
                       return false;
                   },
                   20, 200);
        EXPECT_FALSE(IsWindow(popup.m_hWnd));
        return o;
    }
    static HWND owner;
};
HWND ColorPopupTest::owner = NULL;

LPARAM CellPoint(const CColorPopup& p, int cell)
{
    const int s = p.GetCellSize();
    return MAKELPARAM((cell % kPaletteColumns) * s + s / 2, (cell / kPaletteColumns) * s + s / 2);
}

void Key(HWND h, WPARAM vk) { SendMessageA(h, WM_KEYDOWN, vk, 1); }

RECT WindowRectOf(HWND h)
{
    RECT rc;
    GetWindowRect(h, &rc);
    return rc;
}

// Asks the popup to paint one item into `dc`.
void DrawItemInto(const CColorPopup& p, HDC dc, UINT type, UINT id, HWND item, UINT itemId,
                  UINT state, const RECT& rc)
{
    DRAWITEMSTRUCT dis;
    memset(&dis, 0, sizeof(dis));
    dis.CtlType = type;
    dis.CtlID = id;
    dis.itemID = itemId;
    dis.itemData = itemId;
    dis.itemState = state;
    dis.hwndItem = item;
    dis.hDC = dc;
    dis.rcItem = rc;
    SendMessageA(p.m_hWnd, WM_DRAWITEM, id, (LPARAM)&dis);
}

} // namespace

TEST_F(ColorPopupTest, LayoutFollowsTheWidestNameAndTheScreenBottom)
{
    const int screenH = GetSystemMetrics(SM_CYSCREEN), screenW = GetSystemMetrics(SM_CXSCREEN);
    struct Case
    {
        int x, y;
        bool movedUp;
    } cases[] = {
        {120, 160, false},
        // Too low: moved up to end at the bottom; off the right edge it stays.
        {screenW - 15, screenH - 20, true},
    };
    for (const Case& c : cases)
    {
        RECT win = {0, 0, 0, 0};
        Run(
            0x646464,
            [&](CColorPopup& p, int) {
                win = WindowRectOf(p.m_hWnd);
                const int s = p.GetCellSize();
                // The widest name decides the cell size.
                HDC dc = GetDC(p.m_hWnd);
                HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
                int widest = 0;
                for (int i = 0; i < kSystemColorCount; ++i)
                {
                    SIZE sz;
                    GetTextExtentPoint32A(dc, SystemColorTable[i].name,
                                          (int)strlen(SystemColorTable[i].name), &sz);
                    widest = std::max(widest, (int)(sz.cx + sz.cy));
                }
                SelectObject(dc, old);
                ReleaseDC(p.m_hWnd, dc);
                EXPECT_EQ(MulDiv(widest + GetSystemMetrics(SM_CXVSCROLL) +
                                     2 * GetSystemMetrics(SM_CXBORDER),
                                 5, 32),
                          s);

                // The tab fills the client area; grid and list its page.
                RECT client, tab, page;
                GetClientRect(p.m_hWnd, &client);
                tab = WindowRectOf(p.GetTab());
                MapWindowPoints(NULL, p.m_hWnd, (POINT*)&tab, 2);
                EXPECT_TRUE(EqualRect(&client, &tab));
                page = client;
                SendMessageA(p.GetTab(), TCM_ADJUSTRECT, FALSE, (LPARAM)&page);
                for (HWND child : {p.GetGrid(), p.GetList()})
                {
                    RECT rc = WindowRectOf(child);
                    MapWindowPoints(NULL, p.m_hWnd, (POINT*)&rc, 2);
                    EXPECT_TRUE(EqualRect(&page, &rc));
                }
                EXPECT_GE(page.right - page.left, 8 * s);
                EXPECT_GE(page.bottom - page.top, 6 * s);
                EXPECT_TRUE(GetWindowLongA(p.GetTab(), GWL_STYLE) & TCS_FLATBUTTONS);
                EXPECT_TRUE(GetWindowLongA(p.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
                return false;
            },
            c.x, c.y);
        EXPECT_EQ(c.x, win.left);
        if (c.movedUp)
            EXPECT_EQ(screenH, win.bottom);
        else
            EXPECT_EQ(c.y, win.top);
    }
}

TEST_F(ColorPopupTest, InitialColourOpensItsPageAndEscClosesUnpicked)
{
    struct Case
    {
        COLORREF initial;
        int page, listRow, hotCell;
    } cases[] = {
        {0x80000005, CColorPopup::kPageSystem, 5, -1}, // "Window Background"
        {0x00FF0000, CColorPopup::kPagePalette, -1, 30},
        {0x00646464, CColorPopup::kPagePalette, -1, -1},
    };
    for (const Case& c : cases)
    {
        Outcome o = Run(c.initial, [&](CColorPopup& p, int) {
            const bool system = c.page == CColorPopup::kPageSystem;
            EXPECT_EQ(c.page, SendMessageA(p.GetTab(), TCM_GETCURSEL, 0, 0));
            EXPECT_EQ(system, IsWindowVisible(p.GetList()) != FALSE);
            EXPECT_EQ(!system, IsWindowVisible(p.GetGrid()) != FALSE);
            EXPECT_EQ(system ? p.GetList() : p.GetGrid(), GetFocus());
            EXPECT_EQ(c.hotCell, p.GetHotCell());
            if (system)
            {
                EXPECT_EQ(c.listRow, SendMessageA(p.GetList(), LB_GETCURSEL, 0, 0));
                EXPECT_EQ(kSystemColorCount, SendMessageA(p.GetList(), LB_GETCOUNT, 0, 0));
                for (int i = 0; i < kSystemColorCount; ++i)
                    EXPECT_EQ(i, SendMessageA(p.GetList(), LB_GETITEMDATA, i, 0));
            }
            Key(GetFocus(), VK_ESCAPE);
            return false;
        });
        EXPECT_FALSE(o.picked) << std::hex << c.initial;
        EXPECT_FALSE(o.leftOpen);
        EXPECT_EQ(c.initial, o.color);
    }
}

TEST_F(ColorPopupTest, GridDragPicksTheCellOfTheRelease)
{
    const LPARAM outside = MAKELPARAM(-5, 10); // left of the grid: far outside
    Outcome o = Run(0x646464, [&](CColorPopup& p, int) {
        HWND grid = p.GetGrid();
        // Neither a release without a press nor a right press off the
        // cells does anything.
        SendMessageA(grid, WM_LBUTTONUP, 0, CellPoint(p, 4));
        SendMessageA(grid, WM_RBUTTONDOWN, MK_RBUTTON, outside);
        SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(p, 3));
        EXPECT_EQ(grid, GetCapture());
        EXPECT_EQ(3, p.GetHotCell());
        SendMessageA(grid, WM_MOUSEMOVE, MK_LBUTTON, CellPoint(p, 10));
        EXPECT_EQ(10, p.GetHotCell());
        EXPECT_EQ(PaletteColors[10], p.GetColor());
        SendMessageA(grid, WM_MOUSEMOVE, MK_LBUTTON, outside);
        EXPECT_EQ(-1, p.GetHotCell());
        EXPECT_EQ(PaletteColors[10], p.GetColor());
        SendMessageA(grid, WM_MOUSEMOVE, MK_LBUTTON, CellPoint(p, 20));
        SendMessageA(grid, WM_LBUTTONUP, 0, CellPoint(p, 20));
        return false;
    });
    EXPECT_TRUE(o.picked);
    EXPECT_FALSE(o.leftOpen);
    EXPECT_EQ(PaletteColors[20], o.color);

    // Released off the grid: the popup stays open, nothing is picked.
    o = Run(0x646464, [&](CColorPopup& p, int) {
        SendMessageA(p.GetGrid(), WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(p, 5));
        SendMessageA(p.GetGrid(), WM_MOUSEMOVE, MK_LBUTTON, outside);
        SendMessageA(p.GetGrid(), WM_LBUTTONUP, 0, outside);
        EXPECT_EQ(NULL, GetCapture());
        return false;
    });
    EXPECT_TRUE(o.leftOpen);
    EXPECT_FALSE(o.picked);
}

TEST_F(ColorPopupTest, GridKeysMoveTheFrameAndEnterPicksIt)
{
    const LPARAM outside = MAKELPARAM(-5, -5);
    Outcome o = Run(0x646464, [&](CColorPopup& p, int) {
        HWND grid = p.GetGrid();
        struct Step
        {
            WPARAM key;
            int hot; // after the key
            bool fromNone;
        } steps[] = {
            {VK_DOWN, 7, true},   {VK_RIGHT, 0, true},  {VK_LEFT, 0, true},   {VK_UP, 0, true},
            {VK_DOWN, 8, false},  {VK_LEFT, 7, false},  {VK_RIGHT, 8, false}, {VK_UP, 0, false},
            {VK_UP, 0, false},    {VK_DOWN, 8, false},  {VK_DOWN, 16, false}, {VK_DOWN, 24, false},
            {VK_DOWN, 32, false}, {VK_DOWN, 40, false}, {VK_DOWN, 47, false}, {VK_RIGHT, 47, false},
            {VK_DOWN, 47, false}, {VK_UP, 39, false},   {VK_LEFT, 38, false},
        };
        for (const Step& st : steps)
        {
            if (st.fromNone)
            {
                SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, outside); // clears the frame
                EXPECT_EQ(-1, p.GetHotCell());
            }
            Key(grid, st.key);
            EXPECT_EQ(st.hot, p.GetHotCell()) << st.key;
        }
        // The arrows move the frame only, not the colour.
        EXPECT_EQ(0x646464u, p.GetColor());
        // Tab goes to the list and back.
        Key(grid, VK_TAB);
        EXPECT_EQ(CColorPopup::kPageSystem, SendMessageA(p.GetTab(), TCM_GETCURSEL, 0, 0));
        EXPECT_EQ(p.GetList(), GetFocus());
        Key(p.GetList(), VK_TAB);
        EXPECT_EQ(CColorPopup::kPagePalette, SendMessageA(p.GetTab(), TCM_GETCURSEL, 0, 0));
        EXPECT_EQ(grid, GetFocus());
        Key(grid, VK_RETURN);
        return false;
    });
    EXPECT_TRUE(o.picked);
    EXPECT_EQ(PaletteColors[38], o.color);

    // Enter without a framed cell closes without a pick.
    o = Run(0x646464, [&](CColorPopup& p, int) {
        Key(p.GetGrid(), VK_RETURN);
        return false;
    });
    EXPECT_FALSE(o.picked);
    EXPECT_FALSE(o.leftOpen);
}

TEST_F(ColorPopupTest, ListPicksTheCurrentSystemColour)
{
    // Enter on "Button Face".
    Outcome o = Run(0x80000005, [&](CColorPopup& p, int) {
        SendMessageA(p.GetList(), LB_SETCURSEL, COLOR_BTNFACE, 0);
        Key(p.GetList(), VK_RETURN);
        return false;
    });
    EXPECT_TRUE(o.picked);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), o.color);

    // A click on "Active Title Bar", opened from the palette page.
    o = Run(0x646464, [&](CColorPopup& p, int) {
        Key(p.GetGrid(), VK_TAB);
        RECT row;
        SendMessageA(p.GetList(), LB_GETITEMRECT, COLOR_ACTIVECAPTION, (LPARAM)&row);
        const LPARAM at = MAKELPARAM(row.left + 40, (row.top + row.bottom) / 2);
        SendMessageA(p.GetList(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(p.GetList(), WM_LBUTTONUP, 0, at);
        return false;
    });
    EXPECT_TRUE(o.picked);
    EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), o.color);
}

TEST_F(ColorPopupTest, DeactivationClosesUnpickedButCannotUndoAPick)
{
    Outcome o = Run(PaletteColors[9], [&](CColorPopup&, int) {
        SetActiveWindow(owner);
        return false;
    });
    EXPECT_FALSE(o.picked);
    EXPECT_FALSE(o.leftOpen);
    EXPECT_EQ(PaletteColors[9], o.color);

    o = Run(PaletteColors[9], [&](CColorPopup& p, int) {
        p.EndPopup(TRUE);
        p.EndPopup(FALSE);
        return false;
    });
    EXPECT_TRUE(o.picked);
}

TEST_F(ColorPopupTest, RightClickOnACellEditsItInTheSystemDialog)
{
    ColorDialogWatch watch;
    const COLORREF chosen = 0x1E140A;
    struct Case
    {
        bool confirm;
    } cases[] = {{true}, {false}};
    for (const Case& c : cases)
    {
        bool posted = false;
        const int before = watch.Count();
        Outcome o = Run(0x646464, [&](CColorPopup& p, int) {
            if (!posted)
            {
                // Posted, so the dialog runs inside the popup's own loop.
                PostMessageA(p.GetGrid(), WM_RBUTTONDOWN, MK_RBUTTON, CellPoint(p, 12));
                posted = true;
                return true;
            }
            HWND h = watch.Open();
            if (h == NULL)
                return true;
            // Opening the dialog closed the popup.
            EXPECT_FALSE(IsWindowVisible(p.m_hWnd));
            if (c.confirm)
                ColorDialogWatch::Confirm(h, chosen);
            else
                ColorDialogWatch::Cancel(h, chosen);
            return false;
        });
        ASSERT_EQ(before + 1, watch.Count());
        EXPECT_EQ(owner, watch.Last().hOwner);
        EXPECT_EQ(PaletteColors[12], watch.Last().initial);
        // A colour confirmed there is the user's pick.
        EXPECT_EQ(c.confirm, o.picked != FALSE);
        EXPECT_EQ(c.confirm ? chosen : 0x646464u, o.color);
    }
}

TEST_F(ColorPopupTest, GridAndListItemsPaintTheirColours)
{
    Run(PaletteColors[30], [&](CColorPopup& p, int) {
        RECT rc;
        GetClientRect(p.GetGrid(), &rc);
        CMemoryDC mem(NULL);
        CBitmapHandle bitmap(CreateDib24(NULL, rc.right, rc.bottom));
        CSelectObject select(mem, bitmap);
        DrawItemInto(p, mem, ODT_BUTTON, IDC_COLORPOPUP_GRID, p.GetGrid(), 0, 0, rc);
        const int s = p.GetCellSize();
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        for (int i = 0; i < kPaletteCount; ++i)
        {
            const int x = (i % kPaletteColumns) * s, y = (i / kPaletteColumns) * s;
            EXPECT_EQ(PaletteColors[i], GetPixel(mem, x + s / 2, y + s / 2)) << i;
            EXPECT_EQ(0u, GetPixel(mem, x + 3, y + s / 2)) << i; // outline
            if (i == 30)
                EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), GetPixel(mem, x, y + s / 2));
            else
                EXPECT_EQ(face, GetPixel(mem, x, y + s / 2)) << i;
        }

        // "Button Face", selected and not.
        const RECT item = {0, 0, 160, 16};
        for (UINT state : {(UINT)ODS_SELECTED, 0u})
        {
            RECT all = {0, 0, rc.right, rc.bottom};
            FillRect(mem, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
            DrawItemInto(p, mem, ODT_LISTBOX, IDC_COLORPOPUP_LIST, p.GetList(), COLOR_BTNFACE,
                         state, item);
            const bool selected = state != 0;
            EXPECT_EQ(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW),
                      GetPixel(mem, 150, 8));
            EXPECT_EQ(face, GetPixel(mem, 16, 8)); // swatch
            EXPECT_EQ(selected ? GetSysColor(COLOR_BTNHIGHLIGHT) : 0u, GetPixel(mem, 2, 8));
        }
        return false;
    });
}
