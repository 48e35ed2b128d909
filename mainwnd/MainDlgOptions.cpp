// The option panel's enable rules and change handlers, the coupling of the
// colour-adjustment trackbars with their edits, the file list's view modes
// and the small commands Exit, Options and the output-folder choice.
#include "mainwnd/MainDlg.h"

#include <commctrl.h>

#include "base/DialogItems.h"
#include "browser/FolderDialog.h"
#include "image/ImageSteps.h"
#include "settings/Registry.h"
#include "shellint/OptionsDlg.h"
#include "settings/SettingsFile.h"

namespace {

// Controls that only make sense with a source image.
const int kImageControls[] = {
    IDC_MAIN_ROTATE,          IDC_MAIN_ROTATE_FRAME, IDC_MAIN_RESIZE,
    IDC_MAIN_BORDER,          IDC_MAIN_HUE_BAR,      IDC_MAIN_SATURATION_BAR,
    IDC_MAIN_LIGHTNESS_BAR,   IDC_MAIN_HUE,          IDC_MAIN_SATURATION,
    IDC_MAIN_LIGHTNESS,       IDC_MAIN_HUE_LABEL,    IDC_MAIN_SATURATION_LABEL,
    IDC_MAIN_LIGHTNESS_LABEL,
};

const int kBorderDetailControls[] = {IDC_MAIN_BORDER_WIDTH_LABEL, IDC_MAIN_BORDER_WIDTH,
                                     IDC_MAIN_BORDER_COLOR_LABEL, IDC_MAIN_BORDER_COLOR,
                                     IDC_MAIN_BORDER_3D};

// Each trackbar and the edit that shows its position less the neutral one.
struct AdjustPair
{
    int bar;
    int edit;
};
const AdjustPair kAdjustPairs[] = {
    {IDC_MAIN_HUE_BAR, IDC_MAIN_HUE},
    {IDC_MAIN_SATURATION_BAR, IDC_MAIN_SATURATION},
    {IDC_MAIN_LIGHTNESS_BAR, IDC_MAIN_LIGHTNESS},
};

// The list view type of each view button.
struct ViewMode
{
    WORD button;
    DWORD type;
    COwnerDrawButton CMainDlg::*member;
};
const ViewMode kViewModes[] = {
    {IDC_MAIN_VIEW_DETAILS, LVS_REPORT, &CMainDlg::m_btnDetails},
    {IDC_MAIN_VIEW_LIST, LVS_LIST, &CMainDlg::m_btnList},
    {IDC_MAIN_VIEW_SMALL_ICONS, LVS_SMALLICON, &CMainDlg::m_btnSmallIcons},
    {IDC_MAIN_VIEW_LARGE_ICONS, LVS_ICON, &CMainDlg::m_btnLargeIcons},
};

} // namespace

void CMainDlg::UpdateControlStates()
{
    const bool border = IsItemChecked(m_hWnd, IDC_MAIN_BORDER);
    for (int id : kBorderDetailControls)
        EnableItem(m_hWnd, id, border);

    const bool resize = IsItemChecked(m_hWnd, IDC_MAIN_RESIZE);
    EnableItem(m_hWnd, IDC_MAIN_USE_WIDTH, resize);
    EnableItem(m_hWnd, IDC_MAIN_USE_HEIGHT, resize);
    const bool width = resize && IsItemChecked(m_hWnd, IDC_MAIN_USE_WIDTH);
    const bool height = resize && IsItemChecked(m_hWnd, IDC_MAIN_USE_HEIGHT);
    EnableItem(m_hWnd, IDC_MAIN_WIDTH, width);
    EnableItem(m_hWnd, IDC_MAIN_HEIGHT, height);
    const bool box = width && height;
    EnableItem(m_hWnd, IDC_MAIN_FIT, box);
    EnableItem(m_hWnd, IDC_MAIN_CROP, box);
    EnableItem(m_hWnd, IDC_MAIN_STRETCH, box);
    EnableItem(m_hWnd, IDC_MAIN_ANCHOR, box && IsItemChecked(m_hWnd, IDC_MAIN_CROP));
}

void CMainDlg::EnableImageControls(bool enable)
{
    for (int id : kImageControls)
        EnableItem(m_hWnd, id, enable);
}

