#include "controls/Bitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "base/GdiHandles.h"
#include "controls/ColorModel.h"

namespace {

const int kOpaque = 255;

inline BYTE Div255(unsigned value) { return (BYTE)(value / 255u); }

int RowStride(int bitCount, int width) { return ((bitCount / 8) * width + 3) & ~3; }

HBITMAP CreateTopDownDib(HDC hDC, int width, int height, WORD bitCount)
{
    BITMAPINFO bmi;
    ZeroMemory(&bmi, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = bitCount;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    return CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
}

void PutColor(BYTE* p, int pixelBytes, COLORREF color)
{
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
    if (pixelBytes == 4)
        p[3] = kOpaque;
}

// Clips an inclusive rectangle to the bitmap.
RECT ClipToDib(const DibPixels& dib, const RECT& rc)
{
    RECT r = rc;
    r.left = std::max(r.left, (LONG)0);
    r.top = std::max(r.top, (LONG)0);
    r.right = std::min(r.right, (LONG)dib.width - 1);
    r.bottom = std::min(r.bottom, (LONG)dib.height - 1);
    return r;
}

RECT WholeDib(const DibPixels& dib)
{
    RECT r = {0, 0, dib.width - 1, dib.height - 1};
    return r;
}

// Source rows st..sb and columns sl..sr go to the destination from (dx, dy).
struct TransferPlan
{
    DibPixels dst, src;
    int dx, dy, sl, st, sr, sb;
};

// The checks and clipping shared by the four transfers. FALSE: refused.
BOOL PlanTransfer(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, TransferPlan& p)
{
    if (!GetDibPixels(hDest, p.dst) || !GetDibPixels(hSource, p.src))
        return FALSE;
    const DibPixels& d = p.dst;
    const DibPixels& s = p.src;
    long long dx = dest.x, dy = dest.y;
    long long sl = source.left, st = source.top, sr = source.right, sb = source.bottom;

    if (sr - sl + 1 + dx < 0 || dx >= d.width || sb - st + 1 + dy < 0 || dy >= d.height)
        return FALSE;
    if (sl < 0)
    {
        dx -= sl;
        sl = 0;
        dest.x = (LONG)dx;
    }
    if (st < 0)
    {
        dy -= st;
        st = 0;
        dest.y = (LONG)dy;
    }
    sr = std::min(sr, (long long)s.width - 1);
    sb = std::min(sb, (long long)s.height - 1);
    const long long dr = dx + sr - sl;
    const long long db = dy + sb - st;
    if (dx < 0)
    {
        sl -= dx;
        dx = 0;
    }
    if (dy < 0)
    {
        st -= dy;
        dy = 0;
    }
    if (dr > d.width - 1)
    {
        sr -= dr - (d.width - 1);
        if (sr < sl)
            return FALSE;
    }
    if (db > d.height - 1)
    {
        sb -= db - (d.height - 1);
        if (sb < st)
            return FALSE;
    }
    // Everything is now inside both bitmaps, so it fits in int.
    p.dx = (int)dx;
    p.dy = (int)dy;
    p.sl = (int)sl;
    p.st = (int)st;
    p.sr = (int)sr;
    p.sb = (int)sb;
    return TRUE;
}

template <class Put>
void ForEachPixel(const TransferPlan& p, Put put)
{
    if (p.sl > p.sr)
        return;
    for (int y = p.st; y <= p.sb; ++y)
    {
        const BYTE* s = p.src.Row(y) + (size_t)p.sl * p.src.pixelBytes;
        BYTE* d = p.dst.Row(p.dy + y - p.st) + (size_t)p.dx * p.dst.pixelBytes;
        for (int x = p.sl; x <= p.sr; ++x, s += p.src.pixelBytes, d += p.dst.pixelBytes)
            put(d, s);
    }
}

bool IsKey(const BYTE* s, COLORREF key)
{
    return s[0] == GetBValue(key) && s[1] == GetGValue(key) && s[2] == GetRValue(key);
}

BOOL BlendTransfer(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, BYTE alpha,
                   bool keyed, COLORREF key)
{
    TransferPlan p;
    if (!PlanTransfer(hDest, dest, hSource, source, p))
        return FALSE;
    const unsigned a = alpha;
    const bool dst32 = p.dst.pixelBytes == 4;
    if (p.src.pixelBytes == 3)
    {
        ForEachPixel(p, [&](BYTE* d, const BYTE* s) {
            if (keyed && IsKey(s, key))
                return;
            for (int i = 0; i < 3; ++i)
                d[i] = Div255(s[i] * a + d[i] * (255 - a));
        });
    }
    else
    {
        ForEachPixel(p, [&](BYTE* d, const BYTE* s) {
            const unsigned e = Div255(s[3] * a);
            for (int i = 0; i < 3; ++i)
                d[i] = Div255(s[i] * e + d[i] * (255 - e));
            if (dst32)
                d[3] = Div255(d[3] * (255 - e) + s[3] * e);
        });
    }
    return TRUE;
}

// The part of a packed DIB resource that the loader needs, checked against
// the resource's size.
struct PackedDib
{
    BITMAPINFOHEADER header;
    const BYTE* masks; // three DWORD masks for BI_BITFIELDS, else NULL
    const RGBQUAD* table;
    UINT tableSize;
    const BYTE* pixels;
};

BOOL ParsePackedDib(const BYTE* data, DWORD size, PackedDib& dib)
{
    const DWORD kHeader = sizeof(BITMAPINFOHEADER);
    const DWORD kMasks = 3 * sizeof(DWORD);
    if (size < kHeader)
        return FALSE;
    memcpy(&dib.header, data, kHeader);
    const BITMAPINFOHEADER& h = dib.header;
    if (h.biSize < kHeader || h.biSize > size || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == std::numeric_limits<LONG>::min() || h.biPlanes != 1)
        return FALSE;

    // The table follows the header's own size, and for a plain 40-byte header
    // with bit fields also the three masks; later headers hold the masks at
    // the same place, right after the first 40 bytes.
    DWORD tableOffset = h.biSize;
    dib.masks = NULL;
    if (h.biCompression == BI_BITFIELDS)
    {
        if (size < kHeader + kMasks)
            return FALSE;
        dib.masks = data + kHeader;
        if (h.biSize == kHeader)
            tableOffset += kMasks;
    }
    if (tableOffset > size)
        return FALSE;

    dib.tableSize = std::min<DWORD>(DibColorTableSize(&h), (size - tableOffset) / sizeof(RGBQUAD));
    dib.table = (const RGBQUAD*)(data + tableOffset);
    const DWORD pixelOffset = tableOffset + dib.tableSize * sizeof(RGBQUAD);

    unsigned long long need;
    switch (h.biCompression)
    {
    case BI_RGB:
    case BI_BITFIELDS:
        need = ((unsigned long long)h.biWidth * h.biBitCount + 31) / 32 * 4 *
               (unsigned long long)std::llabs(h.biHeight);
        break;
    case BI_RLE8:
    case BI_RLE4:
        need = h.biSizeImage;
        break;
    default:
        return FALSE;
    }
    if (need == 0 || need > size - pixelOffset)
        return FALSE;
    dib.pixels = data + pixelOffset;
    return TRUE;
}

void MapColorTable(RGBQUAD* table, UINT count, int mode)
{
    if (mode == kColorMapSystem)
    {
        static const struct
        {
            DWORD entry; // bytes blue, green, red, reserved as one value
            int sysColor;
        } kMap[] = {
            {0x000000, COLOR_BTNTEXT},
            {0x808080, COLOR_BTNSHADOW},
            {0xC0C0C0, COLOR_BTNFACE},
            {0xFFFFFF, COLOR_BTNHIGHLIGHT},
        };
        for (UINT i = 0; i < count; ++i)
        {
            DWORD value;
            memcpy(&value, &table[i], sizeof(value));
            for (const auto& m : kMap)
                if (value == m.entry)
                {
                    const COLORREF c = GetSysColor(m.sysColor);
                    table[i].rgbBlue = GetBValue(c);
                    table[i].rgbGreen = GetGValue(c);
                    table[i].rgbRed = GetRValue(c);
                    table[i].rgbReserved = 0;
                    break;
                }
        }
    }
    else if (mode == kColorMapTint)
    {
        WORD hue, lightness, saturation;
        RgbToHls(GetSysColor(COLOR_BTNHIGHLIGHT), hue, lightness, saturation);
        for (UINT i = 0; i < count; ++i)
        {
            RGBQUAD& q = table[i];
            if (q.rgbBlue != q.rgbGreen || q.rgbGreen != q.rgbRed)
                continue;
            const COLORREF c = HlsToRgb(hue, (WORD)(q.rgbRed * 257), saturation);
            q.rgbBlue = GetBValue(c);
            q.rgbGreen = GetGValue(c);
            q.rgbRed = GetRValue(c);
            q.rgbReserved = 0;
        }
    }
}

// The source pixels that destination pixel `i` of an axis covers when
// `from` pixels become `to`: in units where a source pixel is `to` long and
// a destination pixel `from` long, each overlap's length is its weight, and
// the weights of one destination pixel add up to `from`.
template <class Take>
void ForEachTap(int i, int from, int to, Take take)
{
    const long long start = (long long)i * from, end = start + from;
    for (long long j = start / to; j * to < end; ++j)
        take((int)j, (unsigned)(std::min(end, (j + 1) * to) - std::max(start, j * to)));
}

} // namespace

bool GetDibPixels(HBITMAP hBitmap, DibPixels& pixels)
{
    DIBSECTION ds;
    if (hBitmap == NULL || GetObjectA(hBitmap, sizeof(ds), &ds) == 0 || ds.dsBm.bmBits == NULL ||
        ds.dsBm.bmBitsPixel < 24)
        return false;
    pixels.bits = (BYTE*)ds.dsBm.bmBits;
    pixels.width = ds.dsBm.bmWidth;
    pixels.height = std::abs(ds.dsBm.bmHeight);
    pixels.bitCount = ds.dsBm.bmBitsPixel == 24 ? 24 : 32;
    pixels.pixelBytes = pixels.bitCount / 8;
    pixels.stride = RowStride(ds.dsBm.bmBitsPixel, pixels.width);
    return true;
}

HBITMAP CreateDib24(HDC hDC, int width, int height)
{
    return CreateTopDownDib(hDC, width, height, 24);
}

HBITMAP CreateDib32(HDC hDC, int width, int height)
{
    return CreateTopDownDib(hDC, width, height, 32);
}

UINT DibColorTableSize(const BITMAPINFOHEADER* header)
{
    const UINT used = header->biClrUsed;
    switch (header->biBitCount)
    {
    case 1:
    case 4:
    case 8:
    {
        // A table never holds more entries than the pixels can index.
        const UINT full = 1u << header->biBitCount;
        return used != 0 ? std::min(used, full) : full;
    }
    default:
        return used;
    }
}

HBITMAP LoadMappedBitmap(HINSTANCE hInstance, WORD id, WORD bitCount, int mode)
{
    HRSRC hRes = FindResourceA(hInstance, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (hRes == NULL)
        return NULL;
    const DWORD size = SizeofResource(hInstance, hRes);
    HGLOBAL hData = LoadResource(hInstance, hRes);
    const BYTE* data = hData != NULL ? (const BYTE*)LockResource(hData) : NULL;
    PackedDib dib;
    if (data == NULL || !ParsePackedDib(data, size, dib))
        return NULL;

    // A private description: the header cut to 40 bytes, the masks, and the
    // colour table mapped as asked; the resource is never written.
    const size_t maskBytes = dib.masks != NULL ? 3 * sizeof(DWORD) : 0;
    const size_t tableBytes = dib.tableSize * sizeof(RGBQUAD);
    const size_t infoBytes = sizeof(BITMAPINFOHEADER) + maskBytes + tableBytes;
    std::unique_ptr<BYTE[]> source(new (std::nothrow) BYTE[infoBytes]);
    std::unique_ptr<BYTE[]> target(new (std::nothrow) BYTE[sizeof(BITMAPINFOHEADER) + tableBytes]);
    if (!source || !target)
        return NULL;
    BITMAPINFOHEADER* srcHeader = (BITMAPINFOHEADER*)source.get();
    *srcHeader = dib.header;
    srcHeader->biSize = sizeof(BITMAPINFOHEADER);
    srcHeader->biClrUsed = dib.tableSize;
    if (maskBytes != 0)
        memcpy(source.get() + sizeof(BITMAPINFOHEADER), dib.masks, maskBytes);
    RGBQUAD* table = (RGBQUAD*)(source.get() + sizeof(BITMAPINFOHEADER) + maskBytes);
    memcpy(table, dib.table, tableBytes);
    MapColorTable(table, dib.tableSize, mode);

    BITMAPINFOHEADER* dstHeader = (BITMAPINFOHEADER*)target.get();
    *dstHeader = *srcHeader;
    if (bitCount != 0)
        dstHeader->biBitCount = bitCount;
    const LONG height = std::abs(dib.header.biHeight);
    dstHeader->biHeight = -height;
    dstHeader->biCompression = BI_RGB;
    dstHeader->biSizeImage = 0;
    dstHeader->biClrUsed = 0;
    if (dstHeader->biBitCount <= 8)
    {
        // A palette bitmap keeps the mapped table as its own.
        if (dib.tableSize == 0)
            return NULL;
        dstHeader->biClrUsed = dib.tableSize;
        memcpy(target.get() + sizeof(BITMAPINFOHEADER), table, tableBytes);
    }

    void* bits = NULL;
    CBitmapHandle bitmap(
        CreateDIBSection(NULL, (BITMAPINFO*)target.get(), DIB_RGB_COLORS, &bits, NULL, 0));
    if (bitmap.Get() == NULL)
        return NULL;
    CWindowDC screen(NULL);
    CMemoryDC memDC(screen);
    if (memDC == NULL)
        return NULL;
    int lines;
    {
        CSelectObject select(memDC, bitmap);
        lines =
            StretchDIBits(memDC, 0, 0, dib.header.biWidth, height, 0, 0, dib.header.biWidth, height,
                          dib.pixels, (BITMAPINFO*)source.get(), DIB_RGB_COLORS, SRCCOPY);
    }
    GdiFlush();
    // Some drivers report a failed stretch as 0 lines rather than GDI_ERROR.
    if (lines == 0 || lines == (int)GDI_ERROR)
        return NULL;
    return bitmap.Release();
}

HBITMAP MakeGrayBitmap(HBITMAP hSource)
{
    DibPixels src;
    if (!GetDibPixels(hSource, src))
        return NULL;
    CBitmapHandle gray(src.bitCount == 24 ? CreateDib24(NULL, src.width, src.height)
                                          : CreateDib32(NULL, src.width, src.height));
    DibPixels dst;
    if (gray == NULL || !GetDibPixels(gray, dst))
        return NULL;
    for (int y = 0; y < src.height; ++y)
    {
        const BYTE* s = src.Row(y);
        BYTE* d = dst.Row(y);
        for (int x = 0; x < src.width; ++x, s += src.pixelBytes, d += dst.pixelBytes)
        {
            const BYTE grey = Div255(76u * s[2] + 149u * s[1] + 30u * s[0]);
            d[0] = d[1] = d[2] = grey;
            if (dst.pixelBytes == 4)
                d[3] = s[3];
        }
    }
    return gray.Release();
}

DWORD ColorToDibPixel(COLORREF color)
{
    return ((DWORD)kOpaque << 24) | ((DWORD)GetRValue(color) << 16) |
           ((DWORD)GetGValue(color) << 8) | GetBValue(color);
}

RGBTRIPLE& ColorToBgrTriple(RGBTRIPLE& triple, COLORREF color)
{
    triple.rgbtBlue = GetBValue(color);
    triple.rgbtGreen = GetGValue(color);
    triple.rgbtRed = GetRValue(color);
    return triple;
}

SIZE GetBitmapSize(HBITMAP hBitmap)
{
    SIZE size = {0, 0};
    BITMAP bm;
    if (hBitmap != NULL && GetObjectA(hBitmap, sizeof(bm), &bm) != 0)
    {
        size.cx = bm.bmWidth;
        size.cy = std::abs(bm.bmHeight);
    }
    return size;
}

void GetBitmapRect(HBITMAP hBitmap, RECT& rect)
{
    SetRectEmpty(&rect);
    BITMAP bm;
    if (hBitmap != NULL && GetObjectA(hBitmap, sizeof(bm), &bm) != 0)
        SetRect(&rect, 0, 0, bm.bmWidth - 1, std::abs(bm.bmHeight) - 1);
}

BOOL FillDibRect(HBITMAP hBitmap, const RECT* rect, COLORREF color)
{
    DibPixels dib;
    if (!GetDibPixels(hBitmap, dib))
        return FALSE;
    const RECT r = ClipToDib(dib, rect != NULL ? *rect : WholeDib(dib));
    BYTE px[4];
    PutColor(px, 4, color);
    for (LONG y = r.top; y <= r.bottom; ++y)
    {
        BYTE* d = dib.Row(y) + (size_t)r.left * dib.pixelBytes;
        for (LONG x = r.left; x <= r.right; ++x, d += dib.pixelBytes)
            memcpy(d, px, dib.pixelBytes);
    }
    return TRUE;
}

BOOL GradientFillDib(HBITMAP hBitmap, const RECT* rect, COLORREF top, COLORREF bottom)
{
    DibPixels dib;
    if (!GetDibPixels(hBitmap, dib))
        return FALSE;
    const RECT r = ClipToDib(dib, rect != NULL ? *rect : WholeDib(dib));
    const int n = r.bottom - r.top;
    const int from[3] = {GetBValue(top), GetGValue(top), GetRValue(top)};
    const int to[3] = {GetBValue(bottom), GetGValue(bottom), GetRValue(bottom)};
    float step[3] = {0, 0, 0};
    if (n > 0)
        for (int i = 0; i < 3; ++i)
            step[i] = (float)(to[i] - from[i]) / n;
    double value[3] = {(double)from[0], (double)from[1], (double)from[2]};
    for (LONG y = r.top; y <= r.bottom; ++y)
    {
        BYTE px[4];
        for (int i = 0; i < 3; ++i)
            px[i] = (BYTE)std::clamp((int)value[i], 0, 255);
        px[3] = kOpaque;
        BYTE* d = dib.Row(y) + (size_t)r.left * dib.pixelBytes;
        for (LONG x = r.left; x <= r.right; ++x, d += dib.pixelBytes)
            memcpy(d, px, dib.pixelBytes);
        for (int i = 0; i < 3; ++i)
            value[i] += step[i];
    }
    return TRUE;
}

BOOL DrawDibFrame(HBITMAP hBitmap, const RECT& rect, COLORREF fill, COLORREF topLeft,
                  COLORREF bottomRight, int width)
{
    const LONG l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    const RECT topBand = {l, t, r, t + width - 1};
    const RECT bottomBand = {l, b - width + 1, r, b};
    const RECT leftBand = {l, t, l + width - 1, b};
    const RECT rightBand = {r - width + 1, t, r, b};
    FillDibRect(hBitmap, &topBand, topLeft);
    FillDibRect(hBitmap, &bottomBand, bottomRight);
    FillDibRect(hBitmap, &leftBand, topLeft);
    FillDibRect(hBitmap, &rightBand, bottomRight);
    if (fill != kNoFill)
    {
        const RECT inside = {l + width, t + width, r - width, b - width};
        FillDibRect(hBitmap, &inside, fill);
    }
    return TRUE;
}

BOOL BlitDib(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source)
{
    TransferPlan p;
    if (!PlanTransfer(hDest, dest, hSource, source, p))
        return FALSE;
    if (p.sl > p.sr)
        return TRUE;
    if (p.src.pixelBytes == p.dst.pixelBytes)
    {
        const size_t bytes = (size_t)(p.sr - p.sl + 1) * p.src.pixelBytes;
        for (int y = p.st; y <= p.sb; ++y)
            memmove(p.dst.Row(p.dy + y - p.st) + (size_t)p.dx * p.dst.pixelBytes,
                    p.src.Row(y) + (size_t)p.sl * p.src.pixelBytes, bytes);
    }
    else if (p.src.pixelBytes == 3)
    {
        ForEachPixel(p, [](BYTE* d, const BYTE* s) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = kOpaque;
        });
    }
    else
    {
        ForEachPixel(p, [](BYTE* d, const BYTE* s) {
            const unsigned a = s[3];
            for (int i = 0; i < 3; ++i)
                d[i] = Div255(d[i] * (255 - a) + s[i] * a);
        });
    }
    return TRUE;
}

BOOL BlitDibKeyed(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, COLORREF key)
{
    TransferPlan p;
    if (!PlanTransfer(hDest, dest, hSource, source, p))
        return FALSE;
    if (p.src.bitCount != 24 || p.dst.bitCount != 24)
        return FALSE;
    ForEachPixel(p, [&](BYTE* d, const BYTE* s) {
        if (!IsKey(s, key))
            memcpy(d, s, 3);
    });
    return TRUE;
}

BOOL BlendDib(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, BYTE alpha)
{
    return BlendTransfer(hDest, dest, hSource, source, alpha, false, 0);
}

BOOL BlendDibKeyed(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, BYTE alpha,
                   COLORREF key)
{
    return BlendTransfer(hDest, dest, hSource, source, alpha, true, key);
}

HBITMAP ScaleDib(HBITMAP hSource, int width, int height)
{
    DibPixels src;
    if (width <= 0 || height <= 0 || !GetDibPixels(hSource, src))
        return NULL;
    CBitmapHandle result(src.bitCount == 24 ? CreateDib24(NULL, width, height)
                                            : CreateDib32(NULL, width, height));
    DibPixels dst;
    if (result.Get() == NULL || !GetDibPixels(result, dst))
        return NULL;
    const int channels = src.pixelBytes;

    // Rows first: each source row shrunk or widened to the new width, as
    // sums weighted by overlap (at most 255 x source width each).
    std::unique_ptr<unsigned[]> rows(
        new (std::nothrow) unsigned[(size_t)width * src.height * channels]());
    if (!rows)
        return NULL;
    for (int y = 0; y < src.height; ++y)
    {
        const BYTE* s = src.Row(y);
        unsigned* r = &rows[(size_t)y * width * channels];
        for (int x = 0; x < width; ++x, r += channels)
            ForEachTap(x, src.width, width, [&](int j, unsigned weight) {
                for (int c = 0; c < channels; ++c)
                    r[c] += weight * s[(size_t)j * channels + c];
            });
    }
    // Then columns, and the mean over the whole area, rounded.
    const unsigned long long area = (unsigned long long)src.width * src.height;
    unsigned long long sum[4];
    for (int y = 0; y < height; ++y)
    {
        BYTE* d = dst.Row(y);
        for (int x = 0; x < width; ++x, d += channels)
        {
            std::fill(sum, sum + channels, 0ull);
            ForEachTap(y, src.height, height, [&](int j, unsigned weight) {
                const unsigned* r = &rows[((size_t)j * width + x) * channels];
                for (int c = 0; c < channels; ++c)
                    sum[c] += (unsigned long long)weight * r[c];
            });
            for (int c = 0; c < channels; ++c)
                d[c] = (BYTE)((sum[c] + area / 2) / area);
        }
    }
    return result.Release();
}

HBITMAP FitBitmap(HBITMAP hSource, int boxWidth, int boxHeight, int sysColorIndex)
{
    CWindowDC screen(GetDesktopWindow());
    CMemoryDC resultDC(screen);
    CMemoryDC sourceDC(screen);
    CBitmapHandle result(CreateDib24(screen, boxWidth, boxHeight));
    if (result.Get() == NULL || resultDC == NULL || sourceDC == NULL)
        return NULL;
    {
        CSelectObject selectResult(resultDC, result);
        CSelectObject selectSource(sourceDC, hSource);
        const RECT box = {0, 0, boxWidth, boxHeight};
        FillRect(resultDC, &box, GetSysColorBrush(sysColorIndex));

        const SIZE src = GetBitmapSize(hSource);
        double scale = 1.0;
        if (src.cx > boxWidth || src.cy > boxHeight)
            scale = 1.0 / std::max((double)src.cx / boxWidth, (double)src.cy / boxHeight);
        // Rounding up may land one past the box; the box is the limit.
        const int w = std::min((int)std::ceil(src.cx * scale), boxWidth);
        const int h = std::min((int)std::ceil(src.cy * scale), boxHeight);
        const int x = (boxWidth - w) / 2;
        const int y = (boxHeight - h) / 2;
        SetStretchBltMode(resultDC, HALFTONE);
        StretchBlt(resultDC, x, y, w, h, sourceDC, 0, 0, src.cx, src.cy, SRCCOPY);
    }
    GdiFlush();
    return result.Release();
}
