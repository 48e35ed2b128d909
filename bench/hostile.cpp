// Writes the hostile pictures of tests/support/HostileImages.h into a
// folder, for bench/hostile.sh: one file a case, named by its case.
//   tolvex_hostile FOLDER [SCALE]
// SCALE divides every size (1, the default: the sizes users met).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/ImageIO.h"
#include "tests/support/HostileImages.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        fprintf(stderr, "usage: tolvex_hostile FOLDER [SCALE]\n");
        return 2;
    }
    InitImageLibrary();
    const size_t scale = argc == 3 ? (size_t)strtoul(argv[2], NULL, 10) : 1;
    int rc = 0;
    for (const HostileImage& image : HostileImageSet(scale))
    {
        const std::string path = std::string(argv[1]) + "\\" + image.name;
        const std::string bytes = image.make();
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        const bool ok = file != INVALID_HANDLE_VALUE &&
                        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) &&
                        written == bytes.size();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!ok)
        {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            rc = 1;
            break;
        }
        printf("%s %lu\n", image.name.c_str(), (unsigned long)bytes.size());
    }
    EndImageLibrary();
    return rc;
}
