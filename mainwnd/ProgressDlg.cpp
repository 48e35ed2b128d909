#include "mainwnd/ProgressDlg.h"

#include <commctrl.h>

LRESULT CProgressDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
    m_cancel.SubclassDlgItem(m_hWnd, IDC_PROGRESS_CANCEL, kOdbStyleFocusDefault);
    // No initial focus.
    return FALSE;
}

LRESULT CProgressDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    m_running = false;
    return 0;
}

void CProgressDlg::SetRange(int count)
{
    // The 32-bit range: the 16-bit one would wrap for more than 65535 files.
    SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, count);
}

int CProgressDlg::SetFromTo(const char* fromText, const char* toText)
{
    SetDlgItemTextA(m_hWnd, IDC_PROGRESS_FROM, fromText != NULL ? fromText : "");
    SetDlgItemTextA(m_hWnd, IDC_PROGRESS_TO, toText != NULL ? toText : "");
    SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
    return DispatchPending() ? 1 : 0;
}

void CProgressDlg::SetSearching(const char* folderText)
{
    SetDlgItemTextA(m_hWnd, IDC_PROGRESS_FROM, folderText != NULL ? folderText : "");
    SetDlgItemTextA(m_hWnd, IDC_PROGRESS_TO, "");
}

bool CProgressDlg::DispatchPending()
{
    // Only dispatch: no key translation and no dialog navigation during a run.
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    return m_running;
}
