#include "mainwnd/MainDlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include "base/ComRef.h"
#include "browser/Pidl.h"
#include "controls/Bitmaps.h"
#include "image/ImageSteps.h"
#include "image/MagickInc.h"
#include "files/Paths.h"
#include "settings/Registry.h"
#include "mainwnd/GifSettingsDlg.h"
#include "mainwnd/Help.h"

namespace {

const DWORD kSplitterStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD kTreePaneStyle = WS_CHILD | WS_VISIBLE;
const DWORD kTreePaneExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;

struct ListColumn
{
    const char* text;
    int width;
    int format;
};
const ListColumn kListColumns[] = {
    {"Name", 200, LVCFMT_LEFT},
    {"Size", 100, LVCFMT_RIGHT},
    {"Type", 100, LVCFMT_LEFT},
    {"Modified", 100, LVCFMT_LEFT},
};

const char* const kRotationTexts[] = {"0", "90", "180", "270"};
const char* const kNamePatternTexts[] = {"filename", "filename & _ & fileindex",
                                         "fileindex & _ & filename"};
const char* const kAnchorTexts[] = {"Left Top", "Center", "Right Bottom"};

const UINT kAdjustBars[] = {IDC_MAIN_HUE_BAR, IDC_MAIN_SATURATION_BAR, IDC_MAIN_LIGHTNESS_BAR};

template <size_t N>
void FillCombo(HWND hDlg, UINT id, const char* const (&texts)[N])
{
    for (const char* text : texts)
        ::SendDlgItemMessageA(hDlg, id, CB_ADDSTRING, 0, (LPARAM)text);
}

struct SpinEditSetup
{
    CSpinEdit CMainDlg::*member;
    UINT id;
    int min, max, percentMin, percentMax, wheelStep;
};
const SpinEditSetup kSpinEdits[] = {
    {&CMainDlg::m_editBorderWidth, IDC_MAIN_BORDER_WIDTH, 0, 100, 0, 100, 1},
    {&CMainDlg::m_editWidth, IDC_MAIN_WIDTH, 0, 10000, 0, 100, 5},
    {&CMainDlg::m_editHeight, IDC_MAIN_HEIGHT, 0, 10000, 0, 100, 5},
    {&CMainDlg::m_editHue, IDC_MAIN_HUE, -100, 100, 0, 100, 5},
    {&CMainDlg::m_editSaturation, IDC_MAIN_SATURATION, -100, 100, 0, 100, 5},
    {&CMainDlg::m_editLightness, IDC_MAIN_LIGHTNESS, -100, 100, 0, 100, 5},
};

struct PushButtonSetup
{
    COwnerDrawButton CMainDlg::*member;
    UINT id;
    DWORD style;
    const char* tooltip;
};
const PushButtonSetup kPushButtons[] = {
    {&CMainDlg::m_btnSave, IDC_MAIN_SAVE, kOdbStyleFocusDefault, "Save settings"},
    {&CMainDlg::m_btnLoad, IDC_MAIN_LOAD, kOdbStyleFocusDefault, "Load settings"},
    {&CMainDlg::m_btnReset, IDC_MAIN_RESET, kOdbStyleFocusDefault, "Reset settings"},
    {&CMainDlg::m_btnGifSettings, IDC_MAIN_GIF_SETTINGS, kOdbStyleFocusDefault, NULL},
    {&CMainDlg::m_btnExit, IDCANCEL, kOdbStyleFocusDefault, "Exit"},
    {&CMainDlg::m_btnBrowse, IDC_MAIN_BROWSE, kOdbStylePlain, NULL},
};

struct ViewButtonSetup
{
    COwnerDrawButton CMainDlg::*member;
    UINT id;
    UINT bitmap;
    const char* tooltip;
};
const ViewButtonSetup kViewButtons[] = {
    {&CMainDlg::m_btnList, IDC_MAIN_VIEW_LIST, IDB_VIEW_LIST, "List"},
    {&CMainDlg::m_btnDetails, IDC_MAIN_VIEW_DETAILS, IDB_VIEW_DETAILS, "Details"},
    {&CMainDlg::m_btnSmallIcons, IDC_MAIN_VIEW_SMALL_ICONS, IDB_VIEW_SMALLICONS, "Small Icons"},
    {&CMainDlg::m_btnLargeIcons, IDC_MAIN_VIEW_LARGE_ICONS, IDB_VIEW_LARGEICONS, "Large Icons"},
};

// Start-up's border colour, until the factory values replace it.
const COLORREF kStartBorderColor = RGB(100, 100, 100);

// The Convert button's drop-down: submenu 0 of its menu, no default item.
const int kConvertSubmenu = 0;
const int kNoDefaultItem = -1;

void SetDialogIcon(HWND hDlg, WPARAM which, int cxMetric, int cyMetric)
{
    // Shared icons are freed by the system, so the dialog never leaks them.
    HANDLE icon =
        ::LoadImageA(g_Module.GetResourceInstance(), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                     ::GetSystemMetrics(cxMetric), ::GetSystemMetrics(cyMetric), LR_SHARED);
    ::SendMessageA(hDlg, WM_SETICON, which, (LPARAM)icon);
}

} // namespace

