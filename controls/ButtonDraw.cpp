// Painting of the owner-drawn button, its images and the resources that all
// buttons share.
#include "controls/OwnerDrawButton.h"

#include <cstring>

#include "base/GdiHandles.h"
#include "controls/Bitmaps.h"
#include "controls/ColorModel.h"
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
const int kSpinArrowWidth = 3;
const int kSpinArrowHeight = 2;

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
    b.hDropArrow.Reset(MakeArrow(b.dropArrowWidth, b.dropArrowHeight, kDropArrowRuns));
    b.hDownArrow.Reset(MakeArrow(kSpinArrowWidth, kSpinArrowHeight, kDownArrowRuns));
    b.hUpArrow.Reset(MakeArrow(kSpinArrowWidth, kSpinArrowHeight, kUpArrowRuns));
    b.hLatchedBrush.Reset(
        CreateSolidBrush(AdjustLightness(kLatchedLightness, GetSysColor(COLOR_BTNHIGHLIGHT))));
    b.hMonoDC.Reset(CreateCompatibleDC(NULL));
}

void FreeButtonArrowBitmaps()
{
    ButtonArrowBitmaps& b = g_ButtonArrowBitmaps;
    b.hLatchedBrush.Reset();
    b.hMonoDC.Reset();
    b.hDropArrow.Reset();
    b.hDownArrow.Reset();
    b.hUpArrow.Reset();
}

// ---------------------------------------------------------------------------
// Per-button bitmaps.

void COwnerDrawButton::MakeBackBuffer()
{
    RECT rc = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &rc);
    if (HasFlag(kOdbVertical))
        m_hBackBuffer.Reset(CreateDib24(NULL, rc.bottom, rc.right));
    else
        m_hBackBuffer.Reset(CreateDib24(NULL, rc.right, rc.bottom));
}

BOOL COwnerDrawButton::SetImage(HINSTANCE hInst, UINT id, DWORD bits, int mapMode)
{
    m_hGrayImage.Reset();
    m_hImage.Reset(LoadMappedBitmap(hInst, LOWORD(id), 24, mapMode));
    SetFlags(bits | kOdbImage, TRUE);
    if (HasFlag(kOdbGrayIdle | kOdbFade))
    {
        CBitmapHandle plain(LoadMappedBitmap(hInst, LOWORD(id), 24, kColorMapNone));
        if (plain != NULL)
            m_hGrayImage.Reset(MakeGrayBitmap(plain));
    }
    return m_hImage != NULL;
}

// ---------------------------------------------------------------------------
// Painting.

ButtonLayout LayOutButton(const ButtonLayoutInput& in)
{
    const DWORD style = in.style;
    ButtonLayout out = {};
    RECT A = {0, 0, in.buffer.cx, in.buffer.cy};
    if (in.defaultRing)
        InflateRect(&A, -1, -1);
    if (style & kOdbDropDown)
    {
        out.zone = {A.right - kDropZoneWidth, A.top, A.right - 1, A.bottom - 1};
        // Centred, halves rounded up.
        out.arrow.x = (out.zone.left + out.zone.right - in.dropArrow.cx + 1) / 2;
        out.arrow.y = (out.zone.bottom - in.dropArrow.cy) / 2;
        out.body = {A.left, A.top, A.right - kDropZoneWidth - 1, A.bottom - 1};
        A.right -= kDropZoneWidth + 1;
    }
    else
    {
        out.body = {A.left, A.top, A.right - 1, A.bottom - 1};
    }

    if (style & kOdbCaption)
    {
        const SIZE cs = in.caption;
        const int left = A.left, top = A.top, right = A.right, bottom = A.bottom;
        const int midX = left + (right - left) / 2 - cs.cx / 2;
        const int midY = top + (bottom - top) / 2 - cs.cy / 2;
        switch (style & kOdbCaptionSides)
        {
        case kOdbCaptionLeft:
            out.caption = {kCaptionMargin, midY};
            A.left = cs.cx + kCaptionMargin;
            break;
        case kOdbCaptionTop:
            out.caption = {midX, kCaptionMargin};
            A.top = cs.cy + kCaptionMargin;
            break;
        case kOdbCaptionRight:
            out.caption = {right - cs.cx - kCaptionMargin, midY};
            A.right = right - cs.cx - kCaptionMargin - 1;
            break;
        case kOdbCaptionBottom:
            out.caption = {midX, bottom - cs.cy - kCaptionMargin};
            A.bottom = bottom - cs.cy - kCaptionMargin - 1;
            break;
        default:
            out.caption = {midX, midY};
            break;
        }
    }

    if (style & kOdbImage)
    {
        out.image = in.image;
        if (style & kOdbTwoStateStrip)
            out.image.cy /= 2;
        out.imagePos = {(A.left + A.right - out.image.cx) / 2,
                        (A.top + A.bottom - out.image.cy) / 2};
    }

    const BOOL latchedLook = (style & kOdbLatching) && (style & kOdbLatched);
    if (latchedLook || in.pressedPart == kOdbPartBody)
    {
        ++out.imagePos.x;
        ++out.imagePos.y;
        ++out.caption.x;
        ++out.caption.y;
    }
    if (in.pressedPart == kOdbPartDrop)
        ++out.arrow.y;

    out.full = {0, 0, in.buffer.cx - 1, in.buffer.cy - 1};
    out.paint = {0, 0, in.buffer.cx, in.buffer.cy};
    if (in.defaultRing)
        InflateRect(&out.paint, -1, -1);
    --out.paint.right;
    --out.paint.bottom;
    return out;
}

