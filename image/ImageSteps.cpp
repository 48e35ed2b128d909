#include "image/ImageSteps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "image/ImageIO.h"

namespace {

// Sizes beyond 32 bits are held at the top; the library's limits refuse
// them like any other absurd size.
size_t ClampSize(uint64_t value) { return value > UINT32_MAX ? (size_t)UINT32_MAX : (size_t)value; }

size_t ClampSize(double value)
{
    if (!(value >= 0.0))
        return 0;
    return value >= (double)UINT32_MAX ? (size_t)UINT32_MAX : (size_t)value;
}

// a * b / c without wrapping at 32 bits.
size_t ScaleSide(size_t a, size_t b, size_t c)
{
    return ClampSize((uint64_t)a * (uint64_t)b / (uint64_t)c);
}

size_t CropOffset(size_t have, size_t want, bool centre)
{
    if (have <= want)
        return 0;
    return centre ? (have - want) >> 1 : have - want;
}

// The size the library's scale gives for this geometry and source, by the
// parser the library's own scale call uses, so the numbers cannot drift.
ImageSize ScaledSize(const Magick::Geometry& geometry, const ImageSize& source)
{
    size_t columns = source.columns, rows = source.rows;
    ssize_t x = 0, y = 0;
    MagickCore::ParseMetaGeometry(std::string(geometry).c_str(), &x, &y, &columns, &rows);
    const ImageSize size = {columns, rows};
    return size;
}

ResizePlan KeepSize(const ImageSize& source)
{
    const ResizePlan plan = {false, source, false, 0, 0, source};
    return plan;
}

ResizePlan ScaleTo(const ImageSize& scaled)
{
    const ResizePlan plan = {true, scaled, false, 0, 0, scaled};
    return plan;
}

ResizePlan PlanCoverAndCrop(const ImageSize& source, UINT width, UINT height, int anchor)
{
    if (width == 0 || height == 0 || source.columns == 0 || source.rows == 0)
        return KeepSize(source);
    const double rw = (double)source.columns / width;
    const double rh = (double)source.rows / height;
    const double r = rw < rh ? rw : rh;
    const Magick::Geometry cover(ClampSize(std::ceil(source.columns / r)),
                                 ClampSize(std::ceil(source.rows / r)));
    ResizePlan plan = ScaleTo(ScaledSize(cover, source));

    const size_t sw = plan.scaled.columns, sh = plan.scaled.rows;
    switch (anchor)
    {
    case kCropLeftTop:
        break;
    case kCropCenter:
        plan.cropX = CropOffset(sw, width, true);
        plan.cropY = CropOffset(sh, height, true);
        break;
    case kCropRightBottom:
        plan.cropX = CropOffset(sw, width, false);
        plan.cropY = CropOffset(sh, height, false);
        break;
    default:
        return plan;
    }
    plan.crop = true;
    // A box larger than the scaled picture keeps what there is.
    plan.result.columns = std::min<size_t>(width, sw - plan.cropX);
    plan.result.rows = std::min<size_t>(height, sh - plan.cropY);
    return plan;
}

// The true size when it is known and can be the image's; otherwise the
// image's own.
ImageSize SourceSize(const Magick::Image& image, const ImageSize& trueSize)
{
    const ImageSize own = SizeOf(image);
    const bool known = trueSize.columns > 0 && trueSize.rows > 0 &&
                       trueSize.columns >= own.columns && trueSize.rows >= own.rows;
    return known ? trueSize : own;
}

size_t Round(double value) { return ClampSize(std::floor(value + 0.5)); }

// What the library can hold; a larger picture makes it throw.
bool WithinImageLimits(const ImageSize& size)
{
    return size.columns <= kImageMaxSide && size.rows <= kImageMaxSide &&
           (ULONGLONG)size.columns * size.rows <= kImageMaxArea;
}

void ScaleExactly(Magick::Image& image, const ImageSize& size)
{
    Magick::Geometry exact(size.columns, size.rows);
    exact.aspect(true);
    image.scale(exact);
}

// Keeps the part of the image that the plan's crop keeps of the scaled
// picture, in the image's own pixels.
void CropToPlannedPart(Magick::Image& image, const ResizePlan& plan)
{
    const ImageSize own = SizeOf(image);
    if (own.columns == 0 || own.rows == 0 || plan.scaled.columns == 0 || plan.scaled.rows == 0)
        return;
    const double sx = (double)own.columns / plan.scaled.columns;
    const double sy = (double)own.rows / plan.scaled.rows;
    const size_t x = std::min(Round(plan.cropX * sx), own.columns - 1);
    const size_t y = std::min(Round(plan.cropY * sy), own.rows - 1);
    const size_t w =
        std::min(std::max<size_t>(1, Round(plan.result.columns * sx)), own.columns - x);
    const size_t h = std::min(std::max<size_t>(1, Round(plan.result.rows * sy)), own.rows - y);
    image.crop(Magick::Geometry(w, h, (ssize_t)x, (ssize_t)y));
    image.repage();
}

} // namespace

