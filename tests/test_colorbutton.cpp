// ColorButton: the swatch shows the colour; body and drop part change it by dialog or popup.
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <vector>

#include "controls/Bitmaps.h"
#include "controls/ColorButton.h"
#include "controls/ColorPopup.h"
#include "tests/support/ColorDialogWatch.h"
#include "tests/support/ParentCommands.h"
#include "tests/support/TestUtil.h"
#include "tests/test_ids.h"

namespace {

const int kWidth = 100;
const int kHeight = 24;

using Command = ParentCommand;

INT_PTR CALLBACK DialogProc(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    KeepParentCommand(uMsg, wParam, lParam);
    return uMsg == WM_INITDIALOG;
}

COLORREF SwatchPixel(HBITMAP swatch, int x, int y)
{
    DibPixels px;
    if (!GetDibPixels(swatch, px))
        return 0xFFFFFFFF;
    const BYTE* p = px.Row(y) + x * px.pixelBytes;
    return RGB(p[2], p[1], p[0]);
}

// The popup of this thread while it is open.
HWND FindPopup()
{
    struct Find
    {
        static BOOL CALLBACK Proc(HWND h, LPARAM l)
        {
            if (IsWindowVisible(h) && GetDlgItem(h, IDC_COLORPOPUP_TAB) != NULL)
            {
                *(HWND*)l = h;
                return FALSE;
            }
            return TRUE;
        }
    };
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), Find::Proc, (LPARAM)&found);
    return found;
}

// Clicks the button's body and answers the colour dialog it opens.
void ClickAndAnswer(HWND button, const ColorDialogWatch& watch,
                    const std::function<void(HWND)>& answer)
{
    DriveWhile(
        [&] {
            Mouse(button, WM_LBUTTONDOWN, 10, 10);
            Mouse(button, WM_LBUTTONUP, 10, 10);
        },
        [&](int) {
            HWND h = watch.Open();
            if (h == NULL)
                return true;
            answer(h);
            return false;
        });
}

class ColorButtonTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_TEST_COLOR), NULL,
                                    DialogProc, 0);
        SetWindowPos(dialog, NULL, 100, 100, 400, 200, SWP_NOZORDER);
        MoveWindow(GetDlgItem(dialog, IDC_TEST_COLORBTN), 10, 10, kWidth, kHeight, FALSE);
        MoveWindow(GetDlgItem(dialog, IDC_TEST_PICKER), 10, 50, kWidth, kHeight, FALSE);
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        PumpMessages(50);
    }
    static void TearDownTestSuite() { DestroyWindow(dialog); }
    void SetUp() override
    {
        SetCursorPos(0, 0);
        TakeCommands();
    }
    static HWND dialog;
};
HWND ColorButtonTest::dialog = NULL;

} // namespace

TEST_F(ColorButtonTest, SwatchIsAFramedBlockOfTheColour)
{
    COLORREF color = 0x3366CC;
    CColorButton plain;
    CColorPickerButton picker;
    CColorButton& pickerAsButton = picker;
    ASSERT_TRUE(plain.Create(dialog, IDC_TEST_COLORBTN, &color));
    // Through the colour button's slot the picker's own Create runs.
    ASSERT_TRUE(pickerAsButton.Create(dialog, IDC_TEST_PICKER, &color));

    EXPECT_EQ(kOdbStyleColor, plain.GetStyle());
    EXPECT_EQ((kOdbStyleColor & ~kOdbNoMenu) | kOdbDropDown | kOdbMenuLeft, picker.GetStyle());

    struct Case
    {
        const CColorButton* button;
        int w, h;
    } cases[] = {{&plain, 87, 16}, {&picker, 75, 16}};
    for (const Case& c : cases)
    {
        SIZE size = GetBitmapSize(c.button->GetSwatch());
        EXPECT_EQ(c.w, size.cx);
        EXPECT_EQ(c.h, size.cy);
        for (int x : {0, c.w / 2, c.w - 1})
        {
            EXPECT_EQ(kSwatchFrameColor, SwatchPixel(c.button->GetSwatch(), x, 0)) << x;
            EXPECT_EQ(kSwatchFrameColor, SwatchPixel(c.button->GetSwatch(), x, c.h - 1)) << x;
        }
        for (int y : {1, c.h / 2, c.h - 2})
        {
            EXPECT_EQ(kSwatchFrameColor, SwatchPixel(c.button->GetSwatch(), 0, y));
            EXPECT_EQ(kSwatchFrameColor, SwatchPixel(c.button->GetSwatch(), c.w - 1, y));
            EXPECT_EQ(color, SwatchPixel(c.button->GetSwatch(), 1, y));
            EXPECT_EQ(color, SwatchPixel(c.button->GetSwatch(), c.w - 2, y));
        }
    }

    // The owner changes its colour and asks for a new swatch.
    color = 0x00FF00;
    plain.UpdateSwatch();
    EXPECT_EQ(color, SwatchPixel(plain.GetSwatch(), 5, 5));

    CColorButton missing;
    EXPECT_FALSE(missing.Create(dialog, 4242, &color));
    EXPECT_EQ(NULL, missing.GetColorPointer());
}

