// Bitmaps: DIBs are made, filled, copied, blended and scaled within their own pixels.
#include "base/GdiHandles.h"
#include "controls/Bitmaps.h"
#include "controls/ColorModel.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const BYTE kGuardByte = 0xA5;
const DWORD kGuardBytes = 64;

// A DIB section whose pixel rows sit inside a mapping of our own, between two
// guard areas, so writes outside the pixels (or into row padding) show.
class GuardedDib
{
public:
    GuardedDib(int width, int height, int bitCount)
        : m_width(width), m_height(height), m_pixelBytes(bitCount / 8),
          m_stride((m_pixelBytes * width + 3) & ~3), m_size((DWORD)m_stride * height)
    {
        const DWORD total = 2 * kGuardBytes + m_size;
        m_map = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, total, NULL);
        m_view = (BYTE*)MapViewOfFile(m_map, FILE_MAP_ALL_ACCESS, 0, 0, total);
        memset(m_view, kGuardByte, total);
        for (int y = 0; y < height; ++y)
            memset(Pixel(0, y), 0, (size_t)m_pixelBytes * width);
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = (WORD)bitCount;
        void* bits = NULL;
        m_bitmap.Reset(CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, m_map, kGuardBytes));
        // GDI maps a view of its own; both must see the same memory.
        if (bits != NULL)
        {
            *(BYTE*)bits = 0x5A;
            EXPECT_EQ(0x5A, *Pixel(0, 0));
            *(BYTE*)bits = 0;
        }
    }
    ~GuardedDib()
    {
        m_bitmap.Reset();
        UnmapViewOfFile(m_view);
        CloseHandle(m_map);
    }
    GuardedDib(const GuardedDib&) = delete;
    GuardedDib& operator=(const GuardedDib&) = delete;

    operator HBITMAP() const { return m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int PixelBytes() const { return m_pixelBytes; }
    BYTE* Pixel(int x, int y) const
    {
        return m_view + kGuardBytes + (size_t)y * m_stride + (size_t)x * m_pixelBytes;
    }
    // blue, green, red[, alpha] as 0xAARRGGBB (alpha 0 for 24 bits)
    DWORD Get(int x, int y) const
    {
        DWORD v = 0;
        memcpy(&v, Pixel(x, y), m_pixelBytes);
        return v;
    }
    void Set(int x, int y, DWORD v) { memcpy(Pixel(x, y), &v, m_pixelBytes); }
    void Fill(DWORD v)
    {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                Set(x, y, v);
    }
    void Randomize(std::mt19937& rng)
    {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width * m_pixelBytes; ++x)
                Pixel(0, y)[x] = (BYTE)rng();
    }
    // The pixels, row by row, without the padding.
    std::vector<BYTE> Snapshot() const
    {
        std::vector<BYTE> v;
        for (int y = 0; y < m_height; ++y)
            v.insert(v.end(), Pixel(0, y), Pixel(0, y) + (size_t)m_pixelBytes * m_width);
        return v;
    }
    // Guards and row padding untouched.
    bool Intact() const
    {
        for (DWORD i = 0; i < kGuardBytes; ++i)
            if (m_view[i] != kGuardByte || m_view[kGuardBytes + m_size + i] != kGuardByte)
                return false;
        for (int y = 0; y < m_height; ++y)
            for (int x = m_pixelBytes * m_width; x < m_stride; ++x)
                if (Pixel(0, y)[x] != kGuardByte)
                    return false;
        return true;
    }

private:
    int m_width, m_height, m_pixelBytes, m_stride;
    DWORD m_size;
    HANDLE m_map = NULL;
    BYTE* m_view = NULL;
    CBitmapHandle m_bitmap;
};

const DWORD kOpaqueBits = 0xFF000000;

DWORD Bgr(COLORREF c)
{
    return (DWORD)GetRValue(c) << 16 | (DWORD)GetGValue(c) << 8 | GetBValue(c);
}

} // namespace

