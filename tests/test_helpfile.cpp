// The compiled help file: what the build leaves beside the program, what it
// holds, and the help window that F1 opens on it.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/StrUtil.h"
#include "controls/ColorPopup.h"
#include "controls/OwnerDrawButton.h"
#include "settings/Registry.h"
#include "mainwnd/Help.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// Besides tolvex.chm the build leaves its listing (one name a line, from the
// help file's own lister) and its contents unpacked into a folder.
const char kListingName[] = "tolvex.chm.txt";
const char kUnpackedFolder[] = "help-unpacked\\";

// The caption of the help file's own window definition.
const char kHelpWindowCaption[] = "Tolvex Help";
const char kHelpWindowClass[] = "HH Parent";

// Codes of the records in the compiled file's #SYSTEM stream.
const WORD kSystemContents = 0;
const WORD kSystemIndex = 1;
const WORD kSystemDefaultTopic = 2;
const WORD kSystemTitle = 3;

std::string ProgramHelpFile()
{
    char path[kPathBufferSize];
    EXPECT_TRUE(MakeHelpFilePath((BuildFolder() + "tolvex.exe").c_str(), path, sizeof(path)));
    return path;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return (char)tolower(c); });
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The topic a "file.chm::/topic" target names.
std::string TopicOf(const char* target)
{
    std::string t = target;
    const std::string mark = "::/";
    size_t at = t.find(mark);
    return at == std::string::npos ? std::string() : t.substr(at + mark.size());
}

// The names the listing holds, without their leading "/".
std::set<std::string> ListedNames()
{
    std::set<std::string> names;
    std::string text = ReadFileBytes(BuildFolder() + kListingName);
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.size() > 1 && line[0] == '/')
            names.insert(line.substr(1));
        start = end + 1;
    }
    return names;
}

std::vector<std::string> Topics(const std::set<std::string>& listed)
{
    std::vector<std::string> topics;
    for (const std::string& n : listed)
        if (EndsWith(Lower(n), ".htm") && n.find('/') == std::string::npos)
            topics.push_back(n);
    return topics;
}

std::string Unpacked(const std::string& name)
{
    return ReadFileBytes(BuildFolder() + kUnpackedFolder + name);
}

// The text records of the compiled #SYSTEM stream by code: a 32-bit
// version, then records of a 16-bit code, a 16-bit length and the data.
std::map<WORD, std::string> SystemRecords()
{
    std::map<WORD, std::string> records;
    std::string s = Unpacked("#SYSTEM");
    size_t at = 4;
    while (at + 4 <= s.size())
    {
        WORD code = (WORD)((BYTE)s[at] | (BYTE)s[at + 1] << 8);
        WORD length = (WORD)((BYTE)s[at + 2] | (BYTE)s[at + 3] << 8);
        at += 4;
        if (at + length > s.size())
            break;
        std::string data = s.substr(at, length);
        records[code] = data.substr(0, data.find('\0'));
        at += length;
    }
    return records;
}

// The values of an attribute (href, src, id, value...) in a page, in order.
std::vector<std::string> AttributeValues(const std::string& page, const std::string& attribute)
{
    std::vector<std::string> values;
    const std::string lower = Lower(page);
    const std::string key = attribute + "=\"";
    for (size_t at = lower.find(key); at != std::string::npos; at = lower.find(key, at + 1))
    {
        if (at > 0 && isalnum((unsigned char)lower[at - 1]))
            continue;
        size_t from = at + key.size();
        size_t to = page.find('"', from);
        if (to == std::string::npos)
            break;
        values.push_back(page.substr(from, to - from));
    }
    return values;
}

// A sitemap entry of a contents or index file: its Name and Local values.
struct SitemapEntry
{
    std::string name, local;
};

