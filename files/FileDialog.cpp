#include "files/FileDialog.h"

#include <commdlg.h>
#include <cstring>

#include "base/WinUtil.h"
#include "files/Paths.h"

namespace {

const DWORD kFileDialogFlags =
    OFN_ENABLESIZING | OFN_EXPLORER | OFN_EXTENSIONDIFFERENT | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
const DWORD kOpenDialogFlags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

const char kOpenDialogTitle[] = "Open file";
const char kSaveDialogTitle[] = "Select file";

} // namespace

UINT_PTR CALLBACK FileDialogHookProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM)
{
    if (uMsg == WM_INITDIALOG)
    {
        // The hook's dialog is the child of the explorer-style frame.
        HWND hFrame = GetParent(hDlg);
        CenterWindowOn(hFrame, GetParent(hFrame));
    }
    return 0;
}

int ShowFileDialog(HINSTANCE hInstance, HWND hOwner, char* fileName, DWORD fileNameSize,
                   const char* initialDir, const char* filter, const char* defExt,
                   DWORD filterIndex, FileDialogMode mode)
{
    if (fileName == NULL || fileNameSize == 0)
        return 0;
    if (PathExists(fileName) != 1)
        fileName[0] = '\0';

    const bool open = mode == FileDialogMode::Open;
    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hOwner;
    ofn.hInstance = hInstance;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = fileNameSize;
    ofn.lpstrInitialDir = initialDir;
    ofn.lpstrTitle = open ? kOpenDialogTitle : kSaveDialogTitle;
    ofn.Flags = kFileDialogFlags;
    if (open)
        ofn.Flags |= kOpenDialogFlags;
    else if (mode == FileDialogMode::SaveAskingBeforeReplace)
        ofn.Flags |= OFN_OVERWRITEPROMPT;
    ofn.lpstrDefExt = defExt;
    ofn.lpfnHook = FileDialogHookProc;
    return open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
}
