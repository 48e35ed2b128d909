#include "controls/ColorModel.h"

#include <algorithm>

void RgbToHls(COLORREF color, WORD& hue, WORD& lightness, WORD& saturation)
{
    const int r = GetRValue(color);
    const int g = GetGValue(color);
    const int b = GetBValue(color);
    const int maxC = std::max(std::max(r, g), b);
    const int minC = std::min(std::min(r, g), b);
    const int sum = maxC + minC;

    lightness = (WORD)((sum * kHlsMax + kRgbMax) / (2 * kRgbMax));
    if (maxC == minC)
    {
        saturation = 0;
        hue = kHueUndefined;
        return;
    }

    const int d = maxC - minC;
    if (lightness <= kHlsHalf)
        saturation = (WORD)((d * kHlsMax + sum / 2) / sum);
    else
    {
        const int rest = 2 * kRgbMax - sum;
        saturation = (WORD)((d * kHlsMax + rest / 2) / rest);
    }

    const int rd = ((maxC - r) * kHueSixth + d / 2) / d;
    const int gd = ((maxC - g) * kHueSixth + d / 2) / d;
    const int bd = ((maxC - b) * kHueSixth + d / 2) / d;
    int h;
    if (r == maxC)
        h = bd - gd;
    else if (g == maxC)
        h = kHueThird + rd - bd;
    else
        h = kHueTwoThirds + gd - rd;
    hue = (WORD)(h & 0xFFFF); // modulo one full turn
}

WORD HueToRgb(WORD m1, WORD m2, WORD hue)
{
    const int lo = m1;
    const int span = (int)m2 - (int)m1;
    int v;
    if (hue < kHueSixth)
        v = lo + (span * hue + kHueTwelfth) / kHueSixth;
    else if (hue < kHlsHalf)
        v = m2;
    else if (hue < kHueTwoThirds)
        // At hue 32767 the falling ramp starts one step past its top and can
        // overshoot the 16-bit range: keep it inside.
        v = lo + (span * (kHueTwoThirds - hue) + kHueTwelfth) / kHueSixth;
    else
        v = m1;
    return (WORD)std::min(v, (int)kHlsMax);
}

static BYTE ChannelFromHls(WORD value)
{
    return (BYTE)(((DWORD)value * kRgbMax + kHlsHalf) / kHlsMax);
}

COLORREF HlsToRgb(WORD hue, WORD lightness, WORD saturation)
{
    if (saturation == 0)
    {
        const BYTE grey = (BYTE)((DWORD)lightness * kRgbMax / kHlsMax);
        return RGB(grey, grey, grey);
    }

    const unsigned long long l = lightness;
    const unsigned long long s = saturation;
    unsigned long long m2;
    if (lightness <= kHlsHalf)
        m2 = (l * (kHlsMax + s) + kHlsHalf) / kHlsMax;
    else
        m2 = l + s - (l * s + kHlsHalf) / kHlsMax;
    const unsigned long long m1 = 2 * l - m2;

    const BYTE r = ChannelFromHls(HueToRgb((WORD)m1, (WORD)m2, (WORD)(hue + kHueThird)));
    const BYTE g = ChannelFromHls(HueToRgb((WORD)m1, (WORD)m2, hue));
    const BYTE b = ChannelFromHls(HueToRgb((WORD)m1, (WORD)m2, (WORD)(hue - kHueThird)));
    return RGB(r, g, b);
}

COLORREF AdjustLightness(int delta, COLORREF color)
{
    WORD hue, lightness, saturation;
    RgbToHls(color, hue, lightness, saturation);
    const long long l =
        std::clamp(lightness + (long long)delta * kHlsMax / 1000, 0LL, (long long)kHlsMax);
    const WORD s = std::min(saturation, kHlsHalf);
    return HlsToRgb(hue, (WORD)l, s);
}
