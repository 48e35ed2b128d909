// MainDlgConvert: the main window's conversion runs collect, ask, convert, report and stop.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "controls/Bitmaps.h"
#include "image/GifWriter.h"
#include "image/ImageIO.h"
#include "image/MagickInc.h"
#include "files/Paths.h"
#include "mainwnd/MainDlg.h"
#include "mainwnd/ProgressDlg.h"
#include "tests/support/FolderLink.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

const char kQuestionCaption[] = "Confirm File Overwrite";
const char kFolderQuestion[] = "The output folder does not exist. Do you want to create it?";
const std::string kOld = "old";

const char kProductCaption[] = "Tolvex";

// A message box of the product other than the folder question.
HWND FindReport()
{
    HWND box = FindMessageBox(kProductCaption);
    return box != NULL && MessageBoxText(box) != kFolderQuestion ? box : NULL;
}

// An answer that is the Enter key, sent where the keyboard sends it.
const UINT kEnterKey = 0;

// What a run meets and how the test answers.
struct Script
{
    std::vector<UINT> answers; // to the overwrite questions in turn; Cancel after them
    int folderAnswer = IDOK;   // to the create-folder question
    std::function<void(HWND question)> onQuestion; // before it is answered
    std::function<void()> onLook;                  // at each look at the queue
    // Seen during the run:
    std::vector<std::string> asked;   // paths the questions showed
    std::vector<std::string> reports; // texts of the end-of-run messages
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
            if (s.onLook)
                s.onLook();
            if (FindWindowShowing("&Cancel") != NULL)
                s.progressSeen = true;
            HWND q = FindThreadWindow(kQuestionCaption);
            if (q != NULL && q != answered)
            {
                answered = q;
                s.asked.push_back(ItemText(q, IDC_OVERWRITE_PATH));
                if (s.onQuestion)
                    s.onQuestion(q);
                const UINT answer = s.asked.size() <= s.answers.size()
                                        ? s.answers[s.asked.size() - 1]
                                        : (UINT)IDC_OVERWRITE_CANCEL;
                HWND focus = GetFocus();
                if (answer == kEnterKey)
                    PostMessageA(focus != NULL && IsChild(q, focus) ? focus : q, WM_KEYDOWN,
                                 VK_RETURN, 1);
                else
                    PostMessageA(q, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            }
            HWND report = FindReport();
            if (report != NULL && report != answered)
            {
                answered = report;
                s.reports.push_back(MessageBoxText(report));
                PostMessageA(report, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
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

bool IsGif(const std::string& path) { return ReadFileBytes(path).compare(0, 4, "GIF8") == 0; }

Magick::Image ReadBack(const std::string& path)
{
    Magick::Image image;
    ReadImageFile(image, path.c_str());
    return image;
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// Calls run when the thread next dispatches its messages, in the order
// they were posted: each is a message to a window of its own.
class PostedCalls
{
public:
    PostedCalls()
    {
        m_hWnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, (LONG_PTR)this);
        m_oldProc = (WNDPROC)SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)Proc);
    }
    ~PostedCalls() { DestroyWindow(m_hWnd); }
    void Post(const std::function<void()>& call)
    {
        m_calls.push_back(call);
        PostMessageA(m_hWnd, kCallMessage, 0, 0);
    }

private:
    static const UINT kCallMessage = WM_APP + 1;
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        PostedCalls* self = (PostedCalls*)GetWindowLongPtrA(h, GWLP_USERDATA);
        if (msg != kCallMessage || self->m_calls.empty())
            return CallWindowProcA(self->m_oldProc, h, msg, wp, lp);
        std::function<void()> call = self->m_calls.front();
        self->m_calls.pop_front();
        call();
        return 0;
    }
    HWND m_hWnd;
    WNDPROC m_oldProc;
    std::deque<std::function<void()>> m_calls;
};

// A source folder of small images and an output folder beside it, with the
// main window set to convert the one into the other.
class MainConvertTest : public testing::Test
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

    // Sources of the given names; the order a run meets them in.
    std::vector<std::string> AddSources(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            AddSource(name);
        return RunOrder();
    }

