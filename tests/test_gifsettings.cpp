// GifSettingsDlg: the GIF settings dialog reads its section and writes it whole only on OK.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "controls/Bitmaps.h"
#include "controls/ColorButton.h"
#include "controls/OwnerDrawButton.h"
#include "image/GifWriter.h"
#include "files/Paths.h"
#include "mainwnd/GifSettingsDlg.h"
#include "tests/support/ColorDialogWatch.h"
#include "tests/support/TestUtil.h"

namespace {

const char kCaption[] = "PNG/Gif Conversion ";
const GifOptions kSentinel = {7, RGB(1, 2, 3), 7, 7};

// "settings.tvx" beside the program set aside, and the process-wide GIF
// options on a sentinel, both put back after the case.
class SettingsFile : public ProgramSettingsGuard
{
public:
    SettingsFile() { g_GifOptions = kSentinel; }
    ~SettingsFile() { g_GifOptions = kGifStartupOptions; }
};

struct Seen
{
    bool none = false, color = false, interlace = false, color256 = false;
    bool colorButtonEnabled = false;
    COLORREF swatch = 0;
    COLORREF shown = 0xFFFFFFFF; // the middle of the button's swatch
};

COLORREF SwatchMiddle(const CColorPickerButton& button)
{
    DibPixels px;
    if (button.GetSwatch() == NULL || !GetDibPixels(button.GetSwatch(), px))
        return 0xFFFFFFFF;
    const BYTE* p = px.Row(px.height / 2) + (px.width / 2) * px.pixelBytes;
    return RGB(p[2], p[1], p[0]);
}

Seen Look(HWND dlg, const CGifSettingsDlg& obj)
{
    Seen s;
    s.none = IsItemChecked(dlg, IDC_GIF_NONE);
    s.color = IsItemChecked(dlg, IDC_GIF_COLOR);
    s.interlace = IsItemChecked(dlg, IDC_GIF_INTERLACE);
    s.color256 = IsItemChecked(dlg, IDC_GIF_COLOR256);
    s.colorButtonEnabled = IsItemEnabled(dlg, IDC_GIF_COLORBUTTON);
    s.swatch = obj.GetTransparentColor();
    s.shown = SwatchMiddle(obj.GetColorButton());
    return s;
}

void Press(HWND dlg, int id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

// A real click through the button's own procedure.
void Click(HWND dlg, int id) { PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Runs the dialog; `steps` act on it one per timer tick, the last ends it.
INT_PTR RunSteps(CGifSettingsDlg& dlg, const std::vector<std::function<void(HWND)>>& steps)
{
    INT_PTR result = -1;
    size_t next = 0;
    DriveWhile([&] { result = dlg.DoModal(NULL); },
               [&](int) {
                   HWND h = FindThreadWindow(kCaption);
                   if (h == NULL)
                       return true;
                   if (next < steps.size())
                       steps[next++](h);
                   return true;
               });
    return result;
}

bool SameOptions(const GifOptions& a, const GifOptions& b)
{
    return a.NoneTR == b.NoneTR && a.Color == b.Color && a.Interlace == b.Interlace &&
           a.Color256 == b.Color256;
}

} // namespace

TEST(GifSettingsDlg, FirstUseShowsTheDefaultsAndOkWritesTheWholeSection)
{
    SettingsFile file;
    file.Write("[Resize]\r\nEnableResize=1\r\n");
    CGifSettingsDlg dlg;
    Seen seen;
    GifOptions atOpen = {};
    bool ownerDrawn = false;
    INT_PTR r = RunSteps(dlg, {[&](HWND h) {
                                   seen = Look(h, dlg);
                                   atOpen = g_GifOptions;
                                   COwnerDrawButton* ok = ButtonMapFind(GetDlgItem(h, IDC_GIF_OK));
                                   COwnerDrawButton* cancel =
                                       ButtonMapFind(GetDlgItem(h, IDC_GIF_CANCEL));
                                   ownerDrawn = ok != NULL && cancel != NULL &&
                                                ok->GetStyle() == kOdbStylePlain &&
                                                cancel->GetStyle() == kOdbStylePlain;
                               },
                               [&](HWND h) { Press(h, IDC_GIF_OK); }});
    EXPECT_EQ(1, r);
    EXPECT_TRUE(seen.none);
    EXPECT_FALSE(seen.color || seen.interlace || seen.color256 || seen.colorButtonEnabled);
    EXPECT_EQ(kGifDefaultColor, seen.swatch);
    EXPECT_EQ(kGifDefaultColor, seen.shown);
    EXPECT_TRUE(dlg.GetColorButton().HasFlag(kOdbDropDown)) << "a picker with its drop-down part";
    EXPECT_TRUE(ownerDrawn);
    EXPECT_TRUE(SameOptions(kSentinel, atOpen)) << "no section: the record is left alone";
    EXPECT_EQ(file.Path(), dlg.GetSettingsPath());

    // The main window's sections stay; ours follows in the written order.
    EXPECT_EQ("[Resize]\r\nEnableResize=1\r\n[GIF]\r\nNoneTR=1\r\nColorTR=0\r\nColorR=100\r\n"
              "ColorG=100\r\nColorB=100\r\nInterlace=0\r\nColor256=0\r\n",
              file.Read());
    EXPECT_TRUE(SameOptions(GifOptions{1, RGB(100, 100, 100), 0, 0}, g_GifOptions));
}

TEST(GifSettingsDlg, OkThatCannotWriteTheWholeFileLeavesItAsItWas)
{
    SettingsFile file;
    const std::string stored =
        "[Resize]\r\nEnableResize=1\r\n[GIF]\r\nNoneTR=1\r\nColorTR=0\r\nColorR=1\r\n"
        "ColorG=2\r\nColorB=3\r\nInterlace=0\r\nColor256=0\r\n";
    file.Write(stored);
    ProfileCopyDamage cut([](std::string& bytes) { bytes.resize(bytes.rfind("Interlace=")); });
    CGifSettingsDlg dlg;
    INT_PTR r = -1;
    const std::vector<std::string> messages = RunAnsweringMessageBoxes(
        [&] {
            r = RunSteps(dlg, {[&](HWND h) { CheckItem(h, IDC_GIF_INTERLACE, true); },
                               [&](HWND h) { Press(h, IDC_GIF_OK); }});
        },
        "Tolvex");
    EXPECT_EQ(1, r);
    EXPECT_EQ((std::vector<std::string>{"The settings could not be saved to\n" + file.Path()}),
              messages)
        << "said once";
    EXPECT_EQ(stored, file.Read());
    EXPECT_TRUE(ProfileCopiesIn(GetProgramFolder()).empty());
    EXPECT_EQ(1, g_GifOptions.Interlace) << "the record takes the values all the same";
}

TEST(GifSettingsDlg, OpeningReadsTheSectionIntoControlsAndRecordEvenWhenCancelled)
{
    struct Case
    {
        const char* section;
        Seen seen;
        GifOptions record;
    } cases[] = {
        {"NoneTR=0\r\nColorTR=1\r\nColorR=255\r\nColorG=0\r\nColorB=0\r\nInterlace=1\r\nColor256="
         "1\r\n",
         {false, true, true, true, true, RGB(255, 0, 0)},
         {0, RGB(255, 0, 0), 1, 1}},
        // Hand-edited: both radios, an oversized and a non-numeric component.
        {"NoneTR=1\r\nColorTR=1\r\nColorR=300\r\nColorG=abc\r\nColorB=7\r\nInterlace=0\r\nColor256="
         "0\r\n",
         {true, true, false, false, true, RGB(44, 0, 7)},
         {1, RGB(44, 0, 7), 0, 0}},
        // Keys after NoneTR missing: each reads as 0.
        {"NoneTR=1\r\n", {true, false, false, false, false, RGB(0, 0, 0)}, {1, RGB(0, 0, 0), 0, 0}},
    };
    for (const Case& c : cases)
    {
        SettingsFile file;
        std::string text = std::string("[GIF]\r\n") + c.section;
        file.Write(text);
        CGifSettingsDlg dlg;
        Seen seen;
        INT_PTR r = RunSteps(
            dlg, {[&](HWND h) { seen = Look(h, dlg); }, [&](HWND h) { Press(h, IDC_GIF_CANCEL); }});
        EXPECT_EQ(1, r) << "Cancel ends with 1 too";
        EXPECT_EQ(c.seen.none, seen.none) << c.section;
        EXPECT_EQ(c.seen.color, seen.color) << c.section;
        EXPECT_EQ(c.seen.interlace, seen.interlace) << c.section;
        EXPECT_EQ(c.seen.color256, seen.color256) << c.section;
        EXPECT_EQ(c.seen.colorButtonEnabled, seen.colorButtonEnabled) << c.section;
        EXPECT_EQ(c.seen.swatch, seen.swatch) << c.section;
        EXPECT_EQ(c.seen.swatch, seen.shown) << c.section;
        EXPECT_TRUE(SameOptions(c.record, g_GifOptions)) << c.section;
        EXPECT_EQ(text, file.Read()) << "Cancel writes nothing";
    }
}

TEST(GifSettingsDlg, OkWritesBackWhatTheControlsShow)
{
    SettingsFile file;
    file.Write(
        "[GIF]\r\nNoneTR=1\r\nColorTR=1\r\nColorR=0\r\nColorG=0\r\nColorB=255\r\nInterlace=0\r\n"
        "Color256=0\r\n");
    CGifSettingsDlg dlg;
    bool enabledAfterNone = true;
    INT_PTR r = RunSteps(dlg, {[&](HWND h) { Click(h, IDC_GIF_NONE); },
                               [&](HWND h) {
                                   enabledAfterNone = IsItemEnabled(h, IDC_GIF_COLORBUTTON);
                                   Click(h, IDC_GIF_INTERLACE);
                               },
                               [&](HWND h) { Press(h, IDC_GIF_OK); }});
    EXPECT_EQ(1, r);
    EXPECT_FALSE(enabledAfterNone);
    EXPECT_EQ(
        "[GIF]\r\nNoneTR=1\r\nColorTR=0\r\nColorR=0\r\nColorG=0\r\nColorB=255\r\nInterlace=1\r\n"
        "Color256=0\r\n",
        file.Read());
    EXPECT_TRUE(SameOptions(GifOptions{1, RGB(0, 0, 255), 1, 0}, g_GifOptions));

    // Choosing Color again enables the button and survives the next opening.
    CGifSettingsDlg again;
    Seen reopened;
    RunSteps(again,
             {[&](HWND h) { Click(h, IDC_GIF_COLOR); }, [&](HWND h) { Press(h, IDC_GIF_OK); }});
    CGifSettingsDlg third;
    RunSteps(third, {[&](HWND h) { reopened = Look(h, third); },
                     [&](HWND h) { Press(h, IDC_GIF_CANCEL); }});
    EXPECT_TRUE(reopened.color);
    EXPECT_FALSE(reopened.none);
    EXPECT_TRUE(reopened.colorButtonEnabled);
    EXPECT_EQ(0, g_GifOptions.NoneTR) << "the blue colour is transparent now";
}

TEST(GifSettingsDlg, APickedColourWaitsForOkAndMakesThatColourTransparent)
{
    SettingsFile file;
    ColorDialogWatch watch;
    CGifSettingsDlg dlg;
    Seen picked;
    std::string beforeOk = "unset";
    INT_PTR r = -1;
    int state = 0;
    // Each state waits for what the one before it brought about.
    DriveWhile([&] { r = dlg.DoModal(NULL); },
               [&](int) {
                   HWND h = FindThreadWindow(kCaption);
                   if (h == NULL)
                       return true;
                   HWND b = GetDlgItem(h, IDC_GIF_COLORBUTTON);
                   switch (state)
                   {
                   case 0:
                       Click(h, IDC_GIF_COLOR);
                       ++state;
                       break;
                   case 1:
                       if (!IsWindowEnabled(b))
                           break;
                       PostMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
                       PostMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
                       ++state;
                       break;
                   case 2:
                       if (watch.Open() == NULL)
                           break;
                       ColorDialogWatch::Confirm(watch.Open(), RGB(255, 0, 0));
                       ++state;
                       break;
                   case 3:
                       if (watch.Open() != NULL)
                           break;
                       picked = Look(h, dlg);
                       beforeOk = file.Read();
                       Press(h, IDC_GIF_OK);
                       ++state;
                       break;
                   default:
                       break;
                   }
                   return true;
               });
    EXPECT_EQ(1, r);
    EXPECT_EQ(1, watch.Count());
    EXPECT_EQ(RGB(255, 0, 0), picked.swatch);
    EXPECT_EQ(RGB(255, 0, 0), picked.shown);
    EXPECT_EQ("", beforeOk) << "the colour stays in the dialog until Ok";
    EXPECT_EQ(
        "[GIF]\r\nNoneTR=0\r\nColorTR=1\r\nColorR=255\r\nColorG=0\r\nColorB=0\r\nInterlace=0\r\n"
        "Color256=0\r\n",
        file.Read());
    EXPECT_TRUE(SameOptions(GifOptions{0, RGB(255, 0, 0), 0, 0}, g_GifOptions));
}

TEST(GifSettingsDlg, EscapeAndTheCloseBoxLeaveItOpen)
{
    SettingsFile file;
    CGifSettingsDlg dlg;
    bool stillOpen = false;
    INT_PTR r =
        RunSteps(dlg, {[](HWND h) { PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 1); },
                       [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }, [](HWND) {},
                       [&](HWND h) {
                           stillOpen = IsWindowVisible(h) != FALSE;
                           Press(h, IDC_GIF_CANCEL);
                       }});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(1, r);
    EXPECT_EQ("", file.Read()) << "nothing written without Ok";
}
