#include "core/OverwriteAsk.h"

#include <windows.h>

#include "core/Paths.h"

namespace {

const size_t kShownPathLength = 40;

} // namespace

int AskOverwriteSingle(const char* path)
{
    // A plain message box stands in until the overwrite dialog is available.
    char shown[kPathBufferSize];
    CompactPath(path, shown, sizeof(shown), kShownPathLength);
    char text[kPathBufferSize + 128];
    SafeFormat(text, sizeof(text),
               "Destination folder already contains a file named :\n%s\n\nWould you like to replace the existing file",
               shown);
    int answer = MessageBoxA(GetActiveWindow(), text, "Confirm File Overwrite",
                             MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    return answer == IDYES ? kOverwriteSingleYes : kOverwriteSingleNo;
}
