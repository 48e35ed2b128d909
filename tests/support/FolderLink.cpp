#include "tests/support/FolderLink.h"

#include <windows.h>
#include <unistd.h>
#include <vector>

std::string HostPath(const std::string& windowsPath)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, NULL, 0);
    if (n <= 0)
        return std::string();
    std::vector<WCHAR> wide((size_t)n);
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
    char* host = wine_get_unix_file_name(wide.data());
    if (host == NULL)
        return std::string();
    std::string result = host;
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

FolderLink::FolderLink(const std::string& link, const std::string& target) : m_hostPath(HostPath(link))
{
    m_made = !m_hostPath.empty() && symlink(target.c_str(), m_hostPath.c_str()) == 0;
}

FolderLink::~FolderLink()
{
    if (m_made)
        unlink(m_hostPath.c_str());
}
