#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "controls/Bitmaps.h"
#include "core/ImageIO.h"
#include "core/MagickInc.h"
#include "core/Paths.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

const char kQuestionCaption[] = "Confirm File Overwrite";
const char kFolderQuestion[] = "The output folder does not exist. Do you want to create it?";
const std::string kOld = "old";

struct FindText
{
    const char* text;
    HWND found;
};

BOOL CALLBACK FindChildText(HWND hWnd, LPARAM lParam)
{
    FindText* s = (FindText*)lParam;
    char text[512] = "";
    GetWindowTextA(hWnd, text, sizeof(text));
    if (strcmp(text, s->text) != 0)
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

BOOL CALLBACK FindTopWithChildText(HWND hWnd, LPARAM lParam)
{
    FindText* s = (FindText*)lParam;
    if (!IsWindowVisible(hWnd))
        return TRUE;
    FindText child = {s->text, NULL};
    EnumChildWindows(hWnd, FindChildText, (LPARAM)&child);
    if (child.found == NULL)
        return TRUE;
    s->found = hWnd;
    return FALSE;
}

// A visible window of this thread that shows the text in one of its controls.
HWND FindWindowShowing(const char* text)
{
    FindText s = {text, NULL};
    EnumThreadWindows(GetCurrentThreadId(), FindTopWithChildText, (LPARAM)&s);
    return s.found;
}

std::string Text(HWND h, int id)
{
    char text[kPathBufferSize] = "";
    GetDlgItemTextA(h, id, text, sizeof(text));
    return text;
}

// What a run meets and how the test answers.
struct Script
{
    std::vector<UINT> answers;   // to the overwrite questions in turn; Cancel after them
    int folderAnswer = IDOK;     // to the create-folder question
    std::function<void(HWND question)> onQuestion; // before it is answered
    // Seen during the run:
    std::vector<std::string> asked; // paths the questions showed
    int folderQuestions = 0;
    bool progressSeen = false;
};

// Runs the Convert button's command with the script answering.
void RunConvert(CMainDlg& dlg, Script& s)
{
    HWND answered = NULL;
    DriveWhile(
        [&] { SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0); },
        [&](int) {
            if (FindWindowShowing("&Cancel") != NULL)
                s.progressSeen = true;
            HWND q = FindThreadWindow(kQuestionCaption);
            if (q != NULL && q != answered)
            {
                answered = q;
                s.asked.push_back(Text(q, IDC_OVERWRITE_PATH));
                if (s.onQuestion)
                    s.onQuestion(q);
                const UINT answer = s.asked.size() <= s.answers.size() ? s.answers[s.asked.size() - 1]
                                                                      : (UINT)IDC_OVERWRITE_CANCEL;
                PostMessageA(q, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            }
            HWND box = FindWindowShowing(kFolderQuestion);
            if (box != NULL && box != answered)
            {
                answered = box;
                ++s.folderQuestions;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(s.folderAnswer, BN_CLICKED), 0);
            }
            return true;
        },
        20, 1500);
}

bool IsGif(const std::string& path)
{
    return ReadFileBytes(path).compare(0, 4, "GIF8") == 0;
}

Magick::Image ReadBack(const std::string& path)
{
    Magick::Image image;
    ReadImageFile(image, path.c_str());
    return image;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            names.push_back(found.cFileName);
    while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string NameOf(const std::string& path)
{
    return path.substr(path.rfind('\\') + 1);
}

// A source folder of small images and an output folder beside it, with the
// main window set to convert the one into the other.
class ConvertTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_src = m_dir.File("src");
        m_out = m_dir.File("out");
        CreateDirectoryA(m_src.c_str(), NULL);
        CreateDirectoryA(m_out.c_str(), NULL);
        SetPanel(dlg(), m_panel);
        SafeCopy(dlg().m_szBrowsedFolder, m_src.c_str());
        SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, m_out.c_str());
        dlg().m_nConvertCmd = ID_CONVERT_ALL;
    }

    CMainDlg& dlg() { return m_main.dlg; }

    std::string AddSource(const std::string& relative, size_t width = 8, size_t height = 6)
    {
        const std::string path = m_dir.File("src\\" + relative);
        WriteImage(path, MakeQuadrants(width, height));
        return path;
    }

    // The source folder shown in the file list; NULL when it cannot be.
    HWND ShowSourcesInList()
    {
        EnsureShellAllocator();
        LPITEMIDLIST folder = ParsePath(m_src);
        const int shown = folder != NULL ? dlg().m_fileList.ShowFolder(folder) : 0;
        CoTaskMemFree(folder);
        EXPECT_EQ(1, shown);
        return shown == 1 ? dlg().GetListView() : NULL;
    }

    // A list row's file name without its extension.
    static std::string RowName(HWND hList, int row)
    {
        char text[MAX_PATH] = "";
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(hList, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        return SplitPath(text).name;
    }

    // The sources in the order a run meets them.
    std::vector<std::string> RunOrder(bool recursive = false)
    {
        std::vector<std::string> list;
        dlg().CollectFiles(list, m_src.c_str(), recursive);
        return list;
    }

    TempFolder m_dir{"convert"};
    std::string m_src, m_out;
    PanelOptions m_panel;
    MainDlgWindow m_main;
};

} // namespace

