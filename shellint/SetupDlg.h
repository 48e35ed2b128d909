// The setup dialog of the "-i" command line: switches the shell verb on or
// off. It ends only through "Next >"; Escape and the close box do nothing.
#pragma once

#include "base/GdiHandles.h"
#include "framework/Framework.h"
#include "resource.h"

class CSetupDlg : public CDialogImpl<CSetupDlg>
{
public:
    enum { IDD = IDD_SETUP };

    BEGIN_MSG_MAP(CSetupDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnNext)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNext(WORD, WORD, HWND, BOOL&);

private:
    void FitPictures();

    // The pictures the controls show; they outlive the dialog's window.
    CBitmapHandle m_banner, m_side;
};