    // The target of a source with the plain name pattern.
    std::string Target(const std::string& source) const
    {
        return m_out + "\\" + SplitPath(source.c_str()).name + ".gif";
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

TEST_F(MainConvertTest, ConvertAllWritesEachSupportedFileThroughThePipeline)
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
        want.push_back("th_" + name.substr(0, name.find('.')) + "_" + std::to_string(i + 1) +
                       "_s.gif");
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
    EXPECT_EQ(std::string("th_") + SplitPath(order.back().c_str()).name + "_3_s",
              dlg().m_szCurrentFile);
}

TEST_F(MainConvertTest, CollectFilesTakesSupportedFilesAndSubfoldersInPlace)
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
    EXPECT_EQ((std::set<std::string>{m_src + "\\top.bmp", m_src + "\\UPPER.JPG"}),
              names(RunOrder(false)));
    const std::vector<std::string> all = RunOrder(true);
    EXPECT_EQ((std::set<std::string>{m_src + "\\top.bmp", m_src + "\\UPPER.JPG",
                                     m_src + "\\sub\\one.png", m_src + "\\sub\\deeper\\two.gif"}),
              names(all));
    EXPECT_EQ(4u, all.size());
    // A subfolder's files stand together where the subfolder was met.
    auto at = [&](const std::string& p) {
        return std::find(all.begin(), all.end(), p) - all.begin();
    };
    EXPECT_EQ(1, std::abs(at(m_src + "\\sub\\one.png") - at(m_src + "\\sub\\deeper\\two.gif")));

    // Trailing separators are not doubled; a folder that cannot be searched adds nothing.
    std::vector<std::string> list;
    dlg().CollectFiles(list, (m_src + "\\sub\\deeper\\").c_str(), false);
    EXPECT_EQ((std::vector<std::string>{m_src + "\\sub\\deeper\\two.gif"}), list);
    dlg().CollectFiles(list, (m_src + "\\missing").c_str(), true);
    EXPECT_EQ(1u, list.size());
}

