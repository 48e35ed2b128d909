// Buttons that show and edit a COLORREF kept by their dialog. A click opens
// the system colour dialog; the picker's drop-down part opens the colour
// popup. An accepted colour is stored in the dialog's variable, the swatch
// is redrawn and the parent gets WM_COMMAND with the button's id.
#pragma once

#include "controls/OwnerDrawButton.h"

// The swatch is the client size less these margins (and the drop-down zone).
const int kSwatchMarginX = 13;
const int kSwatchMarginY = 8;
const int kSwatchDropZone = 12;
const COLORREF kSwatchFrameColor = 0x404040;
const DWORD kOdbPickerBits = kOdbDropDown | kOdbMenuLeft;

class CColorButton : public COwnerDrawButton
{
public:
    CColorButton() {}

    using COwnerDrawButton::Create;
    // Takes over the dialog's item and shows *pColor, which must outlive the
    // button window; 0 when the dialog has no such item.
    virtual BOOL Create(HWND hDlg, UINT id, COLORREF* pColor);

    // Rebuilds the swatch from the current colour; owners that change the
    // colour themselves call it and redraw.
    void UpdateSwatch();
    void OnClicked() override;

    HBITMAP GetSwatch() const { return m_hImage; }
    COLORREF* GetColorPointer() const { return m_pColor; }

protected:
    // Stores an accepted colour, shows it and tells the parent.
    void AcceptColor(COLORREF color);

    COLORREF* m_pColor = NULL;
};

class CColorPickerButton : public CColorButton
{
public:
    CColorPickerButton() {}

    using CColorButton::Create;
    BOOL Create(HWND hDlg, UINT id, COLORREF* pColor) override;
    // The drop-down part: runs the colour popup below the button.
    void ShowMenu() override;
};
