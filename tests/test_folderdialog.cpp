// FolderDialog: the folder browser returns the chosen folder and shows file-system paths.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "browser/FolderDialog.h"
#include "browser/Pidl.h"
#include "framework/Framework.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// Records the status texts the browse callback sends.
class CStatusRecorder : public CWindowImplBaseT
{
public:
    std::vector<std::string> texts;
    BEGIN_MSG_MAP(CStatusRecorder)
        MESSAGE_HANDLER(BFFM_SETSTATUSTEXTA, OnStatus)
    END_MSG_MAP()
    LRESULT OnStatus(UINT, WPARAM, LPARAM lParam, BOOL&)
    {
        texts.push_back((const char*)lParam);
        return 0;
    }
};

// The label of the browse tree's selected item.
std::string SelectedLabel(HWND browse)
{
    HWND tree = FindWindowExA(browse, NULL, WC_TREEVIEWA, NULL);
    HTREEITEM item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    char text[MAX_PATH] = "";
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof(text);
    if (item != NULL)
        SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    return text;
}

// Runs the dialog, selects `select` when given (and waits until the tree
// shows it), then presses `button`.
BOOL RunBrowse(CFolderDialog& dlg, char* out, size_t outSize, const std::string& select, int button)
{
    BOOL result = -1;
    const std::string label = select.substr(select.find_last_of('\\') + 1);
    DriveWhile([&] { result = dlg.DoModal(out, outSize); },
               [&](int) {
                   HWND browse = FindThreadWindow(NULL);
                   if (browse == NULL)
                       return true;
                   if (!select.empty() && SelectedLabel(browse) != label)
                   {
                       SendMessageA(browse, BFFM_SETSELECTIONA, TRUE, (LPARAM)select.c_str());
                       return true;
                   }
                   PostMessageA(browse, WM_COMMAND, button, 0);
                   return false;
               });
    return result;
}

} // namespace

TEST(FolderDialog, ReturnsTheChosenFolderOrNothing)
{
    EnsureShellAllocator();
    TempFolder tmp("browse");
    CFolderDialog dlg;
    EXPECT_EQ((UINT)(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT), dlg.m_uFlags);
    dlg.m_lpszTitle = "Pick one";

    char out[MAX_PATH] = "stale";
    EXPECT_FALSE(RunBrowse(dlg, out, sizeof(out), "", IDCANCEL));
    EXPECT_STREQ("", out);

    EXPECT_TRUE(RunBrowse(dlg, out, sizeof(out), tmp.Path(), IDOK));
    EXPECT_EQ(0, lstrcmpiA(tmp.Path().c_str(), out)) << out;

    // a path longer than the caller's buffer is refused, not cut
    char tiny[8] = "stale";
    EXPECT_FALSE(RunBrowse(dlg, tiny, sizeof(tiny), tmp.Path(), IDOK));
    EXPECT_STREQ("", tiny);
}

TEST(FolderDialog, StatusLineShowsOnlyFileSystemPaths)
{
    EnsureShellAllocator();
    TempFolder tmp("status");
    CStatusRecorder recorder;
    ASSERT_NE(nullptr, recorder.Create(NULL, NULL, "recorder", WS_POPUP));

    CPidl folder(ParsePath(tmp.Path()));
    LPITEMIDLIST computer = NULL;
    ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(NULL, CSIDL_DRIVES, &computer));
    CPidl computerOwner(computer);

    EXPECT_EQ(0, CFolderDialog::BrowseCallbackProc(recorder.m_hWnd, BFFM_SELCHANGED,
                                                   (LPARAM)folder.Get(), 0));
    EXPECT_EQ(0, CFolderDialog::BrowseCallbackProc(recorder.m_hWnd, BFFM_SELCHANGED,
                                                   (LPARAM)computer, 0));
    EXPECT_EQ(0, CFolderDialog::BrowseCallbackProc(recorder.m_hWnd, BFFM_INITIALIZED, 0, 0));
    ASSERT_EQ(1u, recorder.texts.size());
    EXPECT_EQ(0, lstrcmpiA(tmp.Path().c_str(), recorder.texts[0].c_str()));
    recorder.DestroyWindow();
}
