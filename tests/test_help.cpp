// Help: each help command makes its one call, F1 opens help from dialogs, About shows its links.
#include <windows.h>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "controls/HyperLink.h"
#include "controls/OwnerDrawButton.h"
#include "files/Paths.h"
#include "mainwnd/GifSettingsDlg.h"
#include "mainwnd/Help.h"
#include "tests/support/TestUtil.h"

namespace {

// Every call help makes, as "help <target> <command>" or "open <verb> <target>".
std::vector<std::string> g_calls;

HWND WINAPI RecordHtmlHelp(HWND owner, LPCSTR target, UINT command, DWORD_PTR data)
{
    g_calls.push_back("help " + std::string(target) + " " + std::to_string(command) +
                      (owner != NULL || data != 0 ? " with owner or data" : ""));
    return NULL;
}

HINSTANCE WINAPI RecordShellOpen(HWND owner, LPCSTR verb, LPCSTR target, LPCSTR params, LPCSTR dir,
                                 INT show)
{
    g_calls.push_back(
        "open " + std::string(verb) + " " + target +
        (owner != NULL || params != NULL || dir != NULL || show != SW_SHOWNORMAL ? " odd" : ""));
    return (HINSTANCE)42;
}

class HelpTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_calls.clear();
        m_oldHelp = SetHtmlHelpProc(RecordHtmlHelp);
        m_oldOpen = SetShellOpenProc(RecordShellOpen);
    }
    void TearDown() override
    {
        RemoveHelpHook();
        SetHtmlHelpProc(m_oldHelp);
        SetShellOpenProc(m_oldOpen);
    }

    static std::string HelpFile()
    {
        char module[MAX_PATH];
        GetModuleFileNameA(NULL, module, sizeof(module));
        std::string m = module;
        return m.substr(0, m.rfind('.')) + ".chm";
    }

private:
    HtmlHelpProc m_oldHelp = NULL;
    ShellOpenProc m_oldOpen = NULL;
};

const std::string kDisplayTopic = " 0"; // HH_DISPLAY_TOPIC

} // namespace

TEST(HelpFilePath, TheFileNamesExtensionBecomesChm)
{
    struct Case
    {
        const char* module;
        size_t size;
        bool made;
        const char* path;
    } cases[] = {
        {"D:\\Tools\\conv.exe", kPathBufferSize, true, "D:\\Tools\\conv.chm"},
        {"Z:\\build\\tolvex.exe.so", kPathBufferSize, true, "Z:\\build\\tolvex.exe.chm"},
        // A dotted folder and a name without extension: nothing is cut.
        {"D:\\my.tools\\conv", kPathBufferSize, true, "D:\\my.tools\\conv.chm"},
        {"conv", kPathBufferSize, true, "conv.chm"},
        {"D:\\Tools\\conv.exe", sizeof("D:\\Tools\\conv.chm"), true, "D:\\Tools\\conv.chm"},
        {"D:\\Tools\\conv.exe", sizeof("D:\\Tools\\conv.chm") - 1, false, ""},
    };
    for (const Case& c : cases)
    {
        char out[kPathBufferSize] = "junk";
        EXPECT_EQ(c.made, MakeHelpFilePath(c.module, out, c.size)) << c.module;
        EXPECT_STREQ(c.path, out) << c.module;
    }
}

TEST(HelpLoader, TheHtmlHelpControlLoadsAndAMissingOneGivesNothing)
{
    EXPECT_TRUE(LoadHtmlHelpProc("hhctrl.ocx") != NULL);
    EXPECT_TRUE(LoadHtmlHelpProc("no_such_help_control.ocx") == NULL);
}

TEST_F(HelpTest, EachHelpCommandMakesItsOneCall)
{
    const std::string file = HelpFile();
    struct Case
    {
        UINT id;
        std::string call;
    } cases[] = {
        {ID_HELP_QUICKSTART, "help " + file + "::/Quick_start.htm" + kDisplayTopic},
        {ID_HELP_CONTENTS, "help " + file + kDisplayTopic},
        {ID_HELP_SEARCH, "help " + file + kDisplayTopic},
        {ID_HELP_ONLINE, std::string("open open ") + kProductPage},
        {ID_HELP_SUPPORT, std::string("open open ") + kSupportPage},
        {ID_HELP_EMAIL, std::string("open open ") + kSupportMail},
    };
    for (const Case& c : cases)
    {
        g_calls.clear();
        RunHelpCommand(c.id);
        EXPECT_EQ(std::vector<std::string>{c.call}, g_calls) << c.id;
    }
    g_calls.clear();
    RunHelpCommand(ID_HELP_EMAIL + 1);
    RunHelpCommand(0);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(0u, std::string(kSupportMail).find("mailto:"));
}

TEST_F(HelpTest, TheHookTakesF1OnlyFromDialogBoxes)
{
    struct Case
    {
        int code;
        UINT message;
        WPARAM key;
        bool consumed;
    } cases[] = {
        {MSGF_DIALOGBOX, WM_KEYDOWN, VK_F1, true}, {MSGF_DIALOGBOX, WM_SYSKEYDOWN, VK_F1, true},
        {MSGF_DIALOGBOX, WM_KEYUP, VK_F1, false},  {MSGF_DIALOGBOX, WM_KEYDOWN, VK_F2, false},
        {MSGF_MENU, WM_KEYDOWN, VK_F1, false},     {MSGF_SCROLLBAR, WM_KEYDOWN, VK_F1, false},
    };
    for (const Case& c : cases)
    {
        g_calls.clear();
        MSG msg = {NULL, c.message, c.key, 1, 0, {0, 0}};
        LRESULT r = HelpKeyHookProc(c.code, 0, (LPARAM)&msg);
        EXPECT_EQ(c.consumed ? 1u : 0u, g_calls.size())
            << c.code << " " << c.message << " " << c.key;
        if (c.consumed)
        {
            EXPECT_EQ(1, r);
            EXPECT_EQ("help " + HelpFile() + "::/Quick_start.htm" + kDisplayTopic, g_calls[0]);
        }
    }
}

