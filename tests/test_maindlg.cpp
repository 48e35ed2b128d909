// MainDlg: the main window's controls, commands, dialogs and stored settings as users meet them.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "browser/Pidl.h"
#include "controls/Bitmaps.h"
#include "image/MagickInc.h"
#include "files/Paths.h"
#include "settings/Registry.h"
#include "files/TempNames.h"
#include "mainwnd/Help.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"
#include "settings/SettingsFile.h"

namespace {

const char kTitle[] = "Tolvex";

void Command(HWND dlg, UINT id, WORD code = BN_CLICKED)
{
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dlg, id));
}

// A click on the button, posted, so that the dialog it opens runs its own
// loop while the driver goes on.
void PostClick(HWND dlg, UINT id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

// Ticks or clears a box as a click would, its command sent.
void Tick(HWND dlg, UINT id, bool on)
{
    CheckItem(dlg, (int)id, on);
    Command(dlg, id);
}

DWORD ListType(CMainDlg& dlg)
{
    return (DWORD)GetWindowLongPtrA(dlg.GetListView(), GWL_STYLE) & LVS_TYPEMASK;
}

// Which of the four view buttons are latched, as "LDSG" letters.
std::string LatchedViews(CMainDlg& dlg)
{
    std::string s;
    if (dlg.m_btnList.HasFlag(kOdbLatched))
        s += 'L';
    if (dlg.m_btnDetails.HasFlag(kOdbLatched))
        s += 'D';
    if (dlg.m_btnSmallIcons.HasFlag(kOdbLatched))
        s += 'S';
    if (dlg.m_btnLargeIcons.HasFlag(kOdbLatched))
        s += 'G';
    return s;
}

std::string Profile(const std::string& path, const char* section, const char* key)
{
    char text[kPathBufferSize] = "";
    GetPrivateProfileStringA(section, key, "<missing>", text, sizeof(text), path.c_str());
    return text;
}

// The main dialog, created modeless (hidden) so a test drives it directly.
class MainDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        EnsureShellAllocator();
        m_hWnd = m_dlg.Create(NULL);
        ASSERT_NE((HWND)NULL, m_hWnd);
    }
    void TearDown() override
    {
        if (IsWindow(m_hWnd))
            DestroyWindow(m_hWnd);
    }
    // Clears the loading flag, as the first readable source image would.
    void Ready() { Command(m_hWnd, IDC_MAIN_RESET); }

    RegistryState m_registry;
    ProgramSettingsGuard m_settings;
    TempFolder m_temp{"main"};
    CMainDlg m_dlg;
    HWND m_hWnd = NULL;
};

// Runs the main dialog modally; `step` gets its window on every tick until
// it returns false, by which time it has ended the dialog.
INT_PTR RunMainSteps(CMainDlg& dlg, const std::function<bool(HWND)>& step)
{
    EnsureShellAllocator();
    INT_PTR result = -1;
    DriveWhile([&] { result = dlg.DoModal(NULL); },
               [&](int) {
                   HWND h = FindThreadWindow(kTitle);
                   return h == NULL || step(h);
               });
    return result;
}

INT_PTR RunMain(CMainDlg& dlg, const std::function<void(HWND)>& act)
{
    return RunMainSteps(dlg, [&](HWND h) {
        act(h);
        return false;
    });
}

// Every help call, as "<target> <command>".
std::vector<std::string> g_helpCalls;
HWND WINAPI RecordHtmlHelp(HWND, LPCSTR target, UINT command, DWORD_PTR)
{
    g_helpCalls.push_back(std::string(target) + " " + std::to_string(command));
    return NULL;
}

// Routes help into g_helpCalls for the life of the object.
class HelpRecorder
{
public:
    HelpRecorder() : m_old(SetHtmlHelpProc(RecordHtmlHelp)) { g_helpCalls.clear(); }
    ~HelpRecorder() { SetHtmlHelpProc(m_old); }
    // How many calls opened the Quick start topic.
    static int QuickStarts()
    {
        int n = 0;
        for (const std::string& c : g_helpCalls)
            n += c.find(kQuickStartTopic) != std::string::npos;
        return n;
    }

private:
    HtmlHelpProc m_old;
};

// The colour in the middle of the border colour button's swatch.
COLORREF SwatchCentre(CMainDlg& dlg)
{
    DibPixels px;
    if (!GetDibPixels(dlg.m_btnColor.GetSwatch(), px))
        return CLR_INVALID;
    const BYTE* p = px.Row(px.height / 2) + (px.width / 2) * px.pixelBytes;
    return RGB(p[2], p[1], p[0]);
}

int ListCount(CMainDlg& dlg)
{
    return (int)SendMessageA(dlg.GetListView(), LVM_GETITEMCOUNT, 0, 0);
}

} // namespace

