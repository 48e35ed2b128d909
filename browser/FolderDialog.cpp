#include "browser/FolderDialog.h"

#include <cstring>

#include "base/ComRef.h"
#include "base/Handles.h"
#include "base/StrUtil.h"

BOOL CFolderDialog::DoModal(char* out, size_t outSize)
{
    if (out == NULL || outSize == 0)
        return FALSE;
    out[0] = '\0';
    CComRef<IMalloc> malloc;
    if (FAILED(SHGetMalloc(malloc.Out())) || !malloc)
        return FALSE;

    char displayName[MAX_PATH] = "";
    BROWSEINFOA info;
    memset(&info, 0, sizeof(info));
    info.hwndOwner = m_hWndOwner;
    info.pidlRoot = NULL;
    info.pszDisplayName = displayName;
    info.lpszTitle = m_lpszTitle;
    info.ulFlags = m_uFlags;
    info.lpfn = BrowseCallbackProc;
    info.lParam = 0;
    info.iImage = 0;

    CTaskMemory<ITEMIDLIST> chosen(SHBrowseForFolderA(&info), malloc.Get());
    if (chosen.Get() != NULL)
    {
        // The shell writes at most MAX_PATH; the caller's buffer may be smaller.
        char path[MAX_PATH] = "";
        if (!SHGetPathFromIDListA(chosen.Get(), path) || !SafeCopy(out, outSize, path))
            out[0] = '\0';
    }
    return out[0] != '\0';
}

int CALLBACK CFolderDialog::BrowseCallbackProc(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM)
{
    if (uMsg == BFFM_SELCHANGED)
    {
        char path[MAX_PATH] = "";
        if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path))
            ::SendMessageA(hWnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}
