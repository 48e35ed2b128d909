#include "convert/OverwriteDlg.h"

#include "base/WinUtil.h"
#include "files/Paths.h"

namespace {

const UINT kButtonIds[] = {IDC_OVERWRITE_YES, IDC_OVERWRITE_YESALL, IDC_OVERWRITE_NO,
                           IDC_OVERWRITE_NOALL, IDC_OVERWRITE_CANCEL};
// The buttons that single-file mode hides.
const UINT kBatchOnlyIds[] = {IDC_OVERWRITE_YES, IDC_OVERWRITE_YESALL, IDC_OVERWRITE_NO};

} // namespace

COverwriteDlg::COverwriteDlg(const char* outputPath, int showCmd)
    : m_outputPath(outputPath != NULL ? outputPath : ""), m_showCmd(showCmd)
{
    static_assert(sizeof(kButtonIds) / sizeof(kButtonIds[0]) == kButtonCount, "one id a button");
}

LRESULT COverwriteDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    HWND hParent = GetParent();
    CenterWindowOn(m_hWnd, hParent);
    SetForegroundWindow(hParent);
    SetActiveWindow(m_hWnd);
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[i].SubclassDlgItem(m_hWnd, kButtonIds[i], kOdbStyleFocusDefault);

    HICON hIcon = LoadIconA(NULL, IDI_QUESTION);
    SendDlgItemMessageA(m_hWnd, IDC_OVERWRITE_ICON, STM_SETIMAGE, IMAGE_ICON, (LPARAM)hIcon);

    char shown[kPathBufferSize];
    CompactPath(m_outputPath.c_str(), shown, sizeof(shown), kOverwritePathShown);
    SetDlgItemTextA(m_hWnd, IDC_OVERWRITE_PATH, shown);

    for (UINT id : kBatchOnlyIds)
        ::ShowWindow(GetDlgItem(id), m_showCmd);
    if (m_showCmd == kOverwriteSingleFileMode)
    {
        SetDlgItemTextA(m_hWnd, IDC_OVERWRITE_NOALL, "Yes");
        SetDlgItemTextA(m_hWnd, IDC_OVERWRITE_CANCEL, "No");
    }
    if (m_replacesSource)
    {
        // Enter keeps the source: No takes the focus and is the default for
        // a key press that finds no button focused.
        const UINT noId =
            m_showCmd == kOverwriteSingleFileMode ? IDC_OVERWRITE_CANCEL : IDC_OVERWRITE_NO;
        ::SendMessageA(m_hWnd, DM_SETDEFID, noId, 0);
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(noId), TRUE);
    }
    // Handled with 0: the dialog manager does not move the focus.
    return FALSE;
}

LRESULT COverwriteDlg::OnAnswer(WORD, WORD wID, HWND, BOOL&)
{
    EndDialog(wID);
    return 0;
}
