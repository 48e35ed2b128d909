// Settings files: the option controls written to and read from an INI file
// key by key, and the factory values.
#include "mainwnd/MainDlg.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <cstring>

#include "base/DialogItems.h"
#include "image/ImageSteps.h"
#include "files/FileDialog.h"
#include "files/Paths.h"
#include "settings/ProfileUpdate.h"
#include "settings/SettingsNames.h"
#include "mainwnd/GifSettingsDlg.h"
#include "settings/SettingsFile.h"

namespace {

const int kFactoryWidth = 800;
const int kFactoryHeight = 600;

const char kSettingsNotSavedFormat[] = "The settings could not be saved to\n%s";

// How a key's value reaches a control.
enum KeyKind {
    kCheck,        // 0 or 1, a check box or radio button
    kUnsignedEdit, // an edit as an unsigned number
    kComboIndex,   // a combo box's selection index
    kText,         // an edit's text
};

struct KeyBinding
{
    const char* section;
    const char* key;
    KeyKind kind;
    int id;
};

// The keys that map one-to-one onto a control, in file order; the crop
// anchor, border colour and adjustments are handled around them.
const KeyBinding kResizeKeys[] = {
    {kSectionResize, kKeyEnableResize, kCheck, IDC_MAIN_RESIZE},
    {kSectionResize, kKeyEnableWidth, kCheck, IDC_MAIN_USE_WIDTH},
    {kSectionResize, kKeyWidth, kUnsignedEdit, IDC_MAIN_WIDTH},
    {kSectionResize, kKeyEnableHeight, kCheck, IDC_MAIN_USE_HEIGHT},
    {kSectionResize, kKeyHeight, kUnsignedEdit, IDC_MAIN_HEIGHT},
    {kSectionResize, kKeyDoNothing, kCheck, IDC_MAIN_FIT},
};
const KeyBinding kNameKeys[] = {
    {kSectionNames, kKeyPrefix, kText, IDC_MAIN_PREFIX},
    {kSectionNames, kKeyNamePattern, kComboIndex, IDC_MAIN_NAME_PATTERN},
    {kSectionNames, kKeySuffix, kText, IDC_MAIN_SUFFIX},
    {kSectionNames, kKeyFolder, kText, IDC_MAIN_OUTPUT_FOLDER},
    {kSectionNames, kKeyExploreFiles, kCheck, IDC_MAIN_EXPLORE},
};

struct AdjustKey
{
    const char* key;
    int bar;
    int edit;
};
const AdjustKey kAdjustKeys[] = {
    {kKeyHue, IDC_MAIN_HUE_BAR, IDC_MAIN_HUE},
    {kKeySaturation, IDC_MAIN_SATURATION_BAR, IDC_MAIN_SATURATION},
    {kKeyLightness, IDC_MAIN_LIGHTNESS_BAR, IDC_MAIN_LIGHTNESS},
};

void WriteKey(HWND hDlg, CProfileUpdate& file, const KeyBinding& k)
{
    switch (k.kind)
    {
    case kCheck:
        file.WriteInt(k.section, k.key, IsItemChecked(hDlg, k.id) ? 1 : 0);
        break;
    case kUnsignedEdit:
        file.WriteInt(k.section, k.key, (int)::GetDlgItemInt(hDlg, k.id, NULL, FALSE));
        break;
    case kComboIndex:
        // No selection is written as -1, which reads back as no selection.
        file.WriteInt(k.section, k.key, ComboSelection(hDlg, k.id));
        break;
    case kText:
    {
        char text[kPathBufferSize] = "";
        ::GetDlgItemTextA(hDlg, k.id, text, sizeof(text));
        file.WriteText(k.section, k.key, text);
        break;
    }
    }
}

void ReadText(const char* path, const char* section, const char* key, char (&text)[kPathBufferSize])
{
    ::GetPrivateProfileStringA(section, key, kMissingValueText, text, sizeof(text), path);
}

int ReadInt(const char* path, const char* section, const char* key)
{
    char text[kPathBufferSize];
    ReadText(path, section, key, text);
    return ::StrToIntA(text);
}

void ReadKey(HWND hDlg, const char* path, const KeyBinding& k)
{
    if (k.kind == kText)
    {
        char text[kPathBufferSize];
        ReadText(path, k.section, k.key, text);
        ::SetDlgItemTextA(hDlg, k.id, text);
        return;
    }
    const int value = ReadInt(path, k.section, k.key);
    switch (k.kind)
    {
    case kCheck:
        CheckItem(hDlg, k.id, value != 0);
        break;
    case kUnsignedEdit:
        ::SetDlgItemInt(hDlg, k.id, (UINT)value, FALSE);
        break;
    case kComboIndex:
        SelectComboItem(hDlg, k.id, value);
        break;
    case kText:
        break;
    }
}

// A trackbar at `position` (held in range by the trackbar) and its edit
// showing the position less the neutral one, without overflow.
void SetAdjustment(HWND hDlg, const AdjustKey& a, int position)
{
    SetTrackbarPosition(hDlg, a.bar, position);
    long long shown = (long long)position - kColorNeutral;
    char text[32];
    SafeFormat(text, sizeof(text), "%lld", shown);
    ::SetDlgItemTextA(hDlg, a.edit, text);
}

// The open or save dialog for a settings file, starting in the "Settings"
// folder beside the program; non-zero when a name was confirmed. Saving
// over an existing file is asked first.
int AskSettingsFile(HWND hOwner, BOOL open, char (&name)[kPathBufferSize])
{
    const std::string folder = GetSettingsFolder();
    return ShowFileDialog(g_Module.GetModuleInstance(), hOwner, name, sizeof(name), folder.c_str(),
                          kSettingsFilter, kSettingsExtension, 0,
                          open ? FileDialogMode::Open : FileDialogMode::SaveAskingBeforeReplace);
}

} // namespace

