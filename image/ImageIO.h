// All image reading and writing of the program. The image library is a
// native library that cannot open Windows paths and reads "[0]", "%d" or
// "fmt:" inside names as syntax, so the bytes always travel through Win32
// file calls and a Magick::Blob.
#pragma once

#include <windows.h>
#include <functional>
#include <stdexcept>
#include <string>

#include "image/ImageSize.h"
#include "image/MagickInc.h"

// A file-level failure of the image layer (the library's own failures
// arrive as Magick::Exception); both derive from std::exception.
class ImageFileError : public std::runtime_error
{
public:
    explicit ImageFileError(const char* what) : std::runtime_error(what) {}
};

// A read that the caller's ReadProgress stopped.
class ImageReadStopped : public ImageFileError
{
public:
    explicit ImageReadStopped(const char* what) : ImageFileError(what) {}
};

// The output's folder itself takes no file (it is missing, not writable or
// full): no later output into it can be written either.
class OutputFolderError : public ImageFileError
{
public:
    explicit OutputFolderError(const char* what) : ImageFileError(what) {}
};

// Initialises the image library, once at start-up: its security policy
// (only the coders of our own types, no external programs, no "@file"
// includes) and its resource limits, so that absurd sizes fail like
// unreadable files. Both are set here in code, never left to a policy file.
void InitImageLibrary();

// The library's end, once the process's last picture has gone: every
// temporary file of the library goes, and the process's folder for them.
void EndImageLibrary();

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
// refused. Its page is its own size, whatever logical screen it came with. A picture the library
// decoded but called damaged is used; a read that yields no pixels is a failure. Throws on a
// missing or unreadable file or one that holds no picture. The metadata of the file costs no
// more than core/ImageMetadata.h allows, and the picture keeps none of it but a colour profile.
void ReadImageFile(Magick::Image& image, const char* path);

// The image's columns and rows.
ImageSize SizeOf(const Magick::Image& image);

// From a source's true size, the size the caller needs it decoded at, at
// least; {0, 0} for the full size.
typedef std::function<ImageSize(const ImageSize& trueSize)> DecodeSizeRule;

// The caller's say while a picture is decoded, asked on the reading thread
// now and then (from the library's progress reports, at most every
// kReadProgressIntervalMs): true to go on, false to stop the read. The
// library holds a lock of its own while it asks: no image work may run
// inside, only the dispatch of messages that start none.
typedef std::function<bool()> ReadProgress;
const DWORD kReadProgressIntervalMs = 50;

// Reads like the above, but a JPEG (the one coder that can decode at a
// reduced size) for which the rule asks less than its full size is decoded
// smaller, never below the rule's size. `trueSize` receives the size of the
// whole picture, which every size and offset of the later steps is computed
// from. A header that cannot be read gives a plain read. With `progress`,
// a read it stops throws ImageReadStopped.
void ReadImageFile(Magick::Image& image, const char* path, const DecodeSizeRule& rule,
                   ImageSize& trueSize, const ReadProgress& progress = ReadProgress());

// What the caller of WriteImageFile knows already, so that an output looks
// its names up no more often than the safe replace needs: under Wine each
// look-up of a name that is not there reads the whole folder.
struct OutputWrite
{
    // The target's attributes as the caller has just read them
    // (INVALID_FILE_ATTRIBUTES: nothing there); read again when not known.
    bool attributesKnown = false;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    // A folder on the target's volume for the temporary file (with its
    // trailing backslash); empty: beside the target.
    std::string stagingFolder;
};

// A hidden folder of one run inside its output folder, for the temporary
// files of the run's outputs: a new name in it is found free at once, where
// in a folder of thousands of files each new name is a search of them all.
// Made when the object is, removed with anything left in it when it goes.
class OutputStaging
{
public:
    explicit OutputStaging(const char* outputFolder);
    ~OutputStaging();
    OutputStaging(const OutputStaging&) = delete;
    OutputStaging& operator=(const OutputStaging&) = delete;
    // With its trailing backslash; empty when it could not be made.
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

// Encodes `image` in its current format (Magick::Image::magick) and
// replaces `path` with the result through a temporary file in the same
// folder. On failure it throws and the old file stays as it was, with no
// partial file left behind: OutputFolderError when the folder takes no new
// file at all, ImageFileError when only this target cannot be replaced.
void WriteImageFile(Magick::Image& image, const char* path, const OutputWrite& how = OutputWrite());

// Makes an image that was copied from another one ready to be changed: its
// own pixels, and quiet again (a copy loses that setting).
void PrepareForWork(Magick::Image& image);

// The library colour of a COLORREF (red in the low byte; a value with the
// top bit set names a system colour), fully opaque.
Magick::Color ToMagickColor(COLORREF color);
