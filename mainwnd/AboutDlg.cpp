#include "mainwnd/AboutDlg.h"

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    m_ok.SubclassDlgItem(m_hWnd, IDOK, kOdbStylePlain);
    // No initial focus.
    return FALSE;
}
