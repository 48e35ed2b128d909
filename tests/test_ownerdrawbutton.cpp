// OwnerDrawButton: hover, clicks, toggles, repeats, menus and tips of the owner-drawn button.
#include <windowsx.h>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls/Bitmaps.h"
#include "controls/OwnerDrawButton.h"
#include "tests/support/ParentCommands.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

namespace {

const UINT kButtonId = 321;
const int kButtonWidth = 100;
const int kButtonHeight = 24;

// Records the state at every paint instead of drawing.
class CProbeButton : public COwnerDrawButton
{
public:
    struct Paint
    {
        int hot, pressed, level;
    };
    std::vector<Paint> paints;
    void Draw(HDC) override { paints.push_back({m_hotPart, m_pressedPart, (int)m_fadeLevel}); }
};

using Command = ParentCommand;

// Keeps every command, posted or sent, that reaches the parent.
LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    KeepParentCommand(uMsg, wParam, lParam);
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

HWND MakeParent()
{
    static ATOM atom = 0;
    if (atom == 0)
    {
        WNDCLASSEXA wc;
        memset(&wc, 0, sizeof(wc));
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "TvxButtonTestParent";
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        atom = RegisterClassExA(&wc);
    }
    HWND h = CreateWindowExA(0, "TvxButtonTestParent", "Button test", WS_OVERLAPPEDWINDOW, 200, 200,
                             320, 200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ShowWindow(h, SW_SHOW);
    UpdateWindow(h);
    return h;
}

BOOL CALLBACK DestroyChild(HWND hWnd, LPARAM)
{
    DestroyWindow(hWnd);
    return TRUE;
}

class OwnerDrawButtonTest : public testing::Test
{
protected:
    // One parent for all: destroying a top-level window costs seconds here.
    static void SetUpTestSuite() { parent = MakeParent(); }
    static void TearDownTestSuite() { DestroyWindow(parent); }
    void SetUp() override
    {
        // Keep the real pointer away from the windows, so re-checks of the
        // pointer position find it outside.
        SetCursorPos(0, 0);
        PumpMessages();
        ForgetParentCommands();
    }
    void TearDown() override
    {
        EnumChildWindows(parent, DestroyChild, 0);
        PumpMessages();
    }
    // A button of kButtonWidth x kButtonHeight at (10, 10).
    void Make(CProbeButton& b, DWORD style, const char* caption = "&Go")
    {
        RECT rc = {10, 10, 10 + kButtonWidth - 1, 10 + kButtonHeight - 1};
        ASSERT_TRUE(b.Create(caption, parent, kButtonId, style, &rc));
        TakeCommands();
        b.paints.clear();
    }
    static HWND parent;
};
HWND OwnerDrawButtonTest::parent = NULL;

} // namespace

TEST_F(OwnerDrawButtonTest, HitTestFindsBodyAndDropPart)
{
    CProbeButton plain, drop;
    Make(plain, kOdbStylePlain);
    Make(drop, kOdbStylePlain | kOdbDropDown);
    const int w = kButtonWidth, h = kButtonHeight;
    struct Case
    {
        int x, y, plainPart, dropPart;
    } cases[] = {
        {-1, 5, 0, 0},     {5, -1, 0, 0}, {0, 0, 1, 1},     {w - 12, 5, 1, 1},
        {w - 11, 5, 1, 2}, {w, h, 1, 2},  {w + 1, 5, 0, 0}, {5, h + 1, 0, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.plainPart, plain.HitTest(c.x, c.y)) << c.x << "," << c.y;
        EXPECT_EQ(c.dropPart, drop.HitTest(c.x, c.y)) << c.x << "," << c.y;
    }
}

TEST_F(OwnerDrawButtonTest, TipTextShowsTheLastLineAndFitsTheNotificationBuffer)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    const std::string longTip(200, 'x');
    const std::string hugeTip(3000, 'y');
    struct Case
    {
        std::string text;
        std::string shown;
    } cases[] = {
        {"Save settings", "Save settings"},
        {"Status bar text\nTip", "Tip"},
        {"a\nb\nlast", "last"},
        {"ends with newline\n", ""},
        {longTip, std::string(79, 'x')},
        {"head\n" + longTip, std::string(79, 'x')},
        {hugeTip, std::string(79, 'y')},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(b.SetTooltip(NULL, c.text.c_str()));
        struct
        {
            NMTTDISPINFOA info;
            char guard[16];
        } n;
        memset(&n, 0x5A, sizeof(n));
        n.info.hdr.hwndFrom = b.GetTooltipWindow();
        n.info.hdr.code = TTN_NEEDTEXTA;
        n.info.lpszText = n.info.szText;
        SendMessageA(b.GetHwnd(), WM_NOTIFY, 0, (LPARAM)&n.info);
        EXPECT_EQ(c.shown, std::string(n.info.lpszText)) << c.text.substr(0, 40);
        EXPECT_EQ(0x5A5A5A5A, (int)(INT_PTR)n.info.hinst) << "ran past szText";
        EXPECT_EQ(std::string(16, 0x5A), std::string(n.guard, 16));
    }
    EXPECT_TRUE(b.HasFlag(kOdbTooltip));
    b.SetTooltip(NULL, NULL);
    EXPECT_FALSE(b.HasFlag(kOdbTooltip));
    NMTTDISPINFOA info;
    memset(&info, 0, sizeof(info));
    info.hdr.code = TTN_NEEDTEXTA;
    info.lpszText = info.szText;
    strcpy(info.szText, "untouched");
    b.GetTipText(&info);
    EXPECT_STREQ("untouched", info.szText);
}

