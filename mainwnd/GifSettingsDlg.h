// The GIF output options: transparent colour, interlacing and the
// 256-colour request. Kept in the "GIF" section of "settings.tvx" (see
// settings/SettingsFile.h); the section fills g_GifOptions when the main
// window opens and when this dialog does, and the dialog's Ok fills it. It
// ends only through Ok and Cancel: Escape and the close box do nothing.
#pragma once

#include "base/StrUtil.h"
#include "controls/ColorButton.h"
#include "controls/OwnerDrawButton.h"
#include "image/GifWriter.h"
#include "framework/DialogHandlers.h"
#include "framework/Framework.h"
#include "res/resource.h"

// The transparent colour until the section names one.
const COLORREF kGifDefaultColor = RGB(100, 100, 100);

// The "GIF" section of a settings file: the options record's values and
// the Color radio's state.
struct GifSection
{
    GifOptions options;
    int colorTR;
};
// The section of the file at `path` into `section`; false, with nothing
// read, when it holds no "NoneTR". The one reader of the section: the
// dialog and the main window's start-up both fill the record through it.
bool ReadGifSection(const char* path, GifSection& section);

class CGifSettingsDlg : public CDialogImpl<CGifSettingsDlg>, public CDialogHandlers<CGifSettingsDlg>
{
public:
    enum { IDD = IDD_GIFSETTINGS };

    CGifSettingsDlg();

    BEGIN_MSG_MAP(CGifSettingsDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDC_GIF_OK, OnOk)
        COMMAND_ID_HANDLER(IDC_GIF_CANCEL, OnOK)
        COMMAND_HANDLER(IDC_GIF_NONE, BN_CLICKED, OnNone)
        COMMAND_HANDLER(IDC_GIF_COLOR, BN_CLICKED, OnColor)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOk(WORD, WORD, HWND, BOOL&);
    LRESULT OnNone(WORD, WORD, HWND, BOOL&);
    LRESULT OnColor(WORD, WORD, HWND, BOOL&);

    // The section of the given file into the controls and, when it exists,
    // into g_GifOptions; the defaults when it does not.
    void LoadGifSettings(const char* path);
    // The controls into the section and into g_GifOptions; false when the
    // file could not take them (the record takes them all the same).
    bool SaveGifSettings(const char* path);

    COLORREF GetTransparentColor() const { return m_color; }
    const CColorPickerButton& GetColorButton() const { return m_colorButton; }
    const char* GetSettingsPath() const { return m_path; }

private:
    void RefreshSwatch();

    COwnerDrawButton m_cancel;
    CColorPickerButton m_colorButton;
    COwnerDrawButton m_ok;
    char m_path[kPathBufferSize];
    COLORREF m_color;
};
