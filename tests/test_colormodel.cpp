// ColorModel: RGB and HLS convert both ways and lightness adjusts as the colour steps expect.
#include "controls/ColorModel.h"
#include "tests/support/TestUtil.h"

#include <algorithm>
#include <cstdlib>

TEST(ColorModel, RgbToHlsExamples)
{
    struct Case
    {
        COLORREF color;
        WORD hue, lightness, saturation;
    } cases[] = {
        {RGB(192, 192, 192), 43690, 49344, 0},
        {RGB(0, 0, 0), 43690, 0, 0},
        {RGB(255, 255, 255), 43690, 65535, 0},
        {RGB(255, 0, 0), 0, 32768, 65535},
        {RGB(0, 255, 0), 21845, 32768, 65535},
        {RGB(0, 0, 255), 43690, 32768, 65535},
        {RGB(128, 64, 64), 0, 24672, 21845},
        {RGB(255, 0, 128), 60054, 32768, 65535}, // red largest, blue above green
    };
    for (const Case& c : cases)
    {
        WORD h = 1, l = 1, s = 1;
        RgbToHls(c.color, h, l, s);
        EXPECT_EQ(c.hue, h) << std::hex << c.color;
        EXPECT_EQ(c.lightness, l) << std::hex << c.color;
        EXPECT_EQ(c.saturation, s) << std::hex << c.color;
    }
}

TEST(ColorModel, HlsToRgbExamples)
{
    EXPECT_EQ(RGB(255, 0, 0), HlsToRgb(0, 32768, 65535));
    EXPECT_EQ(RGB(0, 255, 0), HlsToRgb(21845, 32768, 65535));
    EXPECT_EQ(RGB(0, 0, 255), HlsToRgb(43690, 32768, 65535));
    EXPECT_EQ(RGB(0x82, 0x82, 0x02), HlsToRgb(10921, 16886, 63643)); // product above 2^31
    EXPECT_EQ(RGB(191, 191, 191), HlsToRgb(123, 49343, 0));          // grey: no rounding term
}

TEST(ColorModel, AdjustLightnessExamples)
{
    struct Case
    {
        int delta;
        COLORREF in, out;
    } cases[] = {
        {80, 0xC0C0C0, 0xD4D4D4}, {-80, 0xC0C0C0, 0xABABAB}, {-100, 0xFFFFFF, 0xE5E5E5},
        {0, 0x0000FF, 0x4040BF},  {80, 0x404080, 0x4E4E9B},  {-80, 0x404080, 0x323265},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.out, AdjustLightness(c.delta, c.in)) << c.delta << " " << std::hex << c.in;
}

TEST(ColorModel, FullDeltaGivesWhiteAndBlack)
{
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51)
            {
                EXPECT_EQ(RGB(255, 255, 255), AdjustLightness(1000, RGB(r, g, b)));
                EXPECT_EQ(RGB(0, 0, 0), AdjustLightness(-1000, RGB(r, g, b)));
            }
}

TEST(ColorModel, RoundTripOverTheColourCubeStaysClose)
{
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5)
            {
                WORD h, l, s;
                RgbToHls(RGB(r, g, b), h, l, s);
                COLORREF back = HlsToRgb(h, l, s);
                int err = std::max(
                    {abs(GetRValue(back) - r), abs(GetGValue(back) - g), abs(GetBValue(back) - b)});
                ASSERT_LE(err, 2) << r << "," << g << "," << b << " -> " << std::hex << back;
            }
}
