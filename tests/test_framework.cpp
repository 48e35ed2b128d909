// Framework: message maps, reflection and subclassing of windows and dialogs; the splitter.
#include <windows.h>
#include <commctrl.h>
#include <stdexcept>

#include "framework/Framework.h"
#include "framework/Splitter.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

namespace {

const UINT WM_TEST_THROW = WM_APP + 1;
const UINT WM_TEST_UNHANDLED = WM_APP + 2;

// A subclassed list view whose map handles the reflected notification and
// leaves everything else to the control.
class CReflectTarget : public CWindowImplBaseT
{
public:
    int reflected = 0;
    int finals = 0;

    BEGIN_MSG_MAP(CReflectTarget)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CLICK, OnReflectedClick)
    END_MSG_MAP()

    LRESULT OnReflectedClick(int, LPNMHDR, BOOL&)
    {
        ++reflected;
        return 42;
    }
    void OnFinalMessage(HWND) override { ++finals; }
};

class CTestDlg : public CDialogImpl<CTestDlg>
{
public:
    enum { IDD = IDD_TEST_FRAMEWORK };
    int clicks = 0;
    int inits = 0;
    CReflectTarget list;

    BEGIN_MSG_MAP(CTestDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_TEST_THROW, OnThrow)
        COMMAND_HANDLER(IDC_TEST_BUTTON, BN_CLICKED, OnButton)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        ++inits;
        list.SubclassWindow(GetDlgItem(IDC_TEST_LIST));
        return TRUE;
    }
    LRESULT OnThrow(UINT, WPARAM, LPARAM, BOOL&) { throw std::runtime_error("handler failed"); }
    LRESULT OnButton(WORD, WORD, HWND, BOOL&)
    {
        ++clicks;
        return 0;
    }
    LRESULT OnCancel(WORD, WORD id, HWND, BOOL&)
    {
        EndDialog(id);
        return 0;
    }
};

} // namespace

TEST(Framework, DialogMapReflectionSubclassingAndExceptions)
{
    CTestDlg dlg;
    LRESULT notifyResult = 0, unhandled = 0;
    HWND listWnd = NULL;
    WNDPROC listProcBefore = NULL;

    INT_PTR result = -1;
    DriveWhile([&] { result = dlg.DoModal(NULL); },
               [&](int step) {
                   HWND h = dlg.m_hWnd;
                   if (h == NULL)
                       return true;
                   if (step == 1)
                       return true;
                   listWnd = dlg.list.m_hWnd;
                   SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                                (LPARAM)GetDlgItem(h, IDC_TEST_BUTTON));

                   NMHDR nm = {listWnd, IDC_TEST_LIST, (UINT)NM_CLICK};
                   SendMessageA(h, WM_NOTIFY, IDC_TEST_LIST, (LPARAM)&nm);
                   notifyResult = GetWindowLongPtrA(h, DWLP_MSGRESULT);

                   // Not in the list's map: the list view's own procedure answers.
                   LVCOLUMNA col = {};
                   col.mask = LVCF_TEXT | LVCF_WIDTH;
                   col.cx = 50;
                   col.pszText = (LPSTR) "c";
                   SendMessageA(listWnd, LVM_INSERTCOLUMNA, 0, (LPARAM)&col);
                   unhandled = SendMessageA(listWnd, LVM_GETCOLUMNWIDTH, 0, 0);

                   SendMessageA(h, WM_TEST_THROW, 0, 0);
                   SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                                (LPARAM)GetDlgItem(h, IDC_TEST_BUTTON));
                   listProcBefore = (WNDPROC)GetWindowLongPtrA(listWnd, GWLP_WNDPROC);
                   PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
                   return false;
               });

    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(1, dlg.inits);
    EXPECT_EQ(2, dlg.clicks) << "the map still works after a handler threw";
    EXPECT_EQ(1, dlg.list.reflected);
    EXPECT_EQ(42, notifyResult) << "the child's result is the dialog's result";
    EXPECT_EQ(50, unhandled);
    EXPECT_EQ(CWindowImplBaseT::WindowProc, listProcBefore);
    EXPECT_EQ(1, dlg.list.finals);
    EXPECT_EQ(NULL, dlg.list.m_hWnd);
    EXPECT_EQ(NULL, dlg.m_hWnd);
}

