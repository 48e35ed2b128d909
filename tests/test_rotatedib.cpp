// RotateDib: DIBs turn by the angle given and bad sources are refused.
#include "base/GdiHandles.h"
#include "controls/Bitmaps.h"
#include "controls/RotateDib.h"
#include "tests/support/TestUtil.h"

#include <cstring>
#include <random>
#include <vector>

namespace {

// The single-precision value nearest 3 pi / 2: a quarter turn counter-clockwise.
float QuarterTurnLeft()
{
    const DWORD bits = 0x4096CBE4;
    float f;
    memcpy(&f, &bits, sizeof(f));
    return f;
}

HBITMAP RandomDib(int width, int height, int bitCount, std::mt19937& rng)
{
    HBITMAP bmp =
        bitCount == 24 ? CreateDib24(NULL, width, height) : CreateDib32(NULL, width, height);
    DibPixels px;
    if (GetDibPixels(bmp, px))
        for (int i = 0; i < px.stride * height; ++i)
            px.bits[i] = (BYTE)rng();
    return bmp;
}

// Blue, green, red, alpha of a pixel; alpha 255 for 24 bits.
std::vector<int> PixelAt(const DibPixels& px, int x, int y)
{
    const BYTE* p = px.Row(y) + x * px.pixelBytes;
    return {p[0], p[1], p[2], px.pixelBytes == 4 ? p[3] : 255};
}

std::vector<BYTE> Bytes(const DibPixels& px)
{
    return std::vector<BYTE>(px.bits, px.bits + (size_t)px.stride * px.height);
}

} // namespace

TEST(RotateDib, AngleZeroIsTheIdentity)
{
    RECT b;
    GetRotatedBounds(5, 3, 4, 0.0, 1.0, b);
    EXPECT_EQ(0, b.left);
    EXPECT_EQ(0, b.top);
    EXPECT_EQ(20, b.right);
    EXPECT_EQ(12, b.bottom);

    std::mt19937 rng(3);
    for (int bits : {24, 32})
    {
        CBitmapHandle src(RandomDib(5, 3, bits, rng));
        POINT pivot = {0, 0};
        CBitmapHandle out(RotateDib(src, 0.0f, &pivot));
        EXPECT_EQ(0, pivot.x);
        EXPECT_EQ(0, pivot.y);
        DibPixels s, r;
        ASSERT_TRUE(GetDibPixels(src, s));
        ASSERT_TRUE(GetDibPixels(out, r));
        EXPECT_EQ(32, r.bitCount);
        ASSERT_EQ(5, r.width);
        ASSERT_EQ(3, r.height);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(PixelAt(s, x, y), PixelAt(r, x, y)) << bits << " " << x << "," << y;
    }
}

TEST(RotateDib, QuarterTurnOfAnAsymmetricSource)
{
    const int w = 5, h = 3;
    const float angle = QuarterTurnLeft();
    RECT b;
    GetRotatedBounds(w, h, 4, (float)std::sin((double)angle), (float)std::cos((double)angle), b);
    EXPECT_EQ(0, b.left);
    EXPECT_EQ(-4 * w, b.top);
    EXPECT_EQ(4 * h + 1, b.right);
    EXPECT_EQ(1, b.bottom);

    std::mt19937 rng(11);
    for (int bits : {24, 32})
    {
        CBitmapHandle src(RandomDib(w, h, bits, rng));
        DibPixels s;
        ASSERT_TRUE(GetDibPixels(src, s));
        const std::vector<BYTE> before = Bytes(s);
        CBitmapHandle out(RotateDib(src, angle, NULL));
        DibPixels r;
        ASSERT_TRUE(GetDibPixels(out, r));
        ASSERT_EQ(h, r.width);
        ASSERT_EQ(w, r.height);
        // Each result pixel is three quarters of the turned source pixel and
        // one quarter of its neighbour toward the source's right edge.
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < h; ++x)
            {
                const std::vector<int> B = PixelAt(s, w - 1 - y, x);
                const std::vector<int> A = y == 0 ? std::vector<int>(4, 0) : PixelAt(s, w - y, x);
                std::vector<int> want(4);
                for (int ch = 0; ch < 4; ++ch)
                    want[ch] = (A[ch] + 3 * B[ch]) / 4;
                EXPECT_EQ(want, PixelAt(r, x, y)) << bits << " " << x << "," << y;
            }
        if (bits == 24)
        {
            EXPECT_EQ(191, PixelAt(r, 0, 0)[3]);
        }
        EXPECT_EQ(before, Bytes(s));
    }

    // Source pixel (1, 2) lands on result pixel (2, 3): drawn from (-1, -1)
    // it stays where it was.
    CBitmapHandle src(CreateDib24(NULL, w, h));
    POINT pivot = {1, 2};
    CBitmapHandle out(RotateDib(src, angle, &pivot));
    EXPECT_EQ(-1, pivot.x);
    EXPECT_EQ(-1, pivot.y);
}

TEST(RotateDib, RefusedSources)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 4;
    bmi.bmiHeader.biHeight = -4;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 16;
    void* bits = NULL;
    CBitmapHandle dib16(CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0));
    ASSERT_NE((HBITMAP)NULL, dib16.Get());
    POINT pivot = {7, 7};
    EXPECT_EQ(NULL, RotateDib(dib16, 1.0f, &pivot));
    EXPECT_EQ(7, pivot.x);

    CWindowDC screen(NULL);
    CBitmapHandle ddb(CreateCompatibleBitmap(screen, 4, 4));
    EXPECT_EQ(NULL, RotateDib(ddb, 1.0f, NULL));
    EXPECT_EQ(NULL, RotateDib(NULL, 1.0f, NULL));

    // Too wide for 16.16 source coordinates.
    CBitmapHandle wide(CreateDib24(NULL, kMaxRotateSide + 1, 1));
    ASSERT_NE((HBITMAP)NULL, wide.Get());
    EXPECT_EQ(NULL, RotateDib(wide, 0.0f, NULL));
}