TEST_F(MainConvertTest, OverwriteAnswersDecideEachExistingTarget)
{
    AddSource("a.bmp");
    AddSource("b.bmp");
    AddSource("c.bmp");
    m_panel.pattern = 1;
    SetPanel(dlg(), m_panel);
    const std::vector<std::string> order = RunOrder();
    ASSERT_EQ(3u, order.size());
    auto target = [&](size_t i) {
        return m_out + "\\" + SplitPath(order[i].c_str()).name + "_" + std::to_string(i + 1) +
               ".gif";
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
        {"Yes then Cancel",
         {0, 1, 2},
         {IDC_OVERWRITE_YES, IDC_OVERWRITE_CANCEL},
         {true, false, false},
         2},
        {"Yes to All once", {0, 1, 2}, {IDC_OVERWRITE_YESALL}, {true, true, true}, 1},
        {"No to All once", {0, 2}, {IDC_OVERWRITE_NOALL}, {false, true, false}, 1},
        // The next run forgets the earlier No to All and asks again.
        {"a new run asks again",
         {0, 2},
         {IDC_OVERWRITE_NO, IDC_OVERWRITE_YES},
         {false, true, true},
         2},
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
            const bool existed =
                std::find(c.existing.begin(), c.existing.end(), i) != c.existing.end();
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

// The lines of an end-of-run message.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST_F(MainConvertTest, FilesThatCannotBeConvertedArePassedOverAndReportedOnce)
{
    m_panel.resize = m_panel.useWidth = true;
    m_panel.width = 100;
    m_panel.prefix = "g_";
    SetPanel(dlg(), m_panel);
    AddSource("a.bmp");
    AddSource("strip.bmp", 1, 15000); // 100 wide is beyond the library's limits
    AddSource("ro.bmp");
    AddSource("dir.bmp");
    AddSource("z.bmp");
    WriteFileBytes(m_src + "\\bad.bmp", "not a picture");
    // A name outside the code page reaches the ANSI calls as "??.jpg".
    const std::string jpeg = EncodeImage(MakeQuadrants(8, 6), "jpg");
    // Built by hand: the C++ library's wide strings assume another wchar_t.
    WCHAR wide[kPathBufferSize];
    const int n = MultiByteToWideChar(CP_ACP, 0, (m_src + "\\").c_str(), -1, wide, kPathBufferSize);
    ASSERT_GT(n, 0);
    const WCHAR name[] = {0x65E5, 0x672C, '.', 'j', 'p', 'g', 0};
    memcpy(wide + n - 1, name, sizeof(name));
    HANDLE h = CreateFileW(wide, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    // The folder's removal goes through the ANSI calls, which cannot name it.
    struct WideFileRemover
    {
        const WCHAR* path;
        ~WideFileRemover() { DeleteFileW(path); }
    } remover = {wide};
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << GetLastError();
    DWORD written = 0;
    WriteFile(h, jpeg.data(), (DWORD)jpeg.size(), &written, NULL);
    CloseHandle(h);
    // "g_??.gif" taken as a pattern would match this one.
    WriteFileBytes(m_out + "\\g_ab.gif", kOld);
    WriteFileBytes(m_out + "\\g_ro.gif", kOld);
    SetFileAttributesA((m_out + "\\g_ro.gif").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((m_out + "\\g_dir.gif").c_str(), NULL);

    std::vector<std::string> failing;
    for (const std::string& path : RunOrder())
    {
        const std::string name = NameOf(path);
        if (name != "a.bmp" && name != "z.bmp")
            failing.push_back(name);
    }
    ASSERT_EQ(5u, failing.size());
    EXPECT_NE(failing.end(), std::find(failing.begin(), failing.end(), "??.jpg"));

    Script s;
    s.answers = {IDC_OVERWRITE_YES, IDC_OVERWRITE_YES};
    RunConvert(dlg(), s);
    // Asked about the read-only file and the folder only.
    std::vector<std::string> asked = s.asked;
    std::sort(asked.begin(), asked.end());
    std::vector<std::string> targets;
    for (const char* name : {"g_dir.gif", "g_ro.gif"})
    {
        char shown[kPathBufferSize];
        CompactPath((m_out + "\\" + name).c_str(), shown, sizeof(shown), 40);
        targets.push_back(shown);
    }
    EXPECT_EQ(targets, asked);
    EXPECT_TRUE(IsGif(m_out + "\\g_a.gif"));
    EXPECT_TRUE(IsGif(m_out + "\\g_z.gif"));
    EXPECT_EQ(kOld, ReadFileBytes(m_out + "\\g_ro.gif"));
    EXPECT_EQ(kOld, ReadFileBytes(m_out + "\\g_ab.gif"));
    EXPECT_EQ(-1, PathExists((m_out + "\\g_dir.gif").c_str()));
    // Nothing half-made is left behind.
    EXPECT_EQ((std::vector<std::string>{"g_a.gif", "g_ab.gif", "g_dir.gif", "g_ro.gif", "g_z.gif"}),
              FolderNames(m_out));

    ASSERT_EQ(1u, s.reports.size());
    std::vector<std::string> want = {"5 files were not converted:"};
    want.insert(want.end(), failing.begin(), failing.end());
    EXPECT_EQ(want, Lines(s.reports[0]));
    EXPECT_EQ(1, dlg().m_bPreview);

    // A run where everything converts says nothing.
    const std::string fine = m_dir.File("fine");
    CreateDirectoryA(fine.c_str(), NULL);
    WriteImage(fine + "\\fine.bmp", MakeQuadrants(8, 6));
    SafeCopy(dlg().m_szBrowsedFolder, fine.c_str());
    Script quiet;
    RunConvert(dlg(), quiet);
    EXPECT_TRUE(quiet.reports.empty());
    EXPECT_TRUE(IsGif(m_out + "\\g_fine.gif"));
}

TEST_F(MainConvertTest, WhenTheOutputFolderTakesNoMoreFilesTheRunStops)
{
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
        AddSource(std::string(name) + ".bmp");
    const std::vector<std::string> order = RunOrder();
    const std::string moved = m_out + "_moved";
    const std::string blocked = m_dir.File("blocked");
    const struct
    {
        const char* what;
        std::string folder; // the output folder
        size_t converted;   // files written before it stopped
    } cases[] = {
        // A file where the folder should be: it cannot be made.
        {"the folder cannot be made", blocked, 0},
        // The folder goes away while the second file's question is open.
        {"the folder goes away", m_out, 1},
    };
    WriteFileBytes(blocked, kOld);
    for (const auto& c : cases)
    {
        SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, c.folder.c_str());
        if (c.converted > 0)
            WriteFileBytes(m_out + "\\" + SplitPath(order[1].c_str()).name + ".gif", kOld);
        Script s;
        s.answers = {IDC_OVERWRITE_YES};
        s.onQuestion = [&](HWND) { EXPECT_TRUE(MoveFileA(m_out.c_str(), moved.c_str())); };
        RunConvert(dlg(), s);
        if (c.converted > 0)
        {
            EXPECT_TRUE(IsGif(moved + "\\" + SplitPath(order[0].c_str()).name + ".gif")) << c.what;
            EXPECT_EQ(kOld, ReadFileBytes(moved + "\\" + SplitPath(order[1].c_str()).name + ".gif"))
                << c.what;
        }
        ASSERT_EQ(1u, s.reports.size()) << c.what;
        const std::vector<std::string> lines = Lines(s.reports[0]);
        // The reason, a blank line, the count, five names and the rest counted.
        ASSERT_EQ(9u, lines.size()) << s.reports[0];
        EXPECT_NE(std::string::npos, lines[0].find("output folder")) << c.what;
        EXPECT_EQ("", lines[1]);
        EXPECT_EQ(std::to_string(order.size() - c.converted) + " files were not converted:",
                  lines[2])
            << c.what;
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(NameOf(order[c.converted + i]), lines[3 + i]) << c.what;
        EXPECT_EQ("... and " + std::to_string(2 - c.converted) + " more", lines[8]) << c.what;
        EXPECT_EQ(1, dlg().m_bPreview) << c.what;
    }
    EXPECT_EQ(kOld, ReadFileBytes(blocked));
}

TEST_F(MainConvertTest, CancelAndASecondConvertDuringTheRun)
{
    const std::vector<std::string> order = AddSources({"a.bmp", "b.bmp", "c.bmp"});
    auto target = [&](size_t i) { return Target(order[i]); };
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
        from = ItemText(progress, 1061);
        to = ItemText(progress, 1062);
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

TEST_F(MainConvertTest, OutputFolderChoice)
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
        EXPECT_EQ(c.editAfter, ItemText(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER)) << c.what;
        if (c.folderAnswer == IDCANCEL)
        {
            EXPECT_EQ(0, PathExists(missing.c_str())) << c.what;
        }
    }
}

TEST_F(MainConvertTest, AnOutputThatIsItsOwnSourceIsReplacedSafely)
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

TEST_F(MainConvertTest, NamesThatAreNoPlainFileNameAreReportedAndWriteNothing)
{
    AddSource("a.bmp");
    const struct
    {
        std::string prefix;
        int pattern;
        std::string suffix;
    } cases[] = {
        {"NUL", -1, ""},    {"con", -1, ".x"},
        {"", -1, "COM1"},   {"..\\", 0, ""},
        {"../", 0, ""},     {"..\\.\\", -1, "x"},
        {"C:", 0, ""},      {"\\\\?\\", 0, ""},
        {"", 0, ":stream"}, {m_dir.Path() + "\\", 0, ""},
        {"sub/", 0, ""},
    };
    for (const auto& c : cases)
    {
        m_panel.prefix = c.prefix;
        m_panel.pattern = c.pattern;
        m_panel.suffix = c.suffix;
        SetPanel(dlg(), m_panel);
        Script s;
        RunConvert(dlg(), s);
        const std::string what = c.prefix + "|" + c.suffix;
        EXPECT_TRUE(s.asked.empty()) << what;
        EXPECT_EQ((std::vector<std::string>{"1 file was not converted:\na.bmp"}), s.reports)
            << what;
        EXPECT_TRUE(FolderNames(m_out).empty()) << what;
        EXPECT_EQ((std::vector<std::string>{"a.bmp"}), FolderNames(m_src)) << what;
        EXPECT_EQ((std::vector<std::string>{"out", "src"}), FolderNames(m_dir.Path())) << what;
    }
}

// Enter on the question keeps a source that its output would replace, in
// whatever spelling the output folder reaches it; any other existing file
// Enter replaces, as it always did.
TEST_F(MainConvertTest, EnterKeepsASourceThatIsItsOwnOutput)
{
    const std::string pictures = m_dir.File("source pictures");
    CreateDirectoryA(pictures.c_str(), NULL);
    const std::string anim = pictures + "\\anim.gif";
    WriteFileBytes(anim, ThreeFrameGif());
    const std::string original = ReadFileBytes(anim);
    SafeCopy(dlg().m_szBrowsedFolder, pictures.c_str());
    char shortFolder[kPathBufferSize] = "";
    const DWORD n = GetShortPathNameA(pictures.c_str(), shortFolder, sizeof(shortFolder));
    ASSERT_TRUE(n > 0 && n < sizeof(shortFolder));
    ASSERT_STRCASENE(pictures.c_str(), shortFolder);
    std::string upper = pictures + "\\";
    CharUpperA(&upper[0]);
    for (const std::string& folder : {std::string(), std::string(shortFolder), upper})
    {
        SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, folder.c_str());
        Script s;
        s.answers = {kEnterKey};
        RunConvert(dlg(), s);
        EXPECT_EQ(1u, s.asked.size()) << folder;
        EXPECT_EQ(original, ReadFileBytes(anim)) << folder;
        EXPECT_TRUE(s.reports.empty()) << folder;
    }

    // The same name in another folder is no source of its own.
    SetDlgItemTextA(dlg().m_hWnd, IDC_MAIN_OUTPUT_FOLDER, m_out.c_str());
    WriteFileBytes(m_out + "\\anim.gif", kOld);
    Script s;
    s.answers = {kEnterKey};
    RunConvert(dlg(), s);
    EXPECT_EQ(1u, s.asked.size());
    EXPECT_TRUE(IsGif(m_out + "\\anim.gif"));
    EXPECT_EQ(original, ReadFileBytes(anim));
}

TEST_F(MainConvertTest, OutputNames)
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

TEST_F(MainConvertTest, NamesTooLongForAPathWriteNothing)
{
    AddSource("a.bmp");
    m_panel.prefix = std::string(kPathBufferSize - m_out.size() - 4, 'p');
    SetPanel(dlg(), m_panel);
    Script s;
    RunConvert(dlg(), s);
    EXPECT_TRUE(FolderNames(m_out).empty());
    EXPECT_EQ((std::vector<std::string>{"1 file was not converted:\na.bmp"}), s.reports);
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

TEST_F(MainConvertTest, ConvertMenuCommandsSetTheButtonAndRun)
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
        EXPECT_EQ(c.caption, ItemText(dlg().m_hWnd, IDC_MAIN_CONVERT)) << c.id;
        EXPECT_EQ(c.id, dlg().m_nConvertCmd) << c.id;
        EXPECT_EQ(c.converts, FileExists(m_out + "\\deep.gif")) << c.id;
    }
}

