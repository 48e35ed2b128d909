// Helpers shared by the test executables: folders, files, registry, programs, dialogs.
#include "tests/support/TestUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "base/Handles.h"
#include "image/Extensions.h"
#include "files/Paths.h"
#include "settings/ProfileUpdate.h"
#include "settings/Registry.h"
#include "tests/support/FolderLink.h"
#include "mainwnd/MainDlg.h"
#include "settings/SettingsFile.h"

// ---------------------------------------------------------------------------

RegistryState::RegistryState(std::vector<std::pair<HKEY, std::string>> extraKeys)
{
    m_keys.push_back({HKEY_CURRENT_USER, kRegistryKey});
    m_keys.insert(m_keys.end(), extraKeys.begin(), extraKeys.end());
    for (const auto& k : m_keys)
        m_saved.push_back(SnapshotRegistryTree(k.first, k.second));
    Reset();
}

RegistryState::~RegistryState()
{
    for (size_t i = 0; i < m_keys.size(); ++i)
        RestoreRegistryTree(m_keys[i].first, m_keys[i].second, m_saved[i]);
}

void RegistryState::Reset()
{
    for (const auto& k : m_keys)
        RegDeleteTreeA(k.first, k.second.c_str());
}

std::vector<std::pair<HKEY, std::string>> ShellKeys(const std::vector<std::string>& extra)
{
    std::vector<std::string> names;
    for (const char* ext : kSupportedExtensionNames)
    {
        names.push_back(std::string(".") + ext);
        names.push_back(std::string("Tolvex.") + ext);
    }
    names.insert(names.end(), extra.begin(), extra.end());
    std::vector<std::pair<HKEY, std::string>> keys;
    for (const std::string& name : names)
    {
        keys.push_back({HKEY_CLASSES_ROOT, name});
        keys.push_back({HKEY_CURRENT_USER, kUserClassesPath + name});
    }
    return keys;
}

// ---------------------------------------------------------------------------

ProgramSettingsGuard::ProgramSettingsGuard() : m_path(GetProgramSettingsPath())
{
    m_had = FileExists(m_path);
    if (m_had)
        m_saved = ReadFileBytes(m_path);
    DeleteFileA(m_path.c_str());
}

ProgramSettingsGuard::~ProgramSettingsGuard()
{
    DeleteFileA(m_path.c_str());
    if (m_had)
        WriteFileBytes(m_path, m_saved);
}

void ProgramSettingsGuard::Write(const std::string& text) const { WriteFileBytes(m_path, text); }

std::string ProgramSettingsGuard::Read() const
{
    return FileExists(m_path) ? ReadFileBytes(m_path) : "";
}

// ---------------------------------------------------------------------------

SettingsPlaces::SettingsPlaces()
{
    SetSettingsFoldersForTests(m_program.Path() + "\\", m_user.Path() + "\\");
}

SettingsPlaces::~SettingsPlaces() { SetSettingsFoldersForTests("", ""); }

std::string SettingsPlaces::ProgramFile() const { return m_program.File("settings.tvx"); }

std::string SettingsPlaces::UserFile() const { return m_user.File("settings.tvx"); }