TEST_F(ColorButtonTest, BodyClickEditsTheColourInTheSystemDialog)
{
    ColorDialogWatch watch;
    COLORREF color = 0x123456;
    CColorButton plain;
    CColorPickerButton picker;
    ASSERT_TRUE(plain.Create(dialog, IDC_TEST_COLORBTN, &color));
    ASSERT_TRUE(picker.Create(dialog, IDC_TEST_PICKER, &color));
    const COLORREF chosen = 0x1E140A;

    // Confirmed: stored, shown and reported. A colour the user adds to the
    // custom colours lands in the dialog's array...
    ClickAndAnswer(plain.GetHwnd(), watch, [&](HWND h) {
        ColorDialogWatch::Confirm(h, chosen, true);
        EXPECT_EQ(chosen, watch.Last().pCustom[0]);
    });
    ASSERT_EQ(1, watch.Count());
    const ColorDialogWatch::Opening first = watch.Last();
    EXPECT_EQ(sizeof(CHOOSECOLORA), first.structSize);
    EXPECT_EQ(plain.GetHwnd(), first.hOwner);
    EXPECT_EQ(0x123456u, first.initial);
    EXPECT_EQ((DWORD)(CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR), first.flags);
    for (COLORREF c : first.custom)
        EXPECT_EQ(0xFFFFFFu, c);
    EXPECT_EQ(chosen, color);
    EXPECT_EQ(chosen, SwatchPixel(plain.GetSwatch(), 5, 5));
    std::vector<Command> cmds = TakeCommands();
    ASSERT_EQ(1u, cmds.size());
    EXPECT_EQ(MAKEWPARAM(IDC_TEST_COLORBTN, BN_CLICKED), cmds[0].wParam);
    EXPECT_EQ((LPARAM)plain.GetHwnd(), cmds[0].lParam);

    // ...but the next dialog starts with white ones again. The picker's body
    // opens the same dialog, and an unchanged colour is still reported.
    ClickAndAnswer(picker.GetHwnd(), watch, [&](HWND h) { ColorDialogWatch::Confirm(h, chosen); });
    ASSERT_EQ(2, watch.Count());
    EXPECT_EQ(chosen, watch.Last().initial);
    for (COLORREF c : watch.Last().custom)
        EXPECT_EQ(0xFFFFFFu, c);
    cmds = TakeCommands();
    ASSERT_EQ(1u, cmds.size());
    EXPECT_EQ(MAKEWPARAM(IDC_TEST_PICKER, BN_CLICKED), cmds[0].wParam);

    // Cancel changes nothing and reports nothing.
    ClickAndAnswer(plain.GetHwnd(), watch, [&](HWND h) { ColorDialogWatch::Cancel(h, 0xC8C8C8); });
    EXPECT_EQ(3, watch.Count());
    EXPECT_EQ(chosen, color);
    EXPECT_TRUE(TakeCommands().empty());
}

TEST_F(ColorButtonTest, DropPartPicksFromThePopupBelowTheButton)
{
    COLORREF color = PaletteColors[29];
    CColorPickerButton picker;
    ASSERT_TRUE(picker.Create(dialog, IDC_TEST_PICKER, &color));
    HWND h = picker.GetHwnd();
    RECT btn;
    GetWindowRect(h, &btn);

    // Open below the button, one pixel to its left, with the drop-down part
    // pressed; the next cell is picked with the keys.
    struct Case
    {
        WPARAM keys[2];
        BOOL picked;
    } cases[] = {{{VK_RIGHT, VK_RETURN}, TRUE}, {{VK_RIGHT, VK_ESCAPE}, FALSE}};
    for (const Case& c : cases)
    {
        color = PaletteColors[29];
        picker.UpdateSwatch();
        RECT popupRect = {0, 0, 0, 0};
        int pressedWhileOpen = -1;
        DriveWhile([&] { Mouse(h, WM_LBUTTONDOWN, kWidth - 3, 5); },
                   [&](int) {
                       HWND popup = FindPopup();
                       if (popup == NULL)
                           return true;
                       GetWindowRect(popup, &popupRect);
                       pressedWhileOpen = picker.GetPressedPart();
                       HWND grid = GetDlgItem(popup, IDC_COLORPOPUP_GRID);
                       for (WPARAM key : c.keys)
                           SendMessageA(grid, WM_KEYDOWN, key, 1);
                       return false;
                   });
        EXPECT_EQ(btn.left - 1, popupRect.left);
        EXPECT_EQ(btn.bottom, popupRect.top);
        EXPECT_EQ(kOdbPartDrop, pressedWhileOpen);
        EXPECT_EQ(kOdbPartNone, picker.GetPressedPart());
        EXPECT_EQ(kOdbPartNone, picker.GetHotPart());
        const COLORREF expected = c.picked ? PaletteColors[30] : PaletteColors[29];
        EXPECT_EQ(expected, color);
        EXPECT_EQ(expected, SwatchPixel(picker.GetSwatch(), 5, 5));
        std::vector<Command> cmds = TakeCommands();
        if (c.picked)
        {
            ASSERT_EQ(1u, cmds.size());
            EXPECT_EQ(MAKEWPARAM(IDC_TEST_PICKER, BN_CLICKED), cmds[0].wParam);
            EXPECT_EQ((LPARAM)h, cmds[0].lParam);
        }
        else
        {
            EXPECT_TRUE(cmds.empty());
        }
    }
}
