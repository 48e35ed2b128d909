#include "controls/RotateDib.h"

#include <cmath>
#include <cstdint>

#include "base/GdiHandles.h"
#include "controls/Bitmaps.h"

namespace {

const int kSuper = 4;                // samples per result pixel along each axis
const int kSampleShift = 4;          // log2 of the kSuper * kSuper samples averaged
const double kQuarterStep = 16384.0; // one quarter pixel in 16.16 fixed point
const int kFixedShift = 16;

// Outward rounding: a value with a fraction moves one further out.
LONG RoundOut(double v, int outward)
{
    const double t = std::trunc(v);
    return (LONG)t + (v != t ? outward : 0);
}

// Truncates toward zero, then moves away from zero for fractions above one half.
LONG RoundHalfIn(double v)
{
    const double t = std::trunc(v);
    const double frac = v - t;
    if (frac > 0.5)
        return (LONG)t + 1;
    if (frac < -0.5)
        return (LONG)t - 1;
    return (LONG)t;
}

} // namespace

void GetRotatedBounds(int width, int height, int scale, double sine, double cosine, RECT& bounds)
{
    const double w = (double)width * scale;
    const double h = (double)height * scale;
    const double s = sine, c = cosine;
    double left, top, right, bottom;
    if (s > 0 && c > 0)
    {
        left = -h * s;
        top = 0;
        right = w * c;
        bottom = w * s + h * c;
    }
    else if (s > 0)
    {
        left = w * c - h * s;
        top = h * c;
        right = 0;
        bottom = w * s;
    }
    else if (c > 0)
    {
        left = 0;
        top = w * s;
        right = w * c - h * s;
        bottom = h * c;
    }
    else
    {
        left = w * c;
        top = w * s + h * c;
        right = -h * s;
        bottom = 0;
    }
    bounds.left = RoundOut(left, -1);
    bounds.top = RoundOut(top, -1);
    bounds.right = RoundOut(right, 1);
    bounds.bottom = RoundOut(bottom, 1);
}

HBITMAP RotateDib(HBITMAP hSource, float angle, POINT* pivot)
{
    DibPixels src;
    if (!GetDibPixels(hSource, src) || src.width > kMaxRotateSide || src.height > kMaxRotateSide)
        return NULL;

    // Both values are rounded to single precision before any use.
    const float sf = (float)std::sin((double)angle);
    const float cf = (float)std::cos((double)angle);
    const double s = sf, c = cf;

    RECT b;
    GetRotatedBounds(src.width, src.height, kSuper, s, c, b);

    if (pivot != NULL)
    {
        const double x = pivot->x + 0.5, y = pivot->y + 0.5;
        const double px = x - (c * x - s * y) + b.left * (1.0 / kSuper);
        const double py = y - (s * x + c * y) + b.top * (1.0 / kSuper);
        pivot->x = RoundHalfIn(px);
        pivot->y = RoundHalfIn(py);
    }

    CBitmapHandle work(CreateDib32(NULL, b.right - b.left + 1, b.bottom - b.top + 1));
    DibPixels wp;
    if (work.Get() == NULL || !GetDibPixels(work, wp))
        return NULL;

    // Source column and row in 16.16 fixed point, stepped by additions only;
    // unsigned arithmetic wraps where signed would be undefined.
    const int32_t stepC = (int32_t)(c * kQuarterStep);
    const int32_t stepS = (int32_t)(s * kQuarterStep);
    uint32_t rowU = (uint32_t)(int32_t)((b.left * c + b.top * s) * kQuarterStep);
    uint32_t rowV = (uint32_t)(int32_t)((b.top * c - b.left * s) * kQuarterStep);
    const unsigned sw = (unsigned)src.width, sh = (unsigned)src.height;
    for (int j = 0; j < wp.height; ++j)
    {
        uint32_t u = rowU, v = rowV;
        BYTE* out = wp.Row(j);
        for (int i = 0; i < wp.width; ++i, out += 4)
        {
            const unsigned col = (unsigned)((int32_t)u >> kFixedShift);
            const unsigned row = (unsigned)((int32_t)v >> kFixedShift);
            if (col < sw && row < sh)
            {
                const BYTE* in = src.Row(row) + (size_t)col * src.pixelBytes;
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = src.pixelBytes == 4 ? in[3] : 255;
            }
            u += (uint32_t)stepC;
            v -= (uint32_t)stepS;
        }
        rowU += (uint32_t)stepS;
        rowV += (uint32_t)stepC;
    }

    CBitmapHandle result(CreateDib32(NULL, wp.width / kSuper, wp.height / kSuper));
    DibPixels rp;
    if (result.Get() == NULL || !GetDibPixels(result, rp))
        return NULL;
    for (int y = 0; y < rp.height; ++y)
    {
        BYTE* out = rp.Row(y);
        for (int x = 0; x < rp.width; ++x, out += 4)
        {
            unsigned sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < kSuper; ++k)
            {
                const BYTE* in = wp.Row(y * kSuper + k) + (size_t)x * kSuper * 4;
                for (int n = 0; n < kSuper * 4; ++n)
                    sum[n & 3] += in[n];
            }
            for (int ch = 0; ch < 4; ++ch)
                out[ch] = (BYTE)(sum[ch] >> kSampleShift);
        }
    }
    return result.Release();
}
