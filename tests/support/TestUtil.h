// Helpers shared by the test executables.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/RegTree.h"
#include "tests/support/gtest.h"

// The product's registry key (and any extra HKCU/HKCR keys a test names)
// cleared while the object lives, so a case starts from nothing whatever
// another test program or a run of the program by hand left there; what
// was there before is put back when the object goes.
class RegistryState
{
public:
    explicit RegistryState(std::vector<std::pair<HKEY, std::string>> extraKeys = {});
    ~RegistryState();
    RegistryState(const RegistryState&) = delete;
    RegistryState& operator=(const RegistryState&) = delete;
    void Reset(); // clears the keys again

private:
    std::vector<std::pair<HKEY, std::string>> m_keys;
    std::vector<RegSnapshot> m_saved;
};

// The current user's classes under HKEY_CURRENT_USER, with the backslash
// that a class name follows.
const char kUserClassesPath[] = "Software\\Classes\\";

// Every key that installing the shell verb could touch (each supported
// extension and its class, plus the classes in `extra`), in
// HKEY_CLASSES_ROOT and in the current user's classes.
std::vector<std::pair<HKEY, std::string>> ShellKeys(const std::vector<std::string>& extra = {});

// "settings.tvx" beside the program: the same file for every test program
// in the build folder and for a run of the program by hand. Set aside while
// the object lives, so a case starts without one, and put back afterwards.
class ProgramSettingsGuard
{
public:
    ProgramSettingsGuard();
    ~ProgramSettingsGuard();
    ProgramSettingsGuard(const ProgramSettingsGuard&) = delete;
    ProgramSettingsGuard& operator=(const ProgramSettingsGuard&) = delete;
    const std::string& Path() const { return m_path; }
    void Write(const std::string& text) const;
    std::string Read() const; // "" when there is none

private:
    std::string m_path;
    bool m_had = false;
    std::string m_saved;
};

// Puts the "Settings" folder beside the program aside for a test and
// brings it back afterwards.
class SettingsFolderAside
{
public:
    SettingsFolderAside();
    ~SettingsFolderAside();
    SettingsFolderAside(const SettingsFolderAside&) = delete;
    SettingsFolderAside& operator=(const SettingsFolderAside&) = delete;
    const std::string& Folder() const { return m_folder; }
    void Clear();

private:
    std::string m_folder, m_aside;
    bool m_had = false;
};

// While it lives, every copy a settings-file update writes gets the damage
// (a full disk cuts it short, for one) before it is checked.
class ProfileCopyDamage
{
public:
    explicit ProfileCopyDamage(std::function<void(std::string& bytes)> damage);
    ~ProfileCopyDamage();
    ProfileCopyDamage(const ProfileCopyDamage&) = delete;
    ProfileCopyDamage& operator=(const ProfileCopyDamage&) = delete;
};

// The files an update leaves behind when it fails to clean up.
std::vector<std::string> ProfileCopiesIn(const std::string& folder);