TEST(Bitmaps, CreatedDibsAreTopDownZeroedAndSized)
{
    for (int bits : {24, 32})
    {
        CBitmapHandle bmp(bits == 24 ? CreateDib24(NULL, 5, 3) : CreateDib32(NULL, 5, 3));
        DibPixels px;
        ASSERT_TRUE(GetDibPixels(bmp, px));
        EXPECT_EQ(bits, px.bitCount);
        EXPECT_EQ(bits == 24 ? 16 : 20, px.stride);
        DIBSECTION ds;
        ASSERT_NE(0, GetObjectA(bmp, sizeof(ds), &ds));
        EXPECT_TRUE(std::all_of(px.bits, px.bits + px.stride * 3, [](BYTE b) { return b == 0; }));
        // Row 0 is the top row: a pixel written there is read back by GDI at y 0.
        FillDibRect(bmp, nullptr, RGB(0, 0, 0));
        RECT top = {0, 0, 4, 0};
        FillDibRect(bmp, &top, RGB(10, 20, 30));
        CMemoryDC dc(NULL);
        CSelectObject sel(dc, bmp);
        EXPECT_EQ(RGB(10, 20, 30), GetPixel(dc, 2, 0));
        EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 2, 2));

        SIZE size = GetBitmapSize(bmp);
        EXPECT_EQ(5, size.cx);
        EXPECT_EQ(3, size.cy);
        RECT rc;
        GetBitmapRect(bmp, rc);
        EXPECT_EQ(4, rc.right);
        EXPECT_EQ(2, rc.bottom);
    }
    SIZE none = GetBitmapSize(NULL);
    EXPECT_EQ(0, none.cx + none.cy);

    CWindowDC screen(NULL);
    CBitmapHandle ddb(CreateCompatibleBitmap(screen, 4, 4));
    DibPixels px;
    EXPECT_FALSE(GetDibPixels(ddb, px));
    EXPECT_FALSE(FillDibRect(ddb, nullptr, 0));
}

TEST(Bitmaps, ColorTableSize)
{
    struct Case
    {
        WORD bits;
        DWORD used;
        UINT expected;
    } cases[] = {{1, 0, 2},  {4, 0, 16}, {8, 0, 256}, {8, 7, 7}, {4, 300, 16},
                 {16, 0, 0}, {24, 0, 0}, {32, 0, 0},  {24, 5, 5}};
    for (const Case& c : cases)
    {
        BITMAPINFOHEADER h = {};
        h.biBitCount = c.bits;
        h.biClrUsed = c.used;
        EXPECT_EQ(c.expected, DibColorTableSize(&h)) << c.bits << "/" << c.used;
    }
    EXPECT_EQ(0xFF332211u, ColorToDibPixel(RGB(0x33, 0x22, 0x11)));
    RGBTRIPLE t;
    ColorToBgrTriple(t, RGB(1, 2, 3));
    EXPECT_EQ(3, t.rgbtBlue);
    EXPECT_EQ(1, t.rgbtRed);
}

TEST(Bitmaps, FillClipsAndWritesOpaquePixels)
{
    struct Case
    {
        RECT rect;
        bool useRect;
        RECT expected; // inclusive, or left > right for nothing
    } cases[] = {
        {{-2, -3, 2, 1}, true, {0, 0, 2, 1}},
        {{3, 2, 20, 20}, true, {3, 2, 5, 3}},
        {{}, false, {0, 0, 5, 3}},
        {{4, 1, 3, 2}, true, {1, 0, 0, 0}},
        {{10, 0, 12, 3}, true, {1, 0, 0, 0}},
    };
    for (int bits : {24, 32})
        for (const Case& c : cases)
        {
            GuardedDib dib(6, 4, bits);
            EXPECT_TRUE(FillDibRect(dib, c.useRect ? &c.rect : nullptr, RGB(1, 2, 3)));
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x)
                {
                    bool in = x >= c.expected.left && x <= c.expected.right &&
                              y >= c.expected.top && y <= c.expected.bottom;
                    DWORD want = in ? 0x010203 | (bits == 32 ? kOpaqueBits : 0) : 0;
                    EXPECT_EQ(want, dib.Get(x, y)) << bits << " " << x << "," << y;
                }
            EXPECT_TRUE(dib.Intact());
        }
}

