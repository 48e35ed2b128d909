#include "mainwnd/Help.h"

#include <htmlhelp.h>
#include <shellapi.h>
#include <cstring>

#include "base/StrUtil.h"
#include "framework/Framework.h"
#include "mainwnd/AboutDlg.h"
#include "res/resource.h"

const char kProductPage[] = "http://www.kestrelworks.example/tolvex/";
const char kSupportPage[] = "http://www.kestrelworks.example/tolvex/support/";
const char kSupportMail[] = "mailto:support@kestrelworks.example";
const char kQuickStartTopic[] = "::/Quick_start.htm";

HHOOK g_hHelpHook = NULL;

namespace {

const char kHtmlHelpLibrary[] = "hhctrl.ocx";
const char kHtmlHelpEntry[] = "HtmlHelpA";
const char kHelpExtension[] = "chm";

HtmlHelpProc s_htmlHelp = NULL;
bool s_htmlHelpResolved = false;
ShellOpenProc s_shellOpen = ShellExecuteA;

void OpenEndpoint(const char* target)
{
    if (s_shellOpen != NULL)
        s_shellOpen(NULL, "open", target, NULL, NULL, SW_SHOWNORMAL);
}

void ShowAbout()
{
    CAboutDlg dlg;
    dlg.DoModal(GetActiveWindow());
}

} // namespace

HtmlHelpProc LoadHtmlHelpProc(const char* library)
{
    HMODULE hLib = LoadLibraryA(library);
    if (hLib == NULL)
        return NULL;
    HtmlHelpProc proc = (HtmlHelpProc)(void*)GetProcAddress(hLib, kHtmlHelpEntry);
    if (proc == NULL)
        FreeLibrary(hLib);
    // Otherwise the control stays loaded: its help window outlives the call.
    return proc;
}

HtmlHelpProc SetHtmlHelpProc(HtmlHelpProc proc)
{
    HtmlHelpProc old = s_htmlHelp;
    s_htmlHelp = proc;
    s_htmlHelpResolved = true;
    return old;
}

ShellOpenProc SetShellOpenProc(ShellOpenProc proc)
{
    ShellOpenProc old = s_shellOpen;
    s_shellOpen = proc;
    return old;
}

void DisplayHelpTopic(const char* target)
{
    if (!s_htmlHelpResolved)
    {
        s_htmlHelp = LoadHtmlHelpProc(kHtmlHelpLibrary);
        s_htmlHelpResolved = true;
    }
    if (s_htmlHelp != NULL)
        s_htmlHelp(NULL, target, HH_DISPLAY_TOPIC, 0);
}

bool MakeHelpFilePath(const char* modulePath, char* out, size_t outSize)
{
    if (out == NULL || outSize == 0)
        return false;
    out[0] = '\0';
    if (modulePath == NULL)
        return false;
    const char* name = modulePath;
    for (const char* p = modulePath; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    // Only a dot of the file name starts the extension: a dotted folder
    // name must not be cut.
    const char* dot = strrchr(name, '.');
    size_t keep = dot != NULL ? (size_t)(dot - modulePath) : strlen(modulePath);
    size_t needed = keep + 1 + sizeof(kHelpExtension);
    if (needed > outSize)
        return false;
    memcpy(out, modulePath, keep);
    out[keep] = '.';
    memcpy(out + keep + 1, kHelpExtension, sizeof(kHelpExtension));
    return true;
}

bool GetHelpFilePath(char* out, size_t outSize)
{
    char module[kPathBufferSize];
    if (!ReadProgramPath(module, sizeof(module)))
    {
        if (out != NULL && outSize > 0)
            out[0] = '\0';
        return false;
    }
    return MakeHelpFilePath(module, out, outSize);
}

void ShowQuickStart()
{
    char topic[kPathBufferSize + sizeof(kQuickStartTopic)];
    if (GetHelpFilePath(topic, sizeof(topic)) && SafeAppend(topic, kQuickStartTopic))
        DisplayHelpTopic(topic);
}

void RunHelpCommand(UINT id)
{
    char helpFile[kPathBufferSize];
    const bool haveFile = GetHelpFilePath(helpFile, sizeof(helpFile));
    switch (id)
    {
    case ID_HELP_QUICKSTART:
        ShowQuickStart();
        break;
    case ID_HELP_CONTENTS:
    case ID_HELP_SEARCH:
        if (haveFile)
            DisplayHelpTopic(helpFile);
        break;
    case ID_HELP_ONLINE:
        OpenEndpoint(kProductPage);
        break;
    case ID_HELP_SUPPORT:
        OpenEndpoint(kSupportPage);
        break;
    case ID_HELP_EMAIL:
        OpenEndpoint(kSupportMail);
        break;
    case ID_HELP_ABOUT:
        ShowAbout();
        break;
    default:
        break;
    }
}

LRESULT CALLBACK HelpKeyHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code < 0)
        return CallNextHookEx(g_hHelpHook, code, wParam, lParam);
    const MSG* msg = (const MSG*)lParam;
    if (code == MSGF_DIALOGBOX && msg != NULL &&
        (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && msg->wParam == VK_F1)
    {
        ShowQuickStart();
        return 1; // consumed: the dialog never sees the key
    }
    return CallNextHookEx(g_hHelpHook, code, wParam, lParam);
}

bool InstallHelpHook()
{
    // A second install would lose the first handle and call help twice.
    if (g_hHelpHook != NULL)
        return true;
    HINSTANCE hInst = ModuleInstance();
    g_hHelpHook = SetWindowsHookExA(WH_MSGFILTER, HelpKeyHookProc, hInst, GetCurrentThreadId());
    return g_hHelpHook != NULL;
}

void RemoveHelpHook()
{
    if (g_hHelpHook != NULL)
        UnhookWindowsHookEx(g_hHelpHook);
    g_hHelpHook = NULL;
}
