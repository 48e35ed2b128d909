// The main window's folder tree and file list as a user meets them: reached
// with the keyboard, repainted when the splitter moves, and showing their
// selection while another control has the focus.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdlib>
#include <map>
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

    // The full paths of the files the list shows, sorted.
    std::vector<std::string> ListedFiles()
    {
        std::vector<std::string> out;
        const int n = (int)SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < n; ++i)
        {
            const CFileListItem* record = m_main.dlg.m_fileList.GetItemRecord(i);
            out.push_back(record != NULL ? PathOfList(record->absolute.Get()) : "<no record>");
        }
        std::sort(out.begin(), out.end());
        return out;
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

// The largest difference of one channel: under this two colours look alike.
const int kVisibleStep = 48;

int ChannelStep(COLORREF a, COLORREF b)
{
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

// What a row's label shows on the screen apart from the list's plain
// background: how many pixels stand out from it, and their commonest
// colour (the name's ink, or the selection mark behind it).
struct RowMark
{
    int pixels = -1;
    COLORREF colour = CLR_INVALID;
};

RowMark MarkIn(HWND control, const RECT& label)
{
    UpdateWindow(control);
    RowMark mark;
    const int width = label.right - label.left, height = label.bottom - label.top;
    CBitmapHandle canvas(CreateDib24(NULL, width, height));
    {
        CWindowDC window(control);
        CMemoryDC dc(window);
        CSelectObject select(dc, canvas);
        BitBlt(dc, 0, 0, width, height, window, label.left, label.top, SRCCOPY);
    }
    GdiFlush();
    DibPixels px;
    if (!GetDibPixels(canvas, px))
        return mark;
    const COLORREF plain = GetSysColor(COLOR_WINDOW);
    std::map<COLORREF, int> counts;
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x)
        {
            const BYTE* p = px.Row(y) + x * px.pixelBytes;
            const COLORREF c = RGB(p[2], p[1], p[0]);
            if (ChannelStep(c, plain) >= kVisibleStep)
                ++counts[c];
        }
    mark.pixels = 0;
    int most = 0;
    for (const auto& c : counts)
    {
        mark.pixels += c.second;
        if (c.second > most)
        {
            most = c.second;
            mark.colour = c.first;
        }
    }
    return mark;
}

RowMark MarkOfRow(HWND list, int row)
{
    RECT label = {};
    label.left = LVIR_LABEL;
    if (!SendMessageA(list, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&label))
        return RowMark();
    return MarkIn(list, label);
}

// The tree item's label, and its area.
RowMark MarkOfTreeItem(HWND tree, HTREEITEM item, int* area)
{
    RECT label = {};
    *reinterpret_cast<HTREEITEM*>(&label) = item;
    if (!SendMessageA(tree, TVM_GETITEMRECT, TRUE, (LPARAM)&label))
        return RowMark();
    *area = (label.right - label.left) * (label.bottom - label.top);
    return MarkIn(tree, label);
}

// The parsing name of a tree item, read from the record behind it; "" for
// no item.
std::string TreeItemPath(HWND tree, HTREEITEM h)
{
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = h;
    if (h == NULL || !SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item) || item.lParam == 0)
        return "";
    const FolderTreeItem* record = reinterpret_cast<const FolderTreeItem*>(item.lParam);
    char path[kPathBufferSize];
    if (!GetShellItemName(record->parentFolder, record->relative, SHGDN_FORPARSING, path))
        return "";
    return path;
}

bool SameText(const std::string& a, size_t n, const std::string& b)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), (int)n, b.c_str(),
                          (int)n) == CSTR_EQUAL;
}

// True when `path` is `folder` or lies below it.
bool IsAtOrBelow(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.size() < folder.size() || !SameText(path, folder.size(), folder))
        return false;
    return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\';
}

// Walks the main window's tree down to the folder from the first top item
// (My Computer, which start-up opened), opening only the folders on the
// way: the host's "/" folder, with /proc and /sys in it, is never opened.
HTREEITEM ExpandTreeTo(HWND tree, const std::string& folder)
{
    HTREEITEM level = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    while (level != NULL)
    {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)level);
        HTREEITEM next = NULL;
        for (HTREEITEM h =
                 (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)level);
             h != NULL && next == NULL;
             h = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)h))
        {
            const std::string path = TreeItemPath(tree, h);
            if (path.size() == folder.size() && IsAtOrBelow(path, folder))
                return h;
            if (IsAtOrBelow(folder, path))
                next = h;
        }
        level = next;
    }
    return NULL;
}

HTREEITEM TreeChild(HWND tree, HTREEITEM parent, const std::string& path)
{
    for (HTREEITEM h = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)parent);
         h != NULL; h = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)h))
        if (TreeItemPath(tree, h) == path)
            return h;
    return NULL;
}

