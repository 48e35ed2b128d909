// Folder links made and removed through the host's file system.
#include "tests/support/FolderLink.h"

#include <windows.h>
#include <vector>
#ifdef __WINE__
#include <unistd.h>
#endif

namespace {

// Wine's own call: a Winelib program links it, a Windows program run under
// Wine finds it in kernel32; on Windows there is none.
typedef char*(CDECL* UnixFileNameProc)(LPCWSTR);

UnixFileNameProc UnixFileName()
{
#ifdef __WINE__
    return wine_get_unix_file_name;
#else
    return reinterpret_cast<UnixFileNameProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
#endif
}

} // namespace

bool CanMakeFolderLinks()
{
#ifdef __WINE__
    return true;
#else
    return false;
#endif
}

std::string HostPath(const std::string& windowsPath)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, NULL, 0);
    if (n <= 0)
        return std::string();
    std::vector<WCHAR> wide((size_t)n);
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
    const UnixFileNameProc unixFileName = UnixFileName();
    char* host = unixFileName == NULL ? NULL : unixFileName(wide.data());
    if (host == NULL)
        return std::string();
    std::string result = host;
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

FolderLink::FolderLink(const std::string& link, const std::string& target)
    : m_hostPath(HostPath(link))
{
#ifdef __WINE__
    m_made = !m_hostPath.empty() && symlink(target.c_str(), m_hostPath.c_str()) == 0;
#else
    (void)target;
#endif
}

FolderLink::~FolderLink()
{
#ifdef __WINE__
    if (m_made)
        unlink(m_hostPath.c_str());
#endif
}
