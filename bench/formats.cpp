// Which of the supported extensions this build reads, measured: every
// sample.<ext> in the folder given goes through the program's own reader;
// for an extension without a sample, whether the image library has a
// decoder by that name at all. Built only when asked for (tools/formats.sh).
#include <windows.h>
#include <cstdio>
#include <exception>
#include <string>

#include "base/WinUtil.h"
#include "image/Extensions.h"
#include "image/ImageIO.h"
#include "image/MagickInc.h"

namespace {

bool HasDecoder(const char* ext)
{
    std::string name = ext;
    for (char& c : name)
        c = (char)toupper((unsigned char)c);
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    const MagickCore::MagickInfo* info = MagickCore::GetMagickInfo(name.c_str(), exception);
    MagickCore::DestroyExceptionInfo(exception);
    return info != NULL && info->decoder != NULL;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: tolvex_formats SAMPLE_FOLDER\n");
        return 2;
    }
    InitImageLibrary();
    int reads = 0;
    for (const char* ext : kSupportedExtensionNames)
    {
        const std::string path = std::string(argv[1]) + "\\sample." + ext;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        {
            printf("%s no-sample %s\n", ext, HasDecoder(ext) ? "decoder" : "no-decoder");
            continue;
        }
        try
        {
            Magick::Image image;
            ReadImageFile(image, path.c_str());
            printf("%s reads %lux%lu\n", ext, (unsigned long)image.columns(),
                   (unsigned long)image.rows());
            ++reads;
        }
        catch (const std::exception& e)
        {
            printf("%s fails %s\n", ext, e.what());
        }
    }
    printf("total %d\n", reads);
    EndImageLibrary();
    return 0;
}