TEST(MainDlg, EnterDoesNothingAndExitEndsWithTwo)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    CMainDlg dlg;
    bool stillOpen = false;
    INT_PTR r = RunMain(dlg, [&](HWND h) {
        Command(h, IDOK);
        stillOpen = IsWindow(h) != FALSE;
        Command(h, IDCANCEL);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(IDCANCEL, r);
}

TEST_F(MainDlgTest, StartsWithFactoryOptionsAndTheDetailsView)
{
    struct Check
    {
        UINT id;
        bool on;
    } checks[] = {
        {IDC_MAIN_RESIZE, false}, {IDC_MAIN_USE_WIDTH, false}, {IDC_MAIN_USE_HEIGHT, true},
        {IDC_MAIN_FIT, true},     {IDC_MAIN_CROP, false},      {IDC_MAIN_STRETCH, false},
        {IDC_MAIN_BORDER, false}, {IDC_MAIN_BORDER_3D, false},
    };
    for (const Check& c : checks)
        EXPECT_EQ(c.on, IsItemChecked(m_hWnd, c.id)) << c.id;
    struct Edit
    {
        UINT id;
        const char* text;
    } edits[] = {
        {IDC_MAIN_WIDTH, "800"},
        {IDC_MAIN_HEIGHT, "600"},
        {IDC_MAIN_BORDER_WIDTH, "0"},
        {IDC_MAIN_HUE, "0"},
        {IDC_MAIN_SATURATION, "0"},
        {IDC_MAIN_LIGHTNESS, "0"},
        {IDC_MAIN_PREFIX, ""},
        {IDC_MAIN_SUFFIX, ""},
        {IDC_MAIN_CONVERT, "Convert Selection"},
    };
    for (const Edit& e : edits)
        EXPECT_EQ(e.text, ItemText(m_hWnd, e.id)) << e.id;
    for (UINT bar : {IDC_MAIN_HUE_BAR, IDC_MAIN_SATURATION_BAR, IDC_MAIN_LIGHTNESS_BAR})
    {
        EXPECT_EQ(100, TrackbarPosition(m_hWnd, bar));
        EXPECT_EQ(200, SendDlgItemMessageA(m_hWnd, bar, TBM_GETRANGEMAX, 0, 0));
    }
    struct Combo
    {
        UINT id;
        std::vector<std::string> items;
    } combos[] = {
        {IDC_MAIN_ROTATE, {"0", "90", "180", "270"}},
        {IDC_MAIN_ANCHOR, {"Left Top", "Center", "Right Bottom"}},
        {IDC_MAIN_NAME_PATTERN,
         {"filename", "filename & _ & fileindex", "fileindex & _ & filename"}},
    };
    for (const Combo& c : combos)
    {
        EXPECT_EQ(0, ComboSelection(m_hWnd, c.id)) << c.id;
        HWND combo = GetDlgItem(m_hWnd, c.id);
        ASSERT_EQ((LRESULT)c.items.size(), SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (size_t i = 0; i < c.items.size(); ++i)
        {
            char item[64] = "";
            SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)item);
            EXPECT_EQ(c.items[i], item);
        }
    }
    EXPECT_EQ(RGB(0, 0, 0), m_dlg.m_crBorder);
    EXPECT_EQ(RGB(0, 0, 0), SwatchCentre(m_dlg));
    EXPECT_EQ(&m_dlg.m_crBorder, m_dlg.m_btnColor.GetColorPointer());
    // No settings file: the option handlers stay idle until an image loads.
    EXPECT_EQ(1, m_dlg.m_bLoading);

    EXPECT_EQ((DWORD)LVS_REPORT, ListType(m_dlg));
    EXPECT_EQ("D", LatchedViews(m_dlg));
    const char* columns[] = {"Name", "Size", "Type", "Modified"};
    for (int i = 0; i < 4; ++i)
    {
        char text[32] = "";
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = sizeof(text);
        ASSERT_TRUE(SendMessageA(m_dlg.GetListView(), LVM_GETCOLUMNA, i, (LPARAM)&col)) << i;
        EXPECT_STREQ(columns[i], text);
    }
    struct Button
    {
        COwnerDrawButton CMainDlg::*member;
        UINT id;
        DWORD style;
    } buttons[] = {
        {&CMainDlg::m_btnConvert, IDC_MAIN_CONVERT, kOdbStylePlain},
        {&CMainDlg::m_btnSave, IDC_MAIN_SAVE, kOdbStyleFocusDefault},
        {&CMainDlg::m_btnLoad, IDC_MAIN_LOAD, kOdbStyleFocusDefault},
        {&CMainDlg::m_btnReset, IDC_MAIN_RESET, kOdbStyleFocusDefault},
        {&CMainDlg::m_btnGifSettings, IDC_MAIN_GIF_SETTINGS, kOdbStyleFocusDefault},
        {&CMainDlg::m_btnExit, IDCANCEL, kOdbStyleFocusDefault},
        {&CMainDlg::m_btnBrowse, IDC_MAIN_BROWSE, kOdbStylePlain},
        {&CMainDlg::m_btnList, IDC_MAIN_VIEW_LIST, kOdbStyleViewRadio | kOdbImage},
        {&CMainDlg::m_btnDetails, IDC_MAIN_VIEW_DETAILS, kOdbStyleViewRadio | kOdbImage},
        {&CMainDlg::m_btnSmallIcons, IDC_MAIN_VIEW_SMALL_ICONS, kOdbStyleViewRadio | kOdbImage},
        {&CMainDlg::m_btnLargeIcons, IDC_MAIN_VIEW_LARGE_ICONS, kOdbStyleViewRadio | kOdbImage},
    };
    for (const Button& b : buttons)
    {
        const COwnerDrawButton& button = m_dlg.*b.member;
        EXPECT_EQ(GetDlgItem(m_hWnd, b.id), button.GetHwnd()) << b.id;
        EXPECT_EQ(b.style, button.GetStyle() & b.style) << b.id;
    }
    EXPECT_EQ(GetDlgItem(m_hWnd, IDC_MAIN_BORDER_COLOR), m_dlg.m_btnColor.GetHwnd());

    // The list now lives in the splitter next to the folder tree.
    EXPECT_EQ((HWND)m_dlg.m_splitter, GetParent(m_dlg.GetListView()));
    EXPECT_EQ((HWND)m_dlg.m_splitter, GetParent(m_dlg.m_treePane));
    EXPECT_NE('\0', m_dlg.m_szBrowsedFolder[0]);
}

TEST_F(MainDlgTest, NumericEditsBecomeSpinEditsWithTheirRanges)
{
    struct Case
    {
        CSpinEdit CMainDlg::*member;
        UINT id;
        int min, max, wheel;
    } cases[] = {
        {&CMainDlg::m_editBorderWidth, IDC_MAIN_BORDER_WIDTH, 0, 100, 1},
        {&CMainDlg::m_editWidth, IDC_MAIN_WIDTH, 0, 10000, 5},
        {&CMainDlg::m_editHeight, IDC_MAIN_HEIGHT, 0, 10000, 5},
        {&CMainDlg::m_editHue, IDC_MAIN_HUE, -100, 100, 5},
        {&CMainDlg::m_editSaturation, IDC_MAIN_SATURATION, -100, 100, 5},
        {&CMainDlg::m_editLightness, IDC_MAIN_LIGHTNESS, -100, 100, 5},
    };
    for (const Case& c : cases)
    {
        CSpinEdit& e = m_dlg.*c.member;
        EXPECT_EQ(GetDlgItem(m_hWnd, c.id), e.m_hWnd) << c.id;
        EXPECT_NE((HWND)NULL, e.m_btnUp.GetHwnd()) << c.id;
        EXPECT_EQ(c.min, e.m_nMin) << c.id;
        EXPECT_EQ(c.max, e.m_nMax) << c.id;
        EXPECT_EQ(0, e.m_nPercentMin) << c.id;
        EXPECT_EQ(100, e.m_nPercentMax) << c.id;
        EXPECT_EQ(1, e.m_nStep) << c.id;
        EXPECT_EQ(c.wheel, e.m_nWheelStep) << c.id;
    }
}

TEST_F(MainDlgTest, ViewButtonsSwitchTheListAndLatchOneButton)
{
    struct Case
    {
        WORD id;
        DWORD type;
        const char* latched;
    } cases[] = {
        {IDC_MAIN_VIEW_LIST, LVS_LIST, "L"},
        {IDC_MAIN_VIEW_LIST, LVS_LIST, "L"}, // the shown mode again
        {IDC_MAIN_VIEW_SMALL_ICONS, LVS_SMALLICON, "S"},
        {IDC_MAIN_VIEW_LARGE_ICONS, LVS_ICON, "G"},
        {IDC_MAIN_VIEW_DETAILS, LVS_REPORT, "D"},
    };
    // The list view shows and hides its own scroll bars; every other bit stays.
    const LONG_PTR kept = ~(LONG_PTR)(LVS_TYPEMASK | WS_HSCROLL | WS_VSCROLL);
    const LONG_PTR otherBits = GetWindowLongPtrA(m_dlg.GetListView(), GWL_STYLE) & kept;
    for (const Case& c : cases)
    {
        Command(m_hWnd, c.id);
        EXPECT_EQ(c.type, ListType(m_dlg)) << c.id;
        EXPECT_EQ(c.latched, LatchedViews(m_dlg)) << c.id;
        EXPECT_EQ(otherBits, GetWindowLongPtrA(m_dlg.GetListView(), GWL_STYLE) & kept);
    }
    // Another id (start-up passes any stored number) gives Details.
    Command(m_hWnd, IDC_MAIN_VIEW_SMALL_ICONS);
    BOOL handled = TRUE;
    m_dlg.OnViewMode(0, 4711, NULL, handled);
    EXPECT_EQ((DWORD)LVS_REPORT, ListType(m_dlg));
    EXPECT_EQ("D", LatchedViews(m_dlg));
}