CMainDlg::CMainDlg()
    : m_crBorder(0), m_sourceSize(), m_bBusy(0), m_bLoading(1), m_bPreview(1),
      m_nConvertCmd(ID_CONVERT_SELECTION), m_pRunProgress(NULL), m_bOutputBroken(false),
      m_pRunStaging(NULL), m_bExitAfterRun(false), m_hPreviewBitmap()
{
    m_szCurrentFile[0] = '\0';
    m_szBrowsedFolder[0] = '\0';
}

CMainDlg::~CMainDlg() { RemoveHelpHook(); }

const Magick::Image* CMainDlg::StageImage(unsigned short stage) const
{
    switch (stage)
    {
    case kStageResize:
        return m_pStage0.get();
    case kStageBorder:
        return m_pStage1.get();
    case kStageRotateColor:
        return m_pStage2.get();
    default:
        return NULL;
    }
}

HWND CMainDlg::GetListView() const
{
    // Start-up moves the list view into the splitter; it keeps its id.
    HWND hList = ::GetDlgItem(m_splitter, IDC_MAIN_FILE_LIST);
    return hList != NULL ? hList : ::GetDlgItem(m_hWnd, IDC_MAIN_FILE_LIST);
}

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    SetDialogIcon(m_hWnd, ICON_BIG, SM_CXICON, SM_CYICON);
    SetDialogIcon(m_hWnd, ICON_SMALL, SM_CXSMICON, SM_CYSMICON);

    RECT rc = {0, 0, 0, 0};
    ::GetWindowRect(GetDlgItem(IDC_MAIN_SPLITTER_AREA), &rc);
    ::MapWindowPoints(NULL, m_hWnd, (POINT*)&rc, 2);
    m_splitter.Create(m_hWnd, &rc, NULL, kSplitterStyle, 0, 0);
    HWND hList = GetListView();
    // The panes take the list's place in the tab order.
    ::SetWindowPos(m_splitter, ::GetWindow(hList, GW_HWNDPREV), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_treePane.SetMessageOwner(this, m_hWnd);
    m_treePane.Create(m_splitter, &rc, NULL, kTreePaneStyle, kTreePaneExStyle, 0);

    if (m_fileList.SubclassWindow(hList))
        m_fileList.AttachSystemImageLists();
    ::SetParent(hList, m_splitter);
    m_splitter.SetSplitterPanes(m_treePane, hList);
    m_splitter.UpdateSplitterLayout();
    m_splitter.SetSplitterPos(-1, true);
    m_treePane.SetSink(this);
    m_fileList.SetSink(this);

    InitFolderTree();
    InitControls();

    DWORD view = 0;
    if (!RegReadDword(kRegView, &view))
        view = IDC_MAIN_VIEW_DETAILS;
    BOOL handled = TRUE;
    OnViewMode(0, (WORD)view, NULL, handled);

    LoadProgramSettings();

    DWORD firstStart = 0;
    if (RegReadDword(kRegFirstStart, &firstStart) && firstStart != 0)
    {
        OnHelpCommand(0, ID_HELP_QUICKSTART, NULL, handled);
        const DWORD done = 0;
        RegWriteDword(kRegFirstStart, &done);
    }
    InstallHelpHook();
    return TRUE;
}

void CMainDlg::InitFolderTree()
{
    CComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Out())))
        return;
    HIMAGELIST images = GetSystemImageList(SHGFI_SMALLICON);
    HWND hTree = m_treePane.GetTree();
    if (images != NULL && ::IsWindow(hTree))
        ::SendMessageA(hTree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images);

    CComRef<IShellFolder> top;
    if (SUCCEEDED(SHGetDesktopFolder(top.Out())))
        m_treePane.FillChildren(top.Get(), NULL, TVI_ROOT);

    HTREEITEM first = (HTREEITEM)::SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    ::SendMessageA(hTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)first);
    ::SendMessageA(hTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)first);
}

