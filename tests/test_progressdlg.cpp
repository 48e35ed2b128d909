// ProgressDlg: the progress dialog fills its bar, shows the paths and is cancelled by its button.
#include <windows.h>
#include <commctrl.h>
#include <string>

#include "base/DialogItems.h"
#include "base/StrUtil.h"
#include "controls/OwnerDrawButton.h"
#include "mainwnd/ProgressDlg.h"
#include "tests/support/TestUtil.h"

namespace {

int BarPos(HWND dlg) { return (int)SendDlgItemMessageA(dlg, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0); }
int BarHigh(HWND dlg)
{
    return (int)SendDlgItemMessageA(dlg, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0);
}

// A real click on the owner-drawn Cancel button, still in the queue.
void PostCancelClick(HWND dlg)
{
    HWND b = GetDlgItem(dlg, IDC_PROGRESS_CANCEL);
    PostMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

struct ProgressWindow
{
    CProgressDlg dlg;
    HWND hWnd;
    ProgressWindow() : hWnd(dlg.Create(NULL)) {}
    ~ProgressWindow()
    {
        if (IsWindow(hWnd))
            DestroyWindow(hWnd);
    }
};

} // namespace

TEST(ProgressDlg, CreatedHiddenWithAnOwnerDrawnCancel)
{
    ProgressWindow w;
    ASSERT_TRUE(w.hWnd != NULL);
    EXPECT_FALSE(IsWindowVisible(w.hWnd));
    EXPECT_EQ("Tolvex", GetWindowTextString(w.hWnd));
    EXPECT_EQ(0, GetWindowLongPtrA(w.hWnd, GWL_STYLE) & WS_SYSMENU);
    COwnerDrawButton* cancel = ButtonMapFind(GetDlgItem(w.hWnd, IDC_PROGRESS_CANCEL));
    ASSERT_TRUE(cancel != NULL);
    EXPECT_EQ(kOdbStyleFocusDefault, cancel->GetStyle());
    EXPECT_TRUE(w.dlg.IsRunning());
}

TEST(ProgressDlg, ThreeFilesFillTheBarAndShowTheLastPaths)
{
    ProgressWindow w;
    w.dlg.SetRange(3);
    EXPECT_EQ(3, BarHigh(w.hWnd));
    const char* from[] = {"C:\\in\\a.jpg", "C:\\in\\b.png", "C:\\..\\deep\\c.tif"};
    const char* to[] = {"C:\\out\\a.gif", "C:\\out\\b.gif", "C:\\..\\deep\\c.gif"};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(1, w.dlg.SetFromTo(from[i], to[i]));
        EXPECT_EQ(i + 1, BarPos(w.hWnd)) << "stepped before file " << i + 1;
    }
    EXPECT_EQ(from[2], ItemText(w.hWnd, IDC_PROGRESS_FROM));
    EXPECT_EQ(to[2], ItemText(w.hWnd, IDC_PROGRESS_TO));
}

TEST(ProgressDlg, MoreFilesThanA16BitRangeStillFitTheBar)
{
    ProgressWindow w;
    w.dlg.SetRange(70000);
    EXPECT_EQ(70000, BarHigh(w.hWnd));
}

TEST(ProgressDlg, CancelClickIsSeenByTheNextFileAndTheDialogStays)
{
    ProgressWindow w;
    w.dlg.SetRange(5);
    ShowWindow(w.hWnd, SW_SHOWNORMAL);
    EXPECT_EQ(1, w.dlg.SetFromTo("C:\\a.jpg", "C:\\a.gif"));
    // Clicked while the first file converts: seen in the next dispatch.
    PostCancelClick(w.hWnd);
    EXPECT_EQ(0, w.dlg.SetFromTo("C:\\b.jpg", "C:\\b.gif"));
    EXPECT_FALSE(w.dlg.IsRunning());
    EXPECT_TRUE(IsWindowVisible(w.hWnd));
    EXPECT_EQ("C:\\b.jpg", ItemText(w.hWnd, IDC_PROGRESS_FROM));
    // Not raised again during the run; the driver raises it at the end.
    EXPECT_EQ(0, w.dlg.SetFromTo("C:\\c.jpg", "C:\\c.gif"));
    w.dlg.SetRunning(true);
    EXPECT_EQ(1, w.dlg.SetFromTo("C:\\d.jpg", "C:\\d.gif"));
}

TEST(ProgressDlg, KeysMakeNoCharactersAndNoDialogCommands)
{
    ProgressWindow w;
    ShowWindow(w.hWnd, SW_SHOWNORMAL);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 20, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(edit != NULL);
    PostMessageA(edit, WM_KEYDOWN, 'A', 1);
    PostMessageA(edit, WM_KEYUP, 'A', 0xC0000001);
    // Enter and Space at the dialog would press Cancel through dialog navigation.
    SetFocus(GetDlgItem(w.hWnd, IDC_PROGRESS_CANCEL));
    PostMessageA(w.hWnd, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(w.hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(1, w.dlg.SetFromTo("C:\\a.jpg", "C:\\a.gif"));
    EXPECT_EQ("", GetWindowTextString(edit));
    DestroyWindow(edit);
}
