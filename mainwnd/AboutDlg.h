// The About box: picture, version, the maker's page and support address.
// Enter and OK close it; Escape and the close box do nothing.
#pragma once

#include "controls/HyperLink.h"
#include "controls/OwnerDrawButton.h"
#include "framework/DialogHandlers.h"
#include "framework/Framework.h"
#include "res/resource.h"

class CAboutDlg : public CDialogImpl<CAboutDlg>, public CDialogHandlers<CAboutDlg>
{
public:
    enum { IDD = IDD_ABOUT };

    BEGIN_MSG_MAP(CAboutDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);

    const CHyperLink& GetSiteLink() const { return m_site; }
    const CHyperLink& GetMailLink() const { return m_mail; }

private:
    COwnerDrawButton m_ok;
    CHyperLink m_site;
    CHyperLink m_mail;
};
