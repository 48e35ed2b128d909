// File and path helpers on ANSI path texts. Paths live in buffers of
// kPathBufferSize (2080) bytes; a path that does not fit is refused rather
// than cut.
#pragma once

#include <windows.h>
#include <string>

#include "base/StrUtil.h"

// The parts of a path as the runtime's _splitpath gives them, without its
// 255-character limits.
struct PathParts
{
    std::string drive; // "C:" or empty
    std::string dir;   // up to and including the last '\' or '/'
    std::string name;  // file name without the extension
    std::string ext;   // from the last '.' of the file name, dot included
};
PathParts SplitPath(const char* path);

// Drive and directory of the path, with the trailing separator; empty when
// the path has neither. Returns 0 (and an empty output) when it does not fit.
int GetFolderOfPath(const char* path, char* out, size_t outSize = kPathBufferSize);

// 1 when the folder exists at the end, 0 when a level cannot be created.
int CreateDirectoryTree(const char* path);

// 1 an existing file, -1 an existing folder (drive roots too), 0 nothing.
// The path is a name, never a pattern: "?" and "*" match nothing. With
// `attributes`, the attributes read (INVALID_FILE_ATTRIBUTES for nothing).
int PathExists(const char* path, DWORD* attributes = NULL);

// What tells one folder from another whatever path leads to it: the volume
// and the file index within it.
struct FolderIdentity
{
    DWORD volume;
    ULONGLONG index;
    bool operator<(const FolderIdentity& other) const
    {
        return volume != other.volume ? volume < other.volume : index < other.index;
    }
};

// The identity of the folder the path leads to, through any links; false
// when it is no folder or cannot be opened.
bool GetFolderIdentity(const char* path, FolderIdentity& identity);

// True when both paths lead to one file or folder: the same full path
// (case aside), or one file reached by two spellings (a short name, a
// trailing dot, a link), as far as both can be opened.
bool IsSameFile(const char* a, const char* b);

// 1 when the process can make the path its current directory.
int IsDirectory(const char* path);

// Shortens a path for display: drive, "..", and the longest tail from a
// backslash that fits into maxLen (the result can be a few characters
// longer). The output is bounded by outSize.
void CompactPath(const char* src, char* out, size_t outSize, size_t maxLen);

// The folder the program lives in, with its trailing backslash.
std::string GetProgramFolder();

// The "Settings" folder beside the program, where the settings-file dialogs
// start (no trailing backslash); made when it is missing, so the dialogs
// really start there.
std::string GetSettingsFolder();
