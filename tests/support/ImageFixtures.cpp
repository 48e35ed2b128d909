#include "tests/support/ImageFixtures.h"

namespace {

template <class Paint> Magick::Image MakeImage(size_t width, size_t height, Paint paint)
{
    Magick::Image image(Magick::Geometry(width, height), Magick::Color(0, 0, 0, 0));
    image.modifyImage();
    Magick::PixelPacket* pixels = image.getPixels(0, 0, width, height);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
        {
            Magick::PixelPacket& p = pixels[y * width + x];
            p.red = p.green = p.blue = p.opacity = 0;
            paint(x, y, p);
        }
    image.syncPixels();
    return image;
}

} // namespace

Magick::Image MakeColumnGradient(size_t width, size_t height)
{
    return MakeImage(width, height, [=](size_t x, size_t, Magick::PixelPacket& p) {
        p.red = (Magick::Quantum)(x * 65535 / (width - 1));
    });
}

Magick::Image MakeQuadrants(size_t width, size_t height)
{
    return MakeImage(width, height, [=](size_t x, size_t y, Magick::PixelPacket& p) {
        const bool right = x >= width / 2, bottom = y >= height / 2;
        p.red = right == bottom ? 65535 : 0;
        p.green = right ? 65535 : 0;
        p.blue = bottom ? 65535 : 0;
    });
}

std::string EncodeImage(Magick::Image image, const char* format)
{
    image.magick(format);
    Magick::Blob blob;
    image.write(&blob);
    return std::string((const char*)blob.data(), blob.length());
}

double GradientColumn(const Magick::Image& image, size_t x, size_t y, size_t sourceWidth)
{
    Magick::Color c = image.pixelColor((ssize_t)x, (ssize_t)y);
    return c.redQuantum() * (double)(sourceWidth - 1) / 65535.0;
}