ResizePlan PlanResize(const ResizeOptions& options, const ImageSize& source)
{
    if (!options.enableResize || source.columns == 0 || source.rows == 0)
        return KeepSize(source);
    if (options.enableWidth && options.enableHeight)
    {
        if (options.fit)
            return ScaleTo(ScaledSize(Magick::Geometry(options.width, options.height), source));
        if (options.cropAnchor != kCropNone)
            return PlanCoverAndCrop(source, options.width, options.height, options.cropAnchor);
        if (options.stretch && options.width != 0 && options.height != 0)
        {
            const ImageSize exact = {options.width, options.height};
            return ScaleTo(exact);
        }
        return KeepSize(source);
    }
    if (options.enableWidth)
        return ScaleTo(ScaledSize(
            Magick::Geometry(options.width, ScaleSide(source.rows, options.width, source.columns)),
            source));
    return ScaleTo(ScaledSize(
        Magick::Geometry(ScaleSide(source.columns, options.height, source.rows), options.height),
        source));
}

void ApplyResizePlan(Magick::Image& image, const ResizePlan& plan)
{
    if (!plan.resize)
        return;
    // The library's scale to the size it already has changes nothing.
    if (SizeOf(image) != plan.scaled)
        ScaleExactly(image, plan.scaled);
    if (!plan.crop)
        return;
    image.crop(Magick::Geometry(plan.result.columns, plan.result.rows, (ssize_t)plan.cropX,
                                (ssize_t)plan.cropY));
    // No virtual canvas may reach the output's logical screen.
    image.repage();
}

void ResizeImage(Magick::Image& image, const ResizeOptions& options)
{
    ApplyResizePlan(image, PlanResize(options, SizeOf(image)));
}

void ResizeImage(Magick::Image& image, const ResizeOptions& options, const ImageSize& trueSize)
{
    ApplyResizePlan(image, PlanResize(options, SourceSize(image, trueSize)));
}

DecodeSizeRule ConversionDecodeSize(const ResizeOptions& options)
{
    return [options](const ImageSize& source) {
        const ResizePlan plan = PlanResize(options, source);
        if (!plan.resize || plan.scaled.columns * 2 > source.columns ||
            plan.scaled.rows * 2 > source.rows)
        {
            const ImageSize full = {0, 0};
            return full;
        }
        const ImageSize twice = {plan.scaled.columns * 2, plan.scaled.rows * 2};
        return twice;
    };
}

DecodeSizeRule PreviewDecodeSize(const ImageSize& box)
{
    const ImageSize twice = {box.columns * 2, box.rows * 2};
    return [twice](const ImageSize&) { return twice; };
}

double PreviewScale(const ImageSize& size, const ImageSize& box)
{
    if (box.columns == 0 || box.rows == 0 || size.columns == 0 || size.rows == 0)
        return 1.0;
    const double a = (double)size.columns / box.columns, b = (double)size.rows / box.rows;
    return 1.0 / (a > b ? a : b);
}

ImageSize PreviewSize(const ImageSize& size, const ImageSize& box)
{
    if (box.columns == 0 || box.rows == 0 || size.columns == 0 || size.rows == 0)
        return size;
    const double f = PreviewScale(size, box);
    const ImageSize shown = {ClampSize(std::ceil(size.columns * f)),
                             ClampSize(std::ceil(size.rows * f))};
    return shown;
}

double ApplyPreviewResize(Magick::Image& image, const ResizeOptions& options,
                          const ImageSize& trueSize, const ImageSize& box)
{
    if (image.columns() == 0 || image.rows() == 0)
        return 1.0;
    const ResizePlan plan = PlanResize(options, SourceSize(image, trueSize));
    const ImageSize shown = PreviewSize(plan.result, box);
    const double scale = PreviewScale(plan.result, box);
    if (shown.columns >= plan.result.columns && shown.rows >= plan.result.rows)
    {
        // A result no larger than the box is small: made as the conversion
        // makes it, then enlarged.
        ApplyResizePlan(image, plan);
        image.zoom(Magick::Geometry(shown.columns, shown.rows));
        return scale;
    }
    // A result the library could not make is not shown either, as when it
    // was made at full size.
    if (!WithinImageLimits(plan.scaled))
        throw ImageFileError("the resized picture exceeds the image limits");
    // The size the library's fitting of the full result into `shown` gives.
    const ImageSize fitted = ScaledSize(Magick::Geometry(shown.columns, shown.rows), plan.result);
    if (plan.crop)
        CropToPlannedPart(image, plan);
    // A box filter brings a large picture near the size, the finer filter
    // of the zoom finishes it.
    const ImageSize coarse = {std::min(image.columns(), 2 * fitted.columns),
                              std::min(image.rows(), 2 * fitted.rows)};
    if (image.columns() > 4 * fitted.columns || image.rows() > 4 * fitted.rows)
        ScaleExactly(image, coarse);
    Magick::Geometry exact(fitted.columns, fitted.rows);
    exact.aspect(true);
    image.zoom(exact);
    return scale;
}

