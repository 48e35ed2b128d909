// DialogItems: a dialog's checks, combos, trackbars and texts read and set by id, safely.
#include <windows.h>
#include <commctrl.h>
#include <string>

#include "base/DialogItems.h"
#include "tests/support/TestUtil.h"

namespace {

const int kBox = 101;
const int kCombo = 102;
const int kBar = 103;
const int kEdit = 104;
const int kNoSuchItem = 999;
const int kComboItems = 3;
const int kBarMax = 200;

HWND MakeChild(HWND parent, const char* cls, DWORD style, int id)
{
    return CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 100, 100, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(NULL), NULL);
}

// A parent with one control of each kind the accessors know.
class DialogItemsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, NULL, NULL,
                                   GetModuleHandleA(NULL), NULL);
        ASSERT_NE((HWND)NULL, m_parent);
        MakeChild(m_parent, "BUTTON", BS_AUTO3STATE, kBox);
        const HWND combo = MakeChild(m_parent, "COMBOBOX", CBS_DROPDOWNLIST, kCombo);
        for (int i = 0; i < kComboItems; ++i)
            SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)std::to_string(i).c_str());
        const HWND bar = MakeChild(m_parent, TRACKBAR_CLASSA, 0, kBar);
        SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, kBarMax));
        MakeChild(m_parent, "EDIT", ES_AUTOHSCROLL, kEdit);
    }
    void TearDown() override { DestroyWindow(m_parent); }
    HWND m_parent = NULL;
};

} // namespace

TEST_F(DialogItemsTest, ChecksReadAnyStateButUncheckedAsChecked)
{
    const struct
    {
        WPARAM state;
        bool checked;
    } cases[] = {{BST_UNCHECKED, false}, {BST_CHECKED, true}, {BST_INDETERMINATE, true}};
    for (const auto& c : cases)
    {
        SendDlgItemMessageA(m_parent, kBox, BM_SETCHECK, c.state, 0);
        EXPECT_EQ(c.checked, IsItemChecked(m_parent, kBox)) << c.state;
    }
    CheckItem(m_parent, kBox, true);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(m_parent, kBox));
    CheckItem(m_parent, kBox, false);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(m_parent, kBox));
}

TEST_F(DialogItemsTest, AComboIndexOutsideTheItemsLeavesNoneSelected)
{
    const struct
    {
        int index;
        int selected;
    } cases[] = {{1, 1},
                 {kComboItems - 1, kComboItems - 1},
                 {kComboItems, CB_ERR},
                 {0, 0},
                 {-1, CB_ERR},
                 {2, 2},
                 {-7, CB_ERR}};
    for (const auto& c : cases)
    {
        SelectComboItem(m_parent, kCombo, c.index);
        EXPECT_EQ(c.selected, ComboSelection(m_parent, kCombo)) << c.index;
    }
}

TEST_F(DialogItemsTest, TrackbarTextAndEnablingRoundTrip)
{
    SetTrackbarPosition(m_parent, kBar, 150);
    EXPECT_EQ(150, TrackbarPosition(m_parent, kBar));
    SetTrackbarPosition(m_parent, kBar, kBarMax + 50);
    EXPECT_EQ(kBarMax, TrackbarPosition(m_parent, kBar)) << "the trackbar holds its range";

    // Longer than any of the program's path buffers: read whole.
    const std::string text(3000, 'x');
    SetDlgItemTextA(m_parent, kEdit, text.c_str());
    EXPECT_EQ(text, ItemText(m_parent, kEdit));

    EnableItem(m_parent, kEdit, false);
    EXPECT_FALSE(IsItemEnabled(m_parent, kEdit));
    EnableItem(m_parent, kEdit, true);
    EXPECT_TRUE(IsItemEnabled(m_parent, kEdit));
}

TEST_F(DialogItemsTest, AMissingControlReadsAsNothing)
{
    EXPECT_FALSE(IsItemChecked(m_parent, kNoSuchItem));
    EXPECT_EQ(CB_ERR, ComboSelection(m_parent, kNoSuchItem)) << "not the first item";
    EXPECT_EQ(0, TrackbarPosition(m_parent, kNoSuchItem));
    EXPECT_EQ("", ItemText(m_parent, kNoSuchItem));
    EXPECT_FALSE(IsItemEnabled(m_parent, kNoSuchItem));
    CheckItem(m_parent, kNoSuchItem, true);
    SelectComboItem(m_parent, kNoSuchItem, 0);
    SetTrackbarPosition(m_parent, kNoSuchItem, 1);
    EnableItem(m_parent, kNoSuchItem, true);
}
