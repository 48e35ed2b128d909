// The shell's folder browse dialog for picking a file-system folder; its
// status line shows the path of the folder under the selection.
#pragma once

#include <windows.h>
#include <shlobj.h>

class CFolderDialog
{
public:
    CFolderDialog() {}
    virtual ~CFolderDialog() {}
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // TRUE when a path came back into `out`; otherwise `out` is empty (also
    // when the path does not fit).
    BOOL DoModal(char* out, size_t outSize);
    template <size_t N>
    BOOL DoModal(char (&out)[N])
    {
        return DoModal(out, N);
    }

    static int CALLBACK BrowseCallbackProc(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

    HWND m_hWndOwner = NULL;
    const char* m_lpszTitle = NULL; // not owned
    UINT m_uFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
};