TEST_F(MainConvertTest, ConvertSelectionTakesTheSelectedRowsInListOrder)
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

TEST_F(MainConvertTest, RecursiveCollectionSearchesEachRealFolderOnce)
{
    // The chosen folder is pics; its parent holds one more picture.
    const std::string pics = m_src + "\\pics";
    CreateDirectoryA(pics.c_str(), NULL);
    CreateDirectoryA((pics + "\\sub").c_str(), NULL);
    AddSource("top.bmp");
    AddSource("pics\\a.bmp");
    AddSource("pics\\sub\\b.bmp");
    SafeCopy(dlg().m_szBrowsedFolder, pics.c_str());
    dlg().m_nConvertCmd = ID_CONVERT_RECURSIVE;

    const struct
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // link, host target
        std::set<std::string> collected;                        // relative to pics
    } cases[] = {
        {"a link to the folder itself", {{"self", "."}}, {"a.bmp", "sub\\b.bmp"}},
        // The parent is a real folder reached once, through the link; the
        // chosen folder inside it is not searched again.
        {"links to the folder and to its parent",
         {{"self", "."}, {"loop", ".."}, {"sub\\up", ".."}},
         {"a.bmp", "sub\\b.bmp", "loop\\top.bmp"}},
    };
    for (const auto& c : cases)
    {
        if (!CanMakeFolderLinks())
            GTEST_SKIP() << kNoFolderLinks;
        std::vector<std::unique_ptr<FolderLink>> links;
        for (const auto& link : c.links)
        {
            links.emplace_back(new FolderLink(pics + "\\" + link.first, link.second));
            ASSERT_TRUE(links.back()->Made()) << link.first;
        }
        std::vector<std::string> list;
        dlg().CollectFiles(list, pics.c_str(), true);
        std::multiset<std::string> got;
        for (const std::string& path : list)
            got.insert(path.substr(pics.size() + 1));
        EXPECT_EQ(std::multiset<std::string>(c.collected.begin(), c.collected.end()), got)
            << c.what;

        Script s;
        RunConvert(dlg(), s);
        EXPECT_TRUE(s.asked.empty()) << c.what;
        std::vector<std::string> want;
        for (const std::string& name : c.collected)
            want.push_back(SplitPath(name.c_str()).name + ".gif");
        std::sort(want.begin(), want.end());
        EXPECT_EQ(want, FolderNames(m_out)) << c.what;
        for (const std::string& name : want)
            DeleteFileA((m_out + "\\" + name).c_str());
    }
}

