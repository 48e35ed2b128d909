// Paths: paths are shortened, split, compared and made; the file dialogs check the choice.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/DialogItems.h"
#include "files/FileDialog.h"
#include "files/Paths.h"
#include "tests/support/FolderLink.h"
#include "tests/support/TestUtil.h"

TEST(PathsCompactPath, KeepsTheDriveAndTheLongestFittingTail)
{
    struct Case
    {
        std::string src, expected;
    } cases[] = {
        {"C:\\" + std::string(36, 'a'), "C:\\" + std::string(36, 'a')}, // 39: unchanged
        // 40 characters, the only backslash after the drive: drive, "..", 38-char tail
        {"C:\\" + std::string(37, 'b'), "C:..\\" + std::string(37, 'b')},
        // 46 characters with tails of 44, 30, 23 and 15 characters
        {"C:\\" + std::string(13, 'p') + "\\" + std::string(6, 'q') + "\\" + std::string(7, 'r') +
             "\\" + std::string(14, 's'),
         "C:\\..\\" + std::string(6, 'q') + "\\" + std::string(7, 'r') + "\\" +
             std::string(14, 's')},
        // a 45-character file name alone does not fit: it is lost
        {"C:\\" + std::string(45, 'n'), "C:\\.."},
        // network path: no drive part
        {"\\\\server\\share\\" + std::string(20, 'd') + "\\" + std::string(15, 'f'),
         "..\\" + std::string(20, 'd') + "\\" + std::string(15, 'f')},
    };
    for (const Case& c : cases)
    {
        char out[kPathBufferSize];
        CompactPath(c.src.c_str(), out, sizeof(out), 40);
        EXPECT_EQ(c.expected, out) << c.src << " (" << c.src.size() << ")";
    }
    ASSERT_EQ(46u, cases[2].src.size());
    EXPECT_EQ(35u, cases[2].expected.size());
    EXPECT_EQ(42u, cases[1].expected.size());
}

TEST(PathsCompactPath, OutputIsBounded)
{
    std::string src(100, 'x');
    char out[8];
    CompactPath(src.c_str(), out, sizeof(out), 200);
    EXPECT_EQ(7u, strlen(out));
}

TEST(PathsGetFolderOfPath, DriveAndDirectory)
{
    struct Case
    {
        std::string path, folder;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"C:\\pics\\a.jpg", "C:\\pics\\"},
        {"C:/out/new/", "C:/out/new/"},
        {"a.jpg", ""},
        {"C:a.jpg", "C:"},
        // longer than the runtime's 255-character limit: kept whole
        {"C:\\" + std::string(300, 'd') + "\\f.png", "C:\\" + std::string(300, 'd') + "\\"},
    };
    for (const Case& c : cases)
    {
        char out[kPathBufferSize];
        EXPECT_EQ(1, GetFolderOfPath(c.path.c_str(), out, sizeof(out)));
        EXPECT_EQ(c.folder, out) << c.path;
    }
    char tiny[4];
    EXPECT_EQ(0, GetFolderOfPath("C:\\pics\\a.jpg", tiny, sizeof(tiny)));
    EXPECT_STREQ("", tiny);
}

