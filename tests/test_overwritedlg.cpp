// OverwriteDlg: the overwrite question's answers, and Enter never replaces the source.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "base/StrUtil.h"
#include "controls/OwnerDrawButton.h"
#include "convert/OverwriteAsk.h"
#include "convert/OverwriteDlg.h"
#include "tests/support/TestUtil.h"

namespace {

const char* kCaption = "Confirm File Overwrite";
const UINT kOrder[] = {IDC_OVERWRITE_YES, IDC_OVERWRITE_YESALL, IDC_OVERWRITE_NO,
                       IDC_OVERWRITE_NOALL, IDC_OVERWRITE_CANCEL};

// Runs `run` while `act` gets the question once it is up and ends it.
void WhileAsked(const std::function<void()>& run, const std::function<void(HWND)>& act)
{
    DriveWhile(run, [&](int) {
        HWND h = FindThreadWindow(kCaption);
        if (h == NULL)
            return true;
        act(h);
        return false;
    });
}

// Runs the question; `act` gets the dialog once it is up and ends it.
INT_PTR Ask(const char* path, int showCmd, const std::function<void(HWND)>& act,
            bool replacesSource = false)
{
    COverwriteDlg dlg(path, showCmd);
    dlg.SetReplacesSource(replacesSource);
    INT_PTR result = -1;
    WhileAsked([&] { result = dlg.DoModal(); }, act);
    return result;
}

// The Enter key as the keyboard delivers it: to the focused window, or to
// the dialog when nothing in it has the focus.
void PressEnter(HWND dlg)
{
    HWND focus = GetFocus();
    if (focus == NULL || (focus != dlg && !IsChild(dlg, focus)))
        focus = dlg;
    PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 1);
}

struct Seen
{
    std::vector<UINT> visible; // left to right
    std::vector<std::string> texts;
    std::string path;
    bool ownerDrawn = true;
    bool hasIcon = false;
};

Seen Look(HWND dlg)
{
    Seen s;
    int lastX = -100000;
    for (UINT id : kOrder)
    {
        HWND b = GetDlgItem(dlg, id);
        s.ownerDrawn = s.ownerDrawn && ButtonMapFind(b) != NULL &&
                       ButtonMapFind(b)->GetStyle() == kOdbStyleFocusDefault;
        if (!IsWindowVisible(b))
            continue;
        RECT rc;
        GetWindowRect(b, &rc);
        EXPECT_GT(rc.left, lastX) << id;
        lastX = rc.left;
        s.visible.push_back(id);
        s.texts.push_back(ItemText(dlg, id));
    }
    s.path = ItemText(dlg, IDC_OVERWRITE_PATH);
    s.hasIcon = SendDlgItemMessageA(dlg, IDC_OVERWRITE_ICON, STM_GETIMAGE, IMAGE_ICON, 0) != 0;
    return s;
}

void Press(HWND dlg, UINT id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

} // namespace

TEST(OverwriteDlg, BatchModeShowsFiveAnswersAndTheShortenedPath)
{
    Seen seen;
    INT_PTR r = Ask("C:\\Photos\\Holidays\\2023 Summer\\Beach day\\sunset over sea.gif",
                    kOverwriteBatchMode, [&](HWND h) {
                        seen = Look(h);
                        Press(h, IDC_OVERWRITE_NO);
                    });
    EXPECT_EQ(IDC_OVERWRITE_NO, r);
    EXPECT_EQ((std::vector<UINT>(std::begin(kOrder), std::end(kOrder))), seen.visible);
    EXPECT_EQ((std::vector<std::string>{"&Yes", "Yes to &All", "&No", "No to A&ll", "&Cancel"}),
              seen.texts);
    EXPECT_EQ("C:\\..\\Beach day\\sunset over sea.gif", seen.path);
    EXPECT_TRUE(seen.ownerDrawn);
    EXPECT_TRUE(seen.hasIcon);
}

