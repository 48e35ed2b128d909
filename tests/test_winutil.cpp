// WinUtil: lower-casing, centring, control lookup and system colours of the window helpers.
#include "base/WinUtil.h"
#include "tests/support/TestUtil.h"

TEST(WinUtilMakeLower, OnlyAsciiLettersChange)
{
    char name[] = "Photo.JPG \xC4\xD6 Z@[";
    MakeLower(name);
    EXPECT_STREQ("photo.jpg \xC4\xD6 z@[", name);
    char empty[] = "";
    MakeLower(empty);
    EXPECT_STREQ("", empty);
}

namespace {

HWND MakePopup(int x, int y, int w, int h)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, w, h, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

POINT TopLeft(HWND h)
{
    RECT rc;
    GetWindowRect(h, &rc);
    return POINT{rc.left, rc.top};
}

} // namespace

TEST(WinUtilCenterWindowOn, CentresTruncatesAndStaysInTheWorkArea)
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    HWND ref = MakePopup(100, 100, 400, 300);
    HWND wnd = MakePopup(0, 0, 200, 100);

    EXPECT_NE(0, CenterWindowOn(wnd, ref));
    EXPECT_EQ(200, TopLeft(wnd).x);
    EXPECT_EQ(200, TopLeft(wnd).y);
    EXPECT_EQ(0, CenterWindowOn(wnd, ref)) << "nothing to move the second time";

    HWND odd = MakePopup(5, 5, 201, 100);
    SetWindowPos(ref, NULL, 0, 0, 400, 300, SWP_NOZORDER);
    CenterWindowOn(odd, ref);
    EXPECT_EQ(99, TopLeft(odd).x);

    SetWindowPos(ref, NULL, area.right - 100, 100, 400, 300, SWP_NOZORDER);
    CenterWindowOn(wnd, ref);
    EXPECT_EQ(area.right - 200, TopLeft(wnd).x);

    CenterWindowOn(wnd, NULL);
    EXPECT_EQ(area.left + ((area.right - area.left) - 200) / 2, TopLeft(wnd).x);
    EXPECT_EQ(area.top + ((area.bottom - area.top) - 100) / 2, TopLeft(wnd).y);

    DestroyWindow(odd);
    DestroyWindow(wnd);
    DestroyWindow(ref);
}

namespace {

HWND MakeChild(HWND parent, int id)
{
    return CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(NULL), NULL);
}

} // namespace

// A remembered handle must never outlive the control it names: each change
// below would otherwise hand back a dead window or another dialog's control.
TEST(WinUtilDialogControl, AnswersLikeGetDlgItemAcrossChanges)
{
    const int id = 1234, other = 1235;
    HWND dlg = MakePopup(0, 0, 100, 100);
    HWND second = MakePopup(0, 0, 100, 100);
    HWND first = MakeChild(dlg, id);
    HWND sibling = MakeChild(dlg, other);

    EXPECT_EQ(first, DialogControl(dlg, id));
    EXPECT_EQ(first, DialogControl(dlg, id)) << "asked again";
    EXPECT_EQ(sibling, DialogControl(dlg, other));
    EXPECT_EQ(NULL, DialogControl(dlg, 999)) << "no such control";
    EXPECT_EQ(NULL, DialogControl(second, id)) << "another dialog";

    EXPECT_EQ(first, DialogControl(dlg, id));
    DestroyWindow(first);
    HWND replacement = MakeChild(dlg, id);
    EXPECT_EQ(replacement, DialogControl(dlg, id)) << "destroyed and made again";

    SetWindowLongPtrA(replacement, GWLP_ID, other + 1);
    EXPECT_EQ(NULL, DialogControl(dlg, id)) << "its id changed";
    EXPECT_EQ(replacement, DialogControl(dlg, other + 1));

    SetParent(replacement, second);
    EXPECT_EQ(NULL, DialogControl(dlg, other + 1)) << "moved to another parent";
    EXPECT_EQ(replacement, DialogControl(second, other + 1));

    DestroyWindow(second);
    DestroyWindow(dlg);
    EXPECT_EQ(NULL, DialogControl(dlg, other)) << "the dialog is gone";
}

TEST(WinUtilTranslateSystemColor, SystemColoursByIndexOthersAsTheyAre)
{
    const struct
    {
        COLORREF color;
        COLORREF want;
        const char* what;
    } cases[] = {
        {RGB(255, 128, 1), RGB(255, 128, 1), "a plain colour"},
        {0, 0, "black"},
        {kSystemColorFlag | COLOR_BTNFACE, GetSysColor(COLOR_BTNFACE), "button face"},
        {kSystemColorFlag | COLOR_WINDOWTEXT, GetSysColor(COLOR_WINDOWTEXT), "window text"},
        {kSystemColorFlag | 999, 0, "an index that names no colour"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.want, TranslateSystemColor(c.color)) << c.what;
}
