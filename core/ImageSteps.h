// The resize, border, rotation and colour steps that every conversion
// applies, with the options passed in: the quiet converter, the main
// window's preview and the batch conversion all call these.
#pragma once

#include <windows.h>

#include "core/MagickInc.h"

// Crop anchors; any other non-zero value scales to cover the box without
// cropping.
const int kCropNone = 0;
const int kCropLeftTop = 1;
const int kCropCenter = 2;
const int kCropRightBottom = 3;

// Rotation codes; any other value rotates nothing.
const int kRotate90 = 1;
const int kRotate180 = 2;
const int kRotate270 = 3;

// The neutral position of the hue, saturation and lightness sliders.
const int kColorNeutral = 100;

struct ResizeOptions
{
    BOOL enableResize;
    BOOL enableWidth;
    UINT width;
    BOOL enableHeight;
    UINT height;
    BOOL fit;      // fit into the box, keeping the aspect
    int cropAnchor; // crop to fit the box (kCrop...)
    BOOL stretch;  // exactly width by height
};

struct BorderOptions
{
    BOOL enableBorder;
    int width;     // a negative width counts as 0
    COLORREF color;
    BOOL frame3d;  // a 3-D frame instead of a flat border
};

// The first matching rule decides: both sides on picks fit, crop or
// stretch (or nothing); only the width scales the height along; without the
// width, the height decides whatever enableHeight says.
void ApplyResize(Magick::Image& image, const ResizeOptions& options);

// Scales the image to cover width by height, then crops that box at the
// anchor.
void CropToFit(Magick::Image& image, UINT width, UINT height, int anchor);

// Scales to exactly width by height when both are non-zero.
void StretchToSize(Magick::Image& image, UINT width, UINT height);

void ApplyBorder(Magick::Image& image, const BorderOptions& options);

void ApplyRotation(Magick::Image& image, int rotate);

// Always modulates, neutral values included; 100 leaves a value unchanged.
void ApplyColorChange(Magick::Image& image, int hue, int saturation, int lightness);