TEST(Bitmaps, GradientRows)
{
    for (int bits : {24, 32})
    {
        const DWORD a = bits == 32 ? kOpaqueBits : 0;
        GuardedDib dib(3, 8, bits);
        RECT rc = {0, 0, 2, 5};
        EXPECT_TRUE(GradientFillDib(dib, &rc, RGB(0, 0, 0), RGB(255, 255, 255)));
        const int rows[] = {0, 51, 102, 153, 204, 255};
        for (int y = 0; y < 6; ++y)
            EXPECT_EQ(a | rows[y] * 0x010101u, dib.Get(1, y)) << y;
        EXPECT_EQ(0u, dib.Get(1, 6));

        // Clipped at the top: the top colour starts on row 0 and the steps
        // spread over the clipped band (rows 0..4 here).
        dib.Fill(0);
        RECT above = {0, -3, 2, 4};
        GradientFillDib(dib, &above, RGB(100, 0, 0), RGB(0, 0, 100));
        EXPECT_EQ(a | 0x640000u, dib.Get(0, 0));
        EXPECT_EQ(a | 0x4B0019u, dib.Get(0, 1));
        EXPECT_EQ(a | 0x000064u, dib.Get(0, 4));

        // A one-row band gets the top colour; no rectangle means the whole bitmap.
        RECT one = {0, 7, 2, 7};
        EXPECT_TRUE(GradientFillDib(dib, &one, RGB(9, 9, 9), RGB(200, 0, 0)));
        EXPECT_EQ(a | 0x090909u, dib.Get(2, 7));
        EXPECT_TRUE(GradientFillDib(dib, nullptr, RGB(7, 0, 0), RGB(0, 0, 0)));
        EXPECT_EQ(a | 0x070000u, dib.Get(2, 0));
        EXPECT_EQ(a, dib.Get(2, 7));
        EXPECT_TRUE(dib.Intact());
    }
}

TEST(Bitmaps, FrameCornersAndFill)
{
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0), grey = RGB(128, 128, 128);
    GuardedDib dib(12, 12, 24);
    dib.Fill(0x123456);
    RECT rc = {0, 0, 9, 9};
    EXPECT_TRUE(DrawDibFrame(dib, rc, kNoFill, white, black, 1));
    EXPECT_EQ(Bgr(black), dib.Get(9, 0));
    EXPECT_EQ(Bgr(white), dib.Get(0, 9));
    EXPECT_EQ(Bgr(white), dib.Get(0, 0));
    EXPECT_EQ(Bgr(black), dib.Get(9, 9));
    EXPECT_EQ(0x123456u, dib.Get(5, 5));
    EXPECT_EQ(0x123456u, dib.Get(10, 5));

    EXPECT_TRUE(DrawDibFrame(dib, rc, grey, white, black, 2));
    EXPECT_EQ(Bgr(black), dib.Get(8, 1)); // the 2x2 top-right square
    EXPECT_EQ(Bgr(white), dib.Get(1, 8)); // the 2x2 bottom-left square
    EXPECT_EQ(Bgr(grey), dib.Get(2, 2));
    EXPECT_EQ(Bgr(grey), dib.Get(7, 7));
    EXPECT_TRUE(dib.Intact());
}

TEST(Bitmaps, GrayCopy)
{
    struct Case
    {
        COLORREF color;
        BYTE grey;
    } cases[] = {{RGB(255, 0, 0), 76},
                 {RGB(0, 255, 0), 149},
                 {RGB(0, 0, 255), 30},
                 {RGB(255, 255, 255), 255}};
    for (int bits : {24, 32})
    {
        GuardedDib dib(4, 1, bits);
        for (int i = 0; i < 4; ++i)
            dib.Set(i, 0, Bgr(cases[i].color) | (DWORD)(i * 40) << 24);
        CBitmapHandle grey(MakeGrayBitmap(dib));
        DibPixels px;
        ASSERT_TRUE(GetDibPixels(grey, px));
        EXPECT_EQ(bits, px.bitCount);
        for (int i = 0; i < 4; ++i)
        {
            const BYTE* p = px.Row(0) + i * px.pixelBytes;
            EXPECT_EQ(cases[i].grey, p[0]);
            EXPECT_EQ(cases[i].grey, p[2]);
            if (bits == 32)
            {
                EXPECT_EQ(i * 40, p[3]);
            }
        }
    }
    EXPECT_EQ(NULL, MakeGrayBitmap(NULL));
}