TEST_F(MainDlgTest, ClickingAResizeModeKeepsTheLatchedViewButton)
{
    Ready();
    Tick(m_hWnd, IDC_MAIN_RESIZE, true);
    Tick(m_hWnd, IDC_MAIN_USE_WIDTH, true);
    Tick(m_hWnd, IDC_MAIN_USE_HEIGHT, true);
    struct Case
    {
        WORD view;
        const char* latched;
        UINT radio;
    } cases[] = {
        {IDC_MAIN_VIEW_DETAILS, "D", IDC_MAIN_FIT},
        {IDC_MAIN_VIEW_LIST, "L", IDC_MAIN_CROP},
        {IDC_MAIN_VIEW_LARGE_ICONS, "G", IDC_MAIN_STRETCH},
        {IDC_MAIN_VIEW_SMALL_ICONS, "S", IDC_MAIN_FIT},
    };
    for (const Case& c : cases)
    {
        Command(m_hWnd, c.view);
        // A real click: the button's own procedure runs the dialog's
        // automatic radio handling over its group.
        SendDlgItemMessageA(m_hWnd, c.radio, BM_CLICK, 0, 0);
        EXPECT_TRUE(IsItemChecked(m_hWnd, c.radio)) << c.radio;
        EXPECT_EQ(c.latched, LatchedViews(m_dlg)) << c.radio;
        for (UINT other : {IDC_MAIN_FIT, IDC_MAIN_CROP, IDC_MAIN_STRETCH})
            if (other != c.radio)
            {
                EXPECT_FALSE(IsItemChecked(m_hWnd, other)) << c.radio << " " << other;
            }
    }
}

TEST(MainDlg, EveryWayOutStoresTheViewAndTheOptions)
{
    struct Way
    {
        const char* name;
        std::function<void(HWND)> close;
    } ways[] = {
        {"Exit button", [](HWND h) { Command(h, IDCANCEL); }},
        {"close box", [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape",
         [](HWND h) {
             HWND focus = GetDlgItem(h, IDC_MAIN_OUTPUT_FOLDER);
             SetFocus(focus);
             PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
         }},
    };
    for (const Way& way : ways)
    {
        RegistryState registry;
        ProgramSettingsGuard settings;
        CMainDlg dlg;
        INT_PTR r = RunMain(dlg, [&](HWND h) {
            Command(h, IDC_MAIN_VIEW_SMALL_ICONS);
            SetDlgItemTextA(h, IDC_MAIN_PREFIX, "th_");
            way.close(h);
        });
        EXPECT_EQ(IDCANCEL, r) << way.name;
        DWORD view = 0;
        EXPECT_TRUE(RegReadDword(kRegView, &view)) << way.name;
        EXPECT_EQ((DWORD)IDC_MAIN_VIEW_SMALL_ICONS, view) << way.name;
        EXPECT_EQ("th_", Profile(settings.Path(), "File Names", "Prefix")) << way.name;

        // The next start shows what was stored.
        CMainDlg next;
        HWND h = next.Create(NULL);
        ASSERT_NE((HWND)NULL, h);
        EXPECT_EQ((DWORD)LVS_SMALLICON, ListType(next)) << way.name;
        EXPECT_EQ("S", LatchedViews(next)) << way.name;
        EXPECT_EQ("th_", ItemText(h, IDC_MAIN_PREFIX)) << way.name;
        EXPECT_EQ(0, next.m_bLoading) << way.name;
        DestroyWindow(h);
    }
}

TEST_F(MainDlgTest, ResizeAndBorderControlsFollowTheirBoxes)
{
    Ready();
    // resize, width, height, crop -> width edit, height edit, box modes, anchor
    struct Case
    {
        bool resize, width, height, crop;
        bool eWidth, eHeight, eModes, eAnchor;
    } cases[] = {
        {true, false, true, true, false, true, false, false},
        {true, true, true, false, true, true, true, false},
        {true, true, true, true, true, true, true, true},
        {true, true, false, true, true, false, false, false},
        {false, true, true, true, false, false, false, false},
    };
    for (const Case& c : cases)
    {
        CheckItem(m_hWnd, IDC_MAIN_CROP, c.crop);
        CheckItem(m_hWnd, IDC_MAIN_FIT, !c.crop);
        Tick(m_hWnd, IDC_MAIN_USE_WIDTH, c.width);
        Tick(m_hWnd, IDC_MAIN_USE_HEIGHT, c.height);
        Tick(m_hWnd, IDC_MAIN_RESIZE, c.resize);
        const int n = (int)(&c - cases);
        EXPECT_EQ(c.resize, IsItemEnabled(m_hWnd, IDC_MAIN_USE_WIDTH)) << n;
        EXPECT_EQ(c.resize, IsItemEnabled(m_hWnd, IDC_MAIN_USE_HEIGHT)) << n;
        EXPECT_EQ(c.eWidth, IsItemEnabled(m_hWnd, IDC_MAIN_WIDTH)) << n;
        EXPECT_EQ(c.eHeight, IsItemEnabled(m_hWnd, IDC_MAIN_HEIGHT)) << n;
        for (UINT id : {IDC_MAIN_FIT, IDC_MAIN_CROP, IDC_MAIN_STRETCH})
            EXPECT_EQ(c.eModes, IsItemEnabled(m_hWnd, id)) << n << " " << id;
        EXPECT_EQ(c.eAnchor, IsItemEnabled(m_hWnd, IDC_MAIN_ANCHOR)) << n;
    }
    const UINT borderDetails[] = {IDC_MAIN_BORDER_WIDTH_LABEL, IDC_MAIN_BORDER_WIDTH,
                                  IDC_MAIN_BORDER_COLOR_LABEL, IDC_MAIN_BORDER_COLOR,
                                  IDC_MAIN_BORDER_3D};
    for (bool on : {true, false})
    {
        Tick(m_hWnd, IDC_MAIN_BORDER, on);
        for (UINT id : borderDetails)
            EXPECT_EQ(on, IsItemEnabled(m_hWnd, id)) << id;
    }
}

TEST_F(MainDlgTest, OnAFirstStartTheControlsAnswerAndOnlyThePreviewWaits)
{
    // Start-up without a settings file leaves the loading flag set.
    ASSERT_EQ(1, m_dlg.m_bLoading);
    ASSERT_FALSE(IsItemEnabled(m_hWnd, IDC_MAIN_HEIGHT));
    SendDlgItemMessageA(m_hWnd, IDC_MAIN_RESIZE, BM_CLICK, 0, 0);
    ASSERT_TRUE(IsItemChecked(m_hWnd, IDC_MAIN_RESIZE));
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_USE_WIDTH));
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_HEIGHT)) << "\"Height :\" is ticked at the factory";
    EXPECT_FALSE(IsItemEnabled(m_hWnd, IDC_MAIN_WIDTH));
    Tick(m_hWnd, IDC_MAIN_USE_WIDTH, true);
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_WIDTH));
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_FIT));
    Tick(m_hWnd, IDC_MAIN_BORDER, true);
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_BORDER_WIDTH));
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_BORDER_3D));
    SetTrackbarPosition(m_hWnd, IDC_MAIN_HUE_BAR, 150);
    SendMessageA(m_hWnd, WM_HSCROLL, TB_THUMBPOSITION,
                 (LPARAM)GetDlgItem(m_hWnd, IDC_MAIN_HUE_BAR));
    EXPECT_EQ("50", ItemText(m_hWnd, IDC_MAIN_HUE));
    EXPECT_EQ(1, m_dlg.m_bLoading);

    // Even with an image at hand no preview is made while loading; the
    // next full pass makes it.
    m_dlg.m_pSourceImage.reset(new Magick::Image(MakeQuadrants(40, 20)));
    Tick(m_hWnd, IDC_MAIN_RESIZE, false);
    Tick(m_hWnd, IDC_MAIN_BORDER, false);
    SendMessageA(m_hWnd, WM_HSCROLL, TB_THUMBPOSITION,
                 (LPARAM)GetDlgItem(m_hWnd, IDC_MAIN_HUE_BAR));
    EXPECT_EQ((Magick::Image*)NULL, m_dlg.StageImage(kStageResize));
    EXPECT_EQ((Magick::Image*)NULL, m_dlg.StageImage(kStageRotateColor));
    Ready();
    EXPECT_NE((Magick::Image*)NULL, m_dlg.StageImage(kStageRotateColor));
}