TEST_F(OwnerDrawButtonTest, TheTooltipAndMenuGoWithTheButton)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    b.SetTooltip(NULL, "Options");
    ASSERT_TRUE(b.SetMenu(GetModuleHandleA(NULL), IDR_TEST_DROP_MENU, 0, -1));
    HWND tip = b.GetTooltipWindow();
    HMENU first = b.GetDropMenu();
    ASSERT_TRUE(IsWindow(tip));
    ASSERT_TRUE(IsMenu(first));
    // A second menu replaces the first, which is destroyed.
    ASSERT_TRUE(b.SetMenu(GetModuleHandleA(NULL), IDR_TEST_DROP_MENU, 0, 1));
    HMENU second = b.GetDropMenu();
    EXPECT_FALSE(IsMenu(first) && first != second);
    EXPECT_EQ((UINT)IDM_TEST_SECOND, GetMenuDefaultItem(second, FALSE, 0));
    DestroyWindow(b.GetHwnd());
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_FALSE(IsMenu(second));
}

TEST_F(OwnerDrawButtonTest, SetMenuKeepsTheDropFlagsInStep)
{
    CProbeButton b;
    Make(b, kOdbStylePlain | kOdbNoMenu);
    HINSTANCE inst = GetModuleHandleA(NULL);
    EXPECT_TRUE(b.SetMenu(inst, IDR_TEST_DROP_MENU, 0, -1));
    EXPECT_TRUE(b.HasFlag(kOdbDropDown));
    EXPECT_FALSE(b.HasFlag(kOdbNoMenu));
    EXPECT_FALSE(b.SetMenu(inst, IDR_TEST_DROP_MENU, 1, -1)); // a plain item
    EXPECT_FALSE(b.HasFlag(kOdbDropDown));
    EXPECT_TRUE(b.HasFlag(kOdbNoMenu));
    EXPECT_EQ((HMENU)NULL, b.GetDropMenu());
    const DWORD before = b.GetStyle();
    EXPECT_FALSE(b.SetMenu(inst, 12345, 0, -1)); // no such menu
    EXPECT_EQ(before, b.GetStyle());
}

