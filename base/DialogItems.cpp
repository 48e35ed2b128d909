#include "base/DialogItems.h"

#include <commctrl.h>

#include "base/StrUtil.h"
#include "base/WinUtil.h"

namespace {

// A message to no window answers 0.
LRESULT SendToItem(HWND hDlg, int id, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(DialogControl(hDlg, id), uMsg, wParam, lParam);
}

} // namespace

bool IsItemChecked(HWND hDlg, int id)
{
    return SendToItem(hDlg, id, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void CheckItem(HWND hDlg, int id, bool checked)
{
    SendToItem(hDlg, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int ComboSelection(HWND hDlg, int id)
{
    const HWND combo = DialogControl(hDlg, id);
    return combo != NULL ? (int)::SendMessageA(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
}

void SelectComboItem(HWND hDlg, int id, int index)
{
    const int count = (int)SendToItem(hDlg, id, CB_GETCOUNT, 0, 0);
    SendToItem(hDlg, id, CB_SETCURSEL, (WPARAM)(index >= 0 && index < count ? index : -1), 0);
}

int TrackbarPosition(HWND hDlg, int id) { return (int)SendToItem(hDlg, id, TBM_GETPOS, 0, 0); }

void SetTrackbarPosition(HWND hDlg, int id, int position)
{
    SendToItem(hDlg, id, TBM_SETPOS, TRUE, (LPARAM)position);
}

std::string ItemText(HWND hDlg, int id) { return GetWindowTextString(DialogControl(hDlg, id)); }

bool IsItemEnabled(HWND hDlg, int id)
{
    return ::IsWindowEnabled(DialogControl(hDlg, id)) != FALSE;
}

void EnableItem(HWND hDlg, int id, bool enable)
{
    ::EnableWindow(DialogControl(hDlg, id), enable ? TRUE : FALSE);
}
