#include "convert/QuietConverter.h"

#include <exception>
#include <new>

#include "base/StrUtil.h"
#include "image/GifWriter.h"
#include "image/ImageIO.h"
#include "convert/OverwriteAsk.h"
#include "files/Paths.h"
#include "settings/Registry.h"
#include "settings/SettingsNames.h"

namespace {

// What the quiet reader takes for a missing number; a missing text reads
// as kMissingValueText.
const int kMissingNumber = 32000;

int ReadInt(const char* section, const char* key, const char* path)
{
    return (int)GetPrivateProfileIntA(section, key, kMissingNumber, path);
}

BYTE ReadByte(const char* section, const char* key, const char* path)
{
    return (BYTE)(ReadInt(section, key, path) & 0xFF);
}

} // namespace

CQuietConverter::CQuietConverter()
    : EnableResize(1), EnableWidth(1), Width(120), EnableHeight(1), Height(120), DoNothing(1),
      DoCrop(0), DoStretch(0), EnableBorder(0), BorderWidth(0), BorderColor(0), Border3d(0),
      NameMode(0), Hue(kColorNeutral), Saturation(kColorNeutral), Lightness(kColorNeutral),
      Rotate(0), m_sourceSize()
{
    SafeCopy(Prefix, "th_");
    Suffix[0] = '\0';
}

CQuietConverter::~CQuietConverter() = default;

void CQuietConverter::FreeImage()
{
    Image.reset();
    m_sourceSize = ImageSize();
}

void CQuietConverter::Run(const char* sourcePath)
{
    DWORD shellOn = 0;
    if (!RegReadDword(kRegShellOn, &shellOn) || shellOn == 0)
        return;
    char settings[kPathBufferSize] = "";
    if (!RegReadValue(kRegShellPath, settings, sizeof(settings)))
        settings[0] = '\0';
    LoadSettings(settings);
    if (!LoadImage(sourcePath))
        return;
    try
    {
        Transform();
        Save(sourcePath);
    }
    catch (const std::exception&)
    {
        // The library's failure ends the conversion without output.
    }
}

int CQuietConverter::LoadSettings(const char* path)
{
    if (path == NULL || path[0] == '\0')
        return 0;
    EnableResize = ReadInt(kSectionResize, kKeyEnableResize, path);
    if (EnableResize == kMissingNumber)
    {
        EnableResize = 1;
        return 0;
    }
    EnableWidth = ReadInt(kSectionResize, kKeyEnableWidth, path);
    Width = (UINT)ReadInt(kSectionResize, kKeyWidth, path);
    EnableHeight = ReadInt(kSectionResize, kKeyEnableHeight, path);
    Height = (UINT)ReadInt(kSectionResize, kKeyHeight, path);
    DoNothing = ReadByte(kSectionResize, kKeyDoNothing, path);
    DoCrop = ReadByte(kSectionResize, kKeyDoCrop, path);
    DoStretch = ReadByte(kSectionResize, kKeyDoStretch, path);

    Hue = ReadInt(kSectionImage, kKeyHue, path);
    Saturation = ReadInt(kSectionImage, kKeySaturation, path);
    Lightness = ReadInt(kSectionImage, kKeyLightness, path);

    EnableBorder = ReadInt(kSectionBorder, kKeyEnableBorder, path);
    BorderWidth = ReadInt(kSectionBorder, kKeyBorderWidth, path);
    BorderColor =
        RGB(ReadByte(kSectionBorder, kKeyColorR, path), ReadByte(kSectionBorder, kKeyColorG, path),
            ReadByte(kSectionBorder, kKeyColorB, path));
    Border3d = ReadInt(kSectionBorder, kKeyBorder3d, path);

    Rotate = ReadInt(kSectionRotate, kKeyRotate, path);

    GetPrivateProfileStringA(kSectionNames, kKeyPrefix, kMissingValueText, Prefix, sizeof(Prefix),
                             path);
    NameMode = ReadByte(kSectionNames, kKeyNamePattern, path);
    GetPrivateProfileStringA(kSectionNames, kKeySuffix, kMissingValueText, Suffix, sizeof(Suffix),
                             path);
    return 1;
}

int CQuietConverter::LoadImage(const char* path)
{
    FreeImage();
    Image.reset(new (std::nothrow) Magick::Image());
    if (Image == NULL)
        return 0;
    try
    {
        ReadImageFile(*Image, path, ConversionDecodeSize(GetResizeOptions()), m_sourceSize);
        return 1;
    }
    catch (const std::exception&)
    {
        FreeImage();
        return 0;
    }
}

ResizeOptions CQuietConverter::GetResizeOptions() const
{
    ResizeOptions options;
    options.enableResize = EnableResize != 0;
    options.enableWidth = EnableWidth != 0;
    options.width = Width;
    options.enableHeight = EnableHeight != 0;
    options.height = Height;
    options.fit = DoNothing != 0;
    options.cropAnchor = CropAnchorOfSetting(DoCrop);
    options.stretch = DoStretch != 0;
    return options;
}

BorderOptions CQuietConverter::GetBorderOptions() const
{
    BorderOptions options;
    options.enableBorder = EnableBorder != 0;
    options.width = BorderWidth;
    options.color = BorderColor;
    options.frame3d = Border3d != 0;
    return options;
}

ImageStepOptions CQuietConverter::GetImageStepOptions() const
{
    ImageStepOptions options;
    options.resize = GetResizeOptions();
    options.border = GetBorderOptions();
    options.rotation = RotationOfSetting(Rotate);
    options.hue = Hue;
    options.saturation = Saturation;
    options.lightness = Lightness;
    return options;
}

void CQuietConverter::Transform()
{
    if (Image != NULL)
        ApplyImageSteps(*Image, GetImageStepOptions(), m_sourceSize);
}

void CQuietConverter::CropToFit()
{
    if (Image != NULL)
        CoverAndCrop(*Image, Width, Height, CropAnchorOfSetting(DoCrop));
}

void CQuietConverter::Stretch()
{
    if (Image != NULL)
        StretchToSize(*Image, Width, Height);
}

int CQuietConverter::MakeOutputName(const char* sourcePath, unsigned index, char* out,
                                    size_t outSize) const
{
    const PathParts parts = SplitPath(sourcePath);
    char file[kPathBufferSize];
    BOOL fits =
        MakeOutputBaseName(Prefix, parts.name.c_str(), NameMode, index, Suffix, file, sizeof(file));
    if (fits)
        fits = SafeFormat(out, outSize, "%s%s%s", parts.drive.c_str(), parts.dir.c_str(), file);
    if (!fits && out != NULL && outSize > 0)
        out[0] = '\0';
    return fits ? 1 : 0;
}

int CQuietConverter::SaveAs(const char* sourcePath, unsigned index)
{
    if (Image == NULL)
        return 0;
    char output[kPathBufferSize];
    if (!MakeOutputName(sourcePath, index, output, sizeof(output)) ||
        !SafeAppend(output, kOutputExtension))
        return 0;
    if (DecideOverwrite(output, sourcePath, NULL, NULL) != kOverwriteWrite)
        return 0;
    // The source is in memory and the replace is atomic, so an output that
    // names the source itself never loses it.
    WriteGif(*Image, output);
    return 1;
}

void CQuietConverter::Save(const char* sourcePath) { SaveAs(sourcePath, 1); }