namespace {

// A message-filter hook installed before the help hook, so it runs only
// when the help hook passes a message on.
std::vector<WPARAM> g_passedKeys;
HHOOK g_hLaterHook = NULL;

LRESULT CALLBACK LaterHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = (const MSG*)lParam;
    if (code >= 0 && msg != NULL && msg->message == WM_KEYDOWN)
        g_passedKeys.push_back(msg->wParam);
    return CallNextHookEx(g_hLaterHook, code, wParam, lParam);
}

} // namespace

TEST_F(HelpTest, F1InARealDialogOpensQuickStartEachTimeAndNeverReachesIt)
{
    g_passedKeys.clear();
    g_hLaterHook = SetWindowsHookExA(WH_MSGFILTER, LaterHook, NULL, GetCurrentThreadId());
    ASSERT_TRUE(g_hLaterHook != NULL);
    ASSERT_TRUE(InstallHelpHook());
    HHOOK first = g_hHelpHook;
    EXPECT_TRUE(InstallHelpHook());
    EXPECT_EQ(first, g_hHelpHook) << "installed once";

    CGifSettingsDlg dlg;
    bool stillOpen = false;
    int step = 0;
    DriveWhile([&] { dlg.DoModal(NULL); },
               [&](int) {
                   HWND h = FindThreadWindow("PNG/Gif Conversion ");
                   if (h == NULL)
                       return true;
                   HWND target = GetDlgItem(h, IDC_GIF_NONE);
                   switch (step++)
                   {
                   case 0:
                       // Held down: the first press and two auto-repeats.
                       PostMessageA(target, WM_KEYDOWN, VK_F1, 1);
                       PostMessageA(target, WM_KEYDOWN, VK_F1, 0x40000001);
                       PostMessageA(target, WM_KEYDOWN, VK_F1, 0x40000001);
                       PostMessageA(target, WM_KEYDOWN, 'X', 1);
                       break;
                   case 1:
                       stillOpen = IsWindowVisible(h) != FALSE;
                       RemoveHelpHook();
                       PostMessageA(target, WM_KEYDOWN, VK_F1, 1);
                       break;
                   default:
                       PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_GIF_CANCEL, BN_CLICKED), 0);
                       return false;
                   }
                   return true;
               });
    UnhookWindowsHookEx(g_hLaterHook);
    EXPECT_TRUE(stillOpen);
    const std::string quickStart = "help " + HelpFile() + "::/Quick_start.htm" + kDisplayTopic;
    EXPECT_EQ((std::vector<std::string>{quickStart, quickStart, quickStart}), g_calls);
    EXPECT_EQ((std::vector<WPARAM>{'X', VK_F1}), g_passedKeys) << "F1 went on only once unhooked";
    EXPECT_TRUE(g_hHelpHook == NULL);
}

TEST_F(HelpTest, AboutShowsItsPictureVersionAndLinksAndClosesOnlyByOk)
{
    struct Look
    {
        bool picture = false, okOwnerDrawn = false, openAfterEscape = false;
        std::string version, site, mail, siteUrl, mailUrl;
    } look;
    int step = 0;
    DriveWhile(
        [&] { RunHelpCommand(ID_HELP_ABOUT); },
        [&](int) {
            HWND h = FindThreadWindow("About Tolvex");
            if (h == NULL)
                return true;
            switch (step++)
            {
            case 0:
            {
                HWND pic = NULL;
                for (HWND c = GetWindow(h, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT))
                    if (SendMessageA(c, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0)
                        pic = c;
                look.picture = pic != NULL;
                COwnerDrawButton* ok = ButtonMapFind(GetDlgItem(h, IDOK));
                look.okOwnerDrawn = ok != NULL && ok->GetStyle() == kOdbStylePlain;
                look.version = ItemText(h, IDC_ABOUT_VERSION);
                look.site = ItemText(h, IDC_ABOUT_SITE);
                look.mail = ItemText(h, IDC_ABOUT_EMAIL);
                for (auto item : {std::make_pair(IDC_ABOUT_SITE, &look.siteUrl),
                                  std::make_pair(IDC_ABOUT_EMAIL, &look.mailUrl)})
                {
                    CHyperLink* link = LinkMapFind(GetDlgItem(h, item.first));
                    *item.second = link != NULL && link->GetUrl() != NULL ? link->GetUrl() : "";
                }
                PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 1);
                PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            }
            case 1:
                look.openAfterEscape = IsWindowVisible(h) != FALSE;
                PostMessageA(h, WM_KEYDOWN, VK_RETURN, 1);
                break;
            default:
                ADD_FAILURE() << "Enter did not close the About box";
                PostMessageA(h, WM_COMMAND, IDOK, 0);
                return false;
            }
            return true;
        });
    EXPECT_TRUE(look.picture);
    EXPECT_TRUE(look.okOwnerDrawn);
    EXPECT_TRUE(look.openAfterEscape);
    EXPECT_EQ("1.2", look.version);
    EXPECT_NE(std::string::npos, std::string(kProductPage).find(look.site));
    EXPECT_NE(std::string::npos, std::string(kSupportMail).find(look.mail));
    EXPECT_EQ(kProductPage, look.siteUrl);
    EXPECT_EQ(kSupportMail, look.mailUrl);
    EXPECT_EQ(0, LinkMapCount()) << "the links leave with the dialog";
    EXPECT_TRUE(g_calls.empty());
    EXPECT_TRUE(LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDCUR_LINK)) != NULL);
}