// The texts the progress dialog's source line is given, in order, while
// the object lives.
class ProgressFromTexts
{
public:
    ProgressFromTexts()
    {
        s_self = this, m_hook = SetWindowsHookExA(WH_CALLWNDPROC, Proc, NULL, GetCurrentThreadId());
    }
    ~ProgressFromTexts()
    {
        UnhookWindowsHookEx(m_hook);
        s_self = NULL;
    }
    std::vector<std::string> texts;

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp)
    {
        const CWPSTRUCT* call = (const CWPSTRUCT*)lp;
        if (code == HC_ACTION && s_self != NULL && call->message == WM_SETTEXT &&
            call->lParam != 0 && GetDlgCtrlID(call->hwnd) == IDC_PROGRESS_FROM &&
            GetDlgItem(GetParent(call->hwnd), IDC_PROGRESS_CANCEL) != NULL)
            s_self->texts.push_back((const char*)call->lParam);
        return CallNextHookEx(NULL, code, wp, lp);
    }
    static ProgressFromTexts* s_self;
    HHOOK m_hook;
};
ProgressFromTexts* ProgressFromTexts::s_self = NULL;

TEST_F(MainConvertTest, TheWindowAnswersWhileFilesAreCollected)
{
    AddSource("a.bmp");
    for (const char* sub : {"s1", "s2"})
    {
        CreateDirectoryA((m_src + "\\" + sub).c_str(), NULL);
        AddSource(std::string(sub) + "\\" + sub + ".bmp");
    }
    dlg().m_nConvertCmd = ID_CONVERT_RECURSIVE;
    char folders[2][kPathBufferSize];
    CompactPath((m_src + "\\s1").c_str(), folders[0], sizeof(folders[0]), 40);
    CompactPath((m_src + "\\s2").c_str(), folders[1], sizeof(folders[1]), 40);

    // A search that takes longer than the quiet time: the first look at
    // the queue during the run finds a call that holds it up. The dialog
    // then shows the next folder searched, before any file.
    {
        PostedCalls calls;
        calls.Post([] { Sleep(kCollectQuietMs + 100); });
        ProgressFromTexts from;
        Script s;
        RunConvert(dlg(), s);
        ASSERT_FALSE(from.texts.empty());
        EXPECT_TRUE(from.texts[0] == folders[0] || from.texts[0] == folders[1]) << from.texts[0];
        EXPECT_EQ(3u, FolderNames(m_out).size());
    }
    RemoveTree(m_out);
    CreateDirectoryA(m_out.c_str(), NULL);

    // Cancel while the files are collected ends the run before the first.
    {
        PostedCalls calls;
        bool running = false;
        calls.Post([&] {
            running = dlg().m_pRunProgress != NULL;
            if (running)
                SendMessageA(dlg().m_pRunProgress->m_hWnd, WM_COMMAND,
                             MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED), 0);
        });
        Script s;
        RunConvert(dlg(), s);
        EXPECT_TRUE(running);
        EXPECT_FALSE(s.progressSeen);
        EXPECT_TRUE(FolderNames(m_out).empty());
        EXPECT_EQ(1, dlg().m_bPreview);
    }
}