namespace {

// 10 x 1 source whose pixel x holds x + 1, destination 20 x 1 of zeros.
struct ClipCase
{
    RECT source;
    POINT dest;
    BOOL result;
    POINT destAfter;
    int firstDestColumn; // source column 0..n goes here onward
    int firstSourceColumn, lastSourceColumn;
};

} // namespace

TEST(Bitmaps, TransferClipping)
{
    const ClipCase cases[] = {
        {{0, 0, 9, 9}, {-4, 0}, TRUE, {-4, 0}, 0, 4, 9},
        {{-3, 0, 5, 0}, {10, 0}, TRUE, {13, 0}, 13, 0, 5},
        {{0, -2, 9, 0}, {0, 0}, FALSE, {0, 2}, 0, 1, 0}, // row 0 goes below the 1-row destination
        {{5, 0, 4, 0}, {0, 0}, TRUE, {0, 0}, 0, 1, 0},   // inverted: nothing
        {{0, 3, 9, 2}, {0, 0}, TRUE, {0, 0}, 0, 1, 0},
        {{0, 0, 9, 0}, {20, 0}, FALSE, {20, 0}, 0, 1, 0}, // right of the destination
        {{0, 0, 9, 0}, {0, 1}, FALSE, {0, 1}, 0, 1, 0},   // below it
        {{0, 0, 9, 0}, {-11, 0}, FALSE, {-11, 0}, 0, 1, 0},
        {{0, 0, 9, 0}, {15, 0}, TRUE, {15, 0}, 15, 0, 4},
    };
    for (const ClipCase& c : cases)
    {
        GuardedDib src(10, 1, 24), dst(20, 1, 24);
        for (int x = 0; x < 10; ++x)
            src.Set(x, 0, x + 1);
        POINT pt = c.dest;
        EXPECT_EQ(c.result, BlitDib(dst, pt, src, c.source)) << c.dest.x;
        EXPECT_EQ(c.destAfter.x, pt.x);
        EXPECT_EQ(c.destAfter.y, pt.y);
        // Expected row: the source columns in order from firstDestColumn.
        const bool rowCopied = c.destAfter.y == 0;
        for (int x = 0; x < 20; ++x)
        {
            int s = c.firstSourceColumn + (x - c.firstDestColumn);
            DWORD want = rowCopied && x >= c.firstDestColumn && s <= c.lastSourceColumn ? s + 1 : 0;
            EXPECT_EQ(want, dst.Get(x, 0))
                << "case dest " << c.dest.x << "," << c.dest.y << " column " << x;
        }
        EXPECT_TRUE(dst.Intact());
    }
}

namespace {

enum Op { kBlit, kBlitKeyed, kBlend, kBlendKeyed };

// Straightforward per-pixel statement of the four transfers.
void ReferencePut(Op op, BYTE* d, int db, const BYTE* s, int sb, BYTE alpha, COLORREF key)
{
    const bool isKey = s[0] == GetBValue(key) && s[1] == GetGValue(key) && s[2] == GetRValue(key);
    if (op == kBlit || op == kBlitKeyed)
    {
        if (op == kBlitKeyed && isKey)
            return;
        if (sb == 4 && db == 3)
            for (int i = 0; i < 3; ++i)
                d[i] = (BYTE)((d[i] * (255 - s[3]) + s[i] * s[3]) / 255);
        else
        {
            memcpy(d, s, 3);
            if (db == 4)
                d[3] = sb == 4 ? s[3] : 255;
        }
        return;
    }
    if (sb == 3)
    {
        if (op == kBlendKeyed && isKey)
            return;
        for (int i = 0; i < 3; ++i)
            d[i] = (BYTE)((s[i] * alpha + d[i] * (255 - alpha)) / 255);
        return;
    }
    const int e = s[3] * alpha / 255;
    for (int i = 0; i < 3; ++i)
        d[i] = (BYTE)((s[i] * e + d[i] * (255 - e)) / 255);
    if (db == 4)
        d[3] = (BYTE)((d[3] * (255 - e) + s[3] * e) / 255);
}

BOOL RunOp(Op op, HBITMAP d, POINT& pt, HBITMAP s, const RECT& rc, BYTE alpha, COLORREF key)
{
    switch (op)
    {
    case kBlit:
        return BlitDib(d, pt, s, rc);
    case kBlitKeyed:
        return BlitDibKeyed(d, pt, s, rc, key);
    case kBlend:
        return BlendDib(d, pt, s, rc, alpha);
    default:
        return BlendDibKeyed(d, pt, s, rc, alpha, key);
    }
}

} // namespace

