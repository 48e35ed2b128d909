// Texts and pictures fit the places the dialog templates give them, in the
// fonts the dialogs really get.
#include <windows.h>
#include <string>

#include "controls/HyperLink.h"
#include "controls/OwnerDrawButton.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/MainDlg.h"
#include "shellint/SetupDlg.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// Width of a text in the window's own font (or the given one).
int TextWidth(HWND hWnd, const std::string& text, HFONT font = NULL)
{
    if (font == NULL)
        font = (HFONT)SendMessageA(hWnd, WM_GETFONT, 0, 0);
    HDC dc = GetDC(hWnd);
    HGDIOBJ old = font != NULL ? SelectObject(dc, font) : NULL;
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size);
    if (old != NULL)
        SelectObject(dc, old);
    ReleaseDC(hWnd, dc);
    return size.cx;
}

int ClientWidth(HWND hWnd)
{
    RECT rc = {0, 0, 0, 0};
    GetClientRect(hWnd, &rc);
    return rc.right;
}

// A place of the template in dialog units, in the dialog's pixels, with
// the position and the size converted apart as the dialog manager does.
RECT TemplatePlace(HWND hDlg, int x, int y, int cx, int cy)
{
    RECT rc = {x, y, cx, cy};
    MapDialogRect(hDlg, &rc);
    rc.right += rc.left;
    rc.bottom += rc.top;
    return rc;
}

RECT PlaceInDialog(HWND hDlg, HWND hChild)
{
    RECT rc;
    GetWindowRect(hChild, &rc);
    MapWindowPoints(NULL, hDlg, (POINT*)&rc, 2);
    return rc;
}

std::string Str(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

class LayoutMainTest : public testing::Test
{
protected:
    void SetUp() override
    {
        EnsureShellAllocator();
        m_hWnd = m_dlg.Create(NULL);
        ASSERT_NE((HWND)NULL, m_hWnd);
    }
    void TearDown() override { DestroyWindow(m_hWnd); }

    RegistryState m_registry;
    CMainDlg m_dlg;
    HWND m_hWnd = NULL;
};

} // namespace

TEST_F(LayoutMainTest, ConvertCaptionsFitBesideTheDropDownPart)
{
    HWND convert = GetDlgItem(m_hWnd, IDC_MAIN_CONVERT);
    // The caption is centred in the body, which ends one column before the
    // 13-column drop-down zone; its frame takes a column on either side.
    const int body = ClientWidth(convert) - 13 - 1 - 2;
    for (const char* caption : {"Convert Selection", "Convert All", "Convert All Recursively"})
    {
        SetWindowTextA(convert, caption);
        EXPECT_LE(m_dlg.m_btnConvert.MeasureText().cx, body) << caption;
    }
}

TEST_F(LayoutMainTest, NumbersStayClearOfTheSpinArrows)
{
    struct Case
    {
        CSpinEdit CMainDlg::*member;
        const char* widest;
    } cases[] = {
        {&CMainDlg::m_editHue, "-100"},       {&CMainDlg::m_editSaturation, "-100"},
        {&CMainDlg::m_editLightness, "-100"}, {&CMainDlg::m_editBorderWidth, "100"},
        {&CMainDlg::m_editWidth, "10000"},    {&CMainDlg::m_editHeight, "10000"},
    };
    for (const Case& c : cases)
    {
        const CSpinEdit& edit = m_dlg.*c.member;
        RECT arrow;
        GetWindowRect(edit.m_btnUp.GetHwnd(), &arrow);
        MapWindowPoints(NULL, edit.m_hWnd, (POINT*)&arrow, 2);
        // Where the edit starts its text, and where the arrows begin.
        const DWORD margins = (DWORD)SendMessageA(edit.m_hWnd, EM_GETMARGINS, 0, 0);
        const int room = arrow.left - LOWORD(margins);
        EXPECT_LE(TextWidth(edit.m_hWnd, c.widest), room)
            << c.widest << " in " << GetDlgCtrlID(edit.m_hWnd);
    }
}

TEST(LayoutAbout, EachLinkShowsItsWholeText)
{
    CAboutDlg about;
    HWND h = about.Create(NULL);
    ASSERT_NE((HWND)NULL, h);
    for (const CHyperLink* link : {&about.GetSiteLink(), &about.GetMailLink()})
    {
        HWND w = link->GetHwnd();
        ASSERT_NE((HWND)NULL, w);
        const std::string text = GetWindowTextString(w);
        EXPECT_LE(TextWidth(w, text, link->GetFont()), ClientWidth(w)) << text;
    }
    DestroyWindow(h);
}

TEST(LayoutSetup, ThePicturesStayInTheirPlaces)
{
    CSetupDlg setup;
    HWND h = setup.Create(NULL);
    ASSERT_NE((HWND)NULL, h);
    // The side picture, the banner and the etched line of the template.
    const RECT side = TemplatePlace(h, 1, 41, 108, 129);
    const RECT banner = TemplatePlace(h, 1, 0, 299, 39);
    const RECT line = TemplatePlace(h, 1, 171, 300, 1);
    int pictures = 0;
    for (HWND c = GetWindow(h, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT))
    {
        if (SendMessageA(c, STM_GETIMAGE, IMAGE_BITMAP, 0) == 0)
            continue;
        ++pictures;
        const RECT place = PlaceInDialog(h, c);
        const RECT& want = place.top < side.top ? banner : side;
        EXPECT_EQ(Str(want), Str(place));
        EXPECT_LE(place.bottom, line.top) << Str(place);
    }
    EXPECT_EQ(2, pictures);
    DestroyWindow(h);
}