TEST(PathsPathExists, FilesFoldersRootsAndNothing)
{
    TempFolder tmp;
    WriteFileBytes(tmp.File("f.txt"), "x");
    WriteFileBytes(tmp.File("g_ab.gif"), "x");
    char before[MAX_PATH], after[MAX_PATH];
    GetCurrentDirectoryA(sizeof(before), before);

    struct Case
    {
        std::string path;
        int expected;
    } cases[] = {
        {"C:\\", -1},
        {tmp.Path(), -1},
        {tmp.Path() + "\\", -1},
        {tmp.File("f.txt"), 1},
        {tmp.File("missing"), 0},
        {"", 0},
        // Names, never patterns, even when a file would match them as one.
        {tmp.File("g_??.gif"), 0},
        {tmp.File("g_a?.gif"), 0},
        {tmp.File("*.gif"), 0},
        {tmp.File("*"), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, PathExists(c.path.c_str())) << c.path;
    EXPECT_EQ(1, IsDirectory(tmp.Path().c_str()));
    EXPECT_EQ(0, IsDirectory(tmp.File("f.txt").c_str()));

    GetCurrentDirectoryA(sizeof(after), after);
    EXPECT_STREQ(before, after);
}

TEST(PathsGetFolderIdentity, OneFolderWhateverLinkLeadsToIt)
{
    TempFolder tmp;
    CreateDirectoryA(tmp.File("a").c_str(), NULL);
    CreateDirectoryA(tmp.File("b").c_str(), NULL);
    WriteFileBytes(tmp.File("f.txt"), "x");
    if (!CanMakeFolderLinks())
        GTEST_SKIP() << kNoFolderLinks;
    FolderLink self(tmp.File("a\\self"), ".");
    FolderLink up(tmp.File("a\\up"), "..");
    ASSERT_TRUE(self.Made() && up.Made());

    FolderIdentity a, b, top, viaSelf, viaUp, viaBoth;
    ASSERT_TRUE(GetFolderIdentity(tmp.File("a").c_str(), a));
    ASSERT_TRUE(GetFolderIdentity(tmp.File("b").c_str(), b));
    ASSERT_TRUE(GetFolderIdentity(tmp.Path().c_str(), top));
    ASSERT_TRUE(GetFolderIdentity(tmp.File("a\\self").c_str(), viaSelf));
    ASSERT_TRUE(GetFolderIdentity(tmp.File("a\\up").c_str(), viaUp));
    ASSERT_TRUE(GetFolderIdentity(tmp.File("a\\up\\a\\self\\").c_str(), viaBoth));
    auto same = [](const FolderIdentity& x, const FolderIdentity& y) {
        return !(x < y) && !(y < x);
    };
    EXPECT_TRUE(same(a, viaSelf));
    EXPECT_TRUE(same(a, viaBoth));
    EXPECT_TRUE(same(top, viaUp));
    EXPECT_FALSE(same(a, b));
    EXPECT_FALSE(same(a, top));

    FolderIdentity none;
    EXPECT_FALSE(GetFolderIdentity(tmp.File("f.txt").c_str(), none));
    EXPECT_FALSE(GetFolderIdentity(tmp.File("missing").c_str(), none));
}

TEST(PathsIsSameFile, OneFileWhateverSpellingLeadsToIt)
{
    TempFolder tmp("same file");
    const std::string anim = tmp.File("animation frames.gif");
    WriteFileBytes(anim, "GIF89a");
    WriteFileBytes(tmp.File("other.gif"), "GIF89a");
    CreateDirectoryA(tmp.File("sub").c_str(), NULL);
    std::string upper = anim;
    CharUpperA(&upper[0]);
    std::string slashes = anim;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    for (const std::string& spelling :
         {anim, upper, slashes, tmp.File("sub\\..\\animation frames.gif"),
          tmp.File("animation frames.gif."), tmp.File(".\\animation frames.gif")})
        EXPECT_TRUE(IsSameFile(anim.c_str(), spelling.c_str())) << spelling;
    char shortName[kPathBufferSize] = "";
    const DWORD n = GetShortPathNameA(anim.c_str(), shortName, sizeof(shortName));
    ASSERT_TRUE(n > 0 && n < sizeof(shortName));
    EXPECT_STRCASENE(anim.c_str(), shortName);
    EXPECT_TRUE(IsSameFile(shortName, anim.c_str())) << shortName;

    for (const std::string& other : {tmp.File("other.gif"), tmp.File("animation frames"),
                                     tmp.File("missing.gif"), tmp.File("sub"), std::string()})
        EXPECT_FALSE(IsSameFile(anim.c_str(), other.c_str())) << other;
}

TEST(PathsCreateDirectoryTree, CreatesMissingLevelsAndRefusesFilesInTheWay)
{
    TempFolder tmp;
    std::string deep = tmp.Path() + "\\a\\b\\c";
    EXPECT_EQ(1, CreateDirectoryTree(deep.c_str()));
    EXPECT_EQ(-1, PathExists(deep.c_str()));
    EXPECT_EQ(1, CreateDirectoryTree(deep.c_str())); // exists already

    for (const std::string& trailing : {tmp.Path() + "\\x\\y\\", tmp.Path() + "/u/v/"})
    {
        EXPECT_EQ(1, CreateDirectoryTree(trailing.c_str())) << trailing;
        EXPECT_EQ(-1, PathExists(trailing.c_str())) << trailing;
    }

    WriteFileBytes(tmp.File("file"), "x");
    std::string blocked = tmp.File("file") + "\\sub";
    EXPECT_EQ(0, CreateDirectoryTree(blocked.c_str()));

    std::string tooLong = "C:\\" + std::string(kPathBufferSize, 'l');
    EXPECT_EQ(0, CreateDirectoryTree(tooLong.c_str()));
}

TEST(PathsShowFileDialog, OpenNeedsAnExistingFileSaveAsksBeforeReplacingOnlyWhenTold)
{
    TempFolder tmp;
    WriteFileBytes(tmp.File("present.tvx"), "[Resize]\n");
    const char filter[] = "Settings (*.tvx)\0*.tvx\0";

    struct Case
    {
        FileDialogMode mode;
        const char* title;
        std::string typed;
        int answer;   // to the question about replacing, 0: none expected
        int expected; // the dialog's result
    } cases[] = {
        {FileDialogMode::Open, "Open file", tmp.File("present.tvx"), 0, 1},
        {FileDialogMode::Open, "Open file", tmp.File("missing.tvx"), 0, 0},
        {FileDialogMode::Save, "Select file", tmp.File("present.tvx"), 0, 1},
        {FileDialogMode::SaveAskingBeforeReplace, "Select file", tmp.File("present.tvx"), IDYES, 1},
        {FileDialogMode::SaveAskingBeforeReplace, "Select file", tmp.File("present.tvx"), IDNO, 0},
        {FileDialogMode::SaveAskingBeforeReplace, "Select file", tmp.File("new.tvx"), 0, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed +
                     (c.mode == FileDialogMode::SaveAskingBeforeReplace ? " asking" : ""));
        char name[kPathBufferSize] = "not a file";
        int result = -1;
        bool typed = false;
        int asked = 0;
        DriveWhile(
            [&] {
                result = ShowFileDialog(GetModuleHandleA(NULL), NULL, name, sizeof(name),
                                        tmp.Path().c_str(), filter, "tvx", 0, c.mode);
            },
            [&](int) {
                const FileDialogWindows w = FindFileDialogWindows(c.title);
                if (w.dialog == NULL)
                    return true;
                if (!typed)
                {
                    EXPECT_STREQ("", ItemText(w.dialog, kFileNameCombo).c_str())
                        << "a name that is no file is cleared";
                    TypeFileNameAndConfirm(w.dialog, c.typed);
                    typed = true;
                    return true;
                }
                // Still open: the dialog asks, or refused the name.
                // Answer what it shows, then dismiss the dialog itself.
                if (w.question != NULL)
                {
                    ++asked;
                    PostMessageA(w.question, WM_COMMAND, c.answer ? c.answer : IDOK, 0);
                    return true;
                }
                PostMessageA(w.dialog, WM_COMMAND, IDCANCEL, 0);
                return true;
            },
            100);
        EXPECT_EQ(c.expected, result ? 1 : 0);
        if (c.answer != 0)
        {
            EXPECT_EQ(1, asked) << "asked before an existing file is replaced";
        }
        else if (c.mode != FileDialogMode::Open)
        {
            EXPECT_EQ(0, asked);
        }
        if (c.expected)
        {
            EXPECT_EQ(c.typed, name);
        }
    }
}