TEST(Bitmaps, TransfersMatchAPerPixelReference)
{
    std::mt19937 rng(20240613);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iter = 0; iter < 1500; ++iter)
    {
        const Op op = (Op)(iter % 4);
        const int sbits = pick(0, 1) ? 32 : 24, dbits = pick(0, 1) ? 32 : 24;
        GuardedDib src(pick(1, 9), pick(1, 6), sbits), dst(pick(1, 9), pick(1, 6), dbits);
        src.Randomize(rng);
        dst.Randomize(rng);
        // A few source colours repeat so that keys hit.
        const COLORREF key = RGB(pick(0, 1) * 255, 0, pick(0, 1) * 255);
        for (int k = pick(0, 4); k > 0; --k)
            src.Set(pick(0, src.Width() - 1), pick(0, src.Height() - 1),
                    Bgr(key) | (DWORD)pick(0, 255) << 24);
        const BYTE alpha = (BYTE)(pick(0, 3) == 0 ? pick(0, 1) * 255 : pick(0, 255));
        RECT rc = {pick(-4, 10), pick(-4, 7), 0, 0};
        rc.right = rc.left + pick(-2, 12);
        rc.bottom = rc.top + pick(-2, 8);
        const POINT start = {pick(-10, 10), pick(-7, 7)};

        std::vector<BYTE> want = dst.Snapshot();
        const int db = dst.PixelBytes(), sb = src.PixelBytes();
        const bool formatRefused = op == kBlitKeyed && (sbits != 24 || dbits != 24);
        if (!formatRefused)
            for (int y = rc.top; y <= rc.bottom; ++y)
                for (int x = rc.left; x <= rc.right; ++x)
                {
                    const int tx = start.x + x - rc.left, ty = start.y + y - rc.top;
                    if (x < 0 || y < 0 || x >= src.Width() || y >= src.Height() || tx < 0 ||
                        ty < 0 || tx >= dst.Width() || ty >= dst.Height())
                        continue;
                    ReferencePut(op, &want[((size_t)ty * dst.Width() + tx) * db], db,
                                 src.Pixel(x, y), sb, alpha, key);
                }

        POINT pt = start;
        const BOOL ok = RunOp(op, dst, pt, src, rc, alpha, key);
        SCOPED_TRACE(testing::Message()
                     << "iteration " << iter << " op " << op << " bits " << sbits << "->" << dbits
                     << " rect " << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom
                     << " at " << start.x << "," << start.y);
        ASSERT_EQ(want, dst.Snapshot());
        ASSERT_TRUE(dst.Intact());
        if (formatRefused)
        {
            ASSERT_FALSE(ok);
        }
        if (ok)
        {
            ASSERT_EQ(start.x + std::max(0L, (long)-rc.left), pt.x);
            ASSERT_EQ(start.y + std::max(0L, (long)-rc.top), pt.y);
        }
    }
}

