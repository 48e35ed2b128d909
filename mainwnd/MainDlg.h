// The main window: folder tree and file list in a splitter, the option
// panel, the preview of the focused file and the Convert commands. One flat
// message map routes every command; what no entry takes is reflected back
// to the child control it concerns.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "base/StrUtil.h"
#include "browser/FileListView.h"
#include "browser/FolderTreePane.h"
#include "controls/ColorButton.h"
#include "controls/OwnerDrawButton.h"
#include "controls/SpinEdit.h"
#include "core/ImageSize.h"
#include "framework/Framework.h"
#include "framework/Splitter.h"
#include "res/resource.h"

namespace Magick
{
class Image;
}
class CProgressDlg;
class OutputStaging;

// Preview stages: what an option change recomputes from.
const unsigned short kStageResize = 0;
const unsigned short kStageBorder = 1;
const unsigned short kStageRotateColor = 2;

// Colour-adjustment trackbars run 0..200; this position means unchanged.
const int kAdjustNeutral = 100;
const int kAdjustMax = 200;

// How long a run may collect its files before the progress dialog shows,
// so that its Cancel can stop a long search.
const DWORD kCollectQuietMs = 300;

// Runs a dialog of the given class modally, owned by the active window, and
// ignores its result.
template <class TDialog>
void RunDialogOnActiveWindow()
{
    TDialog dlg;
    dlg.DoModal(::GetActiveWindow());
}

// "settings.tvx" beside the program: the options from one run to the next.
std::string GetProgramSettingsPath();

class CMainDlg : public CDialogImpl<CMainDlg>, public IFolderTreeSink, public IFileListSink
{
public:
    enum { IDD = IDD_MAIN };

    CMainDlg();
    ~CMainDlg() override;

    BEGIN_MSG_MAP(CMainDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
        COMMAND_ID_HANDLER(IDOK, IgnoreMessage)
        COMMAND_ID_HANDLER(IDCANCEL, OnExit)
        COMMAND_RANGE_HANDLER(ID_CONVERT_SELECTION, ID_CONVERT_RECURSIVE, OnConvertMenu)
        COMMAND_HANDLER(IDC_MAIN_CONVERT, BN_CLICKED, OnConvert)
        COMMAND_HANDLER(ID_TOOLS_OPTIONS, 0, OnOptions)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_RESIZE, IDC_MAIN_USE_HEIGHT, BN_CLICKED, OnResizeOptionChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_WIDTH, IDC_MAIN_HEIGHT, EN_CHANGE, OnResizeOptionChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_FIT, IDC_MAIN_STRETCH, BN_CLICKED, OnResizeOptionChanged)
        COMMAND_HANDLER(IDC_MAIN_ANCHOR, CBN_SELCHANGE, OnResizeOptionChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_BORDER, IDC_MAIN_BORDER_3D, BN_CLICKED, OnBorderOptionChanged)
        COMMAND_HANDLER(IDC_MAIN_BORDER_COLOR, 0, OnBorderOptionChanged)
        COMMAND_HANDLER(IDC_MAIN_BORDER_WIDTH, EN_CHANGE, OnBorderOptionChanged)
        COMMAND_RANGE_HANDLER(IDC_MAIN_VIEW_DETAILS, IDC_MAIN_VIEW_LARGE_ICONS, OnViewMode)
        COMMAND_HANDLER(IDC_MAIN_ROTATE, CBN_SELCHANGE, OnRotateChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_HUE, IDC_MAIN_LIGHTNESS, EN_CHANGE, OnAdjustEditChange)
        COMMAND_HANDLER(IDC_MAIN_SAVE, BN_CLICKED, OnSaveSettings)
        COMMAND_HANDLER(IDC_MAIN_LOAD, BN_CLICKED, OnLoadSettings)
        COMMAND_HANDLER(IDC_MAIN_BROWSE, BN_CLICKED, OnBrowseOutputFolder)
        COMMAND_HANDLER(IDC_MAIN_RESET, BN_CLICKED, OnReset)
        COMMAND_HANDLER(IDC_MAIN_GIF_SETTINGS, BN_CLICKED, OnGifSettings)
        COMMAND_RANGE_HANDLER(ID_HELP_QUICKSTART, ID_HELP_SUPPORT, OnHelpCommand)
        COMMAND_ID_HANDLER(ID_HELP_ABOUT, OnHelpCommand)
        COMMAND_ID_HANDLER(ID_HELP_EMAIL, OnHelpCommand)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

