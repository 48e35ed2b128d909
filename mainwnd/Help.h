// Help: the HTML Help file beside the program, the maker's web and mail
// links, the About dialog and the F1 key of every dialog box while the
// main window exists.
#pragma once

#include <windows.h>

// The maker's endpoints, opened with the shell verb "open".
extern const char kProductPage[];
extern const char kSupportPage[];
extern const char kSupportMail[];

// The help file's topic that F1, the Help menu and the first start open.
extern const char kQuickStartTopic[]; // "::/Quick_start.htm"

// The F1 message-filter hook of this thread; NULL while not installed.
extern HHOOK g_hHelpHook;

typedef HWND(WINAPI* HtmlHelpProc)(HWND, LPCSTR, UINT, DWORD_PTR);
typedef HINSTANCE(WINAPI* ShellOpenProc)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// The HTML Help entry of the given control library, or NULL when it
// cannot be loaded (the library then stays unloaded).
HtmlHelpProc LoadHtmlHelpProc(const char* library);

// Replace the two calls help makes (tests record through them) and return
// the previous ones. Once an HTML Help entry is set, nothing is loaded.
HtmlHelpProc SetHtmlHelpProc(HtmlHelpProc proc);
ShellOpenProc SetShellOpenProc(ShellOpenProc proc);

// HtmlHelpA(NULL, target, HH_DISPLAY_TOPIC, 0); the control is loaded on
// the first call, and when it cannot be, this and every later call do nothing.
void DisplayHelpTopic(const char* target);

// The help file of a program: its path with the file name's extension
// made "chm" (".chm" added when it has none). False and an empty output
// when it does not fit.
bool MakeHelpFilePath(const char* modulePath, char* out, size_t outSize);
bool GetHelpFilePath(char* out, size_t outSize);

void ShowQuickStart();

// One command of the Help menu (ID_HELP_...); any other id does nothing.
void RunHelpCommand(UINT id);

LRESULT CALLBACK HelpKeyHookProc(int code, WPARAM wParam, LPARAM lParam);
// Installs the hook for the calling thread; true when it is in place.
bool InstallHelpHook();
void RemoveHelpHook();