TEST(Framework, SubclassingTwiceIsRefusedAndUnsubclassRestores)
{
    HWND h = CreateWindowExA(0, "BUTTON", "b", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                             GetModuleHandleA(NULL), NULL);
    WNDPROC original = (WNDPROC)GetWindowLongPtrA(h, GWLP_WNDPROC);
    {
        CReflectTarget a, b;
        EXPECT_TRUE(a.SubclassWindow(h));
        EXPECT_FALSE(b.SubclassWindow(h));
        EXPECT_FALSE(a.SubclassWindow(h));
        char text[8] = "";
        GetWindowTextA(h, text, sizeof(text));
        EXPECT_STREQ("b", text);
    } // a dies before its window: the window gets its procedure back
    EXPECT_EQ(original, (WNDPROC)GetWindowLongPtrA(h, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, CWindowImplBaseT::FromHandle(h));
    DestroyWindow(h);
}

namespace {

class COwnWindow : public CWindowImplBaseT
{
public:
    int created = 0;
    BEGIN_MSG_MAP(COwnWindow)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        FORWARD_NOTIFICATIONS()
    END_MSG_MAP()
    const char* GetWndClassName() const override { return "TolvexTestOwnWindow"; }
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&)
    {
        ++created;
        return 0;
    }
};

class CParentWindow : public CWindowImplBaseT
{
public:
    int commands = 0;
    BEGIN_MSG_MAP(CParentWindow)
        COMMAND_ID_HANDLER(77, OnCommand)
    END_MSG_MAP()
    const char* GetWndClassName() const override { return "TolvexTestParent"; }
    LRESULT OnCommand(WORD, WORD, HWND, BOOL&)
    {
        ++commands;
        return 0;
    }
};

} // namespace

TEST(Framework, CreatedWindowsSeeTheirFirstMessagesAndForward)
{
    CParentWindow parent;
    RECT rc = {0, 0, 200, 100};
    ASSERT_NE(nullptr, parent.Create(NULL, &rc, "p", WS_POPUP));
    COwnWindow child;
    ASSERT_NE(nullptr, child.Create(parent, &rc, "c", WS_CHILD));
    EXPECT_EQ(1, child.created);
    SendMessageA(child, WM_COMMAND, 77, 0);
    EXPECT_EQ(1, parent.commands);
    parent.DestroyWindow();
    EXPECT_EQ(NULL, child.m_hWnd);
}

namespace {

int PaneWidth(HWND h)
{
    RECT rc;
    GetWindowRect(h, &rc);
    return rc.right - rc.left;
}

} // namespace

TEST(FrameworkSplitter, LaysOutDragsAndForwardsNotifications)
{
    CParentWindow parent;
    RECT rc = {0, 0, 300, 100};
    ASSERT_NE(nullptr, parent.Create(NULL, &rc, "p", WS_POPUP));
    CSplitterWindowImpl splitter;
    ASSERT_NE(nullptr, splitter.Create(parent, &rc, NULL, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
    HWND left = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, splitter, NULL,
                                NULL, NULL);
    HWND right = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, splitter, NULL,
                                 NULL, NULL);
    splitter.SetSplitterPanes(left, right);
    splitter.SetSplitterPos(-1, true);

    const int bar = splitter.m_cxySplitBar;
    EXPECT_EQ((300 - bar) / 2, splitter.GetSplitterPos());
    EXPECT_EQ((300 - bar) / 2, PaneWidth(left));
    EXPECT_EQ(300 - bar - (300 - bar) / 2, PaneWidth(right));

    int x = splitter.GetSplitterPos() + 1;
    SendMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 50));
    SendMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 60, 50));
    SendMessageA(splitter, WM_LBUTTONUP, 0, MAKELPARAM(x + 60, 50));
    EXPECT_EQ((300 - bar) / 2 + 60, PaneWidth(left));

    // Dragged past the edge: each pane keeps its least width.
    SendMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(splitter.GetSplitterPos() + 1, 50));
    SendMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-500, 50));
    SendMessageA(splitter, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(splitter.m_cxyMin, PaneWidth(left));

    SendMessageA(splitter, WM_COMMAND, 77, (LPARAM)left);
    EXPECT_EQ(1, parent.commands) << "children's notifications reach the splitter's parent";
    parent.DestroyWindow();
}
