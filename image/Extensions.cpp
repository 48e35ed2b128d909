#include "image/Extensions.h"

#include <cstring>

#include "base/StrUtil.h"
#include "base/WinUtil.h"
#include "files/Paths.h"

// Where one name is the start of another, the shorter one must come first,
// so that the first occurrence of a short name is the one followed by ";".
// Each type names the library coder that reads it (empty: never read, for
// the coder is missing or runs programs or reads other files) and whether
// that coder may also take a file of another listed type whose bytes it
// recognises (vector and headerless raw types only by their own name).
// clang-format off
#define TVX_SUPPORTED_EXTENSIONS(X) \
    X("avs", "AVS", 1) \
    X("bmp", "BMP", 1) \
    X("bmp24", "BMP", 1) \
    X("cgm", "", 0) \
    X("cmyk", "CMYK", 0) \
    X("dcx", "DCX", 1) \
    X("dib", "DIB", 1) \
    X("epdf", "", 0) \
    X("fits", "FITS", 1) \
    X("fpx", "", 0) \
    X("gif", "GIF", 1) \
    X("gif87", "GIF87", 1) \
    X("jbig", "JBIG", 1) \
    X("jpg", "JPEG", 1) \
    X("jpeg", "JPEG", 1) \
    X("map", "MAP", 0) \
    X("mng", "MNG", 1) \
    X("mtv", "MTV", 1) \
    X("pbm", "PBM", 1) \
    X("pcd", "PCD", 1) \
    X("pcl", "", 0) \
    X("pcds", "PCDS", 1) \
    X("pcx", "PCX", 1) \
    X("pgm", "PGM", 1) \
    X("pict", "PICT", 1) \
    X("pix", "PIX", 1) \
    X("png", "PNG", 1) \
    X("psd", "PSD", 1) \
    X("rgb", "RGB", 0) \
    X("rle", "RLE", 1) \
    X("sgi", "SGI", 1) \
    X("sun", "SUN", 1) \
    X("tga", "TGA", 1) \
    X("tif", "TIFF", 1) \
    X("tiff", "TIFF", 1) \
    X("tiff24", "TIFF", 1) \
    X("tile", "", 0) \
    X("wmf", "WMF", 0) \
    X("xbm", "XBM", 1) \
    X("xpm", "XPM", 1) \
    X("xwd", "XWD", 1) \
    X("yuv", "YUV", 0)
// clang-format on

#define TVX_EXT_NAME(e, coder, byContent)   e,
#define TVX_EXT_TEXT(e, coder, byContent)   "." e ";"
#define TVX_EXT_READER(e, coder, byContent) {coder, (byContent) != 0},

const char* const kSupportedExtensionNames[kSupportedExtensionCount] = {
    TVX_SUPPORTED_EXTENSIONS(TVX_EXT_NAME)};

const ExtensionReader kSupportedExtensionReaders[kSupportedExtensionCount] = {
    TVX_SUPPORTED_EXTENSIONS(TVX_EXT_READER)};

const char kSupportedExtensionText[] = TVX_SUPPORTED_EXTENSIONS(TVX_EXT_TEXT);

bool IsSupportedExtension(const char* ext)
{
    if (ext == NULL || ext[0] == '\0')
        return false;
    // Anything longer than the whole text cannot occur in it.
    char lower[sizeof(kSupportedExtensionText)];
    if (!SafeCopy(lower, ext))
        return false;
    MakeLower(lower);
    const char* hit = strstr(kSupportedExtensionText, lower);
    return hit != NULL && hit[strlen(lower)] == ';';
}

bool IsSupportedFile(const char* path)
{
    if (path == NULL)
        return false;
    return IsSupportedExtension(SplitPath(path).ext.c_str());
}

const ExtensionReader* ReaderOfExtension(const char* ext)
{
    if (!IsSupportedExtension(ext))
        return NULL;
    for (size_t i = 0; i < kSupportedExtensionCount; ++i)
        if (lstrcmpiA(ext + 1, kSupportedExtensionNames[i]) == 0)
            return kSupportedExtensionReaders[i].coder[0] != '\0' ? &kSupportedExtensionReaders[i]
                                                                  : NULL;
    return NULL;
}

bool IsCoderForContent(const char* coder)
{
    if (coder == NULL || coder[0] == '\0')
        return false;
    for (const ExtensionReader& reader : kSupportedExtensionReaders)
        if (reader.byContent && lstrcmpA(reader.coder, coder) == 0)
            return true;
    return false;
}