TEST_F(MainConvertTest, ExitDuringARunStopsItBeforeTheWindowCloses)
{
    const std::vector<std::string> order = AddSources({"a.bmp", "b.bmp", "c.bmp"});
    auto target = [&](size_t i) { return Target(order[i]); };
    const struct
    {
        const char* what;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"the close box", WM_SYSCOMMAND, SC_CLOSE},
        {"the Exit button", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
    };
    for (const auto& c : cases)
    {
        ShowWindow(dlg().m_hWnd, SW_SHOW);
        for (size_t i = 0; i < order.size(); ++i)
            DeleteFileA(target(i).c_str());
        WriteFileBytes(target(1), kOld);
        WriteFileBytes(target(2), kOld);
        PostedCalls calls;
        bool shownAfterExit = false;
        Script s;
        s.answers = {IDC_OVERWRITE_YES, IDC_OVERWRITE_YES};
        // Exit while the second file's question is open.
        s.onQuestion = [&](HWND) {
            if (s.asked.size() != 1)
                return;
            PostMessageA(dlg().m_hWnd, c.message, c.wParam, 0);
            calls.Post([&] { shownAfterExit = IsWindowVisible(dlg().m_hWnd) != FALSE; });
        };
        RunConvert(dlg(), s);
        // The window stays until the run has stopped: no question without it.
        EXPECT_TRUE(shownAfterExit) << c.what;
        EXPECT_EQ(1u, s.asked.size()) << c.what;
        EXPECT_TRUE(IsGif(target(0))) << c.what;
        EXPECT_TRUE(IsGif(target(1))) << c.what;
        EXPECT_EQ(kOld, ReadFileBytes(target(2))) << c.what;
        // Then it closes.
        EXPECT_FALSE(IsWindowVisible(dlg().m_hWnd)) << c.what;
        EXPECT_EQ(1, dlg().m_bPreview) << c.what;
    }
}