TEST(OverwriteDlg, SingleFileModeShowsYesAndNoInTheLastTwoPlaces)
{
    Seen seen;
    RECT batchYes = {0, 0, 0, 0}, singleYes = {0, 0, 0, 0};
    Ask("", kOverwriteBatchMode, [&](HWND h) {
        GetWindowRect(GetDlgItem(h, IDC_OVERWRITE_NOALL), &batchYes);
        Press(h, IDC_OVERWRITE_CANCEL);
    });
    INT_PTR r = Ask("C:\\out\\a.gif", kOverwriteSingleFileMode, [&](HWND h) {
        seen = Look(h);
        GetWindowRect(GetDlgItem(h, IDC_OVERWRITE_NOALL), &singleYes);
        Press(h, IDC_OVERWRITE_NOALL);
    });
    EXPECT_EQ(IDC_OVERWRITE_NOALL, r);
    EXPECT_EQ((std::vector<UINT>{IDC_OVERWRITE_NOALL, IDC_OVERWRITE_CANCEL}), seen.visible);
    EXPECT_EQ((std::vector<std::string>{"Yes", "No"}), seen.texts);
    EXPECT_EQ("C:\\out\\a.gif", seen.path);
    EXPECT_EQ(batchYes.left, singleYes.left);
}

TEST(OverwriteDlg, EveryAnswerEndsWithItsId)
{
    for (UINT id : kOrder)
        EXPECT_EQ((INT_PTR)id,
                  Ask("C:\\a.gif", kOverwriteBatchMode, [&](HWND h) { Press(h, id); }));
    // A real click on an owner-drawn answer.
    EXPECT_EQ(IDC_OVERWRITE_YESALL, Ask("C:\\a.gif", kOverwriteBatchMode, [](HWND h) {
                  HWND b = GetDlgItem(h, IDC_OVERWRITE_YESALL);
                  PostMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                  PostMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
              }));
}

TEST(OverwriteDlg, EscapeAndTheCloseBoxGiveCancelInBothModes)
{
    for (int mode : {kOverwriteBatchMode, kOverwriteSingleFileMode})
    {
        EXPECT_EQ(IDC_OVERWRITE_CANCEL,
                  Ask("C:\\a.gif", mode, [](HWND h) { PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 0); }))
            << mode;
        EXPECT_EQ(
            IDC_OVERWRITE_CANCEL,
            Ask("C:\\a.gif", mode, [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }))
            << mode;
    }
}

// Enter answers what it always did, Yes, except where the output would
// replace its own source: there No is focused and the default, so Enter
// keeps the source. (Where the focus starts otherwise is the dialog
// manager's affair: the dialog itself, or the first visible button.)
TEST(OverwriteDlg, EnterAnswersNoOnlyWhenTheOutputIsItsOwnSource)
{
    const struct
    {
        int mode;
        bool replacesSource;
        std::vector<INT_PTR> enter; // what Enter may end the question with
        const char* focused;        // the focused button's text, NULL for any
    } cases[] = {
        {kOverwriteBatchMode, false, {IDC_OVERWRITE_YES}, NULL},
        {kOverwriteSingleFileMode, false, {IDC_OVERWRITE_YES, IDC_OVERWRITE_NOALL}, NULL},
        {kOverwriteBatchMode, true, {IDC_OVERWRITE_NO}, "&No"},
        {kOverwriteSingleFileMode, true, {IDC_OVERWRITE_CANCEL}, "No"},
    };
    for (const auto& c : cases)
    {
        const std::string what =
            std::to_string(c.mode) + (c.replacesSource ? " replacing the source" : "");
        std::string focused;
        LRESULT defId = 0;
        const INT_PTR r = Ask(
            "C:\\pics\\anim.gif", c.mode,
            [&](HWND h) {
                HWND focus = GetFocus();
                if (focus != NULL && IsChild(h, focus))
                    focused = GetWindowTextString(focus);
                defId = SendMessageA(h, DM_GETDEFID, 0, 0);
                PressEnter(h);
            },
            c.replacesSource);
        EXPECT_NE(c.enter.end(), std::find(c.enter.begin(), c.enter.end(), r)) << what << ": " << r;
        if (c.focused != NULL)
        {
            EXPECT_EQ(c.focused, focused) << what;
            EXPECT_EQ(MAKELRESULT(c.enter[0], DC_HASDEFID), defId) << what;
        }
    }
    // Every answer can still be given.
    for (UINT id : kOrder)
        EXPECT_EQ((INT_PTR)id,
                  Ask(
                      "C:\\a.gif", kOverwriteBatchMode, [&](HWND h) { Press(h, id); }, true));
}

TEST(OverwriteDlg, TheQuietQuestionTakesEnterAsYesUnlessItWouldReplaceTheSource)
{
    for (bool replacesSource : {false, true})
    {
        int answer = -1;
        WhileAsked([&] { answer = AskOverwriteSingle("C:\\pics\\anim.gif", replacesSource); },
                   PressEnter);
        EXPECT_EQ(replacesSource ? kOverwriteSingleNo : kOverwriteSingleYes, answer)
            << replacesSource;
    }
}