// A click on the item's expand button, where the tree's own hit test
// finds it.
bool ClickExpandButton(HWND tree, HTREEITEM h)
{
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)h);
    RECT line = {};
    *reinterpret_cast<HTREEITEM*>(&line) = h;
    if (!SendMessageA(tree, TVM_GETITEMRECT, FALSE, (LPARAM)&line))
        return false;
    TVHITTESTINFO hit = {};
    hit.pt.y = (line.top + line.bottom) / 2;
    for (hit.pt.x = line.left; hit.pt.x < line.right; ++hit.pt.x)
    {
        SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)&hit);
        if (hit.hItem == h && (hit.flags & TVHT_ONITEMBUTTON))
        {
            const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
            SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(tree, WM_LBUTTONUP, 0, at);
            return true;
        }
    }
    return false;
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
    for (UINT view : {IDC_MAIN_VIEW_DETAILS, IDC_MAIN_VIEW_LIST, IDC_MAIN_VIEW_SMALL_ICONS,
                      IDC_MAIN_VIEW_LARGE_ICONS})
    {
        SCOPED_TRACE(view);
        SendMessageA(Dlg(), WM_COMMAND, MAKEWPARAM(view, BN_CLICKED), 0);
        SetFocus(List());
        EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), MarkOfRow(List(), 0).colour) << "focused: as ever";

        // Both names are as long: only a selection mark tells the rows apart.
        SetFocus(Item(IDC_MAIN_OUTPUT_FOLDER));
        ASSERT_NE(List(), GetFocus());
        const RowMark selected = MarkOfRow(List(), 0), plain = MarkOfRow(List(), 1);
        EXPECT_GT(plain.pixels, 0) << "the name is drawn";
        EXPECT_GT(selected.pixels, 2 * plain.pixels) << "the selected row stands out";
        EXPECT_NE(GetSysColor(COLOR_HIGHLIGHT), selected.colour) << "and shows the focus is away";
    }

    // The tree's selection, the first folder, as start-up chose it.
    const HTREEITEM first = (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0);
    ASSERT_EQ(first, (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    const HTREEITEM next =
        (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)first);
    int area = 0, nextArea = 0;
    SetFocus(Tree());
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), MarkOfTreeItem(Tree(), first, &area).colour);
    SetFocus(Item(IDC_MAIN_OUTPUT_FOLDER));
    const RowMark folder = MarkOfTreeItem(Tree(), first, &area);
    const RowMark plainFolder = MarkOfTreeItem(Tree(), next, &nextArea);
    EXPECT_GT(2 * folder.pixels, area) << "the selected folder stands out";
    EXPECT_LT(2 * plainFolder.pixels, nextArea);
    EXPECT_NE(GetSysColor(COLOR_HIGHLIGHT), folder.colour);
}

// Whatever moves the tree's selection (the program, a collapse by message
// or by the expand button, a deletion), the browsed folder that Convert All
// converts, and the list, follow it.
TEST_F(MainPanes, TheBrowsedFolderIsTheOneTheTreeShowsSelected)
{
    const std::string outer = m_temp.File("outer"), inner = outer + "\\inner";
    CreateDirectoryA(outer.c_str(), NULL);
    CreateDirectoryA(inner.c_str(), NULL);
    for (const std::string& file : {outer + "\\a.png", outer + "\\b.png", inner + "\\c.png"})
        WriteImage(file, MakeQuadrants(20, 20));
    const std::vector<std::string> outerFiles = {outer + "\\a.png", outer + "\\b.png"};
    const std::vector<std::string> innerFiles = {inner + "\\c.png"};

    const HTREEITEM hOuter = ExpandTreeTo(Tree(), outer);
    ASSERT_NE((HTREEITEM)NULL, hOuter) << "the tree does not reach " << outer;

    enum Move { kCollapseMessage, kButtonClick, kDeleteSelected, kDeleteAll };
    for (Move move : {kCollapseMessage, kButtonClick, kDeleteSelected, kDeleteAll})
    {
        SCOPED_TRACE(move);
        SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)hOuter);
        // The deletion of the selected item took the inner folder away.
        const HTREEITEM hInner = move == kDeleteAll ? hOuter : TreeChild(Tree(), hOuter, inner);
        ASSERT_NE((HTREEITEM)NULL, hInner);
        SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)hInner);
        if (move != kDeleteAll)
        {
            EXPECT_EQ(inner, std::string(m_main.dlg.m_szBrowsedFolder));
            EXPECT_EQ(innerFiles, ListedFiles());
        }

        switch (move)
        {
        case kCollapseMessage:
            SendMessageA(Tree(), TVM_EXPAND, TVE_COLLAPSE, (LPARAM)hOuter);
            break;
        case kButtonClick:
            ASSERT_TRUE(ClickExpandButton(Tree(), hOuter));
            break;
        case kDeleteSelected:
            SendMessageA(Tree(), TVM_DELETEITEM, 0, (LPARAM)hInner);
            break;
        case kDeleteAll:
            SendMessageA(Tree(), TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
            break;
        }
        const HTREEITEM caret = (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0);
        if (move == kDeleteAll)
        {
            EXPECT_EQ((HTREEITEM)NULL, caret);
            EXPECT_EQ("", std::string(m_main.dlg.m_szBrowsedFolder)) << "nothing is browsed";
            EXPECT_TRUE(ListedFiles().empty());
            continue;
        }
        ASSERT_EQ(hOuter, caret) << "the selection moves to the parent";
        if (move != kDeleteSelected)
        {
            const UINT state =
                (UINT)SendMessageA(Tree(), TVM_GETITEMSTATE, (WPARAM)hOuter, TVIS_EXPANDED);
            EXPECT_EQ(0u, state & TVIS_EXPANDED) << "collapsed";
        }
        EXPECT_EQ(outer, std::string(m_main.dlg.m_szBrowsedFolder));
        EXPECT_EQ(outerFiles, ListedFiles());
    }
}