// A fresh folder under the Windows temp folder, removed with its contents.
class TempFolder
{
public:
    explicit TempFolder(const char* tag = "t");
    ~TempFolder();
    const std::string& Path() const { return m_path; } // with no trailing '\'
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// The settings decision (GetProgramSettingsPath) pointed at two fresh
// folders while the object lives: Program() stands for the folder beside
// the program, User() for "<AppData>\Tolvex"; the real ones come back when
// it goes.
class SettingsPlaces
{
public:
    SettingsPlaces();
    ~SettingsPlaces();
    SettingsPlaces(const SettingsPlaces&) = delete;
    SettingsPlaces& operator=(const SettingsPlaces&) = delete;
    const std::string& Program() const { return m_program.Path(); }
    const std::string& User() const { return m_user.Path(); }
    std::string ProgramFile() const; // settings.tvx in each
    std::string UserFile() const;

private:
    TempFolder m_program{"program"};
    TempFolder m_user{"appdata"};
};

// Makes a folder take no new file for the object's life, for real: Wine
// creates files through the host's file system, so the host's own lock is
// set on the folder's host path: "chattr +i" (a root user passes over
// permission bits) and "chmod a-w" (for any other user). Both are taken
// off again when the object goes. Made() says whether the folder refuses
// new files now.
class UnwritableFolder
{
public:
    explicit UnwritableFolder(const std::string& folder);
    ~UnwritableFolder();
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;
    bool Made() const { return m_made; }

private:
    std::string m_folder, m_host;
    bool m_made = false;
};

// True when a new file can be made in the folder (one is made and removed).
bool FolderTakesFiles(const std::string& folder);

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// Dates a file or folder back to 2001, before any machine running the tests
// started.
void MakeLongAgo(const std::string& path);
void RemoveTree(const std::string& path);
// The names of what a folder holds, sorted, without "." and "..".
std::vector<std::string> FolderNames(const std::string& folder);

// Calls `step` every `intervalMs` from a thread timer while `run` executes
// (typically a modal dialog); step gets the call count and returns false
// when it is done. After `maxSteps` ticks the case fails and every window
// of the thread is closed, then destroyed; a loop that survives even that
// ends the process with kStuckExitCode, so a stuck test never hangs.
const UINT kStuckExitCode = 3;

void DriveWhile(const std::function<void()>& run, const std::function<bool(int)>& step,
                UINT intervalMs = 30, int maxSteps = 300);

// The first visible top-level window of this thread with the given caption
// (any caption when NULL), or NULL.
HWND FindThreadWindow(const char* caption);

// A visible window of this thread that shows the text in one of its controls.
HWND FindWindowShowing(const char* text);

// A visible message box of this thread with the given caption, or NULL;
// and the text it shows.
HWND FindMessageBox(const char* caption);
std::string MessageBoxText(HWND box);

// Runs `run` and answers OK to every message box with the caption that it
// shows; returns their texts in order.
std::vector<std::string> RunAnsweringMessageBoxes(const std::function<void()>& run,
                                                  const char* caption);

// Pumps pending messages for about `ms` milliseconds.
void PumpMessages(DWORD ms = 0);

// Runs the real program with the given argument text and returns its exit
// code (-1 when it could not start or timed out).
int RunProgramExe(const std::string& args, DWORD timeoutMs = 20000);

// Runs one case of this test executable in a process of its own (with this
// process's environment) and returns its exit code: 0 when it passed.
int RunTestCaseInNewProcess(const std::string& testName, DWORD timeoutMs = 60000);

// The build folder, where the program lies, as a Windows path.
std::string BuildFolder();

// The program's file in the build folder, as CreateProcess starts it: under
// Winelib the image is tolvex.exe.so (tolvex.exe is Wine's launcher script
// for the shell), in the Windows build tolvex.exe itself.
std::string ProgramImage();

// True in the Winelib build, whose programs are Linux images that Wine
// loads, false in the Windows build, whose programs are PE files.
bool IsWinelibBuild();

// A shown modeless dialog of the test executable's template (NULL owner).
HWND ShowTestDialog(UINT idd, DLGPROC proc);

// The name box of an explorer-style file dialog (cmb13).
const int kFileNameCombo = 0x47c;

// The visible file dialog of this thread with the title, and the message
// it may show about the name typed (a window the dialog owns).
struct FileDialogWindows
{
    HWND dialog = NULL;
    HWND question = NULL;
};
FileDialogWindows FindFileDialogWindows(const char* title);

// Types a name into a file dialog's name box and posts its OK button
// (posted: the dialog may answer with a message box of its own, whose loop
// must see the driver's next steps).
void TypeFileNameAndConfirm(HWND dlg, const std::string& name);

// Ends the process with kStuckExitCode, naming the case, when one test case
// runs longer than `limitMs`: a wait nothing bounds fails the program
// instead of hanging it. Called once, before the tests run.
void InstallTestTimeLimit(DWORD limitMs);