TEST_F(ConvertTest, ConvertAllWritesEachSupportedFileThroughThePipeline)
{
    AddSource("a.bmp", 40, 30);
    AddSource("B.BMP", 40, 30);
    AddSource("c.tga", 40, 30);
    WriteFileBytes(m_src + "\\notes.txt", "text");
    WriteFileBytes(m_src + "\\noext", "text");
    CreateDirectoryA((m_src + "\\sub").c_str(), NULL);
    AddSource("sub\\d.bmp");
    m_panel.resize = m_panel.useWidth = true;
    m_panel.width = 20;
    m_panel.border = true;
    m_panel.borderWidth = 1;
    m_panel.rotate = 1;
    m_panel.prefix = "th_";
    m_panel.suffix = "_s";
    m_panel.pattern = 1;
    SetPanel(dlg(), m_panel);
    const std::vector<std::string> order = RunOrder();
    ASSERT_EQ(3u, order.size());

    Script s;
    RunConvert(dlg(), s);
    std::vector<std::string> want;
    for (size_t i = 0; i < order.size(); ++i)
    {
        std::string name = NameOf(order[i]);
        want.push_back("th_" + name.substr(0, name.find('.')) + "_" + std::to_string(i + 1) + "_s.gif");
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, FolderNames(m_out));
    for (const std::string& name : want)
    {
        // Full size, not the preview's: 20 x 15 with a 1-pixel border, turned.
        Magick::Image out = ReadBack(m_out + "\\" + name);
        EXPECT_EQ("GIF", out.magick()) << name;
        EXPECT_EQ(17u, out.columns()) << name;
        EXPECT_EQ(22u, out.rows()) << name;
    }
    EXPECT_TRUE(s.progressSeen);
    EXPECT_TRUE(s.asked.empty());
    EXPECT_EQ(1, dlg().m_bPreview);
    EXPECT_EQ(std::string("th_") + SplitPath(order.back().c_str()).name + "_3_s", dlg().m_szCurrentFile);
}

TEST_F(ConvertTest, CollectFilesTakesSupportedFilesAndSubfoldersInPlace)
{
    AddSource("top.bmp");
    AddSource("UPPER.JPG");
    WriteFileBytes(m_src + "\\no_ext", "x");
    WriteFileBytes(m_src + "\\other.doc", "x");
    WriteFileBytes(m_src + "\\trick.bmpx", "x");
    CreateDirectoryA((m_src + "\\folder.bmp").c_str(), NULL);
    CreateDirectoryA((m_src + "\\sub").c_str(), NULL);
    CreateDirectoryA((m_src + "\\sub\\deeper").c_str(), NULL);
    AddSource("sub\\one.png");
    AddSource("sub\\deeper\\two.gif");

    auto names = [](std::vector<std::string> list) {
        std::set<std::string> set;
        for (auto& p : list)
            set.insert(p);
        return set;
    };
    EXPECT_EQ((std::set<std::string>{m_src + "\\top.bmp", m_src + "\\UPPER.JPG"}), names(RunOrder(false)));
    const std::vector<std::string> all = RunOrder(true);
    EXPECT_EQ((std::set<std::string>{m_src + "\\top.bmp", m_src + "\\UPPER.JPG", m_src + "\\sub\\one.png",
                                     m_src + "\\sub\\deeper\\two.gif"}),
              names(all));
    EXPECT_EQ(4u, all.size());
    // A subfolder's files stand together where the subfolder was met.
    auto at = [&](const std::string& p) { return std::find(all.begin(), all.end(), p) - all.begin(); };
    EXPECT_EQ(1, std::abs(at(m_src + "\\sub\\one.png") - at(m_src + "\\sub\\deeper\\two.gif")));

    // Trailing separators are not doubled; a folder that cannot be searched adds nothing.
    std::vector<std::string> list;
    dlg().CollectFiles(list, (m_src + "\\sub\\deeper\\").c_str(), false);
    EXPECT_EQ((std::vector<std::string>{m_src + "\\sub\\deeper\\two.gif"}), list);
    dlg().CollectFiles(list, (m_src + "\\missing").c_str(), true);
    EXPECT_EQ(1u, list.size());
}