void ReportSettingsNotSaved(HWND owner, const char* path)
{
    char text[kPathBufferSize + sizeof(kSettingsNotSavedFormat)];
    SafeFormat(text, sizeof(text), kSettingsNotSavedFormat, path);
    MessageBoxA(owner, text, kProductName, MB_OK | MB_ICONEXCLAMATION);
}

void CMainDlg::LoadProgramSettings()
{
    const std::string path = GetProgramSettingsPath();
    RemoveDeadSettingsCopies(path);
    LoadSettings(path.c_str());
    GifSection gif;
    if (ReadGifSection(path.c_str(), gif))
        g_GifOptions = gif.options;
}

// All keys go in as one change: a write that fails part way leaves the
// file as it was.
bool CMainDlg::SaveSettings(const char* path)
{
    CProfileUpdate file(path);
    for (const KeyBinding& k : kResizeKeys)
        WriteKey(m_hWnd, file, k);
    const int anchor = IsItemChecked(m_hWnd, IDC_MAIN_CROP)
                           ? CropAnchorOfListIndex(ComboSelection(m_hWnd, IDC_MAIN_ANCHOR))
                           : kCropNone;
    file.WriteInt(kSectionResize, kKeyDoCrop, CropSettingOfAnchor(anchor));
    file.WriteInt(kSectionResize, kKeyDoStretch, IsItemChecked(m_hWnd, IDC_MAIN_STRETCH) ? 1 : 0);

    file.WriteInt(kSectionBorder, kKeyEnableBorder, IsItemChecked(m_hWnd, IDC_MAIN_BORDER) ? 1 : 0);
    file.WriteInt(kSectionBorder, kKeyBorderWidth,
                  (int)::GetDlgItemInt(m_hWnd, IDC_MAIN_BORDER_WIDTH, NULL, FALSE));
    file.WriteInt(kSectionBorder, kKeyColorR, GetRValue(m_crBorder));
    file.WriteInt(kSectionBorder, kKeyColorG, GetGValue(m_crBorder));
    file.WriteInt(kSectionBorder, kKeyColorB, GetBValue(m_crBorder));
    file.WriteInt(kSectionBorder, kKeyBorder3d, IsItemChecked(m_hWnd, IDC_MAIN_BORDER_3D) ? 1 : 0);

    for (const AdjustKey& a : kAdjustKeys)
        file.WriteInt(kSectionImage, a.key, TrackbarPosition(m_hWnd, a.bar));

    file.WriteInt(kSectionRotate, kKeyRotate, ComboSelection(m_hWnd, IDC_MAIN_ROTATE));

    for (const KeyBinding& k : kNameKeys)
        WriteKey(m_hWnd, file, k);
    return file.Commit();
}

