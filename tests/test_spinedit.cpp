// SpinEdit: the numeric edit steps, clamps and repeats through its arrows, keys and wheel.
#include <climits>
#include <functional>
#include <string>

#include "base/GdiHandles.h"
#include "base/StrUtil.h"
#include "controls/SpinEdit.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

namespace {

int g_changes = 0;
std::function<void()> g_onChange;

INT_PTR CALLBACK TestDlgProc(HWND, UINT uMsg, WPARAM wParam, LPARAM)
{
    if (uMsg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_TEST_SPIN)
    {
        ++g_changes;
        if (g_onChange)
            g_onChange();
    }
    return uMsg == WM_INITDIALOG;
}

BOOL CALLBACK DestroyChild(HWND hWnd, LPARAM)
{
    DestroyWindow(hWnd);
    return TRUE;
}

// Puts stand-ins, which the caller owns, in the place of the shared arrows
// (start-up may have made none) and the real ones back at the end.
class CStandInArrows
{
public:
    CStandInArrows(HBITMAP up, HBITMAP down)
        : m_realUp(g_ButtonArrowBitmaps.hUpArrow.Release()),
          m_realDown(g_ButtonArrowBitmaps.hDownArrow.Release())
    {
        g_ButtonArrowBitmaps.hUpArrow.Reset(up);
        g_ButtonArrowBitmaps.hDownArrow.Reset(down);
    }
    ~CStandInArrows()
    {
        g_ButtonArrowBitmaps.hUpArrow.Release();
        g_ButtonArrowBitmaps.hDownArrow.Release();
        g_ButtonArrowBitmaps.hUpArrow.Reset(m_realUp);
        g_ButtonArrowBitmaps.hDownArrow.Reset(m_realDown);
    }
    CStandInArrows(const CStandInArrows&) = delete;
    CStandInArrows& operator=(const CStandInArrows&) = delete;

private:
    HBITMAP m_realUp;
    HBITMAP m_realDown;
};

// Holds or releases Ctrl in this thread's key state, as GetKeyState sees it.
void SetCtrl(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class SpinEditTest : public testing::Test
{
protected:
    // One dialog for all: destroying a top-level window is slow here.
    static void SetUpTestSuite() { dlg = ShowTestDialog(IDD_TEST_CONTROLS, TestDlgProc); }
    static void TearDownTestSuite() { DestroyWindow(dlg); }

    void SetUp() override
    {
        SetCursorPos(0, 0);
        edit = GetDlgItem(dlg, IDC_TEST_SPIN);
        ASSERT_TRUE(spin.SubclassWindow(edit));
        spin.OnCreate();
        PumpMessages();
        g_changes = 0;
        g_onChange = nullptr;
    }
    void TearDown() override
    {
        SetCtrl(false);
        g_onChange = nullptr;
        spin.UnsubclassWindow();
        // The arrows are children of the edit; the next test makes its own.
        EnumChildWindows(edit, DestroyChild, 0);
        EnableWindow(edit, TRUE);
        PumpMessages();
    }

    std::string Text() { return GetWindowTextString(edit); }
    void SetText(const char* text)
    {
        SetWindowTextA(edit, text);
        PumpMessages();
        g_changes = 0;
    }
    // A full click on one arrow, and whatever it posted.
    void Click(CSpinButton& b)
    {
        SendMessageA(b.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(b.GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        PumpMessages();
    }
    DWORD Selection()
    {
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        return MAKELONG(start, end);
    }

    static HWND dlg;
    HWND edit = NULL;
    CSpinEdit spin;
};
HWND SpinEditTest::dlg = NULL;

} // namespace

TEST(SpinEditStep, SnapsToTheNextMultipleWithoutOverflow)
{
    struct Case
    {
        int v, delta;
        long long expected;
    } cases[] = {
        {37, 5, 40},
        {37, -5, 30},
        {40, 5, 45},
        {40, -5, 35},
        {0, 5, 5},
        {0, -5, -5},
        {-3, 5, 5},
        {-7, 5, 0},
        {-3, -5, -5},
        {-10, -5, -15},
        {7, 1, 8},
        {7, -1, 6},
        {37, 20, 40},
        {40, 20, 60},
        {37, 0, 37},
        {INT_MAX, 5, 2147483650LL},
        {INT_MIN, -1, 2147483648LL * -1 - 1},
        {INT_MIN, 7, -2147483639LL},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, SnapStep(c.v, c.delta)) << c.v << " by " << c.delta;
}

TEST(SpinEditStep, LeadingNumberSaturatesInsteadOfOverflowing)
{
    struct Case
    {
        const char* text;
        int expected;
    } cases[] = {
        {"12abc", 12},
        {"007", 7},
        {"", 0},
        {"abc", 0},
        {" \t-42%", -42},
        {"+9", 9},
        {"- 5", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ParseLeadingInt(c.text)) << c.text;
}

TEST_F(SpinEditTest, ArrowsSitInsideTheRightEdgeWithTheSharedArrows)
{
    RECT client;
    GetClientRect(edit, &client);
    const int w = client.right, h = client.bottom, c = GetSystemMetrics(SM_CXVSCROLL);
    struct
    {
        CSpinButton& b;
        int id, top, height;
        HBITMAP image;
    } arrows[] = {
        {spin.m_btnUp, IDC_SPIN_UP, 0, h / 2, g_ButtonArrowBitmaps.hUpArrow},
        {spin.m_btnDown, IDC_SPIN_DOWN, h / 2, h - h / 2, g_ButtonArrowBitmaps.hDownArrow},
    };
    for (auto& a : arrows)
    {
        ASSERT_TRUE(IsWindow(a.b.GetHwnd()));
        EXPECT_EQ(edit, GetParent(a.b.GetHwnd()));
        EXPECT_EQ(a.id, GetDlgCtrlID(a.b.GetHwnd()));
        RECT rc;
        GetWindowRect(a.b.GetHwnd(), &rc);
        MapWindowPoints(NULL, edit, (POINT*)&rc, 2);
        EXPECT_EQ(w - c - 1, rc.left);
        EXPECT_EQ(a.top, rc.top);
        EXPECT_EQ(c + 1, rc.right - rc.left);
        EXPECT_EQ(a.height, rc.bottom - rc.top);
        EXPECT_EQ(a.image, a.b.GetImage());
    }
    EXPECT_EQ(kOdbStyleSpinUp, spin.m_btnUp.GetStyle());
    EXPECT_EQ(kOdbStyleSpinDown, spin.m_btnDown.GetStyle());
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & WS_CLIPCHILDREN);
}

TEST_F(SpinEditTest, ArrowClicksStepSelectAndNotify)
{
    spin.m_nStep = 5;
    struct Case
    {
        const char* text;
        bool up;
        const char* expected;
        int selEnd;
    } cases[] = {
        {"37", true, "40", 2},  {"37", false, "30", 2},   {"40", true, "45", 2},
        {"40", false, "35", 2}, {"37%", false, "30%", 2}, {"98", true, "100", 3},
        {"-3", true, "5", 1},
    };
    for (const Case& c : cases)
    {
        SetFocus(GetDlgItem(dlg, IDC_TEST_SPIN_OTHER));
        SetText(c.text);
        Click(c.up ? spin.m_btnUp : spin.m_btnDown);
        EXPECT_EQ(c.expected, Text()) << c.text << (c.up ? " up" : " down");
        EXPECT_EQ(MAKELONG(0, c.selEnd), (LONG)Selection()) << c.text;
        EXPECT_EQ(edit, GetFocus()) << c.text;
        // The rewrite goes through the edit itself, which tells the dialog.
        EXPECT_GE(g_changes, 1) << c.text;
    }
}

TEST_F(SpinEditTest, LosingTheFocusClampsAndRewritesTheNumber)
{
    struct Case
    {
        const char* text;
        int lo, hi;
        const char* expected;
    } cases[] = {
        {"150%", 0, 100, "100%"},
        {"150", 0, 100, "100"},
        {"-5", 0, 100, "0"},
        {"12abc", 0, 100, "12"},
        {"007", 0, 100, "7"},
        {"", 0, 100, "0"},
        {"", 10, 20, "10"},
        {"abc", -20, -10, "-10"},
        {"99999999999", -1000, 1000, "1000"},
        {"-99999999999%", -1000, 1000, "-1000%"},
    };
    for (const Case& c : cases)
    {
        spin.m_nMin = spin.m_nPercentMin = c.lo;
        spin.m_nMax = spin.m_nPercentMax = c.hi;
        SetText(c.text);
        SendMessageA(edit, WM_KILLFOCUS, 0, 0);
        EXPECT_EQ(c.expected, Text()) << c.text;
    }
    // Percent and plain texts keep separate ranges.
    spin.m_nMin = 0;
    spin.m_nMax = 50;
    spin.m_nPercentMin = 0;
    spin.m_nPercentMax = 200;
    SetText("150%");
    SendMessageA(edit, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ("150%", Text());
    SetText("150");
    SendMessageA(edit, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ("50", Text());
    // A real focus move does the same.
    SetFocus(edit);
    SetText("77");
    SetFocus(GetDlgItem(dlg, IDC_TEST_SPIN_OTHER));
    PumpMessages();
    EXPECT_EQ("50", Text());
}

TEST_F(SpinEditTest, CtrlArrowKeysStepAndPlainArrowsReachTheEdit)
{
    spin.m_nStep = 5;
    SetFocus(edit);
    SetText("37%");
    SetCtrl(true);
    EXPECT_EQ(0, SendMessageA(edit, WM_KEYDOWN, VK_UP, 0));
    EXPECT_EQ("40%", Text());
    EXPECT_EQ(MAKELONG(0, 2), (LONG)Selection());
    SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ("30%", Text());
    // Without Ctrl the edit moves its caret as usual and the number stays.
    SetCtrl(false);
    SendMessageA(edit, EM_SETSEL, 1, 1);
    SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(MAKELONG(2, 2), (LONG)Selection());
    SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(MAKELONG(0, 0), (LONG)Selection());
    EXPECT_EQ("30%", Text());
    EXPECT_EQ(3, g_changes);
}

TEST_F(SpinEditTest, WheelStepsByNotches)
{
    struct Case
    {
        const char* text;
        short delta;
        bool ctrl;
        const char* expected;
    } cases[] = {
        {"37", 120, false, "40"}, {"40", 120, false, "45"}, {"40", -120, false, "35"},
        {"37", 120, true, "40"},  {"40", 120, true, "50"},  {"37", 240, true, "40"},
        {"40", 240, true, "60"},  {"37", 100, false, "37"}, {"150", 59, true, "100"},
        {"40", 360, false, "45"},
    };
    for (const Case& c : cases)
    {
        SetText(c.text);
        EXPECT_EQ(0, SendMessageA(edit, WM_MOUSEWHEEL,
                                  MAKEWPARAM(c.ctrl ? MK_CONTROL : 0, (WORD)c.delta), 0));
        EXPECT_EQ(c.expected, Text()) << c.text << " " << c.delta << (c.ctrl ? " ctrl" : "");
    }
}

TEST_F(SpinEditTest, EnablingTheEditEnablesTheArrows)
{
    EnableWindow(edit, FALSE);
    EXPECT_FALSE(IsWindowEnabled(spin.m_btnUp.GetHwnd()));
    EXPECT_FALSE(IsWindowEnabled(spin.m_btnDown.GetHwnd()));
    EnableWindow(edit, TRUE);
    EXPECT_TRUE(IsWindowEnabled(spin.m_btnUp.GetHwnd()));
    EXPECT_TRUE(IsWindowEnabled(spin.m_btnDown.GetHwnd()));
}

TEST_F(SpinEditTest, HoldingAnArrowRepeatsAndReturnsTheFocus)
{
    spin.m_nMax = 1000;
    SetText("0");
    SetFocus(GetDlgItem(dlg, IDC_TEST_SPIN_OTHER));
    HWND up = spin.m_btnUp.GetHwnd();
    SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PumpMessages();
    EXPECT_EQ("1", Text());
    EXPECT_EQ(edit, GetFocus());
    PumpMessages(900);
    SendMessageA(up, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    PumpMessages();
    const int held = ParseLeadingInt(Text().c_str());
    EXPECT_GE(held, 3);
    PumpMessages(200);
    EXPECT_EQ(held, ParseLeadingInt(Text().c_str()));
}

TEST_F(SpinEditTest, AStepInsideTheChangeNotificationIsIgnored)
{
    spin.m_nStep = 5;
    SetText("10");
    g_onChange = [this] { spin.StepBy(5); };
    spin.StepBy(5);
    EXPECT_EQ("15", Text());
    EXPECT_TRUE(spin.m_bIdle);
    g_onChange = nullptr;
    spin.StepBy(5);
    EXPECT_EQ("20", Text());
}

TEST_F(SpinEditTest, TheArrowsNeverDeleteTheSharedBitmaps)
{
    CBitmapHandle up(CreateBitmap(3, 2, 1, 1, NULL)), down(CreateBitmap(3, 2, 1, 1, NULL));
    CStandInArrows standIns(up, down);
    // The window goes first, or the object dies while its window lives on.
    for (bool objectFirst : {false, true})
    {
        HWND h = CreateWindowExA(0, "EDIT", "5", WS_CHILD | WS_VISIBLE, 100, 60, 80, 20, dlg, NULL,
                                 NULL, NULL);
        HWND upWnd = NULL;
        {
            CSpinEdit other;
            ASSERT_TRUE(other.SubclassWindow(h));
            other.OnCreate();
            upWnd = other.m_btnUp.GetHwnd();
            EXPECT_EQ((HBITMAP)up, other.m_btnUp.GetImage());
            EXPECT_EQ((HBITMAP)down, other.m_btnDown.GetImage());
            if (!objectFirst)
                DestroyWindow(h);
        }
        EXPECT_EQ(NULL, ButtonMapFind(upWnd)) << objectFirst;
        EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(up)) << objectFirst;
        EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(down)) << objectFirst;
        if (objectFirst)
        {
            // The orphaned windows still take messages, and die cleanly.
            EXPECT_TRUE(IsWindow(upWnd));
            SendMessageA(upWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            RedrawWindow(h, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            DestroyWindow(h);
            EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(up));
            EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(down));
        }
    }
}

TEST_F(SpinEditTest, AnArrowWhoseAttachFailsKeepsTheSharedBitmaps)
{
    CBitmapHandle up(CreateBitmap(3, 2, 1, 1, NULL)), down(CreateBitmap(3, 2, 1, 1, NULL));
    CStandInArrows standIns(up, down);
    {
        // No window: the arrow is set, the attach refused, the object dies.
        CSpinButton lost;
        EXPECT_FALSE(lost.Attach(NULL, kOdbUpArrow));
        EXPECT_EQ((HBITMAP)up, lost.GetImage());
    }
    {
        // A second attach of an attached arrow is refused and takes the other arrow.
        HWND h = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, dlg, NULL,
                                 NULL, NULL);
        CSpinButton twice;
        ASSERT_TRUE(twice.Attach(h, kOdbUpArrow));
        EXPECT_FALSE(twice.Attach(h, 0));
        EXPECT_EQ((HBITMAP)down, twice.GetImage());
        EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(up));
        DestroyWindow(h);
    }
    EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(up));
    EXPECT_EQ(OBJ_BITMAP, (int)GetObjectType(down));
}

TEST_F(SpinEditTest, ANewSpinWindowMakesItsArrowsOnCreate)
{
    CSpinEdit created;
    RECT rc = {100, 60, 180, 80};
    HWND h = created.Create(dlg, &rc, "3", WS_CHILD | WS_VISIBLE);
    ASSERT_TRUE(h != NULL);
    EXPECT_EQ(h, GetParent(created.m_btnUp.GetHwnd()));
    EXPECT_EQ(h, GetParent(created.m_btnDown.GetHwnd()));
    DestroyWindow(h);
    EXPECT_FALSE(IsWindow(created.m_btnUp.GetHwnd()));
}
