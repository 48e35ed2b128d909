#include "shellint/SetupDlg.h"

#include "core/Registry.h"
#include "shellint/ShellVerb.h"

LRESULT CSetupDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    CheckDlgButton(m_hWnd, IDC_SETUP_ENABLE, BST_CHECKED);
    // No initial focus: the dialog has no default button either.
    return FALSE;
}

LRESULT CSetupDlg::OnNext(WORD, WORD, HWND, BOOL&)
{
    DWORD shellOn = IsDlgButtonChecked(m_hWnd, IDC_SETUP_ENABLE) == BST_CHECKED ? 1 : 0;
    RegWriteDword(kRegShellOn, &shellOn);
    if (shellOn)
        InstallShellIntegration();
    else
        UninstallShellIntegration();
    EndDialog(1);
    return 0;
}
