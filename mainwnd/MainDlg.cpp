#include "mainwnd/MainDlg.h"

#include "core/MagickInc.h"

CMainDlg::CMainDlg()
    : m_crBorder(0),
      m_pSourceImage(NULL),
      m_pStage0(NULL),
      m_pStage1(NULL),
      m_pStage2(NULL),
      m_bBusy(0),
      m_bLoading(1),
      m_bPreview(1),
      m_nConvertCmd(ID_CONVERT_SELECTION),
      m_hPreviewBitmap(NULL)
{
    m_szCurrentFile[0] = '\0';
    m_szBrowsedFolder[0] = '\0';
}

CMainDlg::~CMainDlg()
{
    delete m_pStage2;
    delete m_pStage1;
    delete m_pStage0;
    delete m_pSourceImage;
    if (m_hPreviewBitmap != NULL)
        ::DeleteObject(m_hPreviewBitmap);
}

HWND CMainDlg::GetListView() const { return ::GetDlgItem(m_hWnd, IDC_MAIN_FILE_LIST); }

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    return TRUE;
}

void CMainDlg::InitFolderTree() {}
LRESULT CMainDlg::InitControls() { return 0; }
void CMainDlg::UpdateControlStates() {}
void CMainDlg::EnableImageControls(bool) {}
LRESULT CMainDlg::OnResizeOptionChanged(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnBorderOptionChanged(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnRotateChanged(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnHScroll(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
LRESULT CMainDlg::OnAdjustEditChange(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnViewMode(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnExit(WORD, WORD id, HWND, BOOL&)
{
    EndDialog(id);
    return 0;
}
LRESULT CMainDlg::OnOptions(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnBrowseOutputFolder(WORD, WORD, HWND, BOOL&) { return 0; }
void CMainDlg::SaveSettings(const char*) {}
void CMainDlg::LoadSettings(const char*) {}
void CMainDlg::ResetSettings() {}
LRESULT CMainDlg::OnSaveSettings(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnLoadSettings(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnReset(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnGifSettings(WORD, WORD, HWND, BOOL&) { return 0; }
LRESULT CMainDlg::OnHelpCommand(WORD, WORD, HWND, BOOL&) { return 0; }
