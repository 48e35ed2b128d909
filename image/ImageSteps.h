// The resize, border, rotation and colour steps that every conversion
// applies, with the options passed in: the quiet converter, the main
// window's preview and the batch conversion all call these.
#pragma once

#include <windows.h>

#include "image/ImageIO.h"
#include "image/ImageSize.h"
#include "image/MagickInc.h"

// Crop anchors; any other non-zero value scales to cover the box without
// cropping.
const int kCropNone = 0;
const int kCropLeftTop = 1;
const int kCropCenter = 2;
const int kCropRightBottom = 3;
// The crop mode without an anchor: covers the box and crops nothing.
const int kCropScaleOnly = -1;

// Rotation codes; any other value rotates nothing.
const int kRotateNone = 0;
const int kRotate90 = 1;
const int kRotate180 = 2;
const int kRotate270 = 3;

// The stored numbers of the crop anchor and the rotation, mapped here only.
// A settings file's "DoCrop" holds 0 for no crop and 1 to 3 for the anchors;
// the main window's anchor list holds the anchors from 0 ("Left Top"), -1
// when none is chosen. A settings file's "Rotate" and the main window's
// rotation list both hold 1 to 3 for 90, 180 and 270 degrees.
int CropAnchorOfSetting(int doCrop);
int CropSettingOfAnchor(int anchor); // the scale-only mode is stored as left-top
int CropAnchorOfListIndex(int index);
int ListIndexOfCropAnchor(int anchor); // -1 for no anchor
int RotationOfSetting(int rotate);

// The neutral position of the hue, saturation and lightness sliders.
const int kColorNeutral = 100;

struct ResizeOptions
{
    BOOL enableResize;
    BOOL enableWidth;
    UINT width;
    BOOL enableHeight;
    UINT height;
    BOOL fit;       // fit into the box, keeping the aspect
    int cropAnchor; // crop to fit the box (kCrop...)
    BOOL stretch;   // exactly width by height
};

struct BorderOptions
{
    BOOL enableBorder;
    int width; // a negative width counts as 0
    COLORREF color;
    BOOL frame3d; // a 3-D frame instead of a flat border
};

// Every option of the image steps, with the anchor and the rotation already
// mapped from their stored numbers.
struct ImageStepOptions
{
    ResizeOptions resize;
    BorderOptions border;
    int rotation; // kRotate...
    int hue;      // the colour sliders' positions, kColorNeutral unchanged
    int saturation;
    int lightness;
};

// The stages of the image steps in the one order they run in; the preview
// keeps each stage's result and redoes only the stages after a change.
const unsigned short kStageResize = 0;
const unsigned short kStageBorder = 1;
const unsigned short kStageRotateColor = 2;
const unsigned short kStageCount = 3;

// One stage on the result of the one before it. `trueSize` is the size of
// the picture the source was decoded from (see ResizeImage); only the resize
// stage reads it. Any other stage number does nothing.
void ApplyImageStage(Magick::Image& image, unsigned short stage, const ImageStepOptions& options,
                     const ImageSize& trueSize);

// The whole transformation of one conversion: the image made its own, then
// every stage in order.
void ApplyImageSteps(Magick::Image& image, const ImageStepOptions& options,
                     const ImageSize& trueSize);

// What the resize step does to a source of a given size: the whole picture
// is scaled to `scaled`, then, when `crop` is set, the rectangle at
// cropX, cropY of size `result` is kept.
struct ResizePlan
{
    bool resize; // false: the picture keeps its size
    ImageSize scaled;
    bool crop;
    size_t cropX;
    size_t cropY;
    ImageSize result; // the size the step ends with
};

// The first matching rule decides: both sides on picks fit, crop or
// stretch (or nothing); only the width scales the height along; without the
// width, the height decides whatever enableHeight says. Every number comes
// from `source`, the true size of the picture.
ResizePlan PlanResize(const ResizeOptions& options, const ImageSize& source);

// Carries the plan out on the source's picture, which may have been decoded
// smaller than its true size: it is scaled to exactly the planned size, so
// the result has the sizes and crop position of the full picture's.
void ApplyResizePlan(Magick::Image& image, const ResizePlan& plan);

// The image's own size is the true size.
void ResizeImage(Magick::Image& image, const ResizeOptions& options);

// `trueSize` is the size of the picture the image was decoded from; when it
// is unknown ({0, 0}) or smaller than the image, the image's own size is.
void ResizeImage(Magick::Image& image, const ResizeOptions& options, const ImageSize& trueSize);

// The decode-size rule of a conversion with these options: a source whose
// scaled size is at most half of it both ways may be decoded at twice the
// scaled size, which keeps the result indistinguishable from a full decode.
DecodeSizeRule ConversionDecodeSize(const ResizeOptions& options);

// The decode-size rule of the preview: twice the box it is shown in.
DecodeSizeRule PreviewDecodeSize(const ImageSize& box);

// The size the preview shows a picture of `size` at: fitted into the box,
// and enlarged when it is smaller.
ImageSize PreviewSize(const ImageSize& size, const ImageSize& box);

// The factor of that fitting (above 1 for an enlargement); 1 when there is
// no box or no picture.
double PreviewScale(const ImageSize& size, const ImageSize& box);

// The resize step and the preview's fitting into the box in one: the
// picture the box shows, made from the source's picture (which may have
// been decoded smaller than `trueSize`) without ever making the resize's
// full-size result. Its size, framing and crop position are those of the
// full-size result fitted into the box. Returns the factor from that
// full-size result to the picture made.
double ApplyPreviewResize(Magick::Image& image, const ResizeOptions& options,
                          const ImageSize& trueSize, const ImageSize& box);

// Scales the image to cover width by height, then crops that box at the
// anchor.
void CoverAndCrop(Magick::Image& image, UINT width, UINT height, int anchor);

// Scales to exactly width by height when both are non-zero.
void StretchToSize(Magick::Image& image, UINT width, UINT height);

void AddBorder(Magick::Image& image, const BorderOptions& options);

// The border of a picture shown at `scale` times the size it is written
// at: as wide, for its share of the picture, as in the output. A border
// that is there at all stays at least a pixel wide.
BorderOptions ScaleBorder(const BorderOptions& options, double scale);

// Brings the image into the colours it is written in: the GIF coder turns
// every other colour space (CMYK, Lab, linear RGB) into sRGB before it
// encodes, and channels read as they stand would show cyan as red.
void ToOutputColorspace(Magick::Image& image);

void ApplyRotation(Magick::Image& image, int rotate);

// 100 leaves a value unchanged; with all three at 100 the image is left
// as it is.
void ApplyColorChange(Magick::Image& image, int hue, int saturation, int lightness);
