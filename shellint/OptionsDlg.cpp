#include "shellint/OptionsDlg.h"

#include "base/DialogItems.h"
#include "base/StrUtil.h"
#include "files/FileDialog.h"
#include "files/Paths.h"
#include "convert/QuietConverter.h"
#include "settings/Registry.h"
#include "settings/SettingsNames.h"
#include "shellint/ShellVerb.h"

const char kOptionsBadPathMessage[] = "Please enter or check path to settings file    ";

LRESULT COptionsDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    m_save.SubclassDlgItem(m_hWnd, IDOK, kOdbStylePlain);
    m_cancel.SubclassDlgItem(m_hWnd, IDCANCEL, kOdbStylePlain);
    m_browse.SubclassDlgItem(m_hWnd, IDC_OPTIONS_BROWSE, kOdbStylePlain);

    DWORD shellOn = 0;
    RegReadDword(kRegShellOn, &shellOn);
    char path[kPathBufferSize] = "";
    if (!RegReadValue(kRegShellPath, path, sizeof(path)))
        path[0] = '\0';

    SetDlgItemTextA(m_hWnd, IDC_OPTIONS_PATH, path);
    CheckItem(m_hWnd, IDC_OPTIONS_INTEGRATE, shellOn != 0);
    UpdateControls();
    // No initial focus.
    return FALSE;
}

void COptionsDlg::UpdateControls()
{
    const bool on = IsItemChecked(m_hWnd, IDC_OPTIONS_INTEGRATE);
    EnableItem(m_hWnd, IDC_OPTIONS_PATH, on);
    EnableItem(m_hWnd, IDC_OPTIONS_BROWSE, on);
}

LRESULT COptionsDlg::OnIntegrateClicked(WORD, WORD, HWND, BOOL&)
{
    UpdateControls();
    return 0;
}

LRESULT COptionsDlg::OnBrowse(WORD, WORD, HWND, BOOL&)
{
    const std::string initialDir = GetSettingsFolder();
    char fileName[kPathBufferSize] = "";
    HINSTANCE hInst = ModuleInstance();
    if (ShowFileDialog(hInst, m_hWnd, fileName, sizeof(fileName), initialDir.c_str(),
                       kSettingsFilter, kSettingsExtension, 0, FileDialogMode::Save))
        SetDlgItemTextA(m_hWnd, IDC_OPTIONS_PATH, fileName);
    return 0;
}

LRESULT COptionsDlg::OnSave(WORD, WORD, HWND, BOOL&)
{
    DWORD shellOn = IsItemChecked(m_hWnd, IDC_OPTIONS_INTEGRATE) ? 1 : 0;
    RegWriteDword(kRegShellOn, &shellOn);
    if (shellOn != 0)
    {
        InstallShellIntegration();
        CQuietConverter tester;
        char path[kPathBufferSize] = "";
        GetDlgItemTextA(m_hWnd, IDC_OPTIONS_PATH, path, sizeof(path));
        // A path the registry cannot hold (too long to be read back) is
        // refused like a file that is no settings file.
        if (!tester.LoadSettings(path) || !RegWriteString(kRegShellPath, path))
        {
            MessageBoxA(m_hWnd, kOptionsBadPathMessage, kProductName, MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    else
    {
        UninstallShellIntegration();
    }
    EndDialog(1);
    return 0;
}
