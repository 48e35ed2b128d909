// Sets the main window's option panel for the preview and conversion tests.
#pragma once

#include <windows.h>
#include <string>

#include "image/ImageSteps.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/TestUtil.h"

// Box modes of the resize group.
enum PanelBoxMode {
    kPanelFit,
    kPanelCrop,
    kPanelStretch,
};

struct PanelOptions
{
    bool resize = false;
    bool useWidth = false;
    int width = 0;
    bool useHeight = false;
    int height = 0;
    PanelBoxMode box = kPanelFit;
    int anchor = 0; // crop anchor selection, -1 for none
    bool border = false;
    int borderWidth = 0;
    bool frame3d = false;
    COLORREF borderColor = 0;
    int rotate = 0; // rotation selection, -1 for none
    int hue = kColorNeutral, saturation = kColorNeutral, lightness = kColorNeutral;
    std::string prefix, suffix;
    int pattern = 0; // name pattern selection, -1 for none
};

// The main dialog as a modeless window, destroyed with the object. It
// starts without the program's registry values and settings file, as a
// first start would, whatever an earlier run left beside the program.
class MainDlgWindow
{
public:
    MainDlgWindow();
    ~MainDlgWindow();
    MainDlgWindow(const MainDlgWindow&) = delete;
    MainDlgWindow& operator=(const MainDlgWindow&) = delete;

    RegistryState registry;
    ProgramSettingsGuard settings;
    CMainDlg dlg;
    HWND hWnd() const { return dlg.m_hWnd; }
};

// Gives every option control the value of `options`, without running the
// pipeline.
void SetPanel(CMainDlg& dlg, const PanelOptions& options);

// Writes the image as a file of the format its extension names.
void WriteImage(const std::string& path, const Magick::Image& image);