TEST_F(MainDlgTest, ImageControlsFollowTheSourceImage)
{
    const UINT ids[] = {IDC_MAIN_ROTATE,         IDC_MAIN_ROTATE_FRAME, IDC_MAIN_RESIZE,
                        IDC_MAIN_BORDER,         IDC_MAIN_HUE_BAR,      IDC_MAIN_SATURATION_BAR,
                        IDC_MAIN_LIGHTNESS_BAR,  IDC_MAIN_HUE,          IDC_MAIN_SATURATION,
                        IDC_MAIN_LIGHTNESS,      IDC_MAIN_HUE_LABEL,    IDC_MAIN_SATURATION_LABEL,
                        IDC_MAIN_LIGHTNESS_LABEL};
    for (UINT id : ids)
        EXPECT_TRUE(IsItemEnabled(m_hWnd, id)) << id;
    const bool heightBefore = IsItemEnabled(m_hWnd, IDC_MAIN_HEIGHT);
    m_dlg.EnableImageControls(false);
    for (UINT id : ids)
        EXPECT_FALSE(IsItemEnabled(m_hWnd, id)) << id;
    EXPECT_EQ(heightBefore, IsItemEnabled(m_hWnd, IDC_MAIN_HEIGHT));
    m_dlg.EnableImageControls(true);
    for (UINT id : ids)
        EXPECT_TRUE(IsItemEnabled(m_hWnd, id)) << id;
}

TEST_F(MainDlgTest, TrackbarsAndAdjustmentEditsFollowEachOther)
{
    Ready();
    SetTrackbarPosition(m_hWnd, IDC_MAIN_SATURATION_BAR, 150);
    SendMessageA(m_hWnd, WM_HSCROLL, TB_THUMBPOSITION,
                 (LPARAM)GetDlgItem(m_hWnd, IDC_MAIN_SATURATION_BAR));
    EXPECT_EQ("50", ItemText(m_hWnd, IDC_MAIN_SATURATION));
    EXPECT_EQ(150, TrackbarPosition(m_hWnd, IDC_MAIN_SATURATION_BAR));
    EXPECT_EQ("0", ItemText(m_hWnd, IDC_MAIN_HUE));
    EXPECT_EQ(0, m_dlg.m_bBusy);

    // Without a source image typing moves no trackbar.
    SetDlgItemTextA(m_hWnd, IDC_MAIN_HUE, "-50");
    EXPECT_EQ(100, TrackbarPosition(m_hWnd, IDC_MAIN_HUE_BAR));

    m_dlg.m_pSourceImage.reset(new Magick::Image());
    struct Case
    {
        const char* text;
        int pos;
    } cases[] = {
        {"-50", 50},
        {"500", 200},
        {"-4000000000", 100},
        {"abc", 100},
    };
    for (const Case& c : cases)
    {
        SetDlgItemTextA(m_hWnd, IDC_MAIN_HUE, c.text);
        EXPECT_EQ(c.pos, TrackbarPosition(m_hWnd, IDC_MAIN_HUE_BAR)) << c.text;
    }
    // The spin edit brings a number beyond its range back when it loses the focus.
    SetDlgItemTextA(m_hWnd, IDC_MAIN_HUE, "500");
    SendDlgItemMessageA(m_hWnd, IDC_MAIN_HUE, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ("100", ItemText(m_hWnd, IDC_MAIN_HUE));
    EXPECT_EQ(200, TrackbarPosition(m_hWnd, IDC_MAIN_HUE_BAR));
    SetDlgItemTextA(m_hWnd, IDC_MAIN_LIGHTNESS, "25");
    EXPECT_EQ(125, TrackbarPosition(m_hWnd, IDC_MAIN_LIGHTNESS_BAR));
    EXPECT_EQ(150, TrackbarPosition(m_hWnd, IDC_MAIN_SATURATION_BAR));
    EXPECT_EQ(0, m_dlg.m_bBusy);
}

TEST_F(MainDlgTest, SavedSettingsLoadBackIntoEveryControl)
{
    Ready();
    Tick(m_hWnd, IDC_MAIN_RESIZE, true);
    Tick(m_hWnd, IDC_MAIN_USE_WIDTH, true);
    Tick(m_hWnd, IDC_MAIN_USE_HEIGHT, false);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_WIDTH, "321");
    SetDlgItemTextA(m_hWnd, IDC_MAIN_HEIGHT, "123");
    CheckItem(m_hWnd, IDC_MAIN_FIT, false);
    CheckItem(m_hWnd, IDC_MAIN_CROP, true);
    SelectComboItem(m_hWnd, IDC_MAIN_ANCHOR, 2);
    Tick(m_hWnd, IDC_MAIN_BORDER, true);
    Tick(m_hWnd, IDC_MAIN_BORDER_3D, true);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_BORDER_WIDTH, "7");
    m_dlg.m_crBorder = RGB(10, 20, 30);
    const int bars[] = {30, 160, 200};
    const UINT barIds[] = {IDC_MAIN_HUE_BAR, IDC_MAIN_SATURATION_BAR, IDC_MAIN_LIGHTNESS_BAR};
    for (int i = 0; i < 3; ++i)
    {
        SetTrackbarPosition(m_hWnd, barIds[i], bars[i]);
        SendMessageA(m_hWnd, WM_HSCROLL, TB_THUMBPOSITION, (LPARAM)GetDlgItem(m_hWnd, barIds[i]));
    }
    SelectComboItem(m_hWnd, IDC_MAIN_ROTATE, 3);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_PREFIX, "th_");
    SelectComboItem(m_hWnd, IDC_MAIN_NAME_PATTERN, 1);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_SUFFIX, "_s");
    SetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, "C:\\out put");
    CheckItem(m_hWnd, IDC_MAIN_EXPLORE, true);

    const std::string file = m_temp.File("all.tvx");
    m_dlg.SaveSettings(file.c_str());
    EXPECT_EQ("3", Profile(file, "Resize", "DoCrop"));
    EXPECT_EQ("30", Profile(file, "Border", "ColorB"));
    EXPECT_EQ("3", Profile(file, "Rotate", "Rotate"));

    Command(m_hWnd, IDC_MAIN_RESET);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, "elsewhere");
    CheckItem(m_hWnd, IDC_MAIN_EXPLORE, false);
    m_dlg.LoadSettings(file.c_str());

    EXPECT_EQ(0, m_dlg.m_bLoading);
    for (UINT id : {IDC_MAIN_RESIZE, IDC_MAIN_USE_WIDTH, IDC_MAIN_CROP, IDC_MAIN_BORDER,
                    IDC_MAIN_BORDER_3D, IDC_MAIN_EXPLORE})
        EXPECT_TRUE(IsItemChecked(m_hWnd, id)) << id;
    for (UINT id : {IDC_MAIN_USE_HEIGHT, IDC_MAIN_FIT, IDC_MAIN_STRETCH})
        EXPECT_FALSE(IsItemChecked(m_hWnd, id)) << id;
    EXPECT_EQ("321", ItemText(m_hWnd, IDC_MAIN_WIDTH));
    EXPECT_EQ("123", ItemText(m_hWnd, IDC_MAIN_HEIGHT));
    EXPECT_EQ(2, ComboSelection(m_hWnd, IDC_MAIN_ANCHOR));
    EXPECT_EQ("7", ItemText(m_hWnd, IDC_MAIN_BORDER_WIDTH));
    EXPECT_EQ(RGB(10, 20, 30), m_dlg.m_crBorder);
    EXPECT_EQ(RGB(10, 20, 30), SwatchCentre(m_dlg));
    const char* shown[] = {"-70", "60", "100"};
    const UINT editIds[] = {IDC_MAIN_HUE, IDC_MAIN_SATURATION, IDC_MAIN_LIGHTNESS};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(bars[i], TrackbarPosition(m_hWnd, barIds[i]));
        EXPECT_EQ(shown[i], ItemText(m_hWnd, editIds[i]));
    }
    EXPECT_EQ(3, ComboSelection(m_hWnd, IDC_MAIN_ROTATE));
    EXPECT_EQ("th_", ItemText(m_hWnd, IDC_MAIN_PREFIX));
    EXPECT_EQ(1, ComboSelection(m_hWnd, IDC_MAIN_NAME_PATTERN));
    EXPECT_EQ("_s", ItemText(m_hWnd, IDC_MAIN_SUFFIX));
    EXPECT_EQ("C:\\out put", ItemText(m_hWnd, IDC_MAIN_OUTPUT_FOLDER));
    // The enable rules ran: only the width is in use.
    EXPECT_TRUE(IsItemEnabled(m_hWnd, IDC_MAIN_WIDTH));
    EXPECT_FALSE(IsItemEnabled(m_hWnd, IDC_MAIN_HEIGHT));
}

