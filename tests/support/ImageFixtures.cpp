// Generated pictures, encoded files and GIF parsing for the image tests.
#include "tests/support/ImageFixtures.h"

#include <cmath>
#include <vector>

namespace {

template <class Paint>
Magick::Image MakeImage(size_t width, size_t height, Paint paint)
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

Magick::Image MakeScene(size_t width, size_t height)
{
    return MakeImage(width, height, [=](size_t x, size_t y, Magick::PixelPacket& p) {
        p.red = (Magick::Quantum)(65535.0 * x / width);
        p.green = (Magick::Quantum)(65535.0 * y / height);
        p.blue = (Magick::Quantum)(32767.5 + 32767.5 * std::sin(x / 29.0 + y / 41.0));
    });
}

GifLayout ParseGif(const std::string& b)
{
    GifLayout g;
    if (b.size() < 13 || b.compare(0, 4, "GIF8") != 0)
        return g;
    size_t pos = 13;
    const unsigned char screenFlags = (unsigned char)b[10];
    if (screenFlags & 0x80)
        pos += 3u << ((screenFlags & 7) + 1);
    while (pos + 10 <= b.size())
    {
        const unsigned char kind = (unsigned char)b[pos];
        if (kind == 0x2C)
        {
            g.valid = true;
            g.interlaced = ((unsigned char)b[pos + 9] & 0x40) != 0;
            return g;
        }
        if (kind != 0x21)
            break;
        if ((unsigned char)b[pos + 1] == 0xF9)
            g.transparent = ((unsigned char)b[pos + 3] & 1) != 0;
        pos += 2;
        while (pos < b.size() && b[pos] != 0)
            pos += (unsigned char)b[pos] + 1u;
        ++pos;
    }
    return g;
}

std::string EncodeImage(Magick::Image image, const char* format)
{
    image.magick(format);
    Magick::Blob blob;
    image.write(&blob);
    return std::string((const char*)blob.data(), blob.length());
}

std::string ThreeFrameGif()
{
    std::vector<Magick::Image> frames = {MakeQuadrants(40, 30), MakeQuadrants(40, 30),
                                         MakeQuadrants(40, 30)};
    for (Magick::Image& frame : frames)
        frame.magick("gif");
    frames[1].flop();
    Magick::Blob blob;
    Magick::writeImages(frames.begin(), frames.end(), &blob, true);
    return std::string((const char*)blob.data(), blob.length());
}

double GradientColumn(const Magick::Image& image, size_t x, size_t y, size_t sourceWidth)
{
    Magick::Color c = image.pixelColor((ssize_t)x, (ssize_t)y);
    return c.redQuantum() * (double)(sourceWidth - 1) / 65535.0;
}

const char kWidth50Settings[] =
    "[Resize]\r\nEnableResize=1\r\nEnableWidth=1\r\nWidth=50\r\nEnableHeight=0\r\nHeight=0\r\n"
    "DoNothing=1\r\nDoCrop=0\r\nDoStretch=0\r\n"
    "[Border]\r\nEnableBorder=0\r\nWidth=0\r\nColorR=0\r\nColorG=0\r\nColorB=0\r\n3d=0\r\n"
    "[Image]\r\nHue=100\r\nSaturation=100\r\nLightness=100\r\n[Rotate]\r\nRotate=0\r\n"
    "[File Names]\r\nPrefix=th_\r\nName=0\r\nSuffix=\r\n";
