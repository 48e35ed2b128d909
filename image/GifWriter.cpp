#include "image/GifWriter.h"

#include "image/ImageIO.h"

GifOptions g_GifOptions = kGifStartupOptions;

void WriteGif(Magick::Image& image, const char* path, const GifOptions& options,
              const OutputWrite& how)
{
    image.magick("gif");
    if (options.NoneTR == 0)
        image.transparent(ToMagickColor(options.Color));
    if (options.Interlace)
        image.interlaceType(Magick::LineInterlace);
    if (options.Color256)
        image.quantizeColors(256);
    WriteImageFile(image, path, how);
}