TEST_F(ConvertTest, OverwriteAnswersDecideEachExistingTarget)
{
    AddSource("a.bmp");
    AddSource("b.bmp");
    AddSource("c.bmp");
    m_panel.pattern = 1;
    SetPanel(dlg(), m_panel);
    const std::vector<std::string> order = RunOrder();
    ASSERT_EQ(3u, order.size());
    auto target = [&](size_t i) {
        return m_out + "\\" + SplitPath(order[i].c_str()).name + "_" + std::to_string(i + 1) + ".gif";
    };

    const struct
    {
        const char* what;
        std::vector<size_t> existing;
        std::vector<UINT> answers;
        std::vector<bool> converted; // by run position
        size_t questions;
    } cases[] = {
        {"second answered No", {1}, {IDC_OVERWRITE_NO}, {true, false, true}, 1},
        {"Yes then Cancel", {0, 1, 2}, {IDC_OVERWRITE_YES, IDC_OVERWRITE_CANCEL}, {true, false, false}, 2},
        {"Yes to All once", {0, 1, 2}, {IDC_OVERWRITE_YESALL}, {true, true, true}, 1},
        {"No to All once", {0, 2}, {IDC_OVERWRITE_NOALL}, {false, true, false}, 1},
        // The next run forgets the earlier No to All and asks again.
        {"a new run asks again", {0, 2}, {IDC_OVERWRITE_NO, IDC_OVERWRITE_YES}, {false, true, true}, 2},
    };
    for (const auto& c : cases)
    {
        for (size_t i = 0; i < order.size(); ++i)
            DeleteFileA(target(i).c_str());
        for (size_t i : c.existing)
            WriteFileBytes(target(i), kOld);
        Script s;
        s.answers = c.answers;
        RunConvert(dlg(), s);
        EXPECT_EQ(c.questions, s.asked.size()) << c.what;
        if (!s.asked.empty())
        {
            char shown[kPathBufferSize];
            CompactPath(target(c.existing[0]).c_str(), shown, sizeof(shown), 40);
            EXPECT_EQ(shown, s.asked[0]) << c.what;
        }
        for (size_t i = 0; i < order.size(); ++i)
        {
            const bool existed = std::find(c.existing.begin(), c.existing.end(), i) != c.existing.end();
            if (c.converted[i])
                EXPECT_TRUE(IsGif(target(i))) << c.what << " " << i;
            else if (existed)
                EXPECT_EQ(kOld, ReadFileBytes(target(i))) << c.what << " " << i;
            else
                EXPECT_FALSE(FileExists(target(i))) << c.what << " " << i;
        }
        EXPECT_EQ(1, dlg().m_bPreview) << c.what;
    }
}

TEST_F(ConvertTest, AFailedWriteEndsTheRunQuietly)
{
    AddSource("a.bmp");
    AddSource("b.bmp");
    const std::vector<std::string> order = RunOrder();
    // A folder in the first target's place counts as existing; replacing it fails.
    const std::string first = m_out + "\\" + SplitPath(order[0].c_str()).name + ".gif";
    const std::string second = m_out + "\\" + SplitPath(order[1].c_str()).name + ".gif";
    CreateDirectoryA(first.c_str(), NULL);
    Script s;
    s.answers = {IDC_OVERWRITE_YES};
    RunConvert(dlg(), s);
    EXPECT_EQ(1u, s.asked.size());
    EXPECT_EQ(-1, PathExists(first.c_str()));
    EXPECT_FALSE(FileExists(second));
    EXPECT_EQ(1, dlg().m_bPreview);
    // No temporary file is left behind.
    EXPECT_EQ((std::vector<std::string>{NameOf(first)}), FolderNames(m_out));

    // A stage that the library gives up on ends the run too: the previous
    // file's picture is never written under this file's name.
    RemoveDirectoryA(first.c_str());
    m_panel.border = true;
    m_panel.borderWidth = 40000;
    SetPanel(dlg(), m_panel);
    Script again;
    RunConvert(dlg(), again);
    EXPECT_TRUE(FolderNames(m_out).empty());
    EXPECT_EQ(1, dlg().m_bPreview);
}

