// The GIF output options and the one routine that writes every output GIF
// of the program (the quiet conversion and the batch conversion).
#pragma once

#include <windows.h>

#include "image/ImageIO.h"
#include "image/MagickInc.h"

struct GifOptions
{
    int NoneTR;     // non-zero: no colour is made transparent
    COLORREF Color; // the colour made transparent when NoneTR is 0
    int Interlace;  // non-zero: line interlacing
    int Color256;   // non-zero: ask the library for at most 256 colours
};

// Filled from the GIF section of the program's settings file when the main
// window opens and by the GIF settings dialog; until then (and always in a
// quiet conversion) it holds the start-up values (nothing transparent, no
// interlacing, no 256-colour request).
extern GifOptions g_GifOptions;

const GifOptions kGifStartupOptions = {1, 0, 0, 0};

// Writes the image as GIF whatever the name's extension says, through the
// image I/O layer (temporary file, then replace). Throws on failure.
// `how` as WriteImageFile takes it.
void WriteGif(Magick::Image& image, const char* path, const GifOptions& options = g_GifOptions,
              const OutputWrite& how = OutputWrite());
