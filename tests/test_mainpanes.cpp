// The main window's folder tree and file list as a user meets them: reached
// with the keyboard, repainted when the splitter moves, and showing their
// selection while another control has the focus.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/GdiHandles.h"
#include "browser/Pidl.h"
#include "controls/Bitmaps.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// More stops than the window has controls: a cycle that never comes back
// to where it started ends here.
const int kMaxTabStops = 100;

// The main dialog, shown (focus and painting need a visible window).
class MainPanes : public testing::Test
{
protected:
    void SetUp() override
    {
        EnsureShellAllocator();
        ASSERT_NE((HWND)NULL, m_main.hWnd());
        ShowWindow(m_main.hWnd(), SW_SHOW);
        SetForegroundWindow(m_main.hWnd());
        UpdateWindow(m_main.hWnd());
        PumpMessages();
    }

    HWND Dlg() const { return m_main.hWnd(); }
    HWND List() { return m_main.dlg.GetListView(); }
    HWND Tree() { return m_main.dlg.m_treePane.GetTree(); }
    HWND Item(UINT id) const { return GetDlgItem(Dlg(), id); }

    // Fills the list with two pictures of a folder of our own.
    void ShowTwoFiles()
    {
        WriteImage(m_temp.File("a.png"), MakeQuadrants(20, 20));
        WriteImage(m_temp.File("b.png"), MakeQuadrants(20, 20));
        CPidl folder(ParsePath(m_temp.Path()));
        ASSERT_NE((LPITEMIDLIST)NULL, folder.Get());
        m_main.dlg.OnFolderSelected(&m_main.dlg.m_treePane, CFolderTreePane::kSelectedCode,
                                    folder.Get(), m_temp.Path().c_str());
        ASSERT_EQ(2, (int)SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    }

    MainDlgWindow m_main;
    TempFolder m_temp{"panes"};
};

// One key press as the message loop hands it to the dialog manager.
void PressKey(HWND dlg, WPARAM key)
{
    MSG msg = {};
    msg.hwnd = GetFocus();
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1;
    if (!IsDialogMessageA(dlg, &msg))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Holds Shift down (in this thread's key state) while the object lives.
class ShiftDown
{
public:
    explicit ShiftDown(bool down)
    {
        GetKeyboardState(m_saved);
        BYTE keys[256];
        memcpy(keys, m_saved, sizeof(keys));
        keys[VK_SHIFT] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    ~ShiftDown() { SetKeyboardState(m_saved); }

private:
    BYTE m_saved[256];
};

// The windows the focus visits, one Tab (or Shift+Tab) at a time, from the
// output folder box until it comes back there.
std::vector<HWND> TabCycle(HWND dlg, bool backwards)
{
    HWND start = GetDlgItem(dlg, IDC_MAIN_OUTPUT_FOLDER);
    SetFocus(start);
    ShiftDown shift(backwards);
    std::vector<HWND> stops;
    for (int i = 0; i < kMaxTabStops; ++i)
    {
        PressKey(dlg, VK_TAB);
        HWND focus = GetFocus();
        if (focus == start || focus == NULL)
            break;
        stops.push_back(focus);
    }
    return stops;
}

int IndexOf(const std::vector<HWND>& stops, HWND h)
{
    for (size_t i = 0; i < stops.size(); ++i)
        if (stops[i] == h)
            return (int)i;
    return -1;
}

// True when the window's update region covers its whole client area.
bool WhollyInvalid(HWND h)
{
    RECT client;
    GetClientRect(h, &client);
    CGdiObject<HRGN> update(CreateRectRgn(0, 0, 0, 0));
    CGdiObject<HRGN> rest(CreateRectRgnIndirect(&client));
    if (GetUpdateRgn(h, update, FALSE) == ERROR)
        return false;
    return CombineRgn(rest, rest, update, RGN_DIFF) == NULLREGION;
}

bool WhollyValid(HWND h)
{
    RECT update;
    return !GetUpdateRect(h, &update, FALSE);
}

// How many pixels of a row's label differ from the list's plain background,
// as the list draws itself into a bitmap: the name's ink, and the selection
// mark when there is one.
int MarkedPixels(HWND list, int row)
{
    RECT client;
    GetClientRect(list, &client);
    CBitmapHandle canvas(CreateDib24(NULL, client.right, client.bottom));
    CWindowDC screen(NULL);
    CMemoryDC dc(screen);
    {
        CSelectObject select(dc, canvas);
        SendMessageA(list, WM_PRINTCLIENT, (WPARAM)(HDC)dc, PRF_CLIENT | PRF_ERASEBKGND);
    }
    GdiFlush();
    RECT label = {};
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&label);
    COLORREF back = (COLORREF)SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0);
    if (back == CLR_NONE || back == CLR_DEFAULT)
        back = GetSysColor(COLOR_WINDOW);
    DibPixels px;
    if (!GetDibPixels(canvas, px))
        return -1;
    int marked = 0;
    for (int y = std::max((LONG)0, label.top); y < std::min((LONG)px.height, label.bottom); ++y)
        for (int x = std::max((LONG)0, label.left); x < std::min((LONG)px.width, label.right); ++x)
        {
            const BYTE* p = px.Row(y) + x * px.pixelBytes;
            marked += RGB(p[2], p[1], p[0]) != back;
        }
    return marked;
}

} // namespace

TEST_F(MainPanes, TabAndShiftTabReachTheFolderTreeAndTheFileList)
{
    const std::vector<HWND> forward = TabCycle(Dlg(), false);
    const int tree = IndexOf(forward, Tree());
    const int list = IndexOf(forward, List());
    ASSERT_NE(-1, tree) << "Tab never reaches the folder tree";
    ASSERT_NE(-1, list) << "Tab never reaches the file list";
    // Where the list stands in the window: after the view buttons, before
    // the options below the panes.
    EXPECT_EQ(tree + 1, list);
    ASSERT_GT(tree, 0);
    EXPECT_EQ(Item(IDC_MAIN_VIEW_LARGE_ICONS), forward[tree - 1]);
    ASSERT_LT(list + 1, (int)forward.size());
    EXPECT_EQ(Item(IDC_MAIN_RESIZE), forward[list + 1]);

    const std::vector<HWND> backward = TabCycle(Dlg(), true);
    const int backTree = IndexOf(backward, Tree());
    const int backList = IndexOf(backward, List());
    ASSERT_NE(-1, backTree) << "Shift+Tab never reaches the folder tree";
    ASSERT_NE(-1, backList) << "Shift+Tab never reaches the file list";
    EXPECT_EQ(backList + 1, backTree);
    EXPECT_EQ(forward.size(), backward.size()) << "both ways visit the same stops";

    // Once there, the arrow keys choose a folder.
    const std::string before = m_main.dlg.m_szBrowsedFolder;
    SetFocus(Tree());
    PressKey(Dlg(), VK_DOWN);
    EXPECT_EQ(Tree(), GetFocus());
    EXPECT_NE(before, std::string(m_main.dlg.m_szBrowsedFolder))
        << "Down in the tree selects another folder";
}

TEST_F(MainPanes, ASplitterMoveRepaintsBothPanesWholly)
{
    ShowTwoFiles();
    HWND header = (HWND)SendMessageA(List(), LVM_GETHEADER, 0, 0);
    const HWND panes[] = {Tree(), List(), header};
    CSplitterWindowImpl& splitter = m_main.dlg.m_splitter;
    const int middle = splitter.GetSplitterPos();
    for (int shift : {40, -40, -40})
    {
        SCOPED_TRACE(shift);
        UpdateWindow(Dlg());
        for (HWND pane : panes)
            ASSERT_TRUE(WhollyValid(pane));
        const int pos = splitter.GetSplitterPos() + shift;
        ASSERT_TRUE(splitter.SetSplitterPos(pos, true));
        EXPECT_EQ(pos, splitter.GetSplitterPos());
        EXPECT_TRUE(WhollyInvalid(Tree())) << "folder tree";
        EXPECT_TRUE(WhollyInvalid(List())) << "file list";
        EXPECT_TRUE(WhollyInvalid(header)) << "column header";
    }
    EXPECT_EQ(middle - 40, splitter.GetSplitterPos());
}

TEST_F(MainPanes, TheSelectionStaysVisibleWithoutTheFocus)
{
    EXPECT_EQ(LVS_SHOWSELALWAYS, GetWindowLongPtrA(List(), GWL_STYLE) & LVS_SHOWSELALWAYS);
    EXPECT_EQ(TVS_SHOWSELALWAYS, GetWindowLongPtrA(Tree(), GWL_STYLE) & TVS_SHOWSELALWAYS);

    ShowTwoFiles();
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(List(), LVM_SETITEMSTATE, 0, (LPARAM)&state);
    SetFocus(Item(IDC_MAIN_OUTPUT_FOLDER));
    ASSERT_NE(List(), GetFocus());

    // Both names are as long: only a selection mark tells the rows apart.
    const int selected = MarkedPixels(List(), 0);
    const int plain = MarkedPixels(List(), 1);
    EXPECT_GT(plain, 0) << "the name is drawn";
    EXPECT_GT(selected, 2 * plain) << "the selected row is marked while the focus is elsewhere";
}
