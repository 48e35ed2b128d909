#include <functional>
#include <string>

#include "mainwnd/MainDlg.h"
#include "tests/support/TestUtil.h"

namespace {

const char kTitle[] = "Tolvex";

void Command(HWND dlg, UINT id, WORD code = BN_CLICKED, HWND control = NULL)
{
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)control);
}

// Runs the main dialog; `act` is called with its window until it returns
// false (or the dialog has ended).
INT_PTR RunMain(CMainDlg& dlg, const std::function<bool(HWND, int)>& act)
{
    INT_PTR result = -1;
    DriveWhile([&] { result = dlg.DoModal(NULL); },
               [&](int n) {
                   HWND h = FindThreadWindow(kTitle);
                   if (h == NULL)
                       return true;
                   return act(h, n);
               });
    return result;
}

} // namespace

TEST(MainDlg, EnterDoesNothingAndExitEndsWithTwo)
{
    RegistryState registry;
    CMainDlg dlg;
    bool stillOpen = false;
    INT_PTR r = RunMain(dlg, [&](HWND h, int) {
        Command(h, IDOK);
        stillOpen = IsWindow(h) != FALSE;
        Command(h, IDCANCEL);
        return false;
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(IDCANCEL, r);
}
