// Integer RGB <-> HLS colour model on a 0..65535 scale, and the lightness
// adjustment the controls derive their shading colours with.
#pragma once

#include <windows.h>

const WORD kHlsMax = 65535; // full scale of hue, lightness, saturation
const int kRgbMax = 255;    // channel maximum
const WORD kHueSixth = 10922;
const WORD kHueThird = 21845;
const WORD kHlsHalf = 32767; // also the rounding term of divisions by kHlsMax
const WORD kHueTwoThirds = 43690;
const WORD kHueTwelfth = 5461;            // rounding term of divisions by kHueSixth
const WORD kHueUndefined = kHueTwoThirds; // the hue a grey gets

void RgbToHls(COLORREF color, WORD& hue, WORD& lightness, WORD& saturation);

// One channel of HlsToRgb: a value between m1 and m2 (m2 >= m1).
WORD HueToRgb(WORD m1, WORD m2, WORD hue);

COLORREF HlsToRgb(WORD hue, WORD lightness, WORD saturation);

// Lightens (delta > 0) or darkens the colour by delta thousandths of the
// lightness scale; the result is never more than half saturated.
COLORREF AdjustLightness(int delta, COLORREF color);