std::vector<SitemapEntry> SitemapEntries(const std::string& file)
{
    std::vector<SitemapEntry> entries;
    const std::string lower = Lower(file);
    const std::string open = "<object type=\"text/sitemap\">";
    for (size_t at = lower.find(open); at != std::string::npos; at = lower.find(open, at + 1))
    {
        size_t end = lower.find("</object>", at);
        if (end == std::string::npos)
        {
            ADD_FAILURE() << "an entry is not closed";
            break;
        }
        std::string object = file.substr(at, end - at);
        SitemapEntry entry;
        // Each <param name="..." value="..."> of the entry, in order.
        std::vector<std::string> names = AttributeValues(object, "name");
        std::vector<std::string> values = AttributeValues(object, "value");
        for (size_t i = 0; i < names.size() && i < values.size(); ++i)
        {
            if (names[i] == "Name")
                entry.name = values[i];
            else if (names[i] == "Local")
                entry.local = values[i];
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string TitleOf(const std::string& page)
{
    const std::string lower = Lower(page);
    size_t from = lower.find("<title>");
    size_t to = lower.find("</title>");
    if (from == std::string::npos || to == std::string::npos || to < from)
        return std::string();
    return page.substr(from + 7, to - from - 7);
}

// Entities the topics use in titles and names.
std::string PlainText(std::string s)
{
    const std::pair<const char*, const char*> entities[] = {
        {"&quot;", "\""}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& e : entities)
        for (size_t at = s.find(e.first); at != std::string::npos; at = s.find(e.first, at + 1))
            s.replace(at, strlen(e.first), e.second);
    return s;
}

// Checks one link target of `from`: a file of the help file, relative, and,
// when it names a place ("page.htm#place"), a page with that id or name.
// Returns the page the target leads to ("" when it leads nowhere).
std::string CheckTarget(const std::string& from, const std::string& target,
                        const std::set<std::string>& listed)
{
    EXPECT_EQ(std::string::npos, target.find(':')) << from << " leaves the help file: " << target;
    size_t hash = target.find('#');
    std::string file = target.substr(0, hash);
    std::string place = hash == std::string::npos ? std::string() : target.substr(hash + 1);
    if (file.empty())
        file = from;
    if (listed.count(file) == 0)
    {
        ADD_FAILURE() << from << " names the missing " << target;
        return std::string();
    }
    if (!place.empty())
    {
        std::string linked = Unpacked(file);
        std::vector<std::string> ids = AttributeValues(linked, "id");
        std::vector<std::string> names = AttributeValues(linked, "name");
        bool found = std::count(ids.begin(), ids.end(), place) +
                         std::count(names.begin(), names.end(), place) >
                     0;
        EXPECT_TRUE(found) << from << " names the missing place " << target;
    }
    return file;
}

} // namespace

TEST(HelpFile, LiesBesideTheProgramUnderTheNameItAsksFor)
{
    const std::string file = ProgramHelpFile();
    EXPECT_EQ(BuildFolder() + "tolvex.chm", file);
    EXPECT_EQ("ITSF", ReadFileBytes(file).substr(0, 4)) << file;
    std::set<std::string> listed = ListedNames();
    EXPECT_FALSE(listed.empty()) << "no listing of " << file;
}

TEST(HelpFile, HoldsTheTopicsTheProgramOpensAndNamesItsContentsAndIndex)
{
    std::set<std::string> listed = ListedNames();
    std::map<WORD, std::string> system = SystemRecords();

    // F1, Quick start and the first start open this topic.
    const std::string quickStart = TopicOf(kQuickStartTopic);
    EXPECT_EQ("Quick_start.htm", quickStart);
    EXPECT_EQ(1u, listed.count(quickStart));

    // Contents and Search open the file's default topic.
    ASSERT_EQ(1u, system.count(kSystemDefaultTopic)) << "the file has no default topic";
    EXPECT_EQ(1u, listed.count(system[kSystemDefaultTopic])) << system[kSystemDefaultTopic];

    for (WORD code : {kSystemContents, kSystemIndex})
    {
        ASSERT_EQ(1u, system.count(code)) << code;
        EXPECT_EQ(1u, listed.count(system[code])) << system[code];
    }
    EXPECT_EQ(kHelpWindowCaption, system[kSystemTitle]);
}

TEST(HelpFile, ContentsAndIndexReachEveryTopicAndNameOnlyTopicsThatExist)
{
    std::set<std::string> listed = ListedNames();
    std::map<WORD, std::string> system = SystemRecords();
    std::vector<std::string> topics = Topics(listed);
    ASSERT_GE(topics.size(), 2u);

    struct Map
    {
        WORD code;
        bool namesAreTitles;
    } maps[] = {{kSystemContents, true}, {kSystemIndex, false}};
    for (const Map& m : maps)
    {
        const std::string file = system[m.code];
        std::vector<SitemapEntry> entries = SitemapEntries(Unpacked(file));
        ASSERT_FALSE(entries.empty()) << file;
        std::set<std::string> reached;
        for (const SitemapEntry& e : entries)
        {
            EXPECT_FALSE(e.name.empty()) << file << " has an entry without a name";
            if (e.local.empty())
                continue; // a book of the contents, which only groups entries
            std::string page = CheckTarget(file, e.local, listed);
            reached.insert(page);
            if (m.namesAreTitles && !page.empty())
            {
                EXPECT_EQ(PlainText(TitleOf(Unpacked(page))), PlainText(e.name)) << e.local;
            }
        }
        for (const std::string& t : topics)
            EXPECT_EQ(1u, reached.count(t)) << file << " does not reach " << t;
    }
}

TEST(HelpFile, NoTopicLinksToAMissingPageOrPlace)
{
    std::set<std::string> listed = ListedNames();
    std::vector<std::string> topics = Topics(listed);
    ASSERT_FALSE(topics.empty());
    for (const std::string& topic : topics)
    {
        const std::string page = Unpacked(topic);
        EXPECT_FALSE(TitleOf(page).empty()) << topic << " has no title";
        std::vector<std::string> targets = AttributeValues(page, "href");
        for (const std::string& src : AttributeValues(page, "src"))
            targets.push_back(src);
        for (const std::string& target : targets)
            CheckTarget(topic, target, listed);
    }
}

namespace {

// A text as the user sees it: mnemonic marks gone ("&&" stays one "&"), a
// menu item's shortcut after its tab cut off, blanks at the end dropped.
std::string ShownText(const std::string& text)
{
    std::string shown;
    for (size_t i = 0; i < text.size() && text[i] != '\t'; ++i)
    {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown;
}

std::string WindowText(HWND hWnd)
{
    char text[1024] = "";
    GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

BOOL CALLBACK CollectChildTextProc(HWND hWnd, LPARAM lParam)
{
    std::set<std::string>& texts = *(std::set<std::string>*)lParam;
    texts.insert(ShownText(WindowText(hWnd)));
    char cls[64] = "";
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (strcmp(cls, WC_COMBOBOXA) == 0)
    {
        int count = (int)SendMessageA(hWnd, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i)
        {
            char item[256] = "";
            if (SendMessageA(hWnd, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof(item))
                SendMessageA(hWnd, CB_GETLBTEXT, i, (LPARAM)item);
            texts.insert(item);
        }
    }
    if (COwnerDrawButton* button = ButtonMapFind(hWnd))
    {
        NMTTDISPINFOA tip = {};
        button->GetTipText(&tip);
        if (tip.lpszText != NULL)
            texts.insert(tip.lpszText);
    }
    return TRUE;
}

void CollectWindowTexts(HWND hWnd, std::set<std::string>& texts)
{
    texts.insert(ShownText(WindowText(hWnd)));
    EnumChildWindows(hWnd, CollectChildTextProc, (LPARAM)&texts);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

BOOL CALLBACK CollectDialogProc(HMODULE module, LPCSTR, LPSTR name, LONG_PTR lParam)
{
    HWND hDlg = CreateDialogParamA(module, name, NULL, PlainDialogProc, 0);
    if (hDlg != NULL)
    {
        CollectWindowTexts(hDlg, *(std::set<std::string>*)lParam);
        DestroyWindow(hDlg);
    }
    return TRUE;
}

void CollectMenuTexts(HMENU menu, std::set<std::string>& texts)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
    {
        char text[256] = "";
        GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        texts.insert(ShownText(text));
        if (HMENU sub = GetSubMenu(menu, i))
            CollectMenuTexts(sub, texts);
    }
}

BOOL CALLBACK CollectMenuProc(HMODULE module, LPCSTR, LPSTR name, LONG_PTR lParam)
{
    if (HMENU menu = LoadMenuA(module, name))
    {
        CollectMenuTexts(menu, *(std::set<std::string>*)lParam);
        DestroyMenu(menu);
    }
    return TRUE;
}

// Every text of a control, a menu item or a tooltip that the program shows:
// its dialogs and menus as the resources hold them, and what the main window
// and the colour popup put in at run time.
std::set<std::string> ProgramTexts()
{
    std::set<std::string> texts;
    HMODULE module = GetModuleHandleA(NULL);
    EnumResourceNamesA(module, (LPCSTR)RT_DIALOG, CollectDialogProc, (LONG_PTR)&texts);
    EnumResourceNamesA(module, (LPCSTR)RT_MENU, CollectMenuProc, (LONG_PTR)&texts);

    EnsureShellAllocator();
    CMainDlg dlg;
    HWND main = dlg.Create(NULL);
    EXPECT_TRUE(main != NULL);
    if (main != NULL)
    {
        CollectWindowTexts(main, texts);
        HWND list = dlg.GetListView();
        for (int column = 0;; ++column)
        {
            char text[64] = "";
            LVCOLUMNA c = {};
            c.mask = LVCF_TEXT;
            c.pszText = text;
            c.cchTextMax = sizeof(text);
            if (!SendMessageA(list, LVM_GETCOLUMNA, column, (LPARAM)&c))
                break;
            texts.insert(text);
        }
        DestroyWindow(main);
    }

    CColorPopup popup;
    COLORREF color = 0;
    DriveWhile([&] { popup.Run(NULL, 100, 100, 0, color); },
               [&](int) {
                   if (popup.GetTab() == NULL)
                       return true;
                   for (int page = 0; page < TabCtrl_GetItemCount(popup.GetTab()); ++page)
                   {
                       char text[64] = "";
                       TCITEMA item = {};
                       item.mask = TCIF_TEXT;
                       item.pszText = text;
                       item.cchTextMax = sizeof(text);
                       SendMessageA(popup.GetTab(), TCM_GETITEMA, page, (LPARAM)&item);
                       texts.insert(text);
                   }
                   popup.EndPopup(FALSE);
                   return false;
               });
    return texts;
}

} // namespace

TEST(HelpFile, TheTopicsNameControlsByTheTextsTheProgramShows)
{
    RegistryState registry;
    std::set<std::string> shown = ProgramTexts();
    ASSERT_EQ(1u, shown.count("Crop image to fit :")) << "the main window's texts were not read";
    ASSERT_EQ(1u, shown.count("Small Icons")) << "the tooltips were not read";

    // The topics set a control's or a menu item's own text in this span.
    const std::string open = "<span class=\"ui\">", close = "</span>";
    std::vector<std::string> topics = Topics(ListedNames());
    ASSERT_FALSE(topics.empty());
    for (const std::string& topic : topics)
    {
        const std::string page = Unpacked(topic);
        for (size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + 1))
        {
            size_t from = at + open.size();
            size_t to = page.find(close, from);
            ASSERT_NE(std::string::npos, to) << topic;
            // A line break inside the span reads as one blank.
            std::string text;
            for (char c : page.substr(from, to - from))
            {
                bool blank = c == ' ' || c == '\n' || c == '\r';
                if (!blank)
                    text += c;
                else if (!text.empty() && text.back() != ' ')
                    text += ' ';
            }
            while (!text.empty() && text.back() == ' ')
                text.pop_back();
            text = PlainText(text);
            EXPECT_EQ(1u, shown.count(text))
                << topic << " names \"" << text << "\", which the program does not show";
        }
    }
}

namespace {

struct ClassSearch
{
    const char* className;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindClassProc(HWND hWnd, LPARAM lParam)
{
    ClassSearch* s = (ClassSearch*)lParam;
    char cls[64] = "";
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (strcmp(cls, s->className) != 0 || (s->visibleOnly && !IsWindowVisible(hWnd)))
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

HWND FindHelpWindow()
{
    ClassSearch s = {kHelpWindowClass, true, NULL};
    EnumThreadWindows(GetCurrentThreadId(), FindClassProc, (LPARAM)&s);
    return s.found;
}

HWND FindContentsTree(HWND helpWnd)
{
    ClassSearch s = {WC_TREEVIEWA, false, NULL};
    EnumChildWindows(helpWnd, FindClassProc, (LPARAM)&s);
    return s.found;
}

// The program's help file put where this test program's help is looked
// for (its own path with "chm"), and taken away again.
class HelpFileCopy
{
public:
    HelpFileCopy()
    {
        char path[kPathBufferSize];
        if (GetHelpFilePath(path, sizeof(path)))
            m_path = path;
        m_copied = !m_path.empty() && CopyFileA(ProgramHelpFile().c_str(), m_path.c_str(), FALSE);
    }
    ~HelpFileCopy()
    {
        if (m_copied)
            DeleteFileA(m_path.c_str());
    }
    bool Copied() const { return m_copied; }

private:
    std::string m_path;
    bool m_copied = false;
};

} // namespace

TEST(HelpFileWindow, F1InTheMainWindowOpensTheHelpWindowOnTheHelpFile)
{
    RegistryState registry;
    HelpFileCopy help;
    ASSERT_TRUE(help.Copied());
    EnsureShellAllocator();

    const size_t contentsEntries =
        SitemapEntries(Unpacked(SystemRecords()[kSystemContents])).size();
    std::string caption;
    int treeItems = -1, treeWidth = 0;
    int waited = 0;
    bool pressed = false, helpClosed = false;
    CMainDlg dlg;
    // HTML Help opens its window inside the F1 call, which a cold start of
    // its control can make take seconds; the waits stay bounded all the same.
    const int kTicksForTheWindow = 200;
    DriveWhile([&] { dlg.DoModal(NULL); },
               [&](int) {
                   HWND main = FindThreadWindow("Tolvex");
                   if (main == NULL)
                       return true;
                   if (!pressed)
                   {
                       HWND edit = GetDlgItem(main, IDC_MAIN_OUTPUT_FOLDER);
                       SetFocus(edit);
                       PostMessageA(edit, WM_KEYDOWN, VK_F1, 1);
                       pressed = true;
                       return true;
                   }
                   HWND helpWnd = FindHelpWindow();
                   if (helpWnd == NULL && ++waited < kTicksForTheWindow)
                       return true;
                   if (helpWnd != NULL)
                   {
                       char text[256] = "";
                       GetWindowTextA(helpWnd, text, sizeof(text));
                       caption = text;
                       HWND tree = FindContentsTree(helpWnd);
                       RECT box = {0, 0, 0, 0};
                       if (tree != NULL && IsWindowVisible(tree) && GetClientRect(tree, &box))
                           treeWidth = box.right - box.left;
                       if (tree != NULL)
                           treeItems = (int)SendMessageA(tree, TVM_GETCOUNT, 0, 0);
                       SendMessageA(helpWnd, WM_CLOSE, 0, 0);
                       helpClosed = !IsWindow(helpWnd);
                   }
                   // Ended directly: Exit would save the options beside the program.
                   EndDialog(main, IDCANCEL);
                   return false;
               },
               30, kTicksForTheWindow + 100);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(kHelpWindowCaption, caption) << "no help window after F1";
    EXPECT_EQ((int)contentsEntries, treeItems) << "the help window's contents tree";
    EXPECT_GE(treeWidth, 150) << "the contents tree is not shown";
    EXPECT_TRUE(helpClosed);
    EXPECT_TRUE(FindHelpWindow() == NULL);
}
