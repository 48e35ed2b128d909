// Watches this thread for the system colour dialog, records what it was
// opened with and answers it, so tests can drive the real dialog.
#pragma once

#include <windows.h>
#include <commdlg.h>

class ColorDialogWatch
{
public:
    struct Opening
    {
        HWND hDialog = NULL;
        DWORD structSize = 0;
        HWND hOwner = NULL;
        COLORREF initial = 0;
        DWORD flags = 0;
        COLORREF custom[16] = {};
        COLORREF* pCustom = NULL; // the caller's array, live while open
    };

    ColorDialogWatch();
    ~ColorDialogWatch();
    ColorDialogWatch(const ColorDialogWatch&) = delete;
    ColorDialogWatch& operator=(const ColorDialogWatch&) = delete;

    int Count() const { return m_count; }
    const Opening& Last() const { return m_last; }
    // The dialog while it is open and visible, else NULL.
    HWND Open() const;

    // Types the colour into the red, green and blue boxes and presses OK;
    // with addCustom also "Add to Custom Colors" first.
    static void Confirm(HWND hDialog, COLORREF color, bool addCustom = false);
    // Presses Cancel, after typing the colour when one is given.
    static void Cancel(HWND hDialog, COLORREF typed = CLR_INVALID);

private:
    static void Type(HWND hDialog, COLORREF color);
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook = NULL;
    int m_count = 0;
    Opening m_last;
};
