#include "tests/support/TestUtil.h"

#include <cstdio>

#include "core/Paths.h"
#include "core/Registry.h"

// ---------------------------------------------------------------------------

RegistryState::RegistryState(std::vector<std::pair<HKEY, std::string>> extraKeys)
    : m_extra(std::move(extraKeys))
{
    Reset();
}

RegistryState::~RegistryState() { Reset(); }

void RegistryState::Reset()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kRegistryKey);
    for (auto& k : m_extra)
        RegDeleteTreeA(k.first, k.second.c_str());
}

// ---------------------------------------------------------------------------

TempFolder::TempFolder(const char* tag)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static int counter = 0;
    char name[MAX_PATH * 2];
    snprintf(name, sizeof(name), "%stvx_%s_%u_%d", base, tag, (unsigned)GetCurrentProcessId(), ++counter);
    m_path = name;
    RemoveTree(m_path);
    CreateDirectoryA(m_path.c_str(), NULL);
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::string n = fd.cFileName;
            if (n == "." || n == "..")
                continue;
            std::string full = path + "\\" + n;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(h);
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof(buf), &got, NULL) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---------------------------------------------------------------------------

namespace {

struct DriveState
{
    std::function<bool(int)> step;
    int calls = 0;
    int maxSteps = 0;
    bool done = false;
    UINT_PTR timer = 0;
};
DriveState* g_drive = NULL;

void CALLBACK DriveTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    DriveState* s = g_drive;
    if (s == NULL || s->done)
        return;
    ++s->calls;
    bool more = false;
    if (s->calls > s->maxSteps)
    {
        ADD_FAILURE() << "driver gave up after " << s->maxSteps << " steps";
        if (HWND h = GetActiveWindow())
            PostMessageA(h, WM_CLOSE, 0, 0);
        s->done = true;
        return;
    }
    // Guard against re-entry while the step runs a nested dialog.
    s->done = true;
    more = s->step(s->calls);
    s->done = !more;
}

} // namespace

void DriveWhile(const std::function<void()>& run, const std::function<bool(int)>& step,
                UINT intervalMs, int maxSteps)
{
    DriveState state;
    state.step = step;
    state.maxSteps = maxSteps;
    DriveState* saved = g_drive;
    g_drive = &state;
    state.timer = SetTimer(NULL, 0, intervalMs, DriveTimerProc);
    run();
    KillTimer(NULL, state.timer);
    g_drive = saved;
}

namespace {

struct FindState
{
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindThreadWindowProc(HWND hWnd, LPARAM lParam)
{
    FindState* s = (FindState*)lParam;
    if (!IsWindowVisible(hWnd))
        return TRUE;
    if (s->caption != NULL)
    {
        char text[512] = "";
        GetWindowTextA(hWnd, text, sizeof(text));
        if (strcmp(text, s->caption) != 0)
            return TRUE;
    }
    s->found = hWnd;
    return FALSE;
}

} // namespace

HWND FindThreadWindow(const char* caption)
{
    FindState s = {caption, NULL};
    EnumThreadWindows(GetCurrentThreadId(), FindThreadWindowProc, (LPARAM)&s);
    return s.found;
}

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    do
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (ms)
            Sleep(5);
    } while (GetTickCount() - start < ms);
}

std::string BuildFolder()
{
    return GetProgramFolder();
}

int RunProgramExe(const std::string& args, DWORD timeoutMs)
{
    std::string exe = BuildFolder() + "tolvex.exe.so";
    std::string cmd = "\"" + BuildFolder() + "tolvex.exe\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(exe.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, (UINT)-1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

HWND ShowTestDialog(UINT idd, DLGPROC proc)
{
    HWND hDlg = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(idd), NULL, proc, 0);
    if (hDlg != NULL)
    {
        ShowWindow(hDlg, SW_SHOW);
        UpdateWindow(hDlg);
    }
    return hDlg;
}

void TypeFileNameAndConfirm(HWND dlg, const std::string& name)
{
    const int kFileNameCombo = 0x47c; // cmb13
    const int kFileNameEdit = 0x480;  // edt1
    HWND box = GetDlgItem(dlg, kFileNameCombo);
    if (box == NULL)
        box = GetDlgItem(dlg, kFileNameEdit);
    SetWindowTextA(box, name.c_str());
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
}
