// HyperLink: a static becomes an underlined link that opens its target and shows its tip.
#include <cstring>
#include <string>

#include "base/GdiHandles.h"
#include "base/StrUtil.h"
#include "controls/HyperLink.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

namespace {

// A target the shell cannot open, so a click starts nothing.
const char kNoTarget[] = "Z:\\no-such-folder-tolvex\\missing.tvxlink";

INT_PTR CALLBACK TestDlgProc(HWND, UINT uMsg, WPARAM, LPARAM) { return uMsg == WM_INITDIALOG; }

// Gives the tests the tooltip text, which nothing in the program sets.
class CTipLink : public CHyperLink
{
public:
    void SetTipText(const std::string& text) { SafeCopy(m_tipText, text.c_str()); }
};

// Counts the pixels of the link's colours in a picture of its client area:
// what Paint draws on a white ground, or what the window shows.
struct PaintedPixels
{
    int link = 0, visited = 0, shadow = 0, face = 0;
};

PaintedPixels CountPixels(CHyperLink& link, bool fromWindow)
{
    RECT rc;
    GetClientRect(link.GetHwnd(), &rc);
    BITMAPINFO bi;
    memset(&bi, 0, sizeof(bi));
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = rc.right;
    bi.bmiHeader.biHeight = -rc.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    CBitmapHandle dib(CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &bits, NULL, 0));
    CMemoryDC dc(NULL);
    PaintedPixels n;
    if (dib.Get() == NULL || bits == NULL)
        return n;
    {
        CSelectObject sel(dc, dib);
        if (fromWindow)
        {
            CWindowDC wnd(link.GetHwnd());
            BitBlt(dc, 0, 0, rc.right, rc.bottom, wnd, 0, 0, SRCCOPY);
        }
        else
        {
            FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
            link.Paint(dc);
        }
        GdiFlush();
    }
    const DWORD* px = (const DWORD*)bits;
    auto bgr = [](COLORREF c) {
        return (DWORD)(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    };
    for (int i = 0; i < rc.right * rc.bottom; ++i)
    {
        const DWORD p = px[i] & 0xFFFFFF;
        n.link += p == bgr(link.GetLinkColor());
        n.visited += p == bgr(link.GetVisitedColor());
        n.shadow += p == bgr(GetSysColor(COLOR_BTNSHADOW));
        n.face += p == bgr(GetSysColor(COLOR_BTNFACE));
    }
    return n;
}

class HyperLinkTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { dlg = ShowTestDialog(IDD_TEST_CONTROLS, TestDlgProc); }
    static void TearDownTestSuite() { DestroyWindow(dlg); }
    void SetUp() override
    {
        SetCursorPos(0, 0);
        PumpMessages();
        SetLinkCursor(NULL);
        staticWnd = GetDlgItem(dlg, IDC_TEST_LINK);
    }
    void TearDown() override
    {
        SetLinkCursor(NULL);
        EnableWindow(staticWnd, TRUE);
        PumpMessages();
    }
    void Redraw(CHyperLink& link)
    {
        link.Redraw();
        PumpMessages();
    }
    LRESULT Press(CHyperLink& link)
    {
        return SendMessageA(link.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    }

    static HWND dlg;
    HWND staticWnd = NULL;
};
HWND HyperLinkTest::dlg = NULL;

} // namespace

