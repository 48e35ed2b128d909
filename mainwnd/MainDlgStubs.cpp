// Placeholder bodies of the preview and conversion members, so the main
// window builds before they are written.
#include "mainwnd/MainDlg.h"

LRESULT CMainDlg::OnConvertMenu(WORD, WORD id, HWND, BOOL&)
{
    m_nConvertCmd = id;
    return 0;
}
LRESULT CMainDlg::OnConvert(WORD, WORD, HWND, BOOL&) { return 0; }
int CMainDlg::ConvertFiles(CProgressDlg*) { return 0; }
int CMainDlg::ConvertOneFile(const char*, int, CProgressDlg*) { return 1; }
void CMainDlg::BuildOutputName(char*, int) {}
void CMainDlg::CollectFiles(std::vector<std::string>&, const char*, bool) {}