void CMainDlg::LoadSettings(const char* path)
{
    m_bLoading = 1;
    char text[kPathBufferSize];
    ReadText(path, kSectionResize, kKeyEnableResize, text);
    if (strcmp(text, kMissingValueText) == 0)
        return;

    for (const KeyBinding& k : kResizeKeys)
        ReadKey(m_hWnd, path, k);
    // A crop number without an anchor leaves the crop controls as they are.
    const int anchor = CropAnchorOfSetting(ReadInt(path, kSectionResize, kKeyDoCrop));
    if (anchor == kCropNone)
        CheckItem(m_hWnd, IDC_MAIN_CROP, false);
    else if (ListIndexOfCropAnchor(anchor) >= 0)
    {
        CheckItem(m_hWnd, IDC_MAIN_CROP, true);
        SelectComboItem(m_hWnd, IDC_MAIN_ANCHOR, ListIndexOfCropAnchor(anchor));
    }
    CheckItem(m_hWnd, IDC_MAIN_STRETCH, ReadInt(path, kSectionResize, kKeyDoStretch) != 0);

    CheckItem(m_hWnd, IDC_MAIN_BORDER, ReadInt(path, kSectionBorder, kKeyEnableBorder) != 0);
    SetDlgItemInt(m_hWnd, IDC_MAIN_BORDER_WIDTH,
                  (UINT)ReadInt(path, kSectionBorder, kKeyBorderWidth), TRUE);
    const BYTE r = (BYTE)ReadInt(path, kSectionBorder, kKeyColorR);
    const BYTE g = (BYTE)ReadInt(path, kSectionBorder, kKeyColorG);
    const BYTE b = (BYTE)ReadInt(path, kSectionBorder, kKeyColorB);
    m_crBorder = RGB(r, g, b);
    RefreshBorderColor();
    CheckItem(m_hWnd, IDC_MAIN_BORDER_3D, ReadInt(path, kSectionBorder, kKeyBorder3d) != 0);

    for (const AdjustKey& a : kAdjustKeys)
        SetAdjustment(m_hWnd, a, ReadInt(path, kSectionImage, a.key));

    SelectComboItem(m_hWnd, IDC_MAIN_ROTATE, ReadInt(path, kSectionRotate, kKeyRotate));

    for (const KeyBinding& k : kNameKeys)
        ReadKey(m_hWnd, path, k);

    m_bLoading = 0;
    UpdateControlStates();
    UpdatePreview(kStageResize);
}

void CMainDlg::ResetSettings()
{
    m_bLoading = 1;
    CheckItem(m_hWnd, IDC_MAIN_RESIZE, false);
    CheckItem(m_hWnd, IDC_MAIN_USE_WIDTH, false);
    SetDlgItemInt(m_hWnd, IDC_MAIN_WIDTH, kFactoryWidth, FALSE);
    CheckItem(m_hWnd, IDC_MAIN_USE_HEIGHT, true);
    SetDlgItemInt(m_hWnd, IDC_MAIN_HEIGHT, kFactoryHeight, FALSE);
    CheckItem(m_hWnd, IDC_MAIN_FIT, true);
    CheckItem(m_hWnd, IDC_MAIN_CROP, false);
    SelectComboItem(m_hWnd, IDC_MAIN_ANCHOR, 0);
    CheckItem(m_hWnd, IDC_MAIN_STRETCH, false);
    CheckItem(m_hWnd, IDC_MAIN_BORDER, false);
    SetDlgItemInt(m_hWnd, IDC_MAIN_BORDER_WIDTH, 0, FALSE);
    m_crBorder = RGB(0, 0, 0);
    RefreshBorderColor();
    CheckItem(m_hWnd, IDC_MAIN_BORDER_3D, false);
    SelectComboItem(m_hWnd, IDC_MAIN_ROTATE, 0);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_PREFIX, "");
    SelectComboItem(m_hWnd, IDC_MAIN_NAME_PATTERN, 0);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_SUFFIX, "");
    for (const AdjustKey& a : kAdjustKeys)
        SetAdjustment(m_hWnd, a, kColorNeutral);
    m_bLoading = 0;
    UpdateControlStates();
    UpdatePreview(kStageResize);
}

LRESULT CMainDlg::OnSaveSettings(WORD, WORD, HWND, BOOL&)
{
    char name[kPathBufferSize] = "";
    if (AskSettingsFile(m_hWnd, FALSE, name) && !SaveSettings(name))
        ReportSettingsNotSaved(m_hWnd, name);
    return 0;
}

LRESULT CMainDlg::OnLoadSettings(WORD, WORD, HWND, BOOL&)
{
    char name[kPathBufferSize] = "";
    if (AskSettingsFile(m_hWnd, TRUE, name))
        LoadSettings(name);
    return 0;
}

LRESULT CMainDlg::OnReset(WORD, WORD, HWND, BOOL&)
{
    ResetSettings();
    return 0;
}
