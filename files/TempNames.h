// The program's own temporary names, and the removal of those a process
// that was killed left behind. Each name carries its owner, the process id
// and the time that process started, so no later process takes it again
// (under Wine the main window gets the same id on every run) and a
// leftover whose owner has ended can be told from one that a running
// process still uses. Nothing is removed unless its name is exactly one of
// ours, its owner is provably gone and nothing holds it open.
#pragma once

#include <windows.h>
#include <string>

// What each road makes, and so what its sweep removes.
enum LeftoverKind : unsigned {
    kImageTemps = 1,     // "~tvx...tmp" files: an output being written
    kStagingFolders = 2, // "~tvx...tmp" folders: a batch run's staging folder
    kSettingsCopies = 4, // "tvx...tmp" files: a settings file being rewritten
    kLibraryFolders = 8, // "~tvxlib...tmp" folders: the image library's files of a process
};

// A new empty file of ours (kImageTemps or kSettingsCopies) in `folder`
// (with its trailing separator; empty: the current folder), its path into
// `path`, open for writing and shared with no one; INVALID_HANDLE_VALUE when
// none can be made there.
HANDLE CreateOwnedFile(LeftoverKind kind, const char* folder, char* path, size_t pathSize);

// A new folder of ours (kStagingFolders or kLibraryFolders) in `folder`,
// its path (no trailing separator) into `path`; a name already taken is
// passed over for another. false when none can be made there.
bool CreateOwnedFolder(const char* folder, char* path, size_t pathSize,
                       LeftoverKind kind = kStagingFolders);

// Removes from `folder` the leftovers of the kinds (LeftoverKind bits)
// whose owner is gone, a staging folder with the files of ours in it, a
// library folder with every file in it. Names of
// earlier versions, which carry no start time, go only when provably dead:
// written before the machine started, or their process id is ours or no
// one's.
void RemoveDeadLeftovers(const char* folder, unsigned kinds);
// The same, but each kind at most once per folder in this process.
void RemoveDeadLeftoversOnce(const char* folder, unsigned kinds);

// The name (no folder) a process with this id and start time gives its
// `serial`th file or folder of the kind; for the tests, which make the
// leftovers of processes that are gone.
std::string OwnedTempName(LeftoverKind kind, DWORD pid, ULONGLONG startTime, unsigned serial);

// The start time of a process (from GetProcessTimes), 0 when unknown.
ULONGLONG ProcessStartTime(HANDLE process);