TEST_F(MainDlgTest, FilesWithoutTheResizeKeyAreRefused)
{
    Ready();
    SetDlgItemTextA(m_hWnd, IDC_MAIN_PREFIX, "keep");
    const char* bodies[] = {
        "[File Names]\r\nPrefix=other\r\n",
        "[Resize]\r\nEnableResize=Default\r\n[File Names]\r\nPrefix=other\r\n",
    };
    for (const char* body : bodies)
    {
        const std::string file = m_temp.File("bad.tvx");
        WriteFileBytes(file, body);
        m_dlg.m_bLoading = 0;
        m_dlg.LoadSettings(file.c_str());
        EXPECT_EQ("keep", ItemText(m_hWnd, IDC_MAIN_PREFIX)) << body;
        EXPECT_EQ(1, m_dlg.m_bLoading) << body;
    }
    m_dlg.m_bLoading = 0;
    m_dlg.LoadSettings(m_temp.File("missing.tvx").c_str());
    EXPECT_EQ("keep", ItemText(m_hWnd, IDC_MAIN_PREFIX));
    EXPECT_EQ(1, m_dlg.m_bLoading);
}

TEST_F(MainDlgTest, MissingAndOutOfRangeValuesLoadAsTheyCome)
{
    Ready();
    const std::string file = m_temp.File("odd.tvx");
    WriteFileBytes(file, "[Resize]\r\nEnableResize=1\r\nDoNothing=1\r\nDoCrop=2\r\n"
                         "[Image]\r\nSaturation=250\r\nLightness=-5\r\n"
                         "[Rotate]\r\nRotate=7\r\n"
                         "[File Names]\r\nName=3\r\n");
    m_dlg.LoadSettings(file.c_str());
    EXPECT_TRUE(IsItemChecked(m_hWnd, IDC_MAIN_FIT));
    EXPECT_TRUE(IsItemChecked(m_hWnd, IDC_MAIN_CROP));
    EXPECT_EQ(1, ComboSelection(m_hWnd, IDC_MAIN_ANCHOR));
    EXPECT_EQ(0, TrackbarPosition(m_hWnd, IDC_MAIN_HUE_BAR)); // missing reads 0
    EXPECT_EQ("-100", ItemText(m_hWnd, IDC_MAIN_HUE));
    EXPECT_EQ(200, TrackbarPosition(m_hWnd, IDC_MAIN_SATURATION_BAR));
    EXPECT_EQ("150", ItemText(m_hWnd, IDC_MAIN_SATURATION));
    EXPECT_EQ(0, TrackbarPosition(m_hWnd, IDC_MAIN_LIGHTNESS_BAR));
    EXPECT_EQ("-105", ItemText(m_hWnd, IDC_MAIN_LIGHTNESS));
    EXPECT_EQ(-1, ComboSelection(m_hWnd, IDC_MAIN_ROTATE));
    EXPECT_EQ(-1, ComboSelection(m_hWnd, IDC_MAIN_NAME_PATTERN));
    for (UINT id : {IDC_MAIN_PREFIX, IDC_MAIN_SUFFIX, IDC_MAIN_OUTPUT_FOLDER})
        EXPECT_EQ("Default", ItemText(m_hWnd, id)) << id;

    // A combo without a selection is saved so that it loads back that way.
    const std::string again = m_temp.File("again.tvx");
    m_dlg.SaveSettings(again.c_str());
    SelectComboItem(m_hWnd, IDC_MAIN_ROTATE, 1);
    SelectComboItem(m_hWnd, IDC_MAIN_NAME_PATTERN, 1);
    m_dlg.LoadSettings(again.c_str());
    EXPECT_EQ(-1, ComboSelection(m_hWnd, IDC_MAIN_ROTATE));
    EXPECT_EQ(-1, ComboSelection(m_hWnd, IDC_MAIN_NAME_PATTERN));
}

// A full disk at close once left settings.tvx cut in its GIF section.
TEST(MainDlg, ASaveThatFailsPartWayLeavesTheSettingsFileAsItWas)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    const std::string stored =
        "[Resize]\r\nEnableResize=1\r\n[File Names]\r\nPrefix=old_\r\nFolder=C:\\" +
        std::string(4000, 'o') + "\r\n[GIF]\r\nNoneTR=0\r\nInterlace=1\r\n";
    settings.Write(stored);
    TempFolder temp("main cut");
    const std::string other = temp.File("other.tvx");
    WriteFileBytes(other, stored);
    std::vector<std::string> messages;
    {
        ProfileCopyDamage cut([](std::string& bytes) { bytes.resize(bytes.size() / 2); });
        CMainDlg dlg;
        bool saved = true;
        messages = RunAnsweringMessageBoxes(
            [&] {
                RunMain(dlg, [&](HWND h) {
                    SetDlgItemTextA(h, IDC_MAIN_PREFIX, "new_");
                    saved = dlg.SaveSettings(other.c_str()); // the Save button's road
                    Command(h, IDCANCEL);
                });
            },
            kTitle);
        EXPECT_FALSE(saved);
    }
    // The close says so, once; the window still closes.
    EXPECT_EQ((std::vector<std::string>{"The settings could not be saved to\n" + settings.Path()}),
              messages);
    EXPECT_EQ(stored, settings.Read());
    EXPECT_EQ(stored, ReadFileBytes(other));
    EXPECT_TRUE(ProfileCopiesIn(GetProgramFolder()).empty());
    EXPECT_EQ((std::vector<std::string>{"other.tvx"}), FolderNames(temp.Path()));
}

