// Helpers shared by the test executables.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/gtest.h"

// Deletes the product's registry key (and any extra HKCU/HKCR keys a test
// names) when constructed and again when destroyed.
class RegistryState
{
public:
    explicit RegistryState(std::vector<std::pair<HKEY, std::string>> extraKeys = {});
    ~RegistryState();
    void Reset();

private:
    std::vector<std::pair<HKEY, std::string>> m_extra;
};

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

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
void RemoveTree(const std::string& path);

// Calls `step` every `intervalMs` from a thread timer while `run` executes
// (typically a modal dialog); step gets the call count and returns false
// when it is done. A safety limit ends the modal loop by closing the active
// window, so a stuck test fails instead of hanging.
void DriveWhile(const std::function<void()>& run,
                const std::function<bool(int)>& step, UINT intervalMs = 30, int maxSteps = 300);

// The first visible top-level window of this thread with the given caption
// (any caption when NULL), or NULL.
HWND FindThreadWindow(const char* caption);

// Pumps pending messages for about `ms` milliseconds.
void PumpMessages(DWORD ms = 0);

// Runs the real program with the given argument text and returns its exit
// code (-1 when it could not start or timed out).
int RunProgramExe(const std::string& args, DWORD timeoutMs = 60000);

// The build folder, where tolvex.exe.so lies, as a Windows path.
std::string BuildFolder();

// A shown modeless dialog of the test executable's template (NULL owner).
HWND ShowTestDialog(UINT idd, DLGPROC proc);

// Types a name into a file dialog's name box and posts its OK button
// (posted: the dialog may answer with a message box of its own, whose loop
// must see the driver's next steps).
void TypeFileNameAndConfirm(HWND dlg, const std::string& name);
