#include "shellint/SetupDlg.h"

#include "base/DialogItems.h"
#include "controls/Bitmaps.h"
#include "settings/Registry.h"
#include "shellint/ShellVerb.h"

LRESULT CSetupDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    FitPictures();
    CheckItem(m_hWnd, IDC_SETUP_ENABLE, true);
    // No initial focus: the dialog has no default button either.
    return FALSE;
}

// A picture control stretches a picture of another size itself, and that
// stretch merges the rows and columns it drops by AND, which streaks a
// smooth picture with colours it never had. So each control gets its
// picture resampled to its own size.
void CSetupDlg::FitPictures()
{
    const struct
    {
        int control;
        WORD bitmap;
        CBitmapHandle CSetupDlg::*kept;
    } pictures[] = {
        {IDC_SETUP_BANNER, IDB_SETUP_BANNER, &CSetupDlg::m_banner},
        {IDC_SETUP_SIDE, IDB_SETUP_SIDE, &CSetupDlg::m_side},
    };
    for (const auto& p : pictures)
    {
        HWND control = GetDlgItem(p.control);
        RECT rc = {0, 0, 0, 0};
        ::GetClientRect(control, &rc);
        CBitmapHandle source(
            LoadMappedBitmap(g_Module.GetResourceInstance(), p.bitmap, 24, kColorMapNone));
        HBITMAP fitted = ScaleDib(source, rc.right, rc.bottom);
        if (fitted == NULL)
            continue; // the control keeps the picture it loaded itself
        // The control's own picture is ours once replaced.
        CBitmapHandle own(
            (HBITMAP)::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)fitted));
        if (own == fitted)
            own.Release();
        (this->*p.kept).Reset(fitted);
    }
}

LRESULT CSetupDlg::OnNext(WORD, WORD, HWND, BOOL&)
{
    DWORD shellOn = IsItemChecked(m_hWnd, IDC_SETUP_ENABLE) ? 1 : 0;
    RegWriteDword(kRegShellOn, &shellOn);
    if (shellOn)
        InstallShellIntegration();
    else
        UninstallShellIntegration();
    EndDialog(1);
    return 0;
}