TEST(HyperLinkFlags, FollowTheStaticStyle)
{
    struct Case
    {
        DWORD style;
        const char* text;
        UINT flags;
    } cases[] = {
        {SS_LEFT, "a", DT_WORDBREAK},
        {SS_CENTER, "a", DT_CENTER | DT_WORDBREAK},
        {SS_RIGHT, "a", DT_RIGHT | DT_WORDBREAK},
        {SS_LEFTNOWORDWRAP, "a", DT_LEFT},
        {SS_SIMPLE, "a", DT_WORDBREAK},
        {SS_LEFT | SS_CENTERIMAGE, "one line", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {SS_RIGHT | SS_CENTERIMAGE, "two\r\nlines", DT_CENTER},
        {SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | WS_VISIBLE, "x",
         DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {SS_CENTER | WS_CHILD | SS_NOTIFY, "a", DT_CENTER | DT_WORDBREAK},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.flags, LinkDrawTextFlags(c.style, c.text)) << std::hex << c.style;
}

TEST_F(HyperLinkTest, AttachTakesOverTheStaticWithAnUnderlinedParentFont)
{
    const int base = LinkMapCount();
    const WNDPROC original = (WNDPROC)GetWindowLongPtrA(staticWnd, GWLP_WNDPROC);
    {
        CHyperLink missing;
        EXPECT_FALSE(missing.Attach(dlg, 4242));
        EXPECT_EQ(base, LinkMapCount());

        CHyperLink link;
        ASSERT_TRUE(link.Attach(dlg, IDC_TEST_LINK));
        EXPECT_EQ(base + 1, LinkMapCount());
        EXPECT_EQ(&link, LinkMapFind(staticWnd));
        EXPECT_EQ((WNDPROC)HyperLinkWndProc, (WNDPROC)GetWindowLongPtrA(staticWnd, GWLP_WNDPROC));

        LOGFONTA dialogFont, linkFont;
        ASSERT_TRUE(GetObjectA((HFONT)SendMessageA(dlg, WM_GETFONT, 0, 0), sizeof(dialogFont),
                               &dialogFont));
        ASSERT_TRUE(GetObjectA(link.GetFont(), sizeof(linkFont), &linkFont));
        EXPECT_TRUE(linkFont.lfUnderline);
        EXPECT_STREQ(dialogFont.lfFaceName, linkFont.lfFaceName);
        EXPECT_EQ(dialogFont.lfHeight, linkFont.lfHeight);

        // A window that is already a link is refused, by another object and
        // by its own, and keeps answering (no self-recursion).
        CHyperLink other;
        EXPECT_FALSE(other.Attach(dlg, IDC_TEST_LINK));
        EXPECT_FALSE(link.Attach(dlg, IDC_TEST_SPIN));
        EXPECT_EQ(&link, LinkMapFind(staticWnd));
        EXPECT_EQ(base + 1, LinkMapCount());
        char text[64];
        EXPECT_EQ(19, GetWindowTextA(staticWnd, text, sizeof(text)));
    }
    // An object that dies before its window lets go of it.
    EXPECT_EQ(base, LinkMapCount());
    EXPECT_EQ(NULL, LinkMapFind(staticWnd));
    EXPECT_EQ(original, (WNDPROC)GetWindowLongPtrA(staticWnd, GWLP_WNDPROC));
    InvalidateRect(staticWnd, NULL, TRUE);
    UpdateWindow(staticWnd);
    SendMessageA(staticWnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
}

TEST_F(HyperLinkTest, AParentWithoutAFontGivesAnUnderlinedGuiFont)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 40, dlg, NULL,
                                  NULL, NULL);
    HWND child = CreateWindowExA(0, "STATIC", "link", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent,
                                 (HMENU)(INT_PTR)77, NULL, NULL);
    ASSERT_TRUE(child != NULL);
    ASSERT_EQ(NULL, (HFONT)SendMessageA(parent, WM_GETFONT, 0, 0));
    CHyperLink link;
    ASSERT_TRUE(link.Attach(parent, 77));
    LOGFONTA gui, linkFont;
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
    ASSERT_TRUE(GetObjectA(link.GetFont(), sizeof(linkFont), &linkFont));
    EXPECT_TRUE(linkFont.lfUnderline);
    EXPECT_STREQ(gui.lfFaceName, linkFont.lfFaceName);

    // Destroying the window undoes everything, target and font included.
    link.SetUrl(kNoTarget);
    HFONT font = link.GetFont();
    DestroyWindow(parent);
    EXPECT_EQ(NULL, LinkMapFind(child));
    EXPECT_EQ(NULL, link.GetUrl());
    EXPECT_EQ(0u, GetObjectType(font));
    EXPECT_EQ(NULL, link.GetHwnd());
}

TEST_F(HyperLinkTest, APressOpensAndTurnsTheLinkVisited)
{
    CHyperLink link;
    ASSERT_TRUE(link.Attach(dlg, IDC_TEST_LINK));
    Redraw(link);
    const PaintedPixels before = CountPixels(link, true);
    EXPECT_GT(before.link, 0);
    EXPECT_EQ(0, before.visited);
    // Transparent: the dialog's face shows around the text.
    EXPECT_GT(before.face, 0);
    EXPECT_EQ(before.link, CountPixels(link, false).link);

    // No target: the press is ignored.
    Press(link);
    EXPECT_FALSE(link.IsVisited());

    link.SetUrl(kNoTarget);
    EXPECT_STREQ(kNoTarget, link.GetUrl());
    // Disabled: ignored too, and repainted embossed at once.
    EnableWindow(staticWnd, FALSE);
    Press(link);
    EXPECT_FALSE(link.IsVisited());
    const PaintedPixels disabled = CountPixels(link, true);
    EXPECT_EQ(0, disabled.link);
    EXPECT_GT(disabled.shadow, 0);
    EnableWindow(staticWnd, TRUE);
    EXPECT_EQ(before.link, CountPixels(link, true).link);

    // A press (not the release) opens and repaints at once; the link is
    // visited even though the target could not be opened.
    Press(link);
    EXPECT_TRUE(link.IsVisited());
    const PaintedPixels after = CountPixels(link, true);
    EXPECT_EQ(0, after.link);
    EXPECT_EQ(before.link, after.visited);
    EXPECT_EQ(before.face, after.face);
}

TEST_F(HyperLinkTest, TheLinkCursorShowsOnlyOverALinkWithATarget)
{
    CHyperLink link;
    ASSERT_TRUE(link.Attach(dlg, IDC_TEST_LINK));
    HCURSOR hand = LoadCursorA(NULL, IDC_HAND);
    HCURSOR wait = LoadCursorA(NULL, IDC_WAIT);
    const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    SetCursor(wait);

    SetLinkCursor(hand);
    SendMessageA(staticWnd, WM_SETCURSOR, (WPARAM)staticWnd, hit);
    EXPECT_NE(hand, GetCursor()); // no target yet

    link.SetUrl(kNoTarget);
    SetLinkCursor(NULL);
    SetCursor(wait);
    SendMessageA(staticWnd, WM_SETCURSOR, (WPARAM)staticWnd, hit);
    EXPECT_NE(hand, GetCursor()); // no shared cursor

    SetLinkCursor(hand);
    EXPECT_EQ(1, SendMessageA(staticWnd, WM_SETCURSOR, (WPARAM)staticWnd, hit));
    EXPECT_EQ(hand, GetCursor());
}

TEST_F(HyperLinkTest, TipTextShowsTheLastLineAndFitsTheNotificationBuffer)
{
    CTipLink link;
    ASSERT_TRUE(link.Attach(dlg, IDC_TEST_LINK));
    struct Case
    {
        std::string text, shown;
    } cases[] = {
        {"", "untouched"},
        {"Open the home page", "Open the home page"},
        {"Status part\nTip part", "Tip part"},
        {std::string(300, 'x'), std::string(79, 'x')},
        {"head\n" + std::string(2000, 'y'), std::string(79, 'y')},
    };
    for (const Case& c : cases)
    {
        link.SetTipText(c.text);
        struct
        {
            NMTTDISPINFOA info;
            char guard[16];
        } n;
        memset(&n, 0x5A, sizeof(n));
        n.info.hdr.code = TTN_NEEDTEXTA;
        strcpy(n.info.szText, "untouched");
        n.info.lpszText = n.info.szText;
        EXPECT_EQ(0, SendMessageA(staticWnd, WM_NOTIFY, 0, (LPARAM)&n.info));
        EXPECT_EQ(c.shown, std::string(n.info.lpszText)) << c.text.substr(0, 30);
        EXPECT_EQ(std::string(16, 0x5A), std::string(n.guard, 16));
    }
}
