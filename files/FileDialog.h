// The common open and save dialogs for one file, centred on their owner.
#pragma once

#include <windows.h>

// What a file dialog asks for. Open: an existing file. Save: a name to write
// to, or a file to read later, without a question. SaveAskingBeforeReplace:
// a file about to be written, so naming an existing one asks first.
enum class FileDialogMode {
    Open,
    Save,
    SaveAskingBeforeReplace,
};

UINT_PTR CALLBACK FileDialogHookProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// The dialog of that mode; non-zero when the user confirmed a name, which
// then stands in the buffer. A name in the buffer that is no existing file
// is cleared first, so the dialog opens with an empty name box.
int ShowFileDialog(HINSTANCE hInstance, HWND hOwner, char* fileName, DWORD fileNameSize,
                   const char* initialDir, const char* filter, const char* defExt,
                   DWORD filterIndex, FileDialogMode mode);