void CoverAndCrop(Magick::Image& image, UINT width, UINT height, int anchor)
{
    ApplyResizePlan(image, PlanCoverAndCrop(SizeOf(image), width, height, anchor));
}

void StretchToSize(Magick::Image& image, UINT width, UINT height)
{
    if (width == 0 || height == 0)
        return;
    const ImageSize exact = {width, height};
    ScaleExactly(image, exact);
}

void AddBorder(Magick::Image& image, const BorderOptions& options)
{
    if (!options.enableBorder)
        return;
    const int width = options.width < 0 ? 0 : options.width;
    const Magick::Color color = ToMagickColor(options.color);
    if (options.frame3d)
    {
        image.matteColor(color);
        image.frame((size_t)width, (size_t)width, width / 2, width / 2);
    }
    else
    {
        image.borderColor(color);
        image.border(Magick::Geometry((size_t)width, (size_t)width));
    }
}

BorderOptions ScaleBorder(const BorderOptions& options, double scale)
{
    BorderOptions scaled = options;
    if (options.width <= 0 || !(scale > 0.0))
        return scaled;
    const double width = std::floor(options.width * scale + 0.5);
    scaled.width = width < 1.0 ? 1 : width >= (double)INT_MAX ? INT_MAX : (int)width;
    return scaled;
}

void ToOutputColorspace(Magick::Image& image)
{
    if (image.colorSpace() != Magick::sRGBColorspace)
        image.colorSpace(Magick::sRGBColorspace);
}

void ApplyRotation(Magick::Image& image, int rotate)
{
    switch (rotate)
    {
    case kRotate90:
        image.rotate(90.0);
        break;
    case kRotate180:
        image.rotate(180.0);
        break;
    case kRotate270:
        image.rotate(270.0);
        break;
    default:
        break;
    }
}

void ApplyColorChange(Magick::Image& image, int hue, int saturation, int lightness)
{
    // Neutral values give back every pixel as it was, yet the call converts
    // each one to HSL and back: a few hundred milliseconds on a photo.
    if (hue == kColorNeutral && saturation == kColorNeutral && lightness == kColorNeutral)
        return;
    image.modulate((double)lightness, (double)saturation, (double)hue);
}

int CropAnchorOfSetting(int doCrop)
{
    switch (doCrop)
    {
    case kCropNone:
    case kCropLeftTop:
    case kCropCenter:
    case kCropRightBottom:
        return doCrop;
    default:
        return kCropScaleOnly;
    }
}

int CropSettingOfAnchor(int anchor)
{
    // A settings file has no number for cropping without an anchor.
    return anchor == kCropScaleOnly ? kCropLeftTop : CropAnchorOfSetting(anchor);
}

int CropAnchorOfListIndex(int index)
{
    const int anchor = kCropLeftTop + index;
    return index >= 0 && anchor <= kCropRightBottom ? anchor : kCropScaleOnly;
}

int ListIndexOfCropAnchor(int anchor)
{
    return anchor >= kCropLeftTop && anchor <= kCropRightBottom ? anchor - kCropLeftTop : -1;
}

int RotationOfSetting(int rotate)
{
    return rotate >= kRotate90 && rotate <= kRotate270 ? rotate : kRotateNone;
}

void ApplyImageStage(Magick::Image& image, unsigned short stage, const ImageStepOptions& options,
                     const ImageSize& trueSize)
{
    switch (stage)
    {
    case kStageResize:
        ResizeImage(image, options.resize, trueSize);
        break;
    case kStageBorder:
        AddBorder(image, options.border);
        break;
    case kStageRotateColor:
        ApplyRotation(image, options.rotation);
        ApplyColorChange(image, options.hue, options.saturation, options.lightness);
        break;
    default:
        break;
    }
}

void ApplyImageSteps(Magick::Image& image, const ImageStepOptions& options,
                     const ImageSize& trueSize)
{
    PrepareForWork(image);
    for (unsigned short stage = 0; stage < kStageCount; ++stage)
        ApplyImageStage(image, stage, options, trueSize);
}