// The enable rules and the trackbar-to-edit coupling answer at once, also
// on a first start without settings; only the preview waits while the
// options are loading (until a source image has loaded).
LRESULT CMainDlg::OnResizeOptionChanged(WORD, WORD, HWND, BOOL&)
{
    UpdateControlStates();
    if (!m_bLoading)
        UpdatePreview(kStageResize);
    return 0;
}

LRESULT CMainDlg::OnBorderOptionChanged(WORD, WORD, HWND, BOOL&)
{
    UpdateControlStates();
    if (!m_bLoading)
        UpdatePreview(kStageBorder);
    return 0;
}

LRESULT CMainDlg::OnRotateChanged(WORD, WORD, HWND, BOOL&)
{
    UpdatePreview(kStageRotateColor);
    return 0;
}

LRESULT CMainDlg::OnHScroll(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_bBusy)
        return 0;
    m_bBusy = 1;
    int positions[3];
    for (size_t i = 0; i < 3; ++i)
        positions[i] = TrackbarPosition(m_hWnd, kAdjustPairs[i].bar);
    for (size_t i = 0; i < 3; ++i)
        SetDlgItemInt(m_hWnd, kAdjustPairs[i].edit, (UINT)(positions[i] - kColorNeutral), TRUE);
    if (!m_bLoading)
        UpdatePreview(kStageRotateColor);
    m_bBusy = 0;
    return 0;
}

LRESULT CMainDlg::OnAdjustEditChange(WORD, WORD id, HWND, BOOL&)
{
    if (m_bLoading || m_bBusy || m_pSourceImage == NULL)
        return 0;
    m_bBusy = 1;
    // The trackbar holds its position within its range; clamping here first
    // keeps the sum from overflowing for huge typed numbers.
    long long value = (long long)(int)GetDlgItemInt(m_hWnd, id, NULL, TRUE) + kColorNeutral;
    if (value < 0)
        value = 0;
    if (value > kAdjustMax)
        value = kAdjustMax;
    for (const AdjustPair& pair : kAdjustPairs)
        if (pair.edit == id)
            SetTrackbarPosition(m_hWnd, pair.bar, (int)value);
    UpdatePreview(kStageRotateColor);
    m_bBusy = 0;
    return 0;
}

LRESULT CMainDlg::OnViewMode(WORD, WORD id, HWND, BOOL&)
{
    COwnerDrawButton* buttons[] = {&m_btnList, &m_btnDetails, &m_btnSmallIcons, &m_btnLargeIcons};
    for (COwnerDrawButton* button : buttons)
        button->SetFlags(kOdbLatched, FALSE);

    const ViewMode* mode = &kViewModes[0];
    for (const ViewMode& m : kViewModes)
        if (m.button == id)
            mode = &m;

    HWND hList = GetListView();
    LONG_PTR style = ::GetWindowLongPtrA(hList, GWL_STYLE);
    if ((DWORD)(style & LVS_TYPEMASK) != mode->type)
        ::SetWindowLongPtrA(hList, GWL_STYLE, (style & ~(LONG_PTR)LVS_TYPEMASK) | mode->type);

    (this->*mode->member).SetFlags(kOdbLatched, TRUE);
    return 0;
}

LRESULT CMainDlg::OnExit(WORD, WORD id, HWND, BOOL&)
{
    // A run under way stops first; the window closes when it has.
    if (StopRunForExit())
        return 0;
    const DWORD type = (DWORD)::GetWindowLongPtrA(GetListView(), GWL_STYLE) & LVS_TYPEMASK;
    DWORD view = IDC_MAIN_VIEW_DETAILS;
    for (const ViewMode& m : kViewModes)
        if (m.type == type)
            view = m.button;
    RegWriteDword(kRegView, &view);
    const std::string settings = GetProgramSettingsPath();
    if (!SaveSettings(settings.c_str()))
        ReportSettingsNotSaved(m_hWnd, settings.c_str());
    EndDialog(id);
    return 0;
}

LRESULT CMainDlg::OnOptions(WORD, WORD, HWND, BOOL&)
{
    RunDialogOnActiveWindow<COptionsDlg>();
    return 0;
}

LRESULT CMainDlg::OnBrowseOutputFolder(WORD, WORD, HWND, BOOL&)
{
    CFolderDialog dialog;
    dialog.m_hWndOwner = m_hWnd;
    dialog.m_lpszTitle = "Choose a folder for saved of the transformed files";
    char folder[kPathBufferSize] = "";
    if (!dialog.DoModal(folder))
        return 0;
    SetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, folder);
    return 1;
}