// Where the folder beside the program or the file there takes no write (a
// program under "C:\Program Files" for one), the options at close go to
// the user's own folder, starting from what was beside the program, and
// come back from there at the next start.
TEST(MainDlg, WhereTheProgramsFolderTakesNoSettingsTheUsersFolderDoes)
{
    const std::string stored = "[Resize]\r\nEnableResize=0\r\n[File Names]\r\nPrefix=old_\r\n"
                               "[GIF]\r\nNoneTR=0\r\nInterlace=1\r\n";
    const char* const kinds[] = {"read-only folder", "read-only settings.tvx"};
    for (const char* kind : kinds)
    {
        RegistryState registry;
        SettingsPlaces places;
        WriteFileBytes(places.ProgramFile(), stored);
        std::unique_ptr<UnwritableFolder> lock;
        if (kind == kinds[0])
        {
            lock.reset(new UnwritableFolder(places.Program()));
            if (!lock->Made())
                GTEST_SKIP() << "no folder can be made read-only here";
        }
        else
            SetFileAttributesA(places.ProgramFile().c_str(), FILE_ATTRIBUTE_READONLY);

        CMainDlg dlg;
        std::string atStart;
        const std::vector<std::string> messages = RunAnsweringMessageBoxes(
            [&] {
                RunMain(dlg, [&](HWND h) {
                    atStart = ItemText(h, IDC_MAIN_PREFIX);
                    SetDlgItemTextA(h, IDC_MAIN_PREFIX, "new_");
                    Command(h, IDCANCEL);
                });
            },
            kTitle);
        EXPECT_TRUE(messages.empty()) << kind;
        EXPECT_EQ("old_", atStart) << kind;
        EXPECT_EQ(stored, ReadFileBytes(places.ProgramFile())) << kind;
        EXPECT_EQ("new_", Profile(places.UserFile(), "File Names", "Prefix")) << kind;
        EXPECT_EQ("1", Profile(places.UserFile(), "GIF", "Interlace")) << kind;
        EXPECT_EQ(places.UserFile(), GetProgramSettingsPath()) << kind;

        CMainDlg next;
        HWND h = next.Create(NULL);
        ASSERT_NE((HWND)NULL, h);
        EXPECT_EQ("new_", ItemText(h, IDC_MAIN_PREFIX)) << kind;
        DestroyWindow(h);
        const std::vector<std::string> justTheFile = {"settings.tvx"};
        EXPECT_EQ(justTheFile, FolderNames(places.Program())) << kind;
        EXPECT_EQ(justTheFile, FolderNames(places.User())) << kind;
    }
}

// A Save that cannot be written says so, once.
TEST(MainDlg, ASaveIntoAFolderThatTakesNoFileSaysSo)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    TempFolder temp("save locked");
    UnwritableFolder lock(temp.Path());
    if (!lock.Made())
        GTEST_SKIP() << "no folder can be made read-only here";
    const std::string file = temp.File("mine.tvx");
    CMainDlg dlg;
    int phase = 0;
    std::vector<std::string> messages = RunAnsweringMessageBoxes(
        [&] {
            RunMainSteps(dlg, [&](HWND h) {
                HWND save = FindThreadWindow("Select file");
                switch (phase)
                {
                case 0:
                    PostClick(h, IDC_MAIN_SAVE);
                    break;
                case 1:
                    if (save == NULL)
                        return true;
                    TypeFileNameAndConfirm(save, file);
                    break;
                default:
                    if (save != NULL || FindMessageBox(kTitle) != NULL)
                        return true;
                    Command(dlg.m_hWnd, IDCANCEL);
                    return false;
                }
                ++phase;
                return true;
            });
        },
        kTitle);
    EXPECT_EQ((std::vector<std::string>{"The settings could not be saved to\n" + file}), messages);
    EXPECT_TRUE(FolderNames(temp.Path()).empty());
}

// Copies of saves that a kill cut short are cleared at the next start; a
// live save's copy is not.
TEST(MainDlg, StartUpClearsTheCopiesOfKilledSaves)
{
    RegistryState registry;
    SettingsPlaces places;
    const DWORD self = GetCurrentProcessId();
    const ULONGLONG start = ProcessStartTime(GetCurrentProcess());
    // Same id, another start: an earlier run, as Wine numbers them.
    const std::string dead = OwnedTempName(kSettingsCopies, self, start - 1, 1);
    const std::string live = OwnedTempName(kSettingsCopies, self, start, 2);
    const std::string old = "tvx1A2B.tmp"; // an earlier version's, from before this boot
    const std::string recent = "tvx1A2C.tmp";
    for (const std::string& name : {dead, live, old, recent})
        WriteFileBytes(places.Program() + "\\" + name, "[Resize]\r\n");
    MakeLongAgo(places.Program() + "\\" + old);

    CMainDlg dlg;
    HWND h = dlg.Create(NULL);
    ASSERT_NE((HWND)NULL, h);
    DestroyWindow(h);
    std::vector<std::string> kept = {live, recent};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, FolderNames(places.Program()));
}

TEST_F(MainDlgTest, SavingKeepsOtherSectionsAndResetKeepsTheOutputChoice)
{
    WriteFileBytes(m_settings.Path(), "[GIF]\r\nNoneTR=0\r\nInterlace=1\r\n");
    m_dlg.SaveSettings(m_settings.Path().c_str());
    EXPECT_EQ("0", Profile(m_settings.Path(), "GIF", "NoneTR"));
    EXPECT_EQ("1", Profile(m_settings.Path(), "GIF", "Interlace"));
    EXPECT_EQ("0", Profile(m_settings.Path(), "Resize", "EnableResize"));

    SetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, "C:\\gifs");
    CheckItem(m_hWnd, IDC_MAIN_EXPLORE, true);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_PREFIX, "p");
    Command(m_hWnd, IDC_MAIN_RESET);
    EXPECT_EQ("C:\\gifs", ItemText(m_hWnd, IDC_MAIN_OUTPUT_FOLDER));
    EXPECT_TRUE(IsItemChecked(m_hWnd, IDC_MAIN_EXPLORE));
    EXPECT_EQ("", ItemText(m_hWnd, IDC_MAIN_PREFIX));
    EXPECT_EQ(0, m_dlg.m_bLoading);
}

