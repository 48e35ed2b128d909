#include "files/Paths.h"

#include <cstring>
#include <vector>

#include "base/Handles.h"
#include "framework/Framework.h"

PathParts SplitPath(const char* path)
{
    PathParts parts;
    if (path == NULL)
        return parts;
    const char* p = path;
    if (p[0] != '\0' && p[1] == ':')
    {
        parts.drive.assign(p, 2);
        p += 2;
    }
    const char* lastSep = NULL;
    for (const char* q = p; *q; ++q)
        if (*q == '\\' || *q == '/')
            lastSep = q;
    const char* file = p;
    if (lastSep != NULL)
    {
        parts.dir.assign(p, (size_t)(lastSep - p + 1));
        file = lastSep + 1;
    }
    const char* dot = strrchr(file, '.');
    if (dot != NULL)
    {
        parts.name.assign(file, (size_t)(dot - file));
        parts.ext = dot;
    }
    else
        parts.name = file;
    return parts;
}

int GetFolderOfPath(const char* path, char* out, size_t outSize)
{
    PathParts parts = SplitPath(path);
    std::string folder = parts.drive + parts.dir;
    if (!SafeCopy(out, outSize, folder.c_str()))
    {
        if (out != NULL && outSize > 0)
            out[0] = '\0';
        return 0;
    }
    return 1;
}

int CreateDirectoryTree(const char* path)
{
    char copy[kPathBufferSize];
    if (!SafeCopy(copy, path))
        return 0;
    size_t n = strlen(copy);
    if (n > 0 && (copy[n - 1] == '\\' || copy[n - 1] == '/'))
        copy[n - 1] = '\0';

    char parent[kPathBufferSize];
    if (!GetFolderOfPath(copy, parent, sizeof(parent)))
        return 0;
    if (StrICmp(parent, copy) == 0)
        return 1;
    if (PathExists(copy) == -1)
        return 1;
    // The parent keeps its trailing separator; the recursion strips it.
    if (!CreateDirectoryTree(parent))
        return 0;
    return CreateDirectoryA(copy, NULL) ? 1 : 0;
}

int PathExists(const char* path, DWORD* attributesRead)
{
    DWORD unused;
    DWORD& read = attributesRead != NULL ? *attributesRead : unused;
    read = INVALID_FILE_ATTRIBUTES;
    if (path == NULL || path[0] == '\0')
        return 0;
    // One attribute read, never a directory search: a search matches "?" and
    // "*" as patterns, so a name with them (what the ANSI calls make of a
    // character outside the code page) would be answered by another file.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
    {
        read = attributes;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? -1 : 1;
    }
    switch (GetLastError())
    {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return 0;
    default:
        // Roots and folders the attribute read cannot answer for.
        if (!IsDirectory(path))
            return 0;
        read = FILE_ATTRIBUTE_DIRECTORY;
        return -1;
    }
}

namespace {

// The identity of whatever the path leads to, and its attributes.
bool ReadIdentity(const char* path, FolderIdentity& identity, DWORD& attributes)
{
    // Backup semantics open a folder; links and junctions are followed, so
    // the identity is the one of what they lead to. No access is asked, so
    // a file open elsewhere is read all the same.
    CKernelHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (!file.Valid())
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(file.Get(), &info);
    file.Close();
    if (!ok)
        return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = ((ULONGLONG)info.nFileIndexHigh << 32) | info.nFileIndexLow;
    attributes = info.dwFileAttributes;
    return true;
}

bool GetFullPath(const char* path, char (&full)[kPathBufferSize])
{
    const DWORD length = GetFullPathNameA(path, kPathBufferSize, full, NULL);
    return length > 0 && length < kPathBufferSize;
}

} // namespace

bool GetFolderIdentity(const char* path, FolderIdentity& identity)
{
    DWORD attributes = 0;
    return ReadIdentity(path, identity, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSameFile(const char* a, const char* b)
{
    if (a == NULL || b == NULL || a[0] == '\0' || b[0] == '\0')
        return false;
    char fullA[kPathBufferSize], fullB[kPathBufferSize];
    if (GetFullPath(a, fullA) && GetFullPath(b, fullB) && lstrcmpiA(fullA, fullB) == 0)
        return true;
    FolderIdentity idA, idB;
    DWORD attributes = 0;
    return ReadIdentity(a, idA, attributes) && ReadIdentity(b, idB, attributes) &&
           idA.volume == idB.volume && idA.index == idB.index;
}

int IsDirectory(const char* path)
{
    if (path == NULL || path[0] == '\0')
        return 0;
    DWORD need = GetCurrentDirectoryA(0, NULL);
    if (need == 0)
        return 0;
    std::vector<char> saved(need + 1);
    DWORD got = GetCurrentDirectoryA((DWORD)saved.size(), saved.data());
    if (got == 0 || got >= saved.size())
        return 0;
    if (!SetCurrentDirectoryA(path))
        return 0;
    SetCurrentDirectoryA(saved.data());
    return 1;
}

void CompactPath(const char* src, char* out, size_t outSize, size_t maxLen)
{
    if (out == NULL || outSize == 0)
        return;
    if (src == NULL)
        src = "";
    size_t n = strlen(src);
    if (n < maxLen)
    {
        SafeCopy(out, outSize, src);
        return;
    }
    size_t cut = n;
    bool stopped = false;
    for (size_t i = n; i-- > 0;)
    {
        if (src[i] != '\\')
            continue;
        if (n - i > maxLen)
        {
            stopped = true;
            break;
        }
        cut = i;
    }
    std::string result;
    if (n >= 2 && src[1] == ':')
        result.assign(src, stopped && n >= 3 ? 3 : 2);
    result += "..";
    result += src + cut;
    SafeCopy(out, outSize, result.c_str());
}

std::string GetProgramFolder()
{
    char path[kPathBufferSize];
    if (!ReadProgramPath(path, sizeof(path)))
        return std::string();
    char folder[kPathBufferSize];
    GetFolderOfPath(path, folder, sizeof(folder));
    return folder;
}

std::string GetSettingsFolder()
{
    const std::string program = GetProgramFolder();
    if (program.empty())
        return program;
    const std::string folder = program + "Settings";
    if (PathExists(folder.c_str()) != -1)
        CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}
