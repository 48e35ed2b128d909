#include "mainwnd/GifSettingsDlg.h"

#include <shlwapi.h>
#include <cstring>

#include "base/DialogItems.h"
#include "image/GifWriter.h"
#include "settings/ProfileUpdate.h"
#include "settings/SettingsNames.h"
#include "mainwnd/MainDlg.h"
#include "settings/SettingsFile.h"

namespace {

// A missing key reads as kMissingValueText, which gives the number 0.
void ReadKey(const char* key, const char* path, char* text, DWORD size)
{
    GetPrivateProfileStringA(kSectionGif, key, kMissingValueText, text, size, path);
}

int ReadNumber(const char* key, const char* path)
{
    char text[kPathBufferSize];
    ReadKey(key, path, text, sizeof(text));
    return StrToIntA(text);
}

} // namespace

bool ReadGifSection(const char* path, GifSection& section)
{
    char text[kPathBufferSize];
    ReadKey(kKeyNoneTR, path, text, sizeof(text));
    if (strcmp(text, kMissingValueText) == 0)
        return false;
    section.options.NoneTR = StrToIntA(text);
    section.colorTR = ReadNumber(kKeyColorTR, path);
    const BYTE r = (BYTE)(ReadNumber(kKeyColorR, path) & 0xFF);
    const BYTE g = (BYTE)(ReadNumber(kKeyColorG, path) & 0xFF);
    const BYTE b = (BYTE)(ReadNumber(kKeyColorB, path) & 0xFF);
    section.options.Color = RGB(r, g, b);
    section.options.Interlace = ReadNumber(kKeyInterlace, path);
    section.options.Color256 = ReadNumber(kKeyColor256, path);
    return true;
}

CGifSettingsDlg::CGifSettingsDlg() : m_color(kGifDefaultColor) { m_path[0] = '\0'; }

LRESULT CGifSettingsDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    m_ok.SubclassDlgItem(m_hWnd, IDC_GIF_OK, kOdbStylePlain);
    m_cancel.SubclassDlgItem(m_hWnd, IDC_GIF_CANCEL, kOdbStylePlain);
    m_color = kGifDefaultColor;
    m_colorButton.Create(m_hWnd, IDC_GIF_COLORBUTTON, &m_color);
    RefreshSwatch();

    if (!SafeCopy(m_path, GetProgramSettingsPath().c_str()))
        m_path[0] = '\0';
    LoadGifSettings(m_path);
    // No initial focus.
    return FALSE;
}

void CGifSettingsDlg::RefreshSwatch()
{
    if (m_colorButton.GetHwnd() == NULL)
        return;
    m_colorButton.UpdateSwatch();
    m_colorButton.Redraw(FALSE);
}

void CGifSettingsDlg::LoadGifSettings(const char* path)
{
    GifSection section;
    if (!ReadGifSection(path, section))
    {
        CheckItem(m_hWnd, IDC_GIF_NONE, true);
        CheckItem(m_hWnd, IDC_GIF_COLOR, false);
        m_color = kGifDefaultColor;
        RefreshSwatch();
        CheckItem(m_hWnd, IDC_GIF_INTERLACE, false);
        CheckItem(m_hWnd, IDC_GIF_COLOR256, false);
        EnableItem(m_hWnd, IDC_GIF_COLORBUTTON, false);
        return;
    }
    g_GifOptions = section.options;
    CheckItem(m_hWnd, IDC_GIF_NONE, section.options.NoneTR != 0);
    CheckItem(m_hWnd, IDC_GIF_COLOR, section.colorTR != 0);
    EnableItem(m_hWnd, IDC_GIF_COLORBUTTON, section.colorTR != 0);
    m_color = section.options.Color;
    RefreshSwatch();
    CheckItem(m_hWnd, IDC_GIF_INTERLACE, section.options.Interlace != 0);
    CheckItem(m_hWnd, IDC_GIF_COLOR256, section.options.Color256 != 0);
}

// The section goes in as one change, the rest of the file kept; the record
// takes the values whether or not the file could be written.
bool CGifSettingsDlg::SaveGifSettings(const char* path)
{
    CProfileUpdate file(path);
    int noneTR = IsItemChecked(m_hWnd, IDC_GIF_NONE) ? 1 : 0;
    file.WriteInt(kSectionGif, kKeyNoneTR, noneTR);
    g_GifOptions.NoneTR = noneTR;

    file.WriteInt(kSectionGif, kKeyColorTR, IsItemChecked(m_hWnd, IDC_GIF_COLOR) ? 1 : 0);

    file.WriteInt(kSectionGif, kKeyColorR, (int)(m_color & 0xFF));
    file.WriteInt(kSectionGif, kKeyColorG, (int)((m_color >> 8) & 0xFF));
    file.WriteInt(kSectionGif, kKeyColorB, (int)((m_color >> 16) & 0xFF));
    g_GifOptions.Color = m_color;

    int interlace = IsItemChecked(m_hWnd, IDC_GIF_INTERLACE) ? 1 : 0;
    file.WriteInt(kSectionGif, kKeyInterlace, interlace);
    g_GifOptions.Interlace = interlace;

    int color256 = IsItemChecked(m_hWnd, IDC_GIF_COLOR256) ? 1 : 0;
    file.WriteInt(kSectionGif, kKeyColor256, color256);
    g_GifOptions.Color256 = color256;
    return file.Commit();
}

LRESULT CGifSettingsDlg::OnOk(WORD, WORD, HWND, BOOL&)
{
    if (!SaveGifSettings(m_path))
        ReportSettingsNotSaved(m_hWnd, m_path);
    EndDialog(1);
    return 0;
}

LRESULT CGifSettingsDlg::OnNone(WORD, WORD, HWND, BOOL&)
{
    EnableItem(m_hWnd, IDC_GIF_COLORBUTTON, false);
    return 0;
}

LRESULT CGifSettingsDlg::OnColor(WORD, WORD, HWND, BOOL&)
{
    EnableItem(m_hWnd, IDC_GIF_COLORBUTTON, true);
    return 0;
}
