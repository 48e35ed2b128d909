// All image reading and writing of the program. The image library is a
// native library that cannot open Windows paths and reads "[0]", "%d" or
// "fmt:" inside names as syntax, so the bytes always travel through Win32
// file calls and a Magick::Blob.
#pragma once

#include <windows.h>
#include <functional>
#include <stdexcept>

#include "core/ImageSize.h"
#include "core/MagickInc.h"

// A file-level failure of the image layer (the library's own failures
// arrive as Magick::Exception); both derive from std::exception.
class ImageFileError : public std::runtime_error
{
public:
    explicit ImageFileError(const char* what) : std::runtime_error(what) {}
};

// Initialises the image library, once at start-up: its security policy
// (only the coders of our own types, no external programs, no "@file"
// includes) and its resource limits, so that absurd sizes fail like
// unreadable files. Both are set here in code, never left to a policy file.
void InitImageLibrary();

// The limits, exposed for the tests.
const ULONGLONG kImageMaxSide = 16000;
const ULONGLONG kImageMaxArea = 128ULL * 1000 * 1000;
const ULONGLONG kImageMaxMemory = 256ULL * 1024 * 1024;
const ULONGLONG kImageMaxMap = 512ULL * 1024 * 1024;
const ULONGLONG kImageMaxDisk = 1024ULL * 1024 * 1024;
// Larger source files are refused before they are read into memory.
const LONGLONG kImageMaxFileSize = 512LL * 1024 * 1024;

// Reads the first frame of the file into `image` (quiet, so warnings such as
// a truncated JPEG do not throw), only as one of the program's own types: a
// file whose extension is not listed, or is listed but never read, is
// refused. Its page is its own size, whatever logical screen it came with. A picture the library decoded but called
// damaged is used; a read that yields no pixels is a failure. Throws on a
// missing or unreadable file or one that holds no picture.
void ReadImageFile(Magick::Image& image, const char* path);

// From a source's true size, the size the caller needs it decoded at, at
// least; {0, 0} for the full size.
typedef std::function<ImageSize(const ImageSize& trueSize)> DecodeSizeRule;

// Reads like the above, but a JPEG (the one coder that can decode at a
// reduced size) for which the rule asks less than its full size is decoded
// smaller, never below the rule's size. `trueSize` receives the size of the
// whole picture, which every size and offset of the later steps is computed
// from. A header that cannot be read gives a plain read.
void ReadImageFile(Magick::Image& image, const char* path, const DecodeSizeRule& rule, ImageSize& trueSize);

// Encodes `image` in its current format (Magick::Image::magick) and
// replaces `path` with the result through a temporary file in the same
// folder. On failure it throws and the old file stays as it was, with no
// partial file left behind.
void WriteImageFile(Magick::Image& image, const char* path);

// Makes an image that was copied from another one ready to be changed: its
// own pixels, and quiet again (a copy loses that setting).
void PrepareForWork(Magick::Image& image);

// The library colour of a COLORREF (red in the low byte; a value with the
// top bit set names a system colour), fully opaque.
Magick::Color ToMagickColor(COLORREF color);
