// Painting of the owner-drawn button, its images and the resources that all
// buttons share.
#include "controls/OwnerDrawButton.h"

#include <cstring>

#include "controls/Bitmaps.h"
#include "controls/ColorModel.h"
#include "controls/GdiHandles.h"
#include "controls/RotateDib.h"

ButtonArrowBitmaps g_ButtonArrowBitmaps;

namespace {

const COLORREF kBlack = RGB(0, 0, 0);
// Key of the grey image, which is made from an unmapped load.
const COLORREF kGrayImageKey = RGB(0xC0, 0xC0, 0xC0);
const int kDropZoneWidth = 13;
const int kBandRows = 7;
const int kBandLightness = 80;
const int kLatchedLightness = -100;
const int kCaptionMargin = 3;
const int kLatchedInset = 2;
const int kFocusInset = 3;
// Three quarters of a turn, as the rotation takes it.
const float kVerticalAngle = 4.712389f;
const size_t kCaptionSize = 1024;

// One black run of an arrow bitmap: row, first and last column.
struct ArrowRun
{
    int row, first, last;
};

const ArrowRun kDropArrowRuns[] = {{1, 1, 7}, {2, 2, 6}, {3, 3, 5}, {4, 4, 4}};
const ArrowRun kDownArrowRuns[] = {{0, 0, 2}, {1, 1, 1}};
const ArrowRun kUpArrowRuns[] = {{0, 1, 1}, {1, 0, 2}};

template <size_t N>
HBITMAP MakeArrow(int width, int height, const ArrowRun (&runs)[N])
{
    HBITMAP hBitmap = CreateDib24(NULL, width, height);
    if (hBitmap == NULL)
        return NULL;
    FillDibRect(hBitmap, NULL, GetSysColor(COLOR_BTNFACE));
    for (const ArrowRun& r : runs)
    {
        RECT rc = {r.first, r.row, r.last, r.row};
        FillDibRect(hBitmap, &rc, kBlack);
    }
    return hBitmap;
}

// A one-pixel bevel: sunken has the shadow at the top and left.
void DrawBevel(HBITMAP hBitmap, const RECT& rc, BOOL sunken)
{
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    DrawDibFrame(hBitmap, rc, kNoFill, sunken ? dark : light, sunken ? light : dark, 1);
}

void Blit(HBITMAP hDest, int x, int y, HBITMAP hSource, const RECT& src)
{
    POINT pt = {x, y};
    BlitDib(hDest, pt, hSource, src);
}

void BlitKeyed(HBITMAP hDest, int x, int y, HBITMAP hSource, const RECT& src, COLORREF key)
{
    POINT pt = {x, y};
    BlitDibKeyed(hDest, pt, hSource, src, key);
}

} // namespace

// ---------------------------------------------------------------------------
// Shared resources.

void CreateButtonArrowBitmaps()
{
    GetCheckMousePosMessage();
    FreeButtonArrowBitmaps();
    ButtonArrowBitmaps& b = g_ButtonArrowBitmaps;
    b.hDropArrow = MakeArrow(b.dropArrowWidth, b.dropArrowHeight, kDropArrowRuns);
    b.hDownArrow = MakeArrow(3, 2, kDownArrowRuns);
    b.hUpArrow = MakeArrow(3, 2, kUpArrowRuns);
    b.hLatchedBrush =
        CreateSolidBrush(AdjustLightness(kLatchedLightness, GetSysColor(COLOR_BTNHIGHLIGHT)));
    b.hMonoDC = CreateCompatibleDC(NULL);
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

// ---------------------------------------------------------------------------
// Per-button bitmaps.

void COwnerDrawButton::MakeBackBuffer()
{
    RECT rc = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &rc);
    if (HasFlag(kOdbVertical))
        m_hBackBuffer = CreateDib24(NULL, rc.bottom, rc.right);
    else
        m_hBackBuffer = CreateDib24(NULL, rc.right, rc.bottom);
}

