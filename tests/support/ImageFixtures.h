// Generated images for the image tests.
#pragma once

#include <string>

#include "image/MagickInc.h"

// Columns coloured by x: the red quantum of column x is x * 65535 / (w - 1).
Magick::Image MakeColumnGradient(size_t width, size_t height);

// Four flat quadrants: red top-left, green top-right, blue bottom-left,
// white bottom-right.
Magick::Image MakeQuadrants(size_t width, size_t height);

// A smooth picture with detail at several scales: red across, green down,
// and blue waves at an angle, so a shifted or blurred result shows.
Magick::Image MakeScene(size_t width, size_t height);

// A picture whose decode runs many times the read progress interval (core/
// ImageIO.h), reporting each row: a PNG of a column gradient of this size.
const size_t kSlowReadWidth = 4000;
const size_t kSlowReadHeight = 3000;

// The image encoded in the given format, as file bytes.
std::string EncodeImage(Magick::Image image, const char* format);

// A GIF of three 40x30 frames, the middle one mirrored, as file bytes.
std::string ThreeFrameGif();

// The source column that the red quantum of a gradient pixel stands for.
double GradientColumn(const Magick::Image& image, size_t x, size_t y, size_t sourceWidth);

// What a GIF file says before its first picture: whether that picture is
// interlaced and whether a colour of it is transparent.
struct GifLayout
{
    bool valid = false;
    bool interlaced = false;
    bool transparent = false;
};
// Walks the file's blocks up to its first image descriptor.
GifLayout ParseGif(const std::string& bytes);

// A settings file with the width 50, the height off and everything else
// neutral (prefix "th_", name only, no suffix).
extern const char kWidth50Settings[];