LRESULT CMainDlg::InitControls()
{
    HWND hList = GetListView();
    for (size_t i = 0; i < sizeof(kListColumns) / sizeof(kListColumns[0]); ++i)
    {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kListColumns[i].format;
        column.cx = kListColumns[i].width;
        column.pszText = const_cast<char*>(kListColumns[i].text);
        column.iSubItem = (int)i;
        ::SendMessageA(hList, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
    }
    for (UINT id : kAdjustBars)
        SendDlgItemMessageA(m_hWnd, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, kAdjustMax));
    FillCombo(m_hWnd, IDC_MAIN_ROTATE, kRotationTexts);

    for (const SpinEditSetup& e : kSpinEdits)
    {
        CSpinEdit& edit = this->*e.member;
        if (edit.SubclassWindow(GetDlgItem(e.id)))
            edit.OnCreate();
        edit.m_nMin = e.min;
        edit.m_nMax = e.max;
        edit.m_nPercentMin = e.percentMin;
        edit.m_nPercentMax = e.percentMax;
        edit.m_nWheelStep = e.wheelStep;
    }

    m_crBorder = kStartBorderColor;
    m_btnColor.Create(m_hWnd, IDC_MAIN_BORDER_COLOR, &m_crBorder);

    HINSTANCE hInst = g_Module.GetResourceInstance();
    m_btnConvert.SubclassDlgItem(m_hWnd, IDC_MAIN_CONVERT, kOdbStylePlain);
    m_btnConvert.SetMenu(hInst, IDR_CONVERT_MENU, kConvertSubmenu, kNoDefaultItem);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_CONVERT, "Convert Selection");
    for (const PushButtonSetup& b : kPushButtons)
    {
        COwnerDrawButton& button = this->*b.member;
        button.SubclassDlgItem(m_hWnd, b.id, b.style);
        if (b.tooltip != NULL)
            button.SetTooltip(hInst, b.tooltip);
    }

    FillCombo(m_hWnd, IDC_MAIN_NAME_PATTERN, kNamePatternTexts);

    for (const ViewButtonSetup& b : kViewButtons)
    {
        COwnerDrawButton& button = this->*b.member;
        button.SubclassDlgItem(m_hWnd, b.id, kOdbStyleViewRadio);
        button.SetImage(hInst, b.bitmap, 0, kColorMapSystem);
        button.SetTooltip(hInst, b.tooltip);
    }
    m_btnLargeIcons.SetFlags(kOdbLatched, TRUE);

    FillCombo(m_hWnd, IDC_MAIN_ANCHOR, kAnchorTexts);
    ResetSettings();
    UpdateControlStates();
    return 0;
}

void CMainDlg::RefreshBorderColor()
{
    if (m_btnColor.GetHwnd() == NULL)
        return;
    m_btnColor.UpdateSwatch();
    m_btnColor.Redraw(FALSE);
}

int CMainDlg::OnFolderSelected(CFolderTreePane*, int, LPCITEMIDLIST folder, const char* path)
{
    ::SendMessageA(GetListView(), LVM_DELETEALLITEMS, 0, 0);
    // No list: no folder, or one the shell cannot reach. A null list would
    // show the desktop's files instead.
    if (m_fileList.m_hWnd != NULL && folder != NULL)
        m_fileList.ShowFolder(folder);
    SafeCopy(m_szBrowsedFolder, path != NULL ? path : "");
    return 0;
}

int CMainDlg::OnFileSelected(CFileListView*, int, LPCITEMIDLIST, const char* path)
{
    // A cut path would name another file: load only one that fits.
    if (SafeCopy(m_szCurrentFile, path != NULL ? path : ""))
        LoadSourceImage(m_szCurrentFile);
    return 0;
}

LRESULT CMainDlg::OnGifSettings(WORD, WORD, HWND, BOOL&)
{
    RunDialogOnActiveWindow<CGifSettingsDlg>();
    return 0;
}

LRESULT CMainDlg::OnHelpCommand(WORD, WORD id, HWND, BOOL&)
{
    RunHelpCommand(id);
    return 0;
}