BOOL COwnerDrawButton::SetImage(HINSTANCE hInst, UINT id, DWORD bits, int mapMode)
{
    if (m_hImage != NULL)
        DeleteObject(m_hImage);
    if (m_hGrayImage != NULL)
        DeleteObject(m_hGrayImage);
    m_hGrayImage = NULL;
    m_hImage = LoadMappedBitmap(hInst, LOWORD(id), 24, mapMode);
    SetFlags(bits | kOdbImage, TRUE);
    if (HasFlag(kOdbGrayIdle | kOdbFade))
    {
        CBitmapHandle plain(LoadMappedBitmap(hInst, LOWORD(id), 24, kColorMapNone));
        if (plain != NULL)
            m_hGrayImage = MakeGrayBitmap(plain);
    }
    return m_hImage != NULL;
}

// ---------------------------------------------------------------------------
// Painting.

void COwnerDrawButton::Draw(HDC hDC)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &client);
    const int W = client.right, H = client.bottom;
    if (hDC == NULL || W <= 0 || H <= 0)
        return;
    if (m_hBackBuffer == NULL)
    {
        FillRect(hDC, &client, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }

    const BOOL vertical = HasFlag(kOdbVertical);
    const int PW = vertical ? H : W, PH = vertical ? W : H; // the buffer's sides
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const BOOL enabledLook = IsWindowEnabled(m_hWnd) || HasFlag(kOdbAlwaysEnabledLook);
    const BOOL defaultRing = HasFlag(kOdbDefaultFrame) && enabledLook &&
                             (GetWindowLongA(m_hWnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const BOOL hot = m_hotPart != kOdbPartNone;
    const BOOL latchedLook = HasFlag(kOdbLatching) && HasFlag(kOdbLatched);
    const ButtonArrowBitmaps& shared = g_ButtonArrowBitmaps;

    // Layout, in the unturned buffer.
    RECT A = {0, 0, PW, PH};
    if (defaultRing)
        InflateRect(&A, -1, -1);
    RECT zone = {0, 0, 0, 0}, body;
    POINT arrow = {0, 0};
    if (HasFlag(kOdbDropDown))
    {
        zone = {A.right - kDropZoneWidth, A.top, A.right - 1, A.bottom - 1};
        // Centred, halves rounded up.
        arrow.x = (zone.left + zone.right - shared.dropArrowWidth + 1) / 2;
        arrow.y = (zone.bottom - shared.dropArrowHeight) / 2;
        body = {A.left, A.top, A.right - kDropZoneWidth - 1, A.bottom - 1};
        A.right -= kDropZoneWidth + 1;
    }
    else
    {
        body = {A.left, A.top, A.right - 1, A.bottom - 1};
    }

    POINT text = {0, 0};
    if (HasFlag(kOdbCaption))
    {
        const SIZE cs = MeasureText();
        const int L = A.left, T = A.top, R = A.right, B = A.bottom;
        const int midX = L + (R - L) / 2 - cs.cx / 2, midY = T + (B - T) / 2 - cs.cy / 2;
        switch (m_style & kOdbCaptionSides)
        {
        case kOdbCaptionLeft:
            text = {kCaptionMargin, midY};
            A.left = cs.cx + kCaptionMargin;
            break;
        case kOdbCaptionTop:
            text = {midX, kCaptionMargin};
            A.top = cs.cy + kCaptionMargin;
            break;
        case kOdbCaptionRight:
            text = {R - cs.cx - kCaptionMargin, midY};
            A.right = R - cs.cx - kCaptionMargin - 1;
            break;
        case kOdbCaptionBottom:
            text = {midX, B - cs.cy - kCaptionMargin};
            A.bottom = B - cs.cy - kCaptionMargin - 1;
            break;
        default:
            text = {midX, midY};
            break;
        }
    }

    SIZE image = {0, 0};
    POINT imagePos = {0, 0};
    if (HasFlag(kOdbImage))
    {
        image = GetBitmapSize(m_hImage);
        if (HasFlag(kOdbTwoStateStrip))
            image.cy /= 2;
        imagePos = {(A.left + A.right - image.cx) / 2, (A.top + A.bottom - image.cy) / 2};
    }

    if (latchedLook || m_pressedPart == kOdbPartBody)
    {
        ++imagePos.x;
        ++imagePos.y;
        ++text.x;
        ++text.y;
    }
    if (m_pressedPart == kOdbPartDrop)
        ++arrow.y;

    // Painting.
    RECT P = {0, 0, PW, PH};
    const RECT full = {0, 0, PW - 1, PH - 1};
    if (defaultRing)
        InflateRect(&P, -1, -1);
    --P.right;
    --P.bottom;

    CMemoryDC mem(hDC);
    if (mem == NULL)
        return;
    HBITMAP hBuffer = m_hBackBuffer;
    CSelectObject selBuffer(mem, hBuffer);

    if (defaultRing)
        DrawDibFrame(hBuffer, full, face, kBlack, kBlack, 1);
    else
        FillDibRect(hBuffer, &P, face);

    if (HasFlag(kOdbHoverBands) && (hot || HasFlag(kOdbAlwaysFramed)) &&
        m_pressedPart != kOdbPartBody && enabledLook)
    {
        RECT top = {P.left, P.top, P.right, P.top + kBandRows - 1};
        GradientFillDib(hBuffer, &top, AdjustLightness(kBandLightness, face), face);
        RECT bottom = {P.left, P.bottom - kBandRows + 1, P.right, P.bottom};
        GradientFillDib(hBuffer, &bottom, face, AdjustLightness(-kBandLightness, face));
    }

    if (enabledLook && latchedLook && !hot && shared.hLatchedBrush != NULL)
    {
        CSelectObject selBrush(mem, shared.hLatchedBrush);
        PatBlt(mem, body.left + kLatchedInset, body.top + kLatchedInset,
               body.right - body.left - 2 * kLatchedInset + 1,
               body.bottom - body.top - 2 * kLatchedInset + 1, PATCOPY);
        GdiFlush();
    }

    if (HasFlag(kOdbCaption))
    {
        char caption[kCaptionSize];
        GetWindowTextA(m_hWnd, caption, sizeof(caption));
        SetBkMode(mem, TRANSPARENT);
        HFONT hFont = (HFONT)CallSaved(WM_GETFONT, 0, 0);
        HGDIOBJ hOldFont = hFont != NULL ? SelectObject(mem, hFont) : NULL;
        DrawStateA(mem, NULL, NULL, (LPARAM)caption, 0, text.x, text.y, 0, 0,
                   DST_PREFIXTEXT | DSS_NORMAL);
        if (hOldFont != NULL)
            SelectObject(mem, hOldFont);
        GdiFlush();
    }

    if (HasFlag(kOdbImage) && m_hImage != NULL)
    {
        const RECT src = {0, 0, image.cx - 1, image.cy - 1};
        const BYTE level = m_fadeLevel;
        const BOOL fadeIn = hot && HasFlag(kOdbFade);
        const HBITMAP hGray = HasFlag(kOdbGrayIdle) ? m_hGrayImage : NULL;
        const int x = imagePos.x, y = imagePos.y;
        POINT pt = {x, y};
        if (HasFlag(kOdbOpaqueImage))
        {
            if (hGray != NULL && !hot)
                Blit(hBuffer, x, y, hGray, src);
            else if (hGray != NULL && fadeIn)
            {
                Blit(hBuffer, x, y, hGray, src);
                BlendDib(hBuffer, pt, m_hImage, src, level);
            }
            else
                Blit(hBuffer, x, y, m_hImage, src);
        }
        else if (HasFlag(kOdbTwoStateStrip))
        {
            const RECT lower = {0, image.cy, image.cx - 1, 2 * image.cy - 1};
            if (!hot)
                Blit(hBuffer, x, y, m_hImage, src);
            else if (fadeIn)
            {
                Blit(hBuffer, x, y, m_hImage, src);
                BlendDib(hBuffer, pt, m_hImage, lower, level);
            }
            else
                Blit(hBuffer, x, y, m_hImage, lower);
        }
        else if (hGray != NULL && !hot)
            BlitKeyed(hBuffer, x, y, hGray, src, kGrayImageKey);
        else if (hGray != NULL && fadeIn)
        {
            BlitKeyed(hBuffer, x, y, hGray, src, kGrayImageKey);
            BlendDibKeyed(hBuffer, pt, m_hImage, src, level, face);
        }
        else
            BlitKeyed(hBuffer, x, y, m_hImage, src, face);
    }

    if (HasFlag(kOdbDropDown))
    {
        const RECT arrowRect = {0, 0, shared.dropArrowWidth - 1, shared.dropArrowHeight - 1};
        if (shared.hDropArrow != NULL)
            BlitKeyed(hBuffer, arrow.x, arrow.y, shared.hDropArrow, arrowRect, face);
        if (hot || HasFlag(kOdbAlwaysFramed))
            DrawBevel(hBuffer, zone, m_pressedPart == kOdbPartDrop);
    }

    const BOOL framed = hot || HasFlag(kOdbAlwaysFramed);
    if (framed && m_pressedPart == kOdbPartBody)
        DrawBevel(hBuffer, body, TRUE);
    else if (latchedLook && enabledLook)
        DrawBevel(hBuffer, body, TRUE);
    else if (framed && !latchedLook)
        DrawBevel(hBuffer, body, FALSE);

    if (HasFlag(kOdbFocusOnClick) && GetFocus() == m_hWnd)
    {
        RECT focus = body;
        InflateRect(&focus, -kFocusInset, -kFocusInset);
        DrawFocusFrame(mem, focus, kBlack, face);
        GdiFlush();
    }

    // A vertical button is turned for output; the turned copy lives for
    // this paint only.
    CBitmapHandle turned;
    if (vertical)
    {
        turned.Reset(RotateDib(hBuffer, kVerticalAngle, NULL));
        if (turned == NULL)
            return;
    }
    CSelectObject selTurned(mem, turned != NULL ? (HGDIOBJ)turned.Get() : (HGDIOBJ)hBuffer);

    if (enabledLook)
    {
        BitBlt(hDC, 0, 0, W, H, mem, 0, 0, SRCCOPY);
        return;
    }

    // Disabled: the picture becomes a monochrome mask (face white, the rest
    // black) that DrawState embosses. The mask must be out of the shared DC
    // before DrawState, which draws nothing from a selected bitmap.
    HDC hMono = shared.hMonoDC;
    if (hMono == NULL)
        return;
    CBitmapHandle mono(CreateCompatibleBitmap(hMono, W, H));
    if (mono == NULL)
        return;
    {
        CSelectObject selMono(hMono, mono);
        SetBkColor(mem, face);
        SetTextColor(mem, GetSysColor(COLOR_BTNSHADOW));
        BitBlt(hMono, 0, 0, W, H, mem, 0, 0, SRCCOPY);
    }
    const int saved = SaveDC(hDC);
    IntersectClipRect(hDC, 0, 0, W, H);
    FillRect(hDC, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawStateA(hDC, NULL, NULL, (LPARAM)mono.Get(), 0, 0, 0, W, H, DST_BITMAP | DSS_DISABLED);
    RestoreDC(hDC, saved);
}

BOOL COwnerDrawButton::DrawFocusFrame(HDC hDC, const RECT& rc, COLORREF a, COLORREF b)
{
    const COLORREF inverse = (~b) & 0xFFFFFF;
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, inverse));
    CSelectObject selPen(hDC, pen);
    CSelectObject selBrush(hDC, GetStockObject(NULL_BRUSH));
    const COLORREF oldText = SetTextColor(hDC, (inverse ^ a) & 0xFFFFFF);
    Rectangle(hDC, rc.left, rc.top, rc.right + 1, rc.bottom + 1);
    RECT dotted = {rc.left, rc.top, rc.right + 1, rc.bottom + 1};
    DrawFocusRect(hDC, &dotted);
    SetTextColor(hDC, oldText);
    return TRUE;
}
