// Painting of the owner-drawn button and the resources it shares.
#include "controls/OwnerDrawButton.h"

#include "core/StrUtil.h"

ButtonArrowBitmaps g_ButtonArrowBitmaps;

void CreateButtonArrowBitmaps()
{
    GetCheckMousePosMessage();
    if (g_ButtonArrowBitmaps.hMonoDC == NULL)
        g_ButtonArrowBitmaps.hMonoDC = CreateCompatibleDC(NULL);
}

void FreeButtonArrowBitmaps()
{
    ButtonArrowBitmaps& b = g_ButtonArrowBitmaps;
    if (b.hLatchedBrush != NULL)
        DeleteObject(b.hLatchedBrush);
    if (b.hMonoDC != NULL)
        DeleteDC(b.hMonoDC);
    if (b.hDropArrow != NULL)
        DeleteObject(b.hDropArrow);
    if (b.hDownArrow != NULL)
        DeleteObject(b.hDownArrow);
    if (b.hUpArrow != NULL)
        DeleteObject(b.hUpArrow);
    b = ButtonArrowBitmaps();
}

void COwnerDrawButton::MakeBackBuffer()
{
}

void COwnerDrawButton::Draw(HDC hDC)
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    FillRect(hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
    const BOOL sunken = m_pressedPart == kOdbPartBody ||
                        (HasFlag(kOdbLatching) && HasFlag(kOdbLatched));
    if (m_hotPart != kOdbPartNone || HasFlag(kOdbAlwaysFramed) || sunken)
        DrawEdge(hDC, &rc, sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    if (HasFlag(kOdbCaption))
    {
        char text[kOdbTipTextSize];
        GetWindowTextA(m_hWnd, text, sizeof(text));
        SIZE size = MeasureText();
        int offset = sunken ? 1 : 0;
        HFONT hFont = (HFONT)CallSaved(WM_GETFONT, 0, 0);
        HGDIOBJ hOld = hFont != NULL ? SelectObject(hDC, hFont) : NULL;
        SetBkMode(hDC, TRANSPARENT);
        DrawStateA(hDC, NULL, NULL, (LPARAM)text, 0, rc.right / 2 - size.cx / 2 + offset,
                   rc.bottom / 2 - size.cy / 2 + offset, 0, 0,
                   DST_PREFIXTEXT | (IsWindowEnabled(m_hWnd) ? DSS_NORMAL : DSS_DISABLED));
        if (hOld != NULL)
            SelectObject(hDC, hOld);
    }
}

BOOL COwnerDrawButton::DrawFocusFrame(HDC hDC, const RECT& rc, COLORREF a, COLORREF b)
{
    const COLORREF inverse = (~b) & 0xFFFFFF;
    HPEN hPen = CreatePen(PS_SOLID, 1, inverse);
    HGDIOBJ hOldPen = SelectObject(hDC, hPen);
    HGDIOBJ hOldBrush = SelectObject(hDC, GetStockObject(NULL_BRUSH));
    COLORREF oldText = SetTextColor(hDC, (inverse ^ a) & 0xFFFFFF);
    Rectangle(hDC, rc.left, rc.top, rc.right + 1, rc.bottom + 1);
    RECT dotted = {rc.left, rc.top, rc.right + 1, rc.bottom + 1};
    DrawFocusRect(hDC, &dotted);
    SetTextColor(hDC, oldText);
    SelectObject(hDC, hOldBrush);
    SelectObject(hDC, hOldPen);
    if (hPen != NULL)
        DeleteObject(hPen);
    return TRUE;
}
