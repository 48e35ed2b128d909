#include "core/ImageSteps.h"

#include <cmath>
#include <cstdint>

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

} // namespace

void ApplyResize(Magick::Image& image, const ResizeOptions& options)
{
    if (!options.enableResize)
        return;
    const size_t columns = image.columns(), rows = image.rows();
    if (columns == 0 || rows == 0)
        return;
    if (options.enableWidth && options.enableHeight)
    {
        if (options.fit)
            image.scale(Magick::Geometry(options.width, options.height));
        else if (options.cropAnchor != kCropNone)
            CropToFit(image, options.width, options.height, options.cropAnchor);
        else if (options.stretch)
            StretchToSize(image, options.width, options.height);
    }
    else if (options.enableWidth)
        image.scale(Magick::Geometry(options.width, ScaleSide(rows, options.width, columns)));
    else
        image.scale(Magick::Geometry(ScaleSide(columns, options.height, rows), options.height));
}

void CropToFit(Magick::Image& image, UINT width, UINT height, int anchor)
{
    if (width == 0 || height == 0)
        return;
    const size_t columns = image.columns(), rows = image.rows();
    if (columns == 0 || rows == 0)
        return;
    const double rw = (double)columns / width;
    const double rh = (double)rows / height;
    const double r = rw < rh ? rw : rh;
    image.scale(Magick::Geometry(ClampSize(std::ceil(columns / r)), ClampSize(std::ceil(rows / r))));

    const size_t sw = image.columns(), sh = image.rows();
    size_t x = 0, y = 0;
    switch (anchor)
    {
    case kCropLeftTop:
        break;
    case kCropCenter:
        x = CropOffset(sw, width, true);
        y = CropOffset(sh, height, true);
        break;
    case kCropRightBottom:
        x = CropOffset(sw, width, false);
        y = CropOffset(sh, height, false);
        break;
    default:
        return;
    }
    image.crop(Magick::Geometry(width, height, (ssize_t)x, (ssize_t)y));
    // No virtual canvas may reach the output's logical screen.
    image.repage();
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