TEST(Bitmaps, BlendRules)
{
    const RECT all = {0, 0, 3, 2};
    std::mt19937 rng(7);
    // Alpha 0 changes nothing; 255 between 24-bit bitmaps equals a blit.
    for (int sbits : {24, 32})
        for (int dbits : {24, 32})
        {
            GuardedDib src(4, 3, sbits), dst(4, 3, dbits);
            src.Randomize(rng);
            dst.Randomize(rng);
            const std::vector<BYTE> before = dst.Snapshot();
            POINT pt = {0, 0};
            EXPECT_TRUE(BlendDib(dst, pt, src, all, 0));
            EXPECT_EQ(before, dst.Snapshot()) << sbits << "->" << dbits;
        }
    {
        GuardedDib src(4, 3, 24), a(4, 3, 24), b(4, 3, 24);
        src.Randomize(rng);
        POINT pa = {0, 0}, pb = {0, 0};
        BlendDib(a, pa, src, all, 255);
        BlitDib(b, pb, src, all);
        EXPECT_EQ(b.Snapshot(), a.Snapshot());
    }
    // A 24-bit source keeps the 32-bit destination's alpha.
    {
        GuardedDib src(4, 3, 24), dst(4, 3, 32);
        src.Randomize(rng);
        dst.Randomize(rng);
        const DWORD alphaBefore = dst.Get(2, 1) >> 24;
        POINT pt = {0, 0};
        BlendDib(dst, pt, src, all, 200);
        EXPECT_EQ(alphaBefore, dst.Get(2, 1) >> 24);
    }
    // A transparent 32-bit source pixel leaves the destination whatever the constant alpha.
    {
        GuardedDib src(4, 3, 32), dst(4, 3, 32);
        src.Fill(0x00FF00FF);
        dst.Fill(0x80102030);
        POINT pt = {0, 0};
        BlendDib(dst, pt, src, all, 255);
        EXPECT_EQ(0x80102030u, dst.Get(1, 1));
    }
    // Keyed blit: 24 bits only; the key colour is skipped.
    {
        GuardedDib src24(4, 3, 24), src32(4, 3, 32), dst24(4, 3, 24), dst32(4, 3, 32);
        POINT pt = {0, 0};
        EXPECT_FALSE(BlitDibKeyed(dst24, pt, src32, all, 0));
        EXPECT_FALSE(BlitDibKeyed(dst32, pt, src24, all, 0));
        src24.Fill(0x00FF00);
        src24.Set(1, 1, 0x0000FF);
        dst24.Fill(0x111111);
        EXPECT_TRUE(BlitDibKeyed(dst24, pt, src24, all, RGB(0, 255, 0)));
        EXPECT_EQ(0x111111u, dst24.Get(0, 0));
        EXPECT_EQ(0x0000FFu, dst24.Get(1, 1));
    }
}

namespace {

// Sets system colours for one test and puts the old ones back.
class SysColorsWhile
{
public:
    SysColorsWhile(std::vector<int> elements, std::vector<COLORREF> colors) : m_elements(elements)
    {
        for (int e : elements)
            m_old.push_back(GetSysColor(e));
        SetSysColors((int)elements.size(), elements.data(), colors.data());
    }
    ~SysColorsWhile() { SetSysColors((int)m_elements.size(), m_elements.data(), m_old.data()); }

private:
    std::vector<int> m_elements;
    std::vector<COLORREF> m_old;
};

// The palette of the test bitmaps, as COLORREFs (reserved bytes left out).
const COLORREF kPalette[] = {RGB(0, 0, 0),          RGB(0x80, 0x80, 0x80), RGB(0xC0, 0xC0, 0xC0),
                             RGB(255, 255, 255),    RGB(0xC0, 0xC0, 0xC0), RGB(0xC0, 0xC0, 0xC1),
                             RGB(0x12, 0x34, 0x56), RGB(0x40, 0x40, 0x40)};

std::vector<COLORREF> TopRow(HBITMAP bmp)
{
    std::vector<COLORREF> row;
    DibPixels px;
    if (!GetDibPixels(bmp, px) || px.height != 2)
        return row;
    for (int x = 0; x < px.width; ++x)
    {
        const BYTE* p = px.Row(0) + x * px.pixelBytes;
        row.push_back(RGB(p[2], p[1], p[0]));
    }
    // The bottom row holds the same indices reversed.
    const BYTE* last = px.Row(1) + (px.width - 1) * px.pixelBytes;
    if (RGB(last[2], last[1], last[0]) != row[0])
        row.clear();
    return row;
}

} // namespace