namespace {

// How long the host's commands may take to show their effect.
const int kHostCommandPolls = 500;
const DWORD kHostCommandPollMs = 20;

// Starts a host program; Wine runs it beside us, so its effect is waited
// for by the caller.
void StartHostCommand(const std::string& command)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
    {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

bool WaitForFolderState(const std::string& folder, bool takesFiles)
{
    for (int i = 0; i < kHostCommandPolls; ++i)
    {
        if (FolderTakesFiles(folder) == takesFiles)
            return true;
        Sleep(kHostCommandPollMs);
    }
    return false;
}

} // namespace

bool FolderTakesFiles(const std::string& folder)
{
    CKernelHandle probe(CreateFileA((folder + "\\write probe").c_str(), GENERIC_WRITE, 0, NULL,
                                    CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, NULL));
    return probe.Valid();
}

UnwritableFolder::UnwritableFolder(const std::string& folder)
    : m_folder(folder), m_host(HostPath(folder))
{
    if (m_host.empty())
        return;
    // One after the other in one shell; the one that does not apply to
    // this user fails without a word.
    StartHostCommand("/bin/sh -c \"chmod a-w '" + m_host + "' 2>/dev/null; chattr +i '" + m_host +
                     "' 2>/dev/null\"");
    m_made = WaitForFolderState(m_folder, false);
}

UnwritableFolder::~UnwritableFolder()
{
    if (m_host.empty())
        return;
    StartHostCommand("/bin/sh -c \"chattr -i '" + m_host + "' 2>/dev/null; chmod u+w '" + m_host +
                     "' 2>/dev/null\"");
    EXPECT_TRUE(WaitForFolderState(m_folder, true)) << "still locked: " << m_host;
}

// ---------------------------------------------------------------------------

SettingsFolderAside::SettingsFolderAside()
    : m_folder(GetProgramFolder() + "Settings"), m_aside(m_folder + ".aside")
{
    // A file dialog leaves the folder it showed as the current one.
    SetCurrentDirectoryA(GetProgramFolder().c_str());
    RemoveTree(m_aside);
    m_had = MoveFileA(m_folder.c_str(), m_aside.c_str()) != FALSE;
}

SettingsFolderAside::~SettingsFolderAside()
{
    Clear();
    if (m_had)
        MoveFileA(m_aside.c_str(), m_folder.c_str());
}

void SettingsFolderAside::Clear()
{
    SetCurrentDirectoryA(GetProgramFolder().c_str());
    RemoveTree(m_folder);
}

// ---------------------------------------------------------------------------

TempFolder::TempFolder(const char* tag)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static int counter = 0;
    char name[MAX_PATH * 2];
    snprintf(name, sizeof(name), "%stvx_%s_%u_%d", base, tag, (unsigned)GetCurrentProcessId(),
             ++counter);
    m_path = name;
    RemoveTree(m_path);
    CreateDirectoryA(m_path.c_str(), NULL);
}

TempFolder::~TempFolder()
{
    // A file dialog makes the folder of the chosen file the current one,
    // and the current folder cannot be removed.
    char current[kPathBufferSize] = "";
    const DWORD n = GetCurrentDirectoryA(sizeof(current), current);
    const int len = (int)m_path.size();
    if (n >= (DWORD)len && n < sizeof(current) &&
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, current, len, m_path.c_str(), len) ==
            CSTR_EQUAL &&
        (current[len] == '\0' || current[len] == '\\'))
        SetCurrentDirectoryA(BuildFolder().c_str());
    RemoveTree(m_path);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    CFindHandle search((path + "\\*").c_str(), fd);
    if (search.Valid())
    {
        do
        {
            std::string n = fd.cFileName;
            if (n == "." || n == "..")
                continue;
            std::string full = path + "\\" + n;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            // A link to a folder is removed itself: followed, a link to a
            // parent would empty folders outside the tree.
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            {
                if (!RemoveDirectoryA(full.c_str()))
                    DeleteFileA(full.c_str());
            }
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (search.Next(fd));
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    CFindHandle search((folder + "\\*").c_str(), found);
    if (!search.Valid())
        return names;
    do
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            names.push_back(found.cFileName);
    while (search.Next(found));
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::function<void(std::string&)> g_profileDamage;

void DamageProfileCopy(const char* copy)
{
    std::string bytes = ReadFileBytes(copy);
    g_profileDamage(bytes);
    WriteFileBytes(copy, bytes);
}

} // namespace

ProfileCopyDamage::ProfileCopyDamage(std::function<void(std::string& bytes)> damage)
{
    g_profileDamage = damage;
    SetProfileCopyHook(DamageProfileCopy);
}

ProfileCopyDamage::~ProfileCopyDamage()
{
    SetProfileCopyHook(NULL);
    g_profileDamage = nullptr;
}

std::vector<std::string> ProfileCopiesIn(const std::string& folder)
{
    std::vector<std::string> copies;
    for (const std::string& name : FolderNames(folder))
        if (name.compare(0, 3, "tvx") == 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".tmp") == 0)
            copies.push_back(name);
    return copies;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    CKernelHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, NULL));
    ASSERT_TRUE(h.Valid()) << path;
    DWORD written = 0;
    WriteFile(h.Get(), bytes.data(), (DWORD)bytes.size(), &written, NULL);
}

