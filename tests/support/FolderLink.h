// A symbolic link to a folder, made on the host's file system where the
// Windows calls cannot make one, and removed (the link alone) with the
// object.
#pragma once

#include <string>

class FolderLink
{
public:
    // `link` is a Windows path; `target` is the host's link text, relative
    // to the link's folder (".", "..") or absolute on the host.
    FolderLink(const std::string& link, const std::string& target);
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    bool Made() const { return m_made; }

private:
    std::string m_hostPath;
    bool m_made = false;
};

// The host's path of a Windows path, or "" when it has none.
std::string HostPath(const std::string& windowsPath);