TEST_F(OwnerDrawButtonTest, WindowTableTracksAttachedButtonsAndRestoresProcedures)
{
    const int base = ButtonMapCount();
    HWND h[3];
    WNDPROC original[3];
    std::unique_ptr<CProbeButton> b[3];
    for (int i = 0; i < 3; ++i)
    {
        h[i] = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE, 0, 30 * i, 50, 20, parent,
                               (HMENU)(INT_PTR)(100 + i), NULL, NULL);
        original[i] = (WNDPROC)GetWindowLongPtrA(h[i], GWLP_WNDPROC);
        b[i].reset(new CProbeButton);
        ASSERT_TRUE(b[i]->Attach(h[i], kOdbStylePlain));
        EXPECT_EQ(b[i].get(), ButtonMapFind(h[i]));
    }
    EXPECT_EQ(base + 3, ButtonMapCount());

    // A window that is already ours is refused, by its own object and by
    // another, and it keeps working afterwards (no self-recursion).
    CProbeButton other;
    EXPECT_FALSE(other.Attach(h[0], kOdbStylePlain));
    EXPECT_FALSE(b[0]->Attach(h[0], kOdbStylePlain));
    EXPECT_FALSE(b[0]->Attach(h[1], kOdbStylePlain));
    EXPECT_EQ(b[0].get(), ButtonMapFind(h[0]));
    EXPECT_EQ(1, SendMessageA(h[0], WM_ERASEBKGND, 0, 0));

    // An object that dies before its window lets go of it.
    b[1].reset();
    EXPECT_EQ(base + 2, ButtonMapCount());
    EXPECT_EQ(NULL, ButtonMapFind(h[1]));
    EXPECT_EQ(original[1], (WNDPROC)GetWindowLongPtrA(h[1], GWLP_WNDPROC));
    SendMessageA(h[1], WM_SETTEXT, 0, (LPARAM) "still alive");

    b[0].reset();
    b[2].reset();
    EXPECT_EQ(base, ButtonMapCount());
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(original[i], (WNDPROC)GetWindowLongPtrA(h[i], GWLP_WNDPROC)) << i;
        EXPECT_EQ(NULL, ButtonMapFind(h[i]));
    }

    // Destroying the windows first detaches them too; the object can be
    // attached again afterwards.
    CProbeButton again;
    ASSERT_TRUE(again.Attach(h[2], kOdbStylePlain));
    DestroyWindow(h[2]);
    EXPECT_EQ(base, ButtonMapCount());
    EXPECT_EQ(NULL, again.GetHwnd());
    EXPECT_TRUE(again.Attach(h[0], kOdbStylePlain));
    DestroyWindow(h[0]);
    EXPECT_EQ(base, ButtonMapCount());
}

TEST_F(OwnerDrawButtonTest, SubclassDlgItemNeedsTheItem)
{
    HWND item = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, parent,
                                (HMENU)(INT_PTR)77, NULL, NULL);
    CProbeButton b;
    EXPECT_FALSE(b.SubclassDlgItem(parent, 78, kOdbStylePlain));
    EXPECT_EQ(NULL, b.GetHwnd());
    EXPECT_TRUE(b.SubclassDlgItem(parent, 0x10000 | 77, kOdbStylePlain)); // low 16 bits
    EXPECT_EQ(item, b.GetHwnd());
}

TEST_F(OwnerDrawButtonTest, HoverCapturesAndFadesInAndOut)
{
    CProbeButton b;
    Make(b, kOdbStylePlain | kOdbFade | kOdbDropDown);
    HWND h = b.GetHwnd();

    EXPECT_EQ(1, Mouse(h, WM_MOUSEMOVE, 10, 10));
    EXPECT_EQ(h, GetCapture());
    EXPECT_EQ(kOdbPartBody, b.GetHotPart());
    std::vector<int> levels;
    for (auto& p : b.paints)
        levels.push_back(p.level);
    EXPECT_EQ((std::vector<int>{0, 51, 102, 153, 204, 255}), levels);

    // Moving again over the same part changes nothing.
    b.paints.clear();
    EXPECT_EQ(0, Mouse(h, WM_MOUSEMOVE, 12, 10));
    EXPECT_TRUE(b.paints.empty());

    // Body to drop-down part: only the hot part changes.
    EXPECT_EQ(1, Mouse(h, WM_MOUSEMOVE, kButtonWidth - 5, 10));
    EXPECT_EQ(kOdbPartDrop, b.GetHotPart());
    EXPECT_EQ(h, GetCapture());
    ASSERT_EQ(1u, b.paints.size());
    EXPECT_EQ(255, b.paints[0].level);

    b.paints.clear();
    EXPECT_EQ(1, Mouse(h, WM_MOUSEMOVE, kButtonWidth + 30, 10));
    EXPECT_EQ(NULL, GetCapture());
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(255, b.GetFadeLevel());
    levels.clear();
    for (auto& p : b.paints)
        if (p.hot != kOdbPartNone)
            levels.push_back(p.level);
    EXPECT_EQ((std::vector<int>{255, 204, 153, 102, 51}), levels);
    EXPECT_EQ(kOdbPartNone, b.paints.back().hot);
}