std::string ReadFileBytes(const std::string& path)
{
    CKernelHandle h(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!h.Valid())
        return std::string();
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h.Get(), buf, sizeof(buf), &got, NULL) && got > 0)
        out.append(buf, got);
    return out;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeLongAgo(const std::string& path)
{
    const FILETIME longAgo = {0x5C0E8000, 0x01C07385}; // 2001-01-01
    CKernelHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    ASSERT_TRUE(h.Valid()) << path;
    ASSERT_TRUE(SetFileTime(h.Get(), &longAgo, &longAgo, &longAgo)) << path;
}

// ---------------------------------------------------------------------------

namespace {

// After the step limit: ticks until the windows are destroyed, and until
// the process gives up on a loop that outlives even that.
const int kDestroyAfterTicks = 20;
const int kExitAfterTicks = 60;

struct DriveState
{
    std::function<bool(int)> step;
    int calls = 0;
    int ticks = 0;
    int maxSteps = 0;
    bool busy = false;     // a step is running (it may run a nested loop)
    bool finished = false; // the step said it was done
};
std::map<UINT_PTR, DriveState*> g_drives;

BOOL CALLBACK CollectThreadWindow(HWND hWnd, LPARAM lParam)
{
    ((std::vector<HWND>*)lParam)->push_back(hWnd);
    return TRUE;
}

// This thread's top-level windows, topmost first.
std::vector<HWND> ThreadWindows()
{
    std::vector<HWND> list;
    EnumThreadWindows(GetCurrentThreadId(), CollectThreadWindow, (LPARAM)&list);
    return list;
}

// A run that outlives its steps: ask every window of the thread to close,
// then destroy them (a modal loop ends with its window), and at last end
// the process, so a stuck test fails instead of hanging.
void GiveUp(DriveState* s)
{
    const int over = s->ticks - s->maxSteps;
    if (over == 1)
    {
        ADD_FAILURE() << "driver gave up after " << s->maxSteps << " steps";
        for (HWND h : ThreadWindows())
            PostMessageA(h, WM_CLOSE, 0, 0);
    }
    else if (over == kDestroyAfterTicks)
    {
        EndMenu();
        for (HWND h : ThreadWindows())
            if (IsWindow(h))
                DestroyWindow(h);
    }
    else if (over == kExitAfterTicks)
    {
        const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
        fprintf(stderr, "%s.%s: the modal loop did not end after its windows were destroyed\n",
                t ? t->test_suite_name() : "?", t ? t->name() : "?");
        fflush(stdout);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), kStuckExitCode);
    }
}

void CALLBACK DriveTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    auto it = g_drives.find(id);
    if (it == g_drives.end())
        return;
    DriveState* s = it->second;
    // Ticks count while a step runs a nested loop too: a step stuck there
    // is given up on like any other.
    if (++s->ticks > s->maxSteps)
    {
        GiveUp(s);
        return;
    }
    if (s->busy || s->finished)
        return;
    s->busy = true;
    const bool more = s->step(++s->calls);
    s->busy = false;
    s->finished = !more;
}

} // namespace