TEST_F(MainDlgTest, ASelectedFolderFillsTheListAndAFocusedFileLoads)
{
    const std::string first = m_temp.File("first"), second = m_temp.File("second");
    CreateDirectoryA(first.c_str(), NULL);
    CreateDirectoryA(second.c_str(), NULL);
    WriteImage(first + "\\a.png", MakeQuadrants(40, 20));
    WriteImage(first + "\\b.bmp", MakeQuadrants(20, 40));
    WriteFileBytes(first + "\\notes.txt", "text");
    WriteImage(second + "\\c.png", MakeQuadrants(30, 30));

    CPidl folder(ParsePath(first));
    ASSERT_NE((LPITEMIDLIST)NULL, folder.Get());
    m_dlg.OnFolderSelected(&m_dlg.m_treePane, CFolderTreePane::kSelectedCode, folder.Get(),
                           first.c_str());
    EXPECT_EQ(2, ListCount(m_dlg));
    EXPECT_EQ(first, m_dlg.m_szBrowsedFolder);
    EXPECT_EQ('\0', m_dlg.m_szCurrentFile[0]) << "no file is loaded for a folder";

    // The focus change travels as a notification that the dialog reflects
    // back to the list, which reports the file.
    LVITEMA state = {};
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(m_dlg.GetListView(), LVM_SETITEMSTATE, 0, (LPARAM)&state);
    const std::string loaded = m_dlg.m_szCurrentFile;
    EXPECT_TRUE(loaded == first + "\\a.png" || loaded == first + "\\b.bmp") << loaded;
    ASSERT_NE((Magick::Image*)NULL, m_dlg.SourceImage());
    const HBITMAP preview = m_dlg.m_hPreviewBitmap;
    EXPECT_NE((HBITMAP)NULL, preview);
    EXPECT_EQ(0, m_dlg.m_bLoading);

    CPidl other(ParsePath(second));
    m_dlg.OnFolderSelected(&m_dlg.m_treePane, CFolderTreePane::kSelectedCode, other.Get(),
                           second.c_str());
    EXPECT_EQ(1, ListCount(m_dlg));
    EXPECT_EQ(second, m_dlg.m_szBrowsedFolder);
    EXPECT_EQ(loaded, m_dlg.m_szCurrentFile);
    EXPECT_EQ(preview, m_dlg.m_hPreviewBitmap);

    // A colour the picker reports re-runs the border stage with it.
    Tick(m_hWnd, IDC_MAIN_BORDER, true);
    SetDlgItemTextA(m_hWnd, IDC_MAIN_BORDER_WIDTH, "3");
    m_dlg.m_crBorder = RGB(255, 0, 0);
    Command(m_hWnd, IDC_MAIN_BORDER_COLOR, 0);
    ASSERT_NE((Magick::Image*)NULL, m_dlg.StageImage(kStageBorder));
    Magick::ColorRGB corner = m_dlg.StageImage(kStageBorder)->pixelColor(0, 0);
    EXPECT_NEAR(1.0, corner.red(), 0.01);
    EXPECT_NEAR(0.0, corner.green(), 0.01);
}

TEST(MainDlg, AFirstStartOpensQuickStartOnce)
{
    struct Case
    {
        bool present;
        DWORD value;
        int quickStarts;
    } cases[] = {
        {true, 1, 1},
        {true, 0, 0},
        {false, 0, 0},
    };
    for (const Case& c : cases)
    {
        RegistryState registry;
        ProgramSettingsGuard settings;
        HelpRecorder help;
        if (c.present)
            RegWriteDword(kRegFirstStart, &c.value);
        EnsureShellAllocator();
        {
            CMainDlg dlg;
            HWND h = dlg.Create(NULL);
            ASSERT_NE((HWND)NULL, h);
            EXPECT_NE((HHOOK)NULL, g_hHelpHook);
            DestroyWindow(h);
        }
        EXPECT_EQ((HHOOK)NULL, g_hHelpHook) << "the destructor removes the F1 hook";
        EXPECT_EQ(c.quickStarts, HelpRecorder::QuickStarts()) << c.present << c.value;
        DWORD after = 77;
        EXPECT_EQ(c.present, RegReadDword(kRegFirstStart, &after));
        if (c.present)
        {
            EXPECT_EQ(0u, after);
        }
    }
}

TEST(MainDlg, F1OpensQuickStartInTheMainWindow)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    HelpRecorder help;
    CMainDlg dlg;
    int ticks = 0;
    RunMainSteps(dlg, [&](HWND h) {
        if (ticks++ == 0)
        {
            HWND edit = GetDlgItem(h, IDC_MAIN_OUTPUT_FOLDER);
            SetFocus(edit);
            PostMessageA(edit, WM_KEYDOWN, VK_F1, 0);
            return true;
        }
        Command(h, IDCANCEL);
        return false;
    });
    EXPECT_EQ(1, HelpRecorder::QuickStarts());
}

TEST(MainDlg, CommandsOpenTheirDialogs)
{
    // command, notification code, caption of the dialog, its closing command
    struct Case
    {
        UINT id;
        WORD code;
        const char* caption;
        UINT close;
    } cases[] = {
        {ID_TOOLS_OPTIONS, 0, "Options", IDCANCEL},
        {IDC_MAIN_GIF_SETTINGS, BN_CLICKED, "PNG/Gif Conversion ", IDC_GIF_CANCEL},
        {IDC_MAIN_GIF_SETTINGS, 0, "PNG/Gif Conversion ",
         IDC_GIF_CANCEL}, // the Convert menu's item
        {ID_HELP_ABOUT, 0, "About Tolvex", IDOK},
    };
    for (const Case& c : cases)
    {
        RegistryState registry;
        ProgramSettingsGuard settings;
        CMainDlg dlg;
        int phase = 0;
        bool seen = false;
        INT_PTR r = RunMainSteps(dlg, [&](HWND h) {
            HWND sub = FindThreadWindow(c.caption);
            switch (phase)
            {
            case 0:
                PostMessageA(h, WM_COMMAND, MAKEWPARAM(c.id, c.code), 0);
                phase = 1;
                return true;
            case 1:
                if (sub != NULL)
                {
                    seen = true;
                    PostMessageA(sub, WM_COMMAND, MAKEWPARAM(c.close, BN_CLICKED),
                                 (LPARAM)GetDlgItem(sub, c.close));
                    phase = 2;
                }
                return true;
            default:
                if (sub != NULL)
                    return true;
                Command(h, IDCANCEL);
                return false;
            }
        });
        EXPECT_TRUE(seen) << c.caption;
        EXPECT_EQ(IDCANCEL, r) << c.caption;
    }
}

TEST(MainDlg, TheFolderButtonFillsTheOutputBoxUnlessCancelled)
{
    TempFolder temp("out");
    for (int button : {IDCANCEL, IDOK})
    {
        RegistryState registry;
        ProgramSettingsGuard settings;
        CMainDlg dlg;
        std::string text;
        int phase = 0;
        RunMainSteps(dlg, [&](HWND h) {
            HWND browse = GetActiveWindow() != h ? GetActiveWindow() : NULL;
            switch (phase)
            {
            case 0:
                SetDlgItemTextA(h, IDC_MAIN_OUTPUT_FOLDER, "before");
                PostClick(h, IDC_MAIN_BROWSE);
                phase = 1;
                return true;
            case 1:
                if (browse == NULL)
                    return true;
                SendMessageA(browse, BFFM_SETSELECTIONA, TRUE, (LPARAM)temp.Path().c_str());
                PostMessageA(browse, WM_COMMAND, button, 0);
                phase = 2;
                return true;
            default:
                if (browse != NULL)
                    return true;
                text = ItemText(h, IDC_MAIN_OUTPUT_FOLDER);
                Command(h, IDCANCEL);
                return false;
            }
        });
        EXPECT_EQ(button == IDOK ? temp.Path() : "before", text) << button;
    }
}