TEST(Bitmaps, LoadMappedBitmapMapsTheGreysToTheSystemColours)
{
    const HINSTANCE inst = GetModuleHandleA(NULL);
    const std::vector<COLORREF> own(std::begin(kPalette), std::end(kPalette));
    for (WORD id : {IDB_TEST_MAPPED, IDB_TEST_MAPPED_V5})
    {
        CBitmapHandle plain(LoadMappedBitmap(inst, id, 24, kColorMapNone));
        EXPECT_EQ(own, TopRow(plain)) << id;
    }

    const int elements[] = {COLOR_BTNTEXT, COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNHIGHLIGHT};
    const COLORREF scheme[] = {RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), RGB(64, 128, 250)};
    SysColorsWhile colors({std::begin(elements), std::end(elements)},
                          {std::begin(scheme), std::end(scheme)});

    std::vector<COLORREF> mapped = own;
    std::copy(std::begin(scheme), std::end(scheme), mapped.begin());
    for (WORD id : {IDB_TEST_MAPPED, IDB_TEST_MAPPED_V5})
    {
        CBitmapHandle bmp(LoadMappedBitmap(inst, id, 24, kColorMapSystem));
        EXPECT_EQ(mapped, TopRow(bmp)) << id;
    }

    WORD hue, lightness, saturation;
    RgbToHls(scheme[3], hue, lightness, saturation);
    std::vector<COLORREF> tinted = own;
    for (COLORREF& c : tinted)
        if (GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c))
            c = HlsToRgb(hue, (WORD)(GetRValue(c) * 257), saturation);
    EXPECT_NE(own, tinted);
    CBitmapHandle tint(LoadMappedBitmap(inst, IDB_TEST_MAPPED, 24, kColorMapTint));
    EXPECT_EQ(tinted, TopRow(tint));

    // The resource's own bit count and colours when none is asked.
    CBitmapHandle palette(LoadMappedBitmap(inst, IDB_TEST_MAPPED, 0, kColorMapSystem));
    DIBSECTION ds;
    ASSERT_NE(0, GetObjectA(palette, sizeof(ds), &ds));
    EXPECT_EQ(4, ds.dsBm.bmBitsPixel);
}

TEST(Bitmaps, LoadMappedBitmapRefusesMissingAndTruncatedResources)
{
    const HINSTANCE inst = GetModuleHandleA(NULL);
    EXPECT_EQ(NULL, LoadMappedBitmap(inst, 1, 24, kColorMapSystem));
    // The header asks for 256 colours; the resource ends after four and 16 pixel bytes.
    EXPECT_EQ(NULL, LoadMappedBitmap(inst, IDB_TEST_TRUNCATED, 24, kColorMapSystem));
    EXPECT_EQ(NULL, LoadMappedBitmap(inst, IDB_TEST_TRUNCATED, 24, kColorMapNone));
}

namespace {

// The bounding box of the result pixels that differ from the box colour.
RECT DrawnArea(HBITMAP bmp, COLORREF background)
{
    DibPixels px;
    RECT r = {INT_MAX, INT_MAX, -1, -1};
    if (!GetDibPixels(bmp, px))
        return r;
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x)
        {
            const BYTE* p = px.Row(y) + x * 3;
            if (RGB(p[2], p[1], p[0]) != background)
            {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x);
                r.bottom = std::max<LONG>(r.bottom, y);
            }
        }
    return r;
}

} // namespace

TEST(Bitmaps, FitBitmapGeometry)
{
    struct Case
    {
        int sw, sh, bw, bh;
        RECT drawn;          // inclusive
        bool lastColumnSeen; // the source's blue last column shows at the right edge
    } cases[] = {
        {300, 200, 100, 100, {0, 16, 99, 82}, false}, // 100 x 67 at (0, 16)
        {50, 40, 100, 100, {25, 30, 74, 69}, true},   // unscaled
        {200, 300, 100, 100, {16, 0, 82, 99}, false},
        // The width rounds up to 21; drawn that wide, the last column would
        // fall outside the box.
        {23, 10, 20, 20, {0, 5, 19, 13}, true},
    };
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (const Case& c : cases)
    {
        CBitmapHandle src(CreateDib24(NULL, c.sw, c.sh));
        FillDibRect(src, nullptr, RGB(200, 0, 0));
        const RECT lastColumn = {c.sw - 1, 0, c.sw - 1, c.sh - 1};
        FillDibRect(src, &lastColumn, RGB(0, 0, 200));
        CBitmapHandle fit(FitBitmap(src, c.bw, c.bh, COLOR_BTNFACE));
        ASSERT_NE((HBITMAP)NULL, fit.Get());
        SIZE size = GetBitmapSize(fit);
        EXPECT_EQ(c.bw, size.cx);
        EXPECT_EQ(c.bh, size.cy);
        RECT r = DrawnArea(fit, face);
        EXPECT_EQ(c.drawn.left, r.left) << c.sw << "x" << c.sh;
        EXPECT_EQ(c.drawn.top, r.top) << c.sw << "x" << c.sh;
        EXPECT_EQ(c.drawn.right, r.right) << c.sw << "x" << c.sh;
        EXPECT_EQ(c.drawn.bottom, r.bottom) << c.sw << "x" << c.sh;
        DibPixels px;
        ASSERT_TRUE(GetDibPixels(fit, px));
        const BYTE* p = px.Row((r.top + r.bottom) / 2) + r.right * 3;
        if (c.lastColumnSeen)
        {
            EXPECT_GT(p[0], p[2]) << c.sw << "x" << c.sh;
        }
    }
    EXPECT_EQ(NULL, FitBitmap(NULL, 0, 10, COLOR_BTNFACE));
}

