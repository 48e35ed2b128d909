// Sets the main window's option panel through its controls.
#include "tests/support/MainPanel.h"

#include <commctrl.h>

#include "base/DialogItems.h"
#include "files/Paths.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// Selects by index, filling the combo first when start-up left it empty.
void Select(HWND h, int id, int count, int sel)
{
    HWND combo = GetDlgItem(h, id);
    for (int i = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0); i < count; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)std::to_string(i).c_str());
    SelectComboItem(h, id, sel);
}

void SetBar(HWND h, int id, int pos)
{
    SendDlgItemMessageA(h, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, kAdjustMax));
    SetTrackbarPosition(h, id, pos);
}

} // namespace

MainDlgWindow::MainDlgWindow() { dlg.Create(NULL); }

MainDlgWindow::~MainDlgWindow()
{
    if (dlg.m_hWnd != NULL && IsWindow(dlg.m_hWnd))
        DestroyWindow(dlg.m_hWnd);
    PumpMessages();
}

void SetPanel(CMainDlg& dlg, const PanelOptions& o)
{
    const HWND h = dlg.m_hWnd;
    const int loading = dlg.m_bLoading;
    dlg.m_bLoading = 1;
    CheckItem(h, IDC_MAIN_RESIZE, o.resize);
    CheckItem(h, IDC_MAIN_USE_WIDTH, o.useWidth);
    SetDlgItemInt(h, IDC_MAIN_WIDTH, (UINT)o.width, TRUE);
    CheckItem(h, IDC_MAIN_USE_HEIGHT, o.useHeight);
    SetDlgItemInt(h, IDC_MAIN_HEIGHT, (UINT)o.height, TRUE);
    CheckItem(h, IDC_MAIN_FIT, o.box == kPanelFit);
    CheckItem(h, IDC_MAIN_CROP, o.box == kPanelCrop);
    CheckItem(h, IDC_MAIN_STRETCH, o.box == kPanelStretch);
    Select(h, IDC_MAIN_ANCHOR, 3, o.anchor);
    CheckItem(h, IDC_MAIN_BORDER, o.border);
    SetDlgItemInt(h, IDC_MAIN_BORDER_WIDTH, (UINT)o.borderWidth, FALSE);
    CheckItem(h, IDC_MAIN_BORDER_3D, o.frame3d);
    dlg.m_crBorder = o.borderColor;
    Select(h, IDC_MAIN_ROTATE, 4, o.rotate);
    SetBar(h, IDC_MAIN_HUE_BAR, o.hue);
    SetBar(h, IDC_MAIN_SATURATION_BAR, o.saturation);
    SetBar(h, IDC_MAIN_LIGHTNESS_BAR, o.lightness);
    SetDlgItemTextA(h, IDC_MAIN_PREFIX, o.prefix.c_str());
    SetDlgItemTextA(h, IDC_MAIN_SUFFIX, o.suffix.c_str());
    Select(h, IDC_MAIN_NAME_PATTERN, 3, o.pattern);
    dlg.m_bLoading = loading;
}

void WriteImage(const std::string& path, const Magick::Image& image)
{
    std::string ext = SplitPath(path.c_str()).ext.substr(1);
    WriteFileBytes(path, EncodeImage(image, ext.c_str()));
}