std::vector<std::string> RunAnsweringMessageBoxes(const std::function<void()>& run,
                                                  const char* caption)
{
    std::vector<std::string> texts;
    std::set<HWND> answered;
    DriveWhile(run, [&](int) {
        HWND box = FindMessageBox(caption);
        if (box != NULL && answered.insert(box).second)
        {
            texts.push_back(MessageBoxText(box));
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        return true;
    });
    return texts;
}

void DriveWhile(const std::function<void()>& run, const std::function<bool(int)>& step,
                UINT intervalMs, int maxSteps)
{
    DriveState state;
    state.step = step;
    state.maxSteps = maxSteps;
    const UINT_PTR timer = SetTimer(NULL, 0, intervalMs, DriveTimerProc);
    ASSERT_NE(0u, timer);
    g_drives[timer] = &state;
    run();
    KillTimer(NULL, timer);
    g_drives.erase(timer);
}

namespace {

struct FindState
{
    const char* caption;
    HWND found;
};

bool ShowsText(HWND hWnd, const char* text)
{
    char shown[512] = "";
    GetWindowTextA(hWnd, shown, sizeof(shown));
    return strcmp(shown, text) == 0;
}

// The first window of this thread that `proc` picks, given the text.
HWND FirstThreadWindow(WNDENUMPROC proc, const char* text)
{
    FindState s = {text, NULL};
    EnumThreadWindows(GetCurrentThreadId(), proc, (LPARAM)&s);
    return s.found;
}

BOOL CALLBACK FindThreadWindowProc(HWND hWnd, LPARAM lParam)
{
    FindState* s = (FindState*)lParam;
    if (!IsWindowVisible(hWnd))
        return TRUE;
    if (s->caption != NULL && !ShowsText(hWnd, s->caption))
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

} // namespace

namespace {

// The text control of a message box.
const int kMessageBoxTextId = 0xFFFF;

BOOL CALLBACK FindMessageBoxProc(HWND hWnd, LPARAM lParam)
{
    FindState* s = (FindState*)lParam;
    if (!IsWindowVisible(hWnd) || !ShowsText(hWnd, s->caption) ||
        GetDlgItem(hWnd, kMessageBoxTextId) == NULL)
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

} // namespace

HWND FindMessageBox(const char* caption) { return FirstThreadWindow(FindMessageBoxProc, caption); }

std::string MessageBoxText(HWND box)
{
    char text[4096] = "";
    GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof(text));
    return text;
}

HWND FindThreadWindow(const char* caption)
{
    return FirstThreadWindow(FindThreadWindowProc, caption);
}

namespace {

BOOL CALLBACK FindChildText(HWND hWnd, LPARAM lParam)
{
    FindState* s = (FindState*)lParam;
    if (!ShowsText(hWnd, s->caption))
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

BOOL CALLBACK FindTopWithChildText(HWND hWnd, LPARAM lParam)
{
    FindState* s = (FindState*)lParam;
    if (!IsWindowVisible(hWnd))
        return TRUE;
    FindState child = {s->caption, NULL};
    EnumChildWindows(hWnd, FindChildText, (LPARAM)&child);
    if (child.found == NULL)
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

} // namespace

HWND FindWindowShowing(const char* text) { return FirstThreadWindow(FindTopWithChildText, text); }

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

std::string BuildFolder() { return GetProgramFolder(); }

std::string ProgramImage()
{
#ifdef __WINE__
    return BuildFolder() + "tolvex.exe.so";
#else
    return BuildFolder() + "tolvex.exe";
#endif
}

bool IsWinelibBuild()
{
#ifdef __WINE__
    return true;
#else
    return false;
#endif
}

namespace {

// Starts `image` with the command line `cmd` and returns its exit code (-1
// when it could not start or timed out).
int RunImage(const std::string& image, const std::string& cmd, DWORD timeoutMs)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    // A start that fails says nothing of the program's exit code: it is tried
    // again, and said on stderr so that a failure is told apart from an exit.
    const int kStartTries = 3;
    const DWORD kStartRetryMs = 250;
    BOOL started = FALSE;
    for (int attempt = 0; attempt < kStartTries && !started; ++attempt)
    {
        if (attempt > 0)
            Sleep(kStartRetryMs);
        started =
            CreateProcessA(image.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
        if (!started)
            fprintf(stderr, "could not start %s (error %lu)\n", image.c_str(),
                    (unsigned long)GetLastError());
    }
    if (!started)
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

} // namespace

int RunProgramExe(const std::string& args, DWORD timeoutMs)
{
    return RunImage(ProgramImage(), "\"" + BuildFolder() + "tolvex.exe\" " + args, timeoutMs);
}

int RunTestCaseInNewProcess(const std::string& testName, DWORD timeoutMs)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return -1;
    std::string image = path;
#ifdef __WINE__
    // As with the program: the Linux image, not Wine's launcher script.
    if (image.size() < 3 || image.compare(image.size() - 3, 3, ".so") != 0)
        image += ".so";
#endif
    return RunImage(image, "\"" + std::string(path) + "\" --gtest_filter=" + testName, timeoutMs);
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
    const int kFileNameEdit = 0x480; // edt1
    HWND box = GetDlgItem(dlg, kFileNameCombo);
    if (box == NULL)
        box = GetDlgItem(dlg, kFileNameEdit);
    SetWindowTextA(box, name.c_str());
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
}

// ---------------------------------------------------------------------------

namespace {

class TimeLimit : public testing::EmptyTestEventListener
{
public:
    explicit TimeLimit(DWORD limitMs) : m_limit(limitMs)
    {
        InitializeCriticalSection(&m_lock);
        CloseHandle(CreateThread(NULL, 0, &TimeLimit::Watch, this, 0, NULL));
    }

    void OnTestStart(const testing::TestInfo& info) override
    {
        EnterCriticalSection(&m_lock);
        m_name = std::string(info.test_suite_name()) + "." + info.name();
        m_start = GetTickCount();
        m_running = true;
        LeaveCriticalSection(&m_lock);
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        EnterCriticalSection(&m_lock);
        m_running = false;
        LeaveCriticalSection(&m_lock);
    }

private:
    static DWORD WINAPI Watch(void* param)
    {
        TimeLimit* self = (TimeLimit*)param;
        for (;;)
        {
            Sleep(250);
            EnterCriticalSection(&self->m_lock);
            const bool over = self->m_running && GetTickCount() - self->m_start > self->m_limit;
            const std::string name = self->m_name;
            LeaveCriticalSection(&self->m_lock);
            if (!over)
                continue;
            fflush(stdout);
            fprintf(stderr, "\n%s did not finish within %lu ms: stopped\n", name.c_str(),
                    (unsigned long)self->m_limit);
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), kStuckExitCode);
        }
        return 0;
    }

    const DWORD m_limit;
    CRITICAL_SECTION m_lock;
    std::string m_name;
    DWORD m_start = 0;
    bool m_running = false;
};

} // namespace

void InstallTestTimeLimit(DWORD limitMs)
{
    // The listener list owns and frees it.
    testing::UnitTest::GetInstance()->listeners().Append(new TimeLimit(limitMs));
}

namespace {

BOOL CALLBACK CollectShownWindow(HWND h, LPARAM p)
{
    if (IsWindowVisible(h))
        ((std::vector<HWND>*)p)->push_back(h);
    return TRUE;
}

} // namespace

FileDialogWindows FindFileDialogWindows(const char* title)
{
    std::vector<HWND> shown;
    EnumThreadWindows(GetCurrentThreadId(), CollectShownWindow, (LPARAM)&shown);
    FileDialogWindows w;
    for (HWND h : shown)
        if (GetDlgItem(h, kFileNameCombo) != NULL && GetWindowTextString(h) == title)
            w.dialog = h;
    for (HWND h : shown)
        if (w.dialog != NULL && GetWindow(h, GW_OWNER) == w.dialog)
            w.question = h;
    return w;
}