TEST_F(MainConvertTest, AfterARunThePreviewShowsTheFocusedFileAtPreviewSize)
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
                                 Magick::Color(GetRValue(c) * 257, GetGValue(c) * 257,
                                               GetBValue(c) * 257, 0)));
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
    EXPECT_EQ(NULL, dlg().SourceImage());
    EXPECT_EQ(NULL, dlg().StageImage(kStageResize));
    EXPECT_EQ(NULL, dlg().StageImage(kStageRotateColor));

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
    const auto previewSource = sizeOf(dlg().SourceImage()),
               previewStage = sizeOf(dlg().StageImage(kStageRotateColor));
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
        EXPECT_EQ(previewSource, sizeOf(dlg().SourceImage())) << emptied;
        EXPECT_EQ(previewStage, sizeOf(dlg().StageImage(kStageRotateColor))) << emptied;
        ASSERT_NE((Magick::Image*)NULL, dlg().StageImage(kStageRotateColor)) << emptied;
        const Magick::Color c = dlg().StageImage(kStageRotateColor)->pixelColor(2, 2);
        EXPECT_TRUE(alike(focusedColour,
                          RGB(c.redQuantum() / 257, c.greenQuantum() / 257, c.blueQuantum() / 257)))
            << emptied;
        EXPECT_TRUE(alike(focusedColour, shownCentre())) << emptied;
    }
}

// The GIF options saved in settings.tvx are in force from the window's
// start, before the GIF settings dialog was ever opened.
TEST(MainConvertAtStart, TheSavedGifOptionsShapeTheFirstRun)
{
    RegistryState registry;
    ProgramSettingsGuard settings;
    settings.Write("[GIF]\r\nNoneTR=0\r\nColorTR=1\r\nColorR=255\r\nColorG=0\r\nColorB=0\r\n"
                   "Interlace=1\r\nColor256=0\r\n");
    g_GifOptions = kGifStartupOptions;
    TempFolder dir("gif at start");
    const std::string src = dir.File("src"), out = dir.File("out");
    CreateDirectoryA(src.c_str(), NULL);
    CreateDirectoryA(out.c_str(), NULL);
    WriteImage(src + "\\q.bmp", MakeQuadrants(8, 6));
    {
        CMainDlg dlg;
        ASSERT_NE((HWND)NULL, dlg.Create(NULL));
        SafeCopy(dlg.m_szBrowsedFolder, src.c_str());
        SetDlgItemTextA(dlg.m_hWnd, IDC_MAIN_OUTPUT_FOLDER, out.c_str());
        dlg.m_nConvertCmd = ID_CONVERT_ALL;
        Script s;
        RunConvert(dlg, s);
        DestroyWindow(dlg.m_hWnd);
    }
    g_GifOptions = kGifStartupOptions;
    const GifLayout gif = ParseGif(ReadFileBytes(out + "\\q.gif"));
    ASSERT_TRUE(gif.valid);
    EXPECT_TRUE(gif.interlaced);
    EXPECT_TRUE(gif.transparent);
    Magick::Image back = ReadBack(out + "\\q.gif");
    EXPECT_EQ(65535, back.getConstPixels(0, 0, 1, 1)->opacity) << "red: transparent";
    EXPECT_EQ(0, back.getConstPixels(7, 5, 1, 1)->opacity) << "white: opaque";
}

// Sources whose reads each run many times the read progress interval.
class MainConvertLongReadTest : public MainConvertTest
{
protected:
    void SetUp() override
    {
        MainConvertTest::SetUp();
        // Small outputs: the time goes to the reads.
        m_panel.resize = true;
        m_panel.useWidth = true;
        m_panel.width = 40; // 4000 x 3000 gives 40 x 30
        SetPanel(dlg(), m_panel);
        const std::string first = m_src + "\\a.png";
        WriteFileBytes(first,
                       EncodeImage(MakeColumnGradient(kSlowReadWidth, kSlowReadHeight), "png"));
        for (const char* name : {"b.png", "c.png"})
            CopyFileA(first.c_str(), (m_src + "\\" + name).c_str(), FALSE);
        m_order = RunOrder();
    }

