#include "mainwnd/GifSettingsDlg.h"

#include <shlwapi.h>
#include <cstring>

#include "base/DialogItems.h"
#include "core/GifWriter.h"
#include "core/Paths.h"
#include "core/ProfileUpdate.h"
#include "core/SettingsNames.h"

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

CGifSettingsDlg::CGifSettingsDlg() : m_color(kGifDefaultColor) { m_path[0] = '\0'; }

LRESULT CGifSettingsDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    m_ok.SubclassDlgItem(m_hWnd, IDC_GIF_OK, kOdbStylePlain);
    m_cancel.SubclassDlgItem(m_hWnd, IDC_GIF_CANCEL, kOdbStylePlain);
    m_color = kGifDefaultColor;
    m_colorButton.Create(m_hWnd, IDC_GIF_COLORBUTTON, &m_color);
    RefreshSwatch();

    m_path[0] = '\0';
    std::string folder = GetProgramFolder();
    if (!folder.empty())
    {
        SafeCopy(m_path, folder.c_str());
        if (!SafeAppend(m_path, kSettingsFileName))
            m_path[0] = '\0';
    }
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
    char text[kPathBufferSize];
    ReadKey(kKeyNoneTR, path, text, sizeof(text));
    if (strcmp(text, kMissingValueText) == 0)
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
    int noneTR = StrToIntA(text);
    CheckItem(m_hWnd, IDC_GIF_NONE, noneTR != 0);
    g_GifOptions.NoneTR = noneTR;

    int colorTR = ReadNumber(kKeyColorTR, path);
    CheckItem(m_hWnd, IDC_GIF_COLOR, colorTR != 0);
    EnableItem(m_hWnd, IDC_GIF_COLORBUTTON, colorTR != 0);

    BYTE r = (BYTE)(ReadNumber(kKeyColorR, path) & 0xFF);
    BYTE g = (BYTE)(ReadNumber(kKeyColorG, path) & 0xFF);
    BYTE b = (BYTE)(ReadNumber(kKeyColorB, path) & 0xFF);
    m_color = RGB(r, g, b);
    g_GifOptions.Color = m_color;
    RefreshSwatch();

    int interlace = ReadNumber(kKeyInterlace, path);
    CheckItem(m_hWnd, IDC_GIF_INTERLACE, interlace != 0);
    g_GifOptions.Interlace = interlace;

    int color256 = ReadNumber(kKeyColor256, path);
    CheckItem(m_hWnd, IDC_GIF_COLOR256, color256 != 0);
    g_GifOptions.Color256 = color256;
}

// The section goes in as one change, the rest of the file kept; the record
// takes the values whether or not the file could be written.
void CGifSettingsDlg::SaveGifSettings(const char* path)
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
    file.Commit();
}

LRESULT CGifSettingsDlg::OnOk(WORD, WORD, HWND, BOOL&)
{
    SaveGifSettings(m_path);
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