TEST_F(ConvertTest, CancelAndASecondConvertDuringTheRun)
{
    AddSource("a.bmp");
    AddSource("b.bmp");
    AddSource("c.bmp");
    const std::vector<std::string> order = RunOrder();
    auto target = [&](size_t i) { return m_out + "\\" + SplitPath(order[i].c_str()).name + ".gif"; };
    WriteFileBytes(target(1), kOld);

    Script s;
    s.answers = {IDC_OVERWRITE_YES};
    HWND progress = NULL;
    int low = -1, high = -1, pos = -1;
    std::string from, to;
    s.onQuestion = [&](HWND q) {
        progress = GetWindow(q, GW_OWNER);
        PBRANGE range;
        SendDlgItemMessageA(progress, 1063, PBM_GETRANGE, FALSE, (LPARAM)&range);
        low = range.iLow;
        high = range.iHigh;
        pos = (int)SendDlgItemMessageA(progress, 1063, PBM_GETPOS, 0, 0);
        from = Text(progress, 1061);
        to = Text(progress, 1062);
        // Both reach their windows inside the question's own loop.
        PostMessageA(dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0);
        PostMessageA(progress, WM_COMMAND, MAKEWPARAM(1064, BN_CLICKED), 0);
    };
    RunConvert(dlg(), s);
    ASSERT_EQ(1u, s.asked.size());
    EXPECT_EQ(0, low);
    EXPECT_EQ(3, high);
    EXPECT_EQ(2, pos);
    char shown[kPathBufferSize];
    CompactPath(order[1].c_str(), shown, sizeof(shown), 40);
    EXPECT_EQ(shown, from);
    CompactPath(target(1).c_str(), shown, sizeof(shown), 40);
    EXPECT_EQ(shown, to);
    // The file being asked about is still converted; the run stops before the next.
    EXPECT_TRUE(IsGif(target(0)));
    EXPECT_TRUE(IsGif(target(1)));
    EXPECT_FALSE(FileExists(target(2)));
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(1, dlg().m_bPreview);
}

TEST_F(ConvertTest, OutputFolderChoice)
{
    AddSource("a.bmp");
    const std::string missing = m_dir.File("new\\deeper");
    const struct
    {
        const char* what;
        std::string edit;
        std::string browsed;
        int folderAnswer;
        int folderQuestions;
        std::string written; // folder expected to hold a.gif, or "" for none
        std::string editAfter;
    } cases[] = {
        {"missing folder, Cancel", missing, m_src, IDCANCEL, 1, "", missing},
        {"missing folder, OK", missing, m_src, IDOK, 1, missing, missing},
        {"empty edit takes the browsed folder", "", m_src, IDOK, 0, m_src, m_src},
        {"empty edit and no browsed folder", "", m_dir.File("nowhere"), IDOK, 0, "", ""},
    };
    for (const auto& c : cases)
    {
        SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, c.edit.c_str());
        SafeCopy(dlg().m_szBrowsedFolder, c.browsed.c_str());
        Script s;
        s.folderAnswer = c.folderAnswer;
        RunConvert(dlg(), s);
        EXPECT_EQ(c.folderQuestions, s.folderQuestions) << c.what;
        if (!c.written.empty())
            EXPECT_TRUE(IsGif(c.written + "\\a.gif")) << c.what;
        else
            EXPECT_TRUE(FolderNames(m_out).empty()) << c.what;
        EXPECT_EQ(c.editAfter, Text(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER)) << c.what;
        if (c.folderAnswer == IDCANCEL)
        {
            EXPECT_EQ(0, PathExists(missing.c_str())) << c.what;
        }
    }
}

TEST_F(ConvertTest, AnOutputThatIsItsOwnSourceIsReplacedSafely)
{
    const std::string self = m_src + "\\self.gif";
    WriteFileBytes(self, EncodeImage(MakeQuadrants(40, 30), "gif"));
    SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, m_src.c_str());
    m_panel.resize = m_panel.useWidth = true;
    m_panel.width = 20;
    SetPanel(dlg(), m_panel);
    for (UINT answer : {(UINT)IDC_OVERWRITE_NO, (UINT)IDC_OVERWRITE_YES})
    {
        Script s;
        s.answers = {answer};
        RunConvert(dlg(), s);
        EXPECT_EQ(1u, s.asked.size());
        Magick::Image back = ReadBack(self);
        EXPECT_EQ(answer == IDC_OVERWRITE_YES ? 20u : 40u, back.columns()) << answer;
        EXPECT_EQ((std::vector<std::string>{"self.gif"}), FolderNames(m_src)) << answer;
    }
}

