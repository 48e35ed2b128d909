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

// True where a FolderLink can be made: the host's calls that make one are
// linked only into a Winelib program.
bool CanMakeFolderLinks();
const char kNoFolderLinks[] = "only a Winelib program can make a host symbolic link";

// The host's path of a Windows path, or "" when it has none.
std::string HostPath(const std::string& windowsPath);
