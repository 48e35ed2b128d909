#include "controls/ColorButton.h"

#include <commctrl.h>

#include "controls/Bitmaps.h"
#include "controls/ColorPopup.h"

namespace {

const int kSwatchFrameWidth = 1;

// The popup's tab control needs its class once per process.
void InitPopupControlsOnce()
{
    static BOOL s_done = FALSE;
    if (s_done)
        return;
    s_done = TRUE;
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_TAB_CLASSES;
    InitCommonControlsEx(&icc);
}

} // namespace

BOOL CColorButton::Create(HWND hDlg, UINT id, COLORREF* pColor)
{
    if (!SubclassDlgItem(hDlg, id, kOdbStyleColor))
        return FALSE;
    m_pColor = pColor;
    UpdateSwatch();
    return TRUE;
}

void CColorButton::UpdateSwatch()
{
    m_hImage.Reset();
    RECT client = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &client);
    int w = client.right - kSwatchMarginX;
    if (HasFlag(kOdbDropDown))
        w -= kSwatchDropZone;
    const int h = client.bottom - kSwatchMarginY;
    // A button too small for a swatch shows none.
    if (w <= 0 || h <= 0)
        return;
    m_hImage.Reset(CreateDib24(NULL, w, h));
    if (m_hImage == NULL)
        return;
    const RECT frame = {0, 0, w - 1, h - 1};
    const COLORREF fill = m_pColor != NULL ? *m_pColor : kSwatchFrameColor;
    DrawDibFrame(m_hImage, frame, fill, kSwatchFrameColor, kSwatchFrameColor, kSwatchFrameWidth);
}

void CColorButton::AcceptColor(COLORREF color)
{
    if (m_pColor != NULL)
        *m_pColor = color;
    UpdateSwatch();
    Redraw(FALSE);
    COwnerDrawButton::OnClicked();
}

void CColorButton::OnClicked()
{
    // Without a colour it is a plain button.
    if (m_pColor == NULL)
    {
        COwnerDrawButton::OnClicked();
        return;
    }
    COLORREF color = *m_pColor;
    if (ChooseColorDialog(m_hWnd, color))
        AcceptColor(color);
}

BOOL CColorPickerButton::Create(HWND hDlg, UINT id, COLORREF* pColor)
{
    if (!CColorButton::Create(hDlg, id, pColor))
        return FALSE;
    SetFlags(kOdbNoMenu, FALSE);
    SetFlags(kOdbPickerBits, TRUE);
    // The drop-down zone makes the swatch narrower.
    UpdateSwatch();
    return TRUE;
}

void CColorPickerButton::ShowMenu()
{
    if (m_pColor == NULL)
    {
        COwnerDrawButton::ShowMenu();
        return;
    }
    COLORREF color = *m_pColor;
    ReleaseCapture();
    m_hotPart = m_pressedPart = kOdbPartDrop;
    Redraw(FALSE);

    RECT rc;
    GetWindowRect(m_hWnd, &rc);
    InitPopupControlsOnce();
    CColorPopup popup;
    const BOOL picked = popup.Run(GetParent(m_hWnd), rc.left - 1, rc.bottom, color, color);

    if (picked)
    {
        *m_pColor = color;
        UpdateSwatch();
    }
    m_hotPart = m_pressedPart = kOdbPartNone;
    Redraw(FALSE);
    // The picker's click is the plain notice: the colour button's own
    // click would open the colour dialog as well.
    if (picked)
        COwnerDrawButton::OnClicked(); // NOLINT(bugprone-parent-virtual-call)
}
