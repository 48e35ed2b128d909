// Converts one image file into a GIF beside it with the options of one
// settings file, without a window of its own.
#pragma once

#include <windows.h>
#include <memory>

#include "image/ImageSteps.h"
#include "image/MagickInc.h"
#include "convert/OutputNames.h"

// The size of the converter's prefix and suffix fields.
const size_t kNameFieldSize = 260;

class CQuietConverter
{
public:
    CQuietConverter();
    ~CQuietConverter();
    CQuietConverter(const CQuietConverter&) = delete;
    CQuietConverter& operator=(const CQuietConverter&) = delete;

    // The whole conversion of `sourcePath` while the shell integration is on.
    void Run(const char* sourcePath);

    // 1 when the file is a settings file (its "Resize" section holds
    // "EnableResize"); what was read stands either way.
    int LoadSettings(const char* path);

    // 1 when the image was read; otherwise Image is null. With the resize
    // on, a large source may be decoded at a reduced size (Transform knows
    // its true size).
    int LoadImage(const char* path);

    // Changes Image in place by every image step; the library's errors are
    // thrown.
    void Transform();
    // Not called by Transform, whose resize step covers them: scale to cover
    // Width by Height and crop at the DoCrop anchor; stretch to exactly
    // Width by Height.
    void CropToFit();
    void Stretch();

    // Writes the GIF beside the source with the running index 1.
    void Save(const char* sourcePath);
    // 1 when the GIF was written; 0 when the user declined to replace an
    // existing file, or the name is no plain file name (MakeOutputBaseName)
    // or does not fit a path buffer: then nothing is asked or written. The
    // library's write errors are thrown.
    int SaveAs(const char* sourcePath, unsigned index);
    // The output path without its extension: the source's drive and folder,
    // then prefix, name by NameMode, suffix. 0 (and an empty output) when it
    // does not fit or the name is no plain file name.
    int MakeOutputName(const char* sourcePath, unsigned index, char* out, size_t outSize) const;

    ResizeOptions GetResizeOptions() const;
    BorderOptions GetBorderOptions() const;
    ImageStepOptions GetImageStepOptions() const;

    int EnableResize;
    int EnableWidth;
    UINT Width;
    int EnableHeight;
    UINT Height;
    BYTE DoNothing;
    BYTE DoCrop;
    BYTE DoStretch;
    int EnableBorder;
    int BorderWidth;
    COLORREF BorderColor;
    int Border3d;
    char Prefix[kNameFieldSize];
    char Suffix[kNameFieldSize];
    BYTE NameMode;
    int Hue;
    int Saturation;
    int Lightness;
    int Rotate;
    // The image being converted; null until LoadImage has read one.
    std::unique_ptr<Magick::Image> Image;

private:
    void FreeImage();

    // The size of the whole picture that Image was decoded from.
    ImageSize m_sourceSize;
};