    // Start-up and the browser callbacks.
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL& bHandled);
    void InitFolderTree();
    LRESULT InitControls();
    int OnFolderSelected(CFolderTreePane* sender, int code, LPCITEMIDLIST folder,
                         const char* path) override;
    int OnFileSelected(CFileListView* sender, int code, LPCITEMIDLIST item, const char* path) override;

    // Option panel, view modes and small commands.
    LRESULT IgnoreMessage(WORD, WORD, HWND, BOOL&) { return 0; }
    void UpdateControlStates();
    void EnableImageControls(bool enable);
    LRESULT OnResizeOptionChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnBorderOptionChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnRotateChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnHScroll(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAdjustEditChange(WORD, WORD id, HWND, BOOL&);
    LRESULT OnViewMode(WORD, WORD id, HWND, BOOL&);
    LRESULT OnExit(WORD, WORD id, HWND, BOOL&);
    LRESULT OnOptions(WORD, WORD, HWND, BOOL&);
    LRESULT OnBrowseOutputFolder(WORD, WORD, HWND, BOOL&);

    // Preview pipeline.
    int LoadSourceImage(const char* path);
    void UpdatePreview(unsigned short fromStage);
    void ApplyResize();
    void ResizeCropToFit();
    void ResizeStretch();
    void ApplyBorder();
    void DrawPreview(Magick::Image* image);
    // At the end of a run: the batch's full-size pictures go, and the
    // focused file (or the one the preview showed) is shown again.
    void ShowFocusedFileAgain();

    // Batch conversion.
    LRESULT OnConvertMenu(WORD, WORD id, HWND, BOOL&);
    LRESULT OnConvert(WORD, WORD, HWND, BOOL&);
    int ConvertFiles(CProgressDlg* progress);
    int ConvertOneFile(const char* outputFolder, int index, CProgressDlg* progress);
    void BuildOutputName(char* path, int index);
    void CollectFiles(std::vector<std::string>& list, const char* folder, bool recursive);
    // Tells the user once, at the end of a run, which files it left out.
    void ReportNotConverted();
    // During a run: stops it as Cancel does and has the window close once it
    // has; false between runs.
    bool StopRunForExit();

    // Settings files.
    void SaveSettings(const char* path);
    void LoadSettings(const char* path);
    void ResetSettings();
    LRESULT OnSaveSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnLoadSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnReset(WORD, WORD, HWND, BOOL&);

    // GIF settings and help.
    LRESULT OnGifSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnHelpCommand(WORD, WORD id, HWND, BOOL&);

    // Shows m_crBorder again after the code changed it.
    void RefreshBorderColor();

    // The file list's list view (inside the splitter once start-up ran).
    HWND GetListView() const;

    COLORREF m_crBorder;
    CFolderTreePane m_treePane;
    CFileListView m_fileList;
    CSpinEdit m_editBorderWidth;
    CSpinEdit m_editWidth;
    CSpinEdit m_editHeight;
    CSpinEdit m_editHue;
    CSpinEdit m_editSaturation;
    CSpinEdit m_editLightness;
    COwnerDrawButton m_btnList;
    COwnerDrawButton m_btnDetails;
    COwnerDrawButton m_btnSmallIcons;
    COwnerDrawButton m_btnLargeIcons;
    COwnerDrawButton m_btnConvert;
    COwnerDrawButton m_btnSave;
    COwnerDrawButton m_btnLoad;
    COwnerDrawButton m_btnReset;
    COwnerDrawButton m_btnExit;
    COwnerDrawButton m_btnGifSettings;
    COwnerDrawButton m_btnBrowse;
    CColorPickerButton m_btnColor;
    CSplitterWindowImpl m_splitter;
    Magick::Image* m_pSourceImage;
    // The size of the whole picture m_pSourceImage was decoded from.
    ImageSize m_sourceSize;
    Magick::Image* m_pStage0;
    // Stage 0's size against the output it stands for: below 1 while it is
    // reduced for the preview.
    double m_stage0Scale = 1.0;
    Magick::Image* m_pStage1;
    Magick::Image* m_pStage2;
    int m_bBusy;
    int m_bLoading;
    int m_bPreview;
    unsigned short m_nConvertCmd;
    // The progress dialog of the run under way; NULL between runs.
    CProgressDlg* m_pRunProgress;
    // The run's sources that were not converted, and whether it stopped
    // because the output folder takes no more files.
    std::vector<std::string> m_notConverted;
    bool m_bOutputBroken;
    // Where the run makes its temporary files; NULL between runs.
    const OutputStaging* m_pRunStaging;
    // Exit was asked for during the run.
    bool m_bExitAfterRun;
    char m_szCurrentFile[kPathBufferSize];
    char m_szBrowsedFolder[kPathBufferSize];
    HBITMAP m_hPreviewBitmap;
    // The file last read for the preview.
    std::string m_previewedFile;
};
