#include "mainwnd/AboutDlg.h"

#include "framework/Framework.h"
#include "mainwnd/Help.h"

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    HINSTANCE hInst = ModuleInstance();
    SetLinkCursor(LoadCursorA(hInst, MAKEINTRESOURCEA(IDCUR_LINK)));
    CenterWindow();
    m_ok.SubclassDlgItem(m_hWnd, IDOK, kOdbStylePlain);
    m_site.Attach(m_hWnd, IDC_ABOUT_SITE);
    m_site.SetUrl(kProductPage);
    m_mail.Attach(m_hWnd, IDC_ABOUT_EMAIL);
    m_mail.SetUrl(kSupportMail);
    // No initial focus.
    return FALSE;
}