TEST_F(OwnerDrawButtonTest, LeavingWithoutFadeJustReleases)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    HWND h = b.GetHwnd();
    Mouse(h, WM_MOUSEMOVE, 10, 10);
    b.paints.clear();
    Mouse(h, WM_MOUSEMOVE, -5, 10);
    EXPECT_EQ(NULL, GetCapture());
    ASSERT_EQ(1u, b.paints.size());
    EXPECT_EQ(kOdbPartNone, b.paints[0].hot);
}

TEST_F(OwnerDrawButtonTest, ClickPostsTheCommandAndDragOutCancelsIt)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    HWND h = b.GetHwnd();

    Mouse(h, WM_MOUSEMOVE, 10, 10);
    EXPECT_EQ(1, Mouse(h, WM_LBUTTONDOWN, 10, 10));
    EXPECT_EQ(kOdbPartBody, b.GetPressedPart());
    EXPECT_EQ(h, GetCapture());
    EXPECT_EQ(1, Mouse(h, WM_LBUTTONUP, 10, 10));
    EXPECT_EQ(NULL, GetCapture());
    std::vector<Command> cmds = TakeCommands();
    ASSERT_EQ(1u, cmds.size());
    EXPECT_EQ(MAKEWPARAM(kButtonId, BN_CLICKED), cmds[0].wParam);
    EXPECT_EQ((LPARAM)h, cmds[0].lParam);
    // Without the focus the re-check leaves the button idle.
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(kOdbPartNone, b.GetPressedPart());

    // Press, drag off (the press and the capture stay), release outside.
    Mouse(h, WM_MOUSEMOVE, 10, 10);
    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    Mouse(h, WM_MOUSEMOVE, 200, 10);
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(kOdbPartBody, b.GetPressedPart());
    EXPECT_EQ(h, GetCapture());
    Mouse(h, WM_MOUSEMOVE, 10, 10); // back over it while held: no new capture round
    EXPECT_EQ(kOdbPartBody, b.GetHotPart());
    Mouse(h, WM_MOUSEMOVE, 200, 10);
    Mouse(h, WM_LBUTTONUP, 200, 10);
    EXPECT_TRUE(TakeCommands().empty());
    EXPECT_EQ(NULL, GetCapture());
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(kOdbPartNone, b.GetPressedPart());
}

TEST_F(OwnerDrawButtonTest, ToggleFlipsOnCompletedClicksOnly)
{
    CProbeButton b;
    Make(b, kOdbStylePlain | kOdbToggle | kOdbDropDown);
    HWND h = b.GetHwnd();
    // Released over the drop-down part still counts as over the button.
    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    Mouse(h, WM_LBUTTONUP, kButtonWidth - 3, 10);
    EXPECT_TRUE(b.HasFlag(kOdbLatched));
    EXPECT_EQ(1u, TakeCommands().size());

    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    Mouse(h, WM_LBUTTONUP, -20, 10);
    EXPECT_TRUE(b.HasFlag(kOdbLatched));
    EXPECT_TRUE(TakeCommands().empty());

    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    Mouse(h, WM_LBUTTONUP, 10, 10);
    EXPECT_FALSE(b.HasFlag(kOdbLatched));
    EXPECT_EQ(1u, TakeCommands().size());
}

TEST_F(OwnerDrawButtonTest, DisablingAHotButtonReturnsItToIdle)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    HWND h = b.GetHwnd();
    Mouse(h, WM_MOUSEMOVE, 10, 10);
    ASSERT_EQ(h, GetCapture());
    EnableWindow(h, FALSE);
    TakeCommands();
    EXPECT_EQ(NULL, GetCapture());
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(255, b.GetFadeLevel());
    // A disabled button ignores the pointer.
    Mouse(h, WM_MOUSEMOVE, 10, 10);
    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    Mouse(h, WM_LBUTTONUP, 10, 10);
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_TRUE(TakeCommands().empty());

    // A style change that disables re-checks the pointer.
    EnableWindow(h, TRUE);
    Mouse(h, WM_MOUSEMOVE, 10, 10);
    ASSERT_EQ(h, GetCapture());
    SetWindowLongA(h, GWL_STYLE, GetWindowLongA(h, GWL_STYLE) | WS_DISABLED);
    TakeCommands();
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(NULL, GetCapture()) << "the disabled button lets the capture go";
}