    // Runs the Convert command with `act` called once, from a look at the
    // queue made while the run reads the file at `index` of the run: the
    // progress dialog shows that file, and the source image is the empty
    // one the read fills in. Whatever the run shows at its end is answered.
    void RunActingDuringRead(size_t index, const std::function<void()>& act)
    {
        char wanted[kPathBufferSize];
        CompactPath(m_order[index].c_str(), wanted, sizeof(wanted), 40);
        m_acted = false;
        Script s;
        s.onLook = [&] {
            const CProgressDlg* progress = dlg().m_pRunProgress;
            const Magick::Image* source = dlg().SourceImage();
            if (m_acted || progress == NULL || source == NULL || source->columns() != 0 ||
                ItemText(progress->m_hWnd, IDC_PROGRESS_FROM) != wanted)
                return;
            m_acted = true;
            act();
        };
        RunConvert(dlg(), s);
        m_reports = s.reports;
    }

    std::vector<std::string> m_order;
    bool m_acted = false;
    std::vector<std::string> m_reports;
};

// Cancel while a file is read stops the read and the run: neither that
// file nor a later one is converted, and none is reported as failed.
TEST_F(MainConvertLongReadTest, CancelDuringALongReadEndsTheRun)
{
    ASSERT_EQ(3u, m_order.size());
    HWND progress = NULL;
    RunActingDuringRead(0, [&] {
        progress = dlg().m_pRunProgress->m_hWnd;
        SendMessageA(progress, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED), 0);
    });
    ASSERT_TRUE(m_acted) << "no look at the queue during the read";
    EXPECT_TRUE(FolderNames(m_out).empty());
    EXPECT_TRUE(m_reports.empty());
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(1, dlg().m_bPreview);
}

// The close box while a file is read: the window stays until the run has
// stopped (the read with it, nothing more converted), then closes.
TEST_F(MainConvertLongReadTest, TheCloseBoxDuringALongReadClosesTheWindowOnceTheRunStops)
{
    ASSERT_EQ(3u, m_order.size());
    ShowWindow(dlg().m_hWnd, SW_SHOW);
    PostedCalls calls;
    bool shownAfterClose = false;
    RunActingDuringRead(1, [&] {
        PostMessageA(dlg().m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        calls.Post([&] { shownAfterClose = IsWindowVisible(dlg().m_hWnd) != FALSE; });
    });
    ASSERT_TRUE(m_acted) << "no look at the queue during the read";
    EXPECT_TRUE(shownAfterClose);
    EXPECT_EQ(std::vector<std::string>{NameOf(Target(m_order[0]))}, FolderNames(m_out));
    EXPECT_FALSE(IsWindowVisible(dlg().m_hWnd));
    EXPECT_EQ(1, dlg().m_bPreview);
}

// What the window does while a run reads a file leaves the read alone: an
// option change makes no pass over the stages and another file is not
// read, so nothing touches the picture being read or the stages made from
// the file before; the run then goes on to convert every file as set.
TEST_F(MainConvertLongReadTest, NothingTouchesThePictureBeingRead)
{
    ASSERT_EQ(3u, m_order.size());
    const Magick::Image* before[4] = {};
    const Magick::Image* after[4] = {};
    int loaded = -1;
    const auto pictures = [&](const Magick::Image*(&out)[4]) {
        out[0] = dlg().SourceImage();
        for (unsigned short stage = 0; stage < kStageCount; ++stage)
            out[1 + stage] = dlg().StageImage(stage);
    };
    RunActingDuringRead(1, [&] {
        pictures(before);
        // The width edit tells of a change: the resize stage would be redone.
        SendMessageA(dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_WIDTH, EN_CHANGE),
                     (LPARAM)GetDlgItem(dlg().m_hWnd, IDC_MAIN_WIDTH));
        loaded = dlg().LoadSourceImage(m_order[2].c_str());
        pictures(after);
    });
    ASSERT_TRUE(m_acted) << "no look at the queue during the read";
    EXPECT_EQ(0, loaded);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(before[i], after[i]) << i;
    ASSERT_EQ(3u, FolderNames(m_out).size());
    for (const std::string& source : m_order)
        EXPECT_EQ(40u, ReadBack(Target(source)).columns()) << source;
}
