// Pixel helpers of the control toolkit. Bitmaps are top-down DIB sections of
// 24 bits (blue, green, red) or 32 bits (blue, green, red, alpha) per pixel,
// rows padded to 4 bytes; rectangles are inclusive, so a whole w x h bitmap is
// {0, 0, w - 1, h - 1}; a colour written into a 32-bit pixel gets alpha 255.
// A routine that returns a bitmap gives it to the caller, who deletes it;
// no routine deletes or resizes a bitmap that it is given.
#pragma once

#include <windows.h>

// Fill colour of DrawDibFrame that leaves the inside alone.
const COLORREF kNoFill = 0xFFFFFFFF;

// Colour-map modes of LoadMappedBitmap.
enum BitmapColorMap {
    kColorMapNone = 0,   // the resource's own colours
    kColorMapSystem = 1, // black, greys and white become the button colours
    kColorMapTint = 2,   // greys take the hue of the highlight colour
};

// The pixel memory of a DIB section as the pixel routines see it.
struct DibPixels
{
    BYTE* bits;
    int width;
    int height;
    int bitCount;   // 24, or 32 for every other count above 24
    int pixelBytes; // 3 or 4
    int stride;     // bytes per row, a multiple of 4

    BYTE* Row(int y) const { return bits + (size_t)y * stride; }
};

// Reads a DIB section's pixels; false when the handle cannot be read, has no
// pixel memory (a device-dependent bitmap) or fewer than 24 bits per pixel.
bool GetDibPixels(HBITMAP hBitmap, DibPixels& pixels);

HBITMAP CreateDib24(HDC hDC, int width, int height);
HBITMAP CreateDib32(HDC hDC, int width, int height);

// Number of colour-table entries that follow the header.
UINT DibColorTableSize(const BITMAPINFOHEADER* header);

// A bitmap resource drawn into a new top-down DIB section of bitCount bits
// (0: the resource's own), with its colour table mapped by `mode`.
HBITMAP LoadMappedBitmap(HINSTANCE hInstance, WORD id, WORD bitCount, int mode);

// A grey copy of the same size and bit count (24 stays 24, others give 32).
HBITMAP MakeGrayBitmap(HBITMAP hSource);

// The 32-bit pixel of a colour, alpha 255.
DWORD ColorToDibPixel(COLORREF color);
RGBTRIPLE& ColorToBgrTriple(RGBTRIPLE& triple, COLORREF color);

// {width, height}; {0, 0} for NULL or a handle that cannot be read.
SIZE GetBitmapSize(HBITMAP hBitmap);
// {0, 0, width - 1, height - 1}; all zero when the handle cannot be read.
void GetBitmapRect(HBITMAP hBitmap, RECT& rect);

// Fills the rectangle (the whole bitmap when NULL), clipped to the bitmap.
// 1 when done, also when nothing lay inside; 0 when the bitmap is refused.
BOOL FillDibRect(HBITMAP hBitmap, const RECT* rect, COLORREF color);

// Vertical gradient over the clipped rectangle (the whole bitmap when NULL):
// its first row has the top colour exactly. Results as FillDibRect.
BOOL GradientFillDib(HBITMAP hBitmap, const RECT* rect, COLORREF top, COLORREF bottom);

// A bevelled frame `width` pixels wide: top and left bands in the top-left
// colour, then bottom and right in the bottom-right colour (so the top-right
// corner is bottom-right coloured), then the inside unless fill is kNoFill.
BOOL DrawDibFrame(HBITMAP hBitmap, const RECT& rect, COLORREF fill, COLORREF topLeft,
                  COLORREF bottomRight, int width);

// Rectangle transfers: the source rectangle's top-left pixel goes to `dest`.
// A source rectangle starting left of or above the source moves `dest` by the
// skipped columns or rows (written back). 0 when a bitmap is refused or the
// rectangle lies wholly outside the destination, 1 otherwise.
BOOL BlitDib(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source);
// Both bitmaps must have 24 bits; source pixels of the key colour are skipped.
BOOL BlitDibKeyed(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, COLORREF key);
// Blends with the constant alpha (and a 32-bit source's own alpha).
BOOL BlendDib(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, BYTE alpha);
// As BlendDib; a 24-bit source's pixels of the key colour are skipped.
BOOL BlendDibKeyed(HBITMAP hDest, POINT& dest, HBITMAP hSource, const RECT& source, BYTE alpha,
                   COLORREF key);

// A new bitmap of width x height and the source's bit count holding the
// whole picture resampled by area: each pixel is the mean of the source area
// it covers, every channel alike, so a colour never comes from anywhere but
// that area. NULL when the source is refused or a size is not positive.
HBITMAP ScaleDib(HBITMAP hSource, int width, int height);

// A new 24-bit bitmap of the box size, filled with the system colour, with
// the picture shrunk to fit (never enlarged) and centred.
HBITMAP FitBitmap(HBITMAP hSource, int boxWidth, int boxHeight, int sysColorIndex);