TEST_F(ConvertTest, OutputNames)
{
    const struct
    {
        int pattern;
        const char* want;
    } cases[] = {{0, "th_cat"}, {1, "th_cat_3"}, {2, "th_3_cat"}, {-1, "th_"}};
    m_panel.prefix = "th_";
    for (const auto& c : cases)
    {
        m_panel.pattern = c.pattern;
        SetPanel(dlg(), m_panel);
        char path[kPathBufferSize] = "C:\\pics\\cat.png";
        dlg().BuildOutputName(path, 3);
        EXPECT_STREQ(c.want, path) << c.pattern;
    }
    // Without a pattern every file gets the same name.
    AddSource("a.bmp");
    AddSource("b.bmp");
    Script s;
    RunConvert(dlg(), s);
    EXPECT_EQ(1u, s.asked.size());
    EXPECT_EQ((std::vector<std::string>{"th_.gif"}), FolderNames(m_out));
}

TEST_F(ConvertTest, NamesTooLongForAPathWriteNothing)
{
    AddSource("a.bmp");
    m_panel.prefix = std::string(kPathBufferSize - m_out.size() - 4, 'p');
    SetPanel(dlg(), m_panel);
    Script s;
    RunConvert(dlg(), s);
    EXPECT_TRUE(FolderNames(m_out).empty());
    // A base name alone too long for a path.
    m_panel.prefix = std::string(kPathBufferSize - 1, 'p');
    SetPanel(dlg(), m_panel);
    char path[kPathBufferSize] = "C:\\a.bmp";
    dlg().BuildOutputName(path, 1);
    EXPECT_STREQ("", path);

    // An output folder text longer than a path buffer is refused, not cut.
    const std::string longFolder = m_dir.File(std::string(kPathBufferSize, 'f'));
    SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, longFolder.c_str());
    m_panel.prefix.clear();
    SetPanel(dlg(), m_panel);
    Script none;
    RunConvert(dlg(), none);
    EXPECT_EQ(0, none.folderQuestions);
    EXPECT_EQ(0, PathExists(longFolder.substr(0, kPathBufferSize - 1).c_str()));
}

TEST_F(ConvertTest, ConvertMenuCommandsSetTheButtonAndRun)
{
    CreateDirectoryA((m_src + "\\sub").c_str(), NULL);
    AddSource("sub\\deep.bmp");
    const struct
    {
        WORD id;
        const char* caption;
        bool converts;
    } cases[] = {
        {ID_CONVERT_ALL, "Convert All", false},
        {ID_CONVERT_RECURSIVE, "Convert All Recursively", true},
        {ID_CONVERT_SELECTION, "Convert Selection", false},
    };
    for (const auto& c : cases)
    {
        DeleteFileA((m_out + "\\deep.gif").c_str());
        Script s;
        DriveWhile([&] { SendMessageA(dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(c.id, 0), 0); },
                   [&](int) { return true; });
        EXPECT_EQ(c.caption, Text(dlg().m_hWnd, IDC_MAIN_CONVERT)) << c.id;
        EXPECT_EQ(c.id, dlg().m_nConvertCmd) << c.id;
        EXPECT_EQ(c.converts, FileExists(m_out + "\\deep.gif")) << c.id;
    }
}

TEST_F(ConvertTest, ConvertSelectionTakesTheSelectedRowsInListOrder)
{
    AddSource("a.bmp");
    AddSource("b.bmp");
    AddSource("c.bmp");
    const HWND hList = ShowSourcesInList();
    ASSERT_NE((HWND)NULL, hList);
    ASSERT_EQ(3, (int)SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    auto rowName = [&](int row) { return RowName(hList, row); };
    auto select = [&](int row, bool on) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = on ? LVIS_SELECTED : 0;
        SendMessageA(hList, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
    };
    m_panel.pattern = 2;
    SetPanel(dlg(), m_panel);
    dlg().m_nConvertCmd = ID_CONVERT_SELECTION;

    // Nothing selected: no files, and the folder's own are not taken instead.
    for (int row = 0; row < 3; ++row)
        select(row, false);
    Script none;
    RunConvert(dlg(), none);
    EXPECT_TRUE(FolderNames(m_out).empty());

    select(0, true);
    select(2, true);
    Script s;
    RunConvert(dlg(), s);
    std::vector<std::string> want = {"1_" + rowName(0) + ".gif", "2_" + rowName(2) + ".gif"};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, FolderNames(m_out));
}