TEST_F(OwnerDrawButtonTest, ALeaveNoticeEndsTheHotStateAndALatchedButtonShowsItsFace)
{
    COwnerDrawButton b;
    RECT rc = {10, 10, 10 + kButtonWidth - 1, 10 + kButtonHeight - 1};
    ASSERT_TRUE(b.Create("", parent, kButtonId, kOdbStyleViewRadio | kOdbLatched, &rc));
    HWND h = b.GetHwnd();
    PumpMessages();
    // The inset face of a latched button, as the last paint left it.
    auto face = [&]() -> COLORREF {
        GdiFlush();
        DibPixels px;
        if (!GetDibPixels(b.GetBackBuffer(), px))
            return CLR_INVALID;
        const BYTE* p = px.Row(kButtonHeight / 2) + 3 * px.pixelBytes;
        return RGB(p[2], p[1], p[0]);
    };
    const COLORREF latchedFace = face();

    // The pointer really over the button: entering asks for the notice.
    POINT inside = {20, 15};
    ClientToScreen(h, &inside);
    SetCursorPos(inside.x, inside.y);
    Mouse(h, WM_MOUSEMOVE, 10, 5);
    ASSERT_EQ(kOdbPartBody, b.GetHotPart());
    EXPECT_NE(latchedFace, face()) << "hot: no inset face";
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&tme));
    EXPECT_EQ(h, tme.hwndTrack);
    EXPECT_TRUE(tme.dwFlags & TME_LEAVE);
    // A notice while the pointer is still over it changes nothing.
    SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(kOdbPartBody, b.GetHotPart());
    EXPECT_EQ(h, GetCapture());

    // Gone without a move the capture could see: the notice ends it.
    SetCursorPos(0, 0);
    SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(NULL, GetCapture());
    EXPECT_TRUE(b.HasFlag(kOdbLatched));
    EXPECT_EQ(latchedFace, face());

    // While held, leaving keeps the press and the capture.
    SetCursorPos(inside.x, inside.y);
    Mouse(h, WM_MOUSEMOVE, 10, 5);
    Mouse(h, WM_LBUTTONDOWN, 10, 5);
    SetCursorPos(0, 0);
    SendMessageA(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(kOdbPartBody, b.GetPressedPart());
    EXPECT_EQ(h, GetCapture());
    Mouse(h, WM_LBUTTONUP, 200, 5);
    EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(OwnerDrawButtonTest, AutoRepeatClicksAtPressAndOnEachTimer)
{
    CProbeButton b;
    Make(b, kOdbStyleSpinUp);
    HWND h = b.GetHwnd();
    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(1u, TakeCommands().size());
    SendMessageA(h, WM_TIMER, kOdbRepeatDelayTimer, 0);
    SendMessageA(h, WM_TIMER, kOdbRepeatTimer, 0);
    SendMessageA(h, WM_TIMER, kOdbRepeatTimer, 0);
    // Held outside the button it keeps repeating.
    Mouse(h, WM_MOUSEMOVE, 300, 10);
    SendMessageA(h, WM_TIMER, kOdbRepeatTimer, 0);
    EXPECT_EQ(4u, TakeCommands().size());
    Mouse(h, WM_LBUTTONUP, 10, 10);
    SendMessageA(h, WM_TIMER, kOdbRepeatTimer, 0);
    SendMessageA(h, WM_TIMER, kOdbRepeatDelayTimer, 0);
    EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(OwnerDrawButtonTest, RealRepeatTimersFollowTheKeyboardSettings)
{
    CProbeButton b;
    Make(b, kOdbStyleSpinDown);
    HWND h = b.GetHwnd();
    int delay = 0;
    DWORD speed = 0;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &delay, 0));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &speed, 0));
    const DWORD delayMs = (5 * delay + 5) * 50, intervalMs = 20000 / (10 * speed + 25);

    const DWORD start = GetTickCount();
    Mouse(h, WM_LBUTTONDOWN, 10, 10);
    std::vector<DWORD> at;
    while (GetTickCount() - start < delayMs + 4 * intervalMs)
    {
        for (size_t i = 0; i < TakeCommands().size(); ++i)
            at.push_back(GetTickCount() - start);
        Sleep(2);
    }
    Mouse(h, WM_LBUTTONUP, 10, 10);
    PumpMessages(3 * intervalMs);
    EXPECT_TRUE(TakeCommands().empty());
    ASSERT_GE(at.size(), 3u);
    EXPECT_LT(at[0], 50u);
    EXPECT_GE(at[1] + 20, delayMs);
    EXPECT_GE(at[2] - at[1] + 20, intervalMs);
}

