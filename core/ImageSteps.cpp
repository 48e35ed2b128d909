#include "core/ImageSteps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/ImageIO.h"

namespace {

// Sizes beyond 32 bits are held at the top; the library's limits refuse
// them like any other absurd size.
size_t ClampSize(uint64_t value)
{
    return value > UINT32_MAX ? (size_t)UINT32_MAX : (size_t)value;
}

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

ResizePlan PlanCropToFit(const ImageSize& source, UINT width, UINT height, int anchor)
{
    if (width == 0 || height == 0 || source.columns == 0 || source.rows == 0)
        return KeepSize(source);
    const double rw = (double)source.columns / width;
    const double rh = (double)source.rows / height;
    const double r = rw < rh ? rw : rh;
    const Magick::Geometry cover(ClampSize(std::ceil(source.columns / r)), ClampSize(std::ceil(source.rows / r)));
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

ImageSize SizeOf(const Magick::Image& image)
{
    const ImageSize size = {image.columns(), image.rows()};
    return size;
}

// The true size when it is known and can be the image's; otherwise the
// image's own.
ImageSize SourceSize(const Magick::Image& image, const ImageSize& trueSize)
{
    const ImageSize own = SizeOf(image);
    const bool known = trueSize.columns > 0 && trueSize.rows > 0 && trueSize.columns >= own.columns &&
                       trueSize.rows >= own.rows;
    return known ? trueSize : own;
}

void ScaleExactly(Magick::Image& image, const ImageSize& size)
{
    Magick::Geometry exact(size.columns, size.rows);
    exact.aspect(true);
    image.scale(exact);
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
            return PlanCropToFit(source, options.width, options.height, options.cropAnchor);
        if (options.stretch && options.width != 0 && options.height != 0)
        {
            const ImageSize exact = {options.width, options.height};
            return ScaleTo(exact);
        }
        return KeepSize(source);
    }
    if (options.enableWidth)
        return ScaleTo(ScaledSize(
            Magick::Geometry(options.width, ScaleSide(source.rows, options.width, source.columns)), source));
    return ScaleTo(ScaledSize(
        Magick::Geometry(ScaleSide(source.columns, options.height, source.rows), options.height), source));
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
    image.crop(Magick::Geometry(plan.result.columns, plan.result.rows, (ssize_t)plan.cropX, (ssize_t)plan.cropY));
    // No virtual canvas may reach the output's logical screen.
    image.repage();
}

void ApplyResize(Magick::Image& image, const ResizeOptions& options)
{
    ApplyResizePlan(image, PlanResize(options, SizeOf(image)));
}

void ApplyResize(Magick::Image& image, const ResizeOptions& options, const ImageSize& trueSize)
{
    ApplyResizePlan(image, PlanResize(options, SourceSize(image, trueSize)));
}

DecodeSizeRule ConversionDecodeSize(const ResizeOptions& options)
{
    return [options](const ImageSize& source) {
        const ResizePlan plan = PlanResize(options, source);
        if (!plan.resize || plan.scaled.columns * 2 > source.columns || plan.scaled.rows * 2 > source.rows)
        {
            const ImageSize full = {0, 0};
            return full;
        }
        const ImageSize twice = {plan.scaled.columns * 2, plan.scaled.rows * 2};
        return twice;
    };
}

void CropToFit(Magick::Image& image, UINT width, UINT height, int anchor)
{
    ApplyResizePlan(image, PlanCropToFit(SizeOf(image), width, height, anchor));
}

void StretchToSize(Magick::Image& image, UINT width, UINT height)
{
    if (width == 0 || height == 0)
        return;
    Magick::Geometry exact(width, height);
    exact.aspect(true);
    image.scale(exact);
}

void ApplyBorder(Magick::Image& image, const BorderOptions& options)
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
    image.modulate((double)lightness, (double)saturation, (double)hue);
}