TEST(Bitmaps, ScaleDibAveragesTheAreaEachPixelCovers)
{
    // One line of grey values, scaled along either axis.
    struct Case
    {
        std::vector<BYTE> from, to;
    } cases[] = {
        {{1, 2, 3}, {1, 2, 3}},       // same size: the same pixels
        {{10, 20, 30, 40}, {15, 35}}, // halved: pairs
        {{0, 90, 180}, {30, 150}},    // 1.5 source pixels each
        {{7, 7, 7, 7, 7}, {7, 7, 7}}, // a plain colour stays exactly
        {{0, 255}, {128}},            // the mean rounds to nearest
        {{0, 100}, {0, 0, 100, 100}}, // widened: each pixel repeated
        {{0, 100}, {0, 50, 100}},     // the middle one straddles both
    };
    for (int bitCount : {24, 32})
        for (bool vertical : {false, true})
            for (const Case& c : cases)
            {
                const int n = (int)c.from.size(), m = (int)c.to.size();
                SCOPED_TRACE(std::to_string(bitCount) + (vertical ? " vertical " : " horizontal ") +
                             std::to_string(n) + " to " + std::to_string(m));
                CBitmapHandle src(bitCount == 24
                                      ? CreateDib24(NULL, vertical ? 1 : n, vertical ? n : 1)
                                      : CreateDib32(NULL, vertical ? 1 : n, vertical ? n : 1));
                DibPixels s;
                ASSERT_TRUE(GetDibPixels(src, s));
                for (int i = 0; i < n; ++i)
                    memset(vertical ? s.Row(i) : s.Row(0) + i * s.pixelBytes, c.from[i],
                           s.pixelBytes);
                CBitmapHandle scaled(ScaleDib(src, vertical ? 1 : m, vertical ? m : 1));
                DibPixels d;
                ASSERT_TRUE(GetDibPixels(scaled, d));
                EXPECT_EQ(bitCount, d.bitCount);
                ASSERT_EQ(vertical ? 1 : m, d.width);
                ASSERT_EQ(vertical ? m : 1, d.height);
                for (int i = 0; i < m; ++i)
                {
                    const BYTE* p = vertical ? d.Row(i) : d.Row(0) + i * d.pixelBytes;
                    for (int k = 0; k < d.pixelBytes; ++k)
                        EXPECT_EQ(c.to[i], p[k]) << "pixel " << i << " channel " << k;
                }
            }

    // Both axes at once: four pixels into one.
    CBitmapHandle square(CreateDib24(NULL, 2, 2));
    const RECT corners[] = {{0, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}};
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(100, 0, 40), RGB(100, 200, 0), RGB(200, 200, 40)};
    for (int i = 0; i < 4; ++i)
        FillDibRect(square, &corners[i], colours[i]);
    CBitmapHandle one(ScaleDib(square, 1, 1));
    DibPixels p;
    ASSERT_TRUE(GetDibPixels(one, p));
    EXPECT_EQ(20, p.Row(0)[0]);
    EXPECT_EQ(100, p.Row(0)[1]);
    EXPECT_EQ(100, p.Row(0)[2]);

    // Refused: no bitmap, no size, a bitmap without pixel memory.
    EXPECT_EQ(NULL, ScaleDib(NULL, 4, 4));
    EXPECT_EQ(NULL, ScaleDib(square, 0, 4));
    EXPECT_EQ(NULL, ScaleDib(square, 4, -1));
    CWindowDC screen(NULL);
    CBitmapHandle device(CreateCompatibleBitmap(screen, 4, 4));
    EXPECT_EQ(NULL, ScaleDib(device, 2, 2));
}