// Presses the drop-down part and dismisses the menu; returns where it was.
RECT OpenDropMenuAndDismiss(HWND h)
{
    RECT menuRect = {0, 0, 0, 0};
    DriveWhile([&] { Mouse(h, WM_LBUTTONDOWN, kButtonWidth - 3, 5); },
               [&](int) {
                   HWND m = FindWindowA("#32768", NULL);
                   if (m == NULL || !IsWindowVisible(m))
                       return true;
                   GetWindowRect(m, &menuRect);
                   EndMenu();
                   return false;
               });
    return menuRect;
}

TEST_F(OwnerDrawButtonTest, DropDownMenuSendsTheChosenCommandOnly)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    HWND h = b.GetHwnd();
    ASSERT_TRUE(b.SetMenu(GetModuleHandleA(NULL), IDR_TEST_DROP_MENU, 0, -1));
    RECT btn;
    GetWindowRect(h, &btn);

    // Dismissed: nothing is sent and the button is idle again.
    RECT menuRect = OpenDropMenuAndDismiss(h);
    EXPECT_TRUE(TakeCommands().empty());
    EXPECT_EQ(kOdbPartNone, b.GetHotPart());
    EXPECT_EQ(kOdbPartNone, b.GetPressedPart());
    EXPECT_EQ(btn.right, menuRect.right);
    EXPECT_EQ(btn.bottom, menuRect.top);

    // A chosen item arrives as a menu command (lParam 0).
    DriveWhile([&] { Mouse(h, WM_LBUTTONDOWN, kButtonWidth - 3, 5); },
               [&](int step) {
                   HWND m = FindWindowA("#32768", NULL);
                   if (m == NULL || !IsWindowVisible(m))
                       return true;
                   PostMessageA(m, WM_KEYDOWN, step % 2 ? VK_DOWN : VK_RETURN, 0);
                   return true;
               });
    std::vector<Command> cmds = TakeCommands();
    ASSERT_EQ(1u, cmds.size());
    EXPECT_EQ((WPARAM)IDM_TEST_FIRST, cmds[0].wParam);
    EXPECT_EQ(0, cmds[0].lParam);

    // Left-aligned at the left edge minus one.
    b.SetFlags(kOdbMenuLeft, TRUE);
    menuRect = OpenDropMenuAndDismiss(h);
    EXPECT_EQ(btn.left - 1, menuRect.left);
}