TEST(MainDlg, SaveAndLoadButtonsGoThroughTheFileDialogs)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    TempFolder temp("sl");
    const std::string file = temp.File("mine.tvx");
    CMainDlg dlg;
    std::vector<std::string> prefixes; // after the load, after the cancelled load
    int phase = 0;
    // Save, load it back over a change, then a load that is cancelled.
    RunMainSteps(dlg, [&](HWND h) {
        HWND save = FindThreadWindow("Select file");
        HWND open = FindThreadWindow("Open file");
        switch (phase)
        {
        case 0:
            SetDlgItemTextA(h, IDC_MAIN_PREFIX, "saved");
            PostClick(h, IDC_MAIN_SAVE);
            break;
        case 1:
            if (save == NULL)
                return true;
            TypeFileNameAndConfirm(save, file);
            break;
        case 2:
        case 4:
            if (save != NULL || open != NULL)
                return true;
            if (phase == 4)
                prefixes.push_back(ItemText(h, IDC_MAIN_PREFIX));
            SetDlgItemTextA(h, IDC_MAIN_PREFIX, "changed");
            PostClick(h, IDC_MAIN_LOAD);
            break;
        case 3:
            if (open == NULL)
                return true;
            TypeFileNameAndConfirm(open, file);
            break;
        case 5:
            if (open == NULL)
                return true;
            PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
            break;
        default:
            if (open != NULL)
                return true;
            prefixes.push_back(ItemText(h, IDC_MAIN_PREFIX));
            Command(h, IDCANCEL);
            return false;
        }
        ++phase;
        return true;
    });
    EXPECT_EQ("saved", Profile(file, "File Names", "Prefix"));
    EXPECT_EQ((std::vector<std::string>{"saved", "changed"}), prefixes);
}

TEST(MainDlg, SavingOverAnExistingSettingsFileAsksFirst)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    TempFolder temp("sl ask");
    const std::string file = temp.File("mine.tvx");
    const std::string before = "[Resize]\r\nEnableResize=1\r\n[File Names]\r\nPrefix=before\r\n";
    WriteFileBytes(file, before);
    CMainDlg dlg;
    const int answers[] = {IDNO, IDYES};
    size_t asked = 0;
    int phase = 0;
    std::string afterNo;
    RunMainSteps(dlg, [&](HWND h) {
        const FileDialogWindows w = FindFileDialogWindows("Select file");
        switch (phase)
        {
        case 0:
            if (asked == 2)
            {
                Command(h, IDCANCEL);
                return false;
            }
            SetDlgItemTextA(h, IDC_MAIN_PREFIX, "saved");
            PostClick(h, IDC_MAIN_SAVE);
            break;
        case 1:
            if (w.dialog == NULL)
                return true;
            TypeFileNameAndConfirm(w.dialog, file);
            break;
        case 2:
            if (w.question == NULL)
                return true;
            PostMessageA(w.question, WM_COMMAND, answers[asked++], 0);
            break;
        default:
            if (w.question != NULL)
                return true;
            if (asked == 1)
            {
                // No: back in the file dialog, the file untouched.
                if (w.dialog == NULL)
                    return true;
                afterNo = ReadFileBytes(file);
                phase = 1;
                TypeFileNameAndConfirm(w.dialog, file);
                phase = 2;
                return true;
            }
            if (w.dialog != NULL)
                return true;
            phase = 0;
            return true;
        }
        ++phase;
        return true;
    });
    EXPECT_EQ(2u, asked);
    EXPECT_EQ(before, afterNo);
    EXPECT_EQ("saved", Profile(file, "File Names", "Prefix"));
}

TEST(MainDlg, TheSettingsDialogsStartInTheSettingsFolderWhichTheyMake)
{
    SettingsFolderAside aside;
    const std::string& folder = aside.Folder();
    struct Case
    {
        UINT button;
        const char* title;
    } cases[] = {
        {IDC_MAIN_SAVE, "Select file"},
        {IDC_MAIN_LOAD, "Open file"},
    };
    for (const Case& c : cases)
    {
        aside.Clear();
        ASSERT_EQ(0, PathExists(folder.c_str()));
        RegistryState registry;
        ProgramSettingsGuard settings;
        CMainDlg dlg;
        std::string shown = "<no dialog>";
        int phase = 0;
        RunMainSteps(dlg, [&](HWND h) {
            HWND fileDlg = FindThreadWindow(c.title);
            switch (phase)
            {
            case 0:
                PostClick(h, c.button);
                phase = 1;
                return true;
            case 1:
            {
                if (fileDlg == NULL)
                    return true;
                char path[kPathBufferSize] = "";
                SendMessageA(fileDlg, CDM_GETFOLDERPATH, sizeof(path), (LPARAM)path);
                shown = path;
                PostMessageA(fileDlg, WM_COMMAND, IDCANCEL, 0);
                phase = 2;
                return true;
            }
            default:
                if (fileDlg != NULL)
                    return true;
                Command(h, IDCANCEL);
                return false;
            }
        });
        EXPECT_EQ(-1, PathExists(folder.c_str())) << c.title;
        EXPECT_EQ(0, lstrcmpiA(folder.c_str(), shown.c_str())) << c.title << ": " << shown;
    }
}

TEST_F(MainDlgTest, WindowAndMenusCarryTheirTextsAndCommands)
{
    EXPECT_EQ("Tolvex", GetWindowTextString(m_hWnd));
    const LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    const LONG_PTR frameBits =
        WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_POPUP | WS_THICKFRAME | WS_MAXIMIZEBOX;
    EXPECT_EQ((LONG_PTR)(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), style & frameBits);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_hWnd, IDC_MAIN_SPLITTER_AREA)));
    EXPECT_NE((HANDLE)NULL, (HANDLE)SendMessageA(m_hWnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE((HANDLE)NULL, (HANDLE)SendMessageA(m_hWnd, WM_GETICON, ICON_SMALL, 0));

    // Each submenu as "text:id|text:id|..." with "-" for separators.
    auto describe = [](HMENU menu) {
        std::vector<std::string> out;
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
        {
            HMENU sub = GetSubMenu(menu, i);
            char text[128] = "";
            GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
            std::string line = std::string(text) + ">";
            for (int j = 0; j < GetMenuItemCount(sub); ++j)
            {
                char item[128] = "";
                GetMenuStringA(sub, j, item, sizeof(item), MF_BYPOSITION);
                const UINT id = GetMenuItemID(sub, j);
                line += (j ? "|" : "") +
                        (item[0] ? std::string(item) + ":" + std::to_string(id) : std::string("-"));
            }
            out.push_back(line);
        }
        return out;
    };
    EXPECT_EQ(
        (std::vector<std::string>{
            "File>&Load settings\tAlt+L:1059|&Save settings\tAlt+S:1058|-|&Exit\tAlt+E:2",
            "Convert>&Gif settings\tAlt+G:1060|-|Selection:32772|All:32773|All recursively:32774",
            "Tools>Options:1075",
            "Help>Quick start:32785|-|Contents:32786|Search:32787|-|Tolvex Online:32788|"
            "Technical support:32789|Send Email:32790|-|About:1054",
        }),
        describe(GetMenu(m_hWnd)));
    HMENU convert = LoadMenuA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_CONVERT_MENU));
    EXPECT_EQ(
        (std::vector<std::string>{
            "Convert>Convert Selection:32772|Convert All:32773|Convert All Recursively:32774"}),
        describe(convert));
    DestroyMenu(convert);
    EXPECT_NE((HMENU)NULL, m_dlg.m_btnConvert.GetDropMenu());
}
