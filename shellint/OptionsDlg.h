// Switches the shell verb on or off and chooses the settings file that the
// quiet conversion uses. Only Save changes the registry.
#pragma once

#include "controls/OwnerDrawButton.h"
#include "framework/DialogHandlers.h"
#include "framework/Framework.h"
#include "res/resource.h"

extern const char kOptionsBadPathMessage[];

class COptionsDlg : public CDialogImpl<COptionsDlg>, public CDialogHandlers<COptionsDlg>
{
public:
    enum { IDD = IDD_OPTIONS };

    BEGIN_MSG_MAP(COptionsDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnSave)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        COMMAND_ID_HANDLER(IDC_OPTIONS_BROWSE, OnBrowse)
        COMMAND_HANDLER(IDC_OPTIONS_INTEGRATE, BN_CLICKED, OnIntegrateClicked)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSave(WORD, WORD, HWND, BOOL&);
    LRESULT OnBrowse(WORD, WORD, HWND, BOOL&);
    LRESULT OnIntegrateClicked(WORD, WORD, HWND, BOOL&);

    // The path box and the browse button follow the check box.
    void UpdateControls();

private:
    COwnerDrawButton m_save;
    COwnerDrawButton m_cancel;
    COwnerDrawButton m_browse;
};