TEST_F(ConvertTest, AfterARunThePreviewShowsTheFocusedFileAtPreviewSize)
{
    RECT box;
    GetClientRect(GetDlgItem(dlg().m_hWnd, IDC_MAIN_PREVIEW), &box);
    ASSERT_GT(box.right, 20);
    // Large enough, and with sides the JPEG decoder divides, that the
    // preview decodes them smaller than a run does.
    const size_t width = (size_t)std::max(box.right, box.bottom) * 8, height = width;
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int i = 0; i < 3; ++i)
    {
        const COLORREF c = colours[i];
        WriteImage(m_src + "\\p" + std::to_string(i + 1) + ".jpg",
                   Magick::Image(Magick::Geometry(width, height),
                                 Magick::Color(GetRValue(c) * 257, GetGValue(c) * 257, GetBValue(c) * 257, 0)));
    }
    const std::vector<std::string> order = RunOrder();
    ASSERT_EQ(3u, order.size());
    const COLORREF focusedColour = colours[NameOf(order[0])[1] - '1'];
    auto alike = [](COLORREF a, COLORREF b) {
        return abs(GetRValue(a) - GetRValue(b)) <= 8 && abs(GetGValue(a) - GetGValue(b)) <= 8 &&
               abs(GetBValue(a) - GetBValue(b)) <= 8;
    };
    auto shownCentre = [&] {
        DibPixels px = {};
        if (!GetDibPixels(dlg().m_hPreviewBitmap, px))
            return (COLORREF)CLR_INVALID;
        const BYTE* p = px.Row(px.height / 2) + px.width / 2 * px.pixelBytes;
        return RGB(p[2], p[1], p[0]);
    };
    auto sizeOf = [](const Magick::Image* image) {
        typedef std::pair<size_t, size_t> Size;
        return image != NULL ? Size(image->columns(), image->rows()) : Size(0, 0);
    };

    // Nothing previewed: the run leaves no picture of its own behind.
    Script first;
    RunConvert(dlg(), first);
    ASSERT_EQ(3u, FolderNames(m_out).size());
    EXPECT_EQ(NULL, dlg().m_pSourceImage);
    EXPECT_EQ(NULL, dlg().m_pStage0);
    EXPECT_EQ(NULL, dlg().m_pStage2);

    // The first file of the run is focused, so the last one read differs.
    const HWND hList = ShowSourcesInList();
    ASSERT_NE((HWND)NULL, hList);
    int row = -1;
    for (int i = 0; i < (int)SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0); ++i)
        if (RowName(hList, i) == SplitPath(order[0].c_str()).name)
            row = i;
    ASSERT_NE(-1, row);
    LVITEMA state = {};
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(hList, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&state);
    ASSERT_EQ(order[0], dlg().m_szCurrentFile);
    const auto previewSource = sizeOf(dlg().m_pSourceImage), previewStage = sizeOf(dlg().m_pStage2);
    ASSERT_LT(previewSource.first, width);
    ASSERT_TRUE(alike(focusedColour, shownCentre()));

    // Then once with the row focused, once with the list emptied meanwhile:
    // the file the preview stood for comes back either way.
    for (const bool emptied : {false, true})
    {
        if (emptied)
            SendMessageA(hList, LVM_DELETEALLITEMS, 0, 0);
        for (const std::string& name : FolderNames(m_out))
            DeleteFileA((m_out + "\\" + name).c_str());
        Script s;
        RunConvert(dlg(), s);
        ASSERT_EQ(3u, FolderNames(m_out).size()) << emptied;
        EXPECT_EQ(order[0], dlg().m_szCurrentFile) << emptied;
        EXPECT_EQ(previewSource, sizeOf(dlg().m_pSourceImage)) << emptied;
        EXPECT_EQ(previewStage, sizeOf(dlg().m_pStage2)) << emptied;
        ASSERT_NE((Magick::Image*)NULL, dlg().m_pStage2) << emptied;
        const Magick::Color c = dlg().m_pStage2->pixelColor(2, 2);
        EXPECT_TRUE(alike(focusedColour, RGB(c.redQuantum() / 257, c.greenQuantum() / 257, c.blueQuantum() / 257)))
            << emptied;
        EXPECT_TRUE(alike(focusedColour, shownCentre())) << emptied;
    }
}