void COwnerDrawButton::Draw(HDC hDC)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &client);
    if (hDC == NULL || client.right <= 0 || client.bottom <= 0)
        return;
    if (m_hBackBuffer == NULL)
    {
        FillRect(hDC, &client, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }

    ButtonLook look;
    look.face = GetSysColor(COLOR_BTNFACE);
    look.enabled = IsWindowEnabled(m_hWnd) || HasFlag(kOdbAlwaysEnabledLook);
    look.defaultRing = HasFlag(kOdbDefaultFrame) && look.enabled &&
                       (GetWindowLongA(m_hWnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    look.hot = m_hotPart != kOdbPartNone;
    look.latched = HasFlag(kOdbLatching) && HasFlag(kOdbLatched);
    look.framed = look.hot || HasFlag(kOdbAlwaysFramed);

    const ButtonArrowBitmaps& shared = g_ButtonArrowBitmaps;
    ButtonLayoutInput in;
    in.style = m_style;
    in.buffer = HasFlag(kOdbVertical) ? SIZE{client.bottom, client.right}
                                      : SIZE{client.right, client.bottom};
    in.defaultRing = look.defaultRing;
    in.caption = HasFlag(kOdbCaption) ? MeasureText() : SIZE{0, 0};
    in.image = HasFlag(kOdbImage) ? GetBitmapSize(m_hImage) : SIZE{0, 0};
    in.dropArrow = {shared.dropArrowWidth, shared.dropArrowHeight};
    in.pressedPart = m_pressedPart;
    const ButtonLayout layout = LayOutButton(in);

    CMemoryDC mem(hDC);
    if (mem == NULL)
        return;
    CSelectObject selBuffer(mem, m_hBackBuffer);
    PaintFace(mem, look, layout);
    if (HasFlag(kOdbCaption))
        PaintCaption(mem, layout.caption);
    if (HasFlag(kOdbImage) && m_hImage != NULL)
        PaintImage(look, layout);
    PaintFrames(mem, look, layout);
    Present(hDC, mem, look, client);
}

void COwnerDrawButton::PaintFace(HDC mem, const ButtonLook& look, const ButtonLayout& layout)
{
    const HBITMAP hBuffer = m_hBackBuffer;
    const RECT& P = layout.paint;
    if (look.defaultRing)
        DrawDibFrame(hBuffer, layout.full, look.face, kBlack, kBlack, 1);
    else
        FillDibRect(hBuffer, &P, look.face);

    if (HasFlag(kOdbHoverBands) && look.framed && m_pressedPart != kOdbPartBody && look.enabled)
    {
        RECT top = {P.left, P.top, P.right, P.top + kBandRows - 1};
        GradientFillDib(hBuffer, &top, AdjustLightness(kBandLightness, look.face), look.face);
        RECT bottom = {P.left, P.bottom - kBandRows + 1, P.right, P.bottom};
        GradientFillDib(hBuffer, &bottom, look.face, AdjustLightness(-kBandLightness, look.face));
    }

    const HBRUSH hLatched = g_ButtonArrowBitmaps.hLatchedBrush;
    if (look.enabled && look.latched && !look.hot && hLatched != NULL)
    {
        const RECT& body = layout.body;
        CSelectObject selBrush(mem, hLatched);
        PatBlt(mem, body.left + kLatchedInset, body.top + kLatchedInset,
               body.right - body.left - 2 * kLatchedInset + 1,
               body.bottom - body.top - 2 * kLatchedInset + 1, PATCOPY);
        GdiFlush();
    }
}

void COwnerDrawButton::PaintCaption(HDC mem, POINT at)
{
    char caption[kCaptionSize];
    GetWindowTextA(m_hWnd, caption, sizeof(caption));
    SetBkMode(mem, TRANSPARENT);
    HFONT hFont = (HFONT)CallSaved(WM_GETFONT, 0, 0);
    HGDIOBJ hOldFont = hFont != NULL ? SelectObject(mem, hFont) : NULL;
    DrawStateA(mem, NULL, NULL, (LPARAM)caption, 0, at.x, at.y, 0, 0, DST_PREFIXTEXT | DSS_NORMAL);
    if (hOldFont != NULL)
        SelectObject(mem, hOldFont);
    GdiFlush();
}

void COwnerDrawButton::PaintImage(const ButtonLook& look, const ButtonLayout& layout)
{
    const HBITMAP hBuffer = m_hBackBuffer;
    const SIZE image = layout.image;
    const RECT src = {0, 0, image.cx - 1, image.cy - 1};
    const BYTE level = m_fadeLevel;
    const BOOL hot = look.hot;
    const BOOL fadeIn = hot && HasFlag(kOdbFade);
    const HBITMAP hGray = HasFlag(kOdbGrayIdle) ? m_hGrayImage.Get() : NULL;
    const int x = layout.imagePos.x, y = layout.imagePos.y;
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
        BlendDibKeyed(hBuffer, pt, m_hImage, src, level, look.face);
    }
    else
        BlitKeyed(hBuffer, x, y, m_hImage, src, look.face);
}

void COwnerDrawButton::PaintFrames(HDC mem, const ButtonLook& look, const ButtonLayout& layout)
{
    const HBITMAP hBuffer = m_hBackBuffer;
    const ButtonArrowBitmaps& shared = g_ButtonArrowBitmaps;
    if (HasFlag(kOdbDropDown))
    {
        const RECT arrowRect = {0, 0, shared.dropArrowWidth - 1, shared.dropArrowHeight - 1};
        if (shared.hDropArrow != NULL)
            BlitKeyed(hBuffer, layout.arrow.x, layout.arrow.y, shared.hDropArrow, arrowRect,
                      look.face);
        if (look.framed)
            DrawBevel(hBuffer, layout.zone, m_pressedPart == kOdbPartDrop);
    }

    if (look.framed && m_pressedPart == kOdbPartBody)
        DrawBevel(hBuffer, layout.body, TRUE);
    else if (look.latched && look.enabled)
        DrawBevel(hBuffer, layout.body, TRUE);
    else if (look.framed && !look.latched)
        DrawBevel(hBuffer, layout.body, FALSE);

    if (HasFlag(kOdbFocusOnClick) && GetFocus() == m_hWnd)
    {
        RECT focus = layout.body;
        InflateRect(&focus, -kFocusInset, -kFocusInset);
        DrawFocusFrame(mem, focus, kBlack, look.face);
        GdiFlush();
    }
}

void COwnerDrawButton::Present(HDC hDC, HDC mem, const ButtonLook& look, const RECT& client)
{
    const int W = client.right, H = client.bottom;
    // A vertical button is turned for output; the turned copy lives for
    // this paint only.
    CBitmapHandle turned;
    if (HasFlag(kOdbVertical))
    {
        turned.Reset(RotateDib(m_hBackBuffer, kVerticalAngle, NULL));
        if (turned == NULL)
            return;
    }
    CSelectObject selTurned(mem, turned != NULL ? (HGDIOBJ)turned.Get() : (HGDIOBJ)m_hBackBuffer);

    if (look.enabled)
    {
        BitBlt(hDC, 0, 0, W, H, mem, 0, 0, SRCCOPY);
        return;
    }

    // Disabled: the picture becomes a monochrome mask (face white, the rest
    // black) that DrawState embosses. The mask must be out of the shared DC
    // before DrawState, which draws nothing from a selected bitmap.
    HDC hMono = g_ButtonArrowBitmaps.hMonoDC;
    if (hMono == NULL)
        return;
    CBitmapHandle mono(CreateCompatibleBitmap(hMono, W, H));
    if (mono == NULL)
        return;
    {
        CSelectObject selMono(hMono, mono);
        SetBkColor(mem, look.face);
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
