#include "core/Extensions.h"

#include <cstring>

#include "controls/WinUtil.h"
#include "core/Paths.h"
#include "core/StrUtil.h"

// Where one name is the start of another, the shorter one must come first,
// so that the first occurrence of a short name is the one followed by ";".
#define TVX_SUPPORTED_EXTENSIONS(X)                                                      \
    X("avs") X("bmp") X("bmp24") X("cgm") X("cmyk") X("dcx") X("dib") X("epdf")          \
    X("fits") X("fpx") X("gif") X("gif87") X("jbig") X("jpg") X("jpeg") X("map")         \
    X("mng") X("mtv") X("pbm") X("pcd") X("pcl") X("pcds") X("pcx") X("pgm") X("pict")   \
    X("pix") X("png") X("psd") X("rgb") X("rle") X("sgi") X("sun") X("tga") X("tif")     \
    X("tiff") X("tiff24") X("tile") X("wmf") X("xbm") X("xpm") X("xwd") X("yuv")

#define TVX_EXT_NAME(e) e,
#define TVX_EXT_TEXT(e) "." e ";"

const char* const kSupportedExtensionNames[kSupportedExtensionCount] = {
    TVX_SUPPORTED_EXTENSIONS(TVX_EXT_NAME)};

const char kSupportedExtensionText[] = TVX_SUPPORTED_EXTENSIONS(TVX_EXT_TEXT);

BOOL IsSupportedExtension(const char* ext)
{
    if (ext == NULL || ext[0] == '\0')
        return FALSE;
    // Anything longer than the whole text cannot occur in it.
    char lower[sizeof(kSupportedExtensionText)];
    if (!SafeCopy(lower, ext))
        return FALSE;
    MakeLower(lower);
    const char* hit = strstr(kSupportedExtensionText, lower);
    return hit != NULL && hit[strlen(lower)] == ';';
}

BOOL IsSupportedFile(const char* path)
{
    if (path == NULL)
        return FALSE;
    return IsSupportedExtension(SplitPath(path).ext.c_str());
}