TEST_F(OwnerDrawButtonTest, CheckAndStateMessages)
{
    CProbeButton radio, plain;
    Make(radio, kOdbStyleViewRadio);
    Make(plain, kOdbStylePlain);
    EXPECT_EQ(DLGC_BUTTON | DLGC_RADIOBUTTON, SendMessageA(radio.GetHwnd(), WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(1, SendMessageA(radio.GetHwnd(), BM_SETCHECK, BST_CHECKED, 0));
    EXPECT_TRUE(radio.HasFlag(kOdbLatched));
    EXPECT_FALSE(radio.paints.empty());
    SendMessageA(radio.GetHwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_FALSE(radio.HasFlag(kOdbLatched));
    plain.paints.clear();
    EXPECT_EQ(1, SendMessageA(plain.GetHwnd(), BM_SETCHECK, BST_CHECKED, 0));
    EXPECT_FALSE(plain.HasFlag(kOdbLatched));
    EXPECT_TRUE(plain.paints.empty());

    SendMessageA(plain.GetHwnd(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(kOdbPartBody, plain.GetPressedPart());
    SendMessageA(plain.GetHwnd(), BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(kOdbPartNone, plain.GetPressedPart());

    // Hiding forgets the pointer.
    Mouse(plain.GetHwnd(), WM_MOUSEMOVE, 10, 10);
    ShowWindow(plain.GetHwnd(), SW_HIDE);
    EXPECT_EQ(kOdbPartNone, plain.GetHotPart());
    EXPECT_EQ(NULL, GetCapture());
}

TEST_F(OwnerDrawButtonTest, KeyboardAndMnemonicClicksReachTheParent)
{
    CProbeButton b;
    Make(b, kOdbStylePlain);
    HWND h = b.GetHwnd();
    // What a dialog sends for the button's mnemonic.
    SendMessageA(h, BM_CLICK, 0, 0);
    std::vector<Command> cmds = TakeCommands();
    ASSERT_EQ(1u, cmds.size());
    EXPECT_EQ(MAKEWPARAM(kButtonId, BN_CLICKED), cmds[0].wParam);

    // Space goes through the standard keyboard handling.
    SetFocus(h);
    SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(h, WM_KEYUP, VK_SPACE, 0xC0000001);
    cmds = TakeCommands();
    ASSERT_EQ(1u, cmds.size());
    EXPECT_EQ(MAKEWPARAM(kButtonId, BN_CLICKED), cmds[0].wParam);
    EXPECT_EQ(kOdbPartNone, b.GetPressedPart());
}

TEST_F(OwnerDrawButtonTest, SetImageLoadsTheImageAndItsGreyCopy)
{
    HINSTANCE inst = GetModuleHandleA(NULL);
    CProbeButton b;
    Make(b, kOdbStyleViewRadio);
    ASSERT_TRUE(b.SetImage(inst, IDB_TEST_MAPPED, 0, 1));
    EXPECT_TRUE(b.HasFlag(kOdbImage));
    EXPECT_EQ((HBITMAP)NULL, b.GetGrayImage()); // only made for grey or fading buttons
    HBITMAP first = b.GetImage();

    // A second image replaces the first one and frees it.
    ASSERT_TRUE(b.SetImage(inst, IDB_TEST_MAPPED, kOdbGrayIdle, 1));
    EXPECT_EQ(0, GetObjectA(first, sizeof(BITMAP), NULL));
    EXPECT_TRUE(b.HasFlag(kOdbGrayIdle));
    ASSERT_NE((HBITMAP)NULL, b.GetGrayImage());
    BITMAP bm;
    ASSERT_TRUE(GetObjectA(b.GetGrayImage(), sizeof(bm), &bm));
    EXPECT_EQ(8, bm.bmWidth);
    EXPECT_EQ(24, bm.bmBitsPixel);

    // A missing resource: no image, the image bit all the same.
    CProbeButton missing;
    Make(missing, kOdbStylePlain);
    EXPECT_FALSE(missing.SetImage(inst, 4321, 0, 1));
    EXPECT_TRUE(missing.HasFlag(kOdbImage));
}

TEST_F(OwnerDrawButtonTest, CreateWithoutRectangleAndCaptionMeasure)
{
    CProbeButton b;
    ASSERT_TRUE(b.Create("A&&B", parent, kButtonId, kOdbStylePlain, NULL));
    RECT rc;
    GetClientRect(b.GetHwnd(), &rc);
    EXPECT_EQ(0, rc.right);
    EXPECT_EQ(0, GetClassLongPtrA(b.GetHwnd(), GCL_STYLE) & CS_DBLCLKS);

    // "&&" leaves one "&"; a single "&" is dropped.
    CProbeButton m1, m2;
    Make(m1, kOdbStylePlain, "A&&B");
    Make(m2, kOdbStylePlain, "A&B&");
    HDC dc = GetDC(m1.GetHwnd());
    SIZE expect1, expect2;
    GetTextExtentPoint32A(dc, "A&B", 3, &expect1);
    GetTextExtentPoint32A(dc, "AB", 2, &expect2);
    ReleaseDC(m1.GetHwnd(), dc);
    EXPECT_EQ(expect1.cx, m1.MeasureText().cx);
    EXPECT_EQ(expect2.cx, m2.MeasureText().cx);
}
