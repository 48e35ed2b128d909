// GifSave: GIF outputs are written, named and asked about, in this process and by the program.
#include <algorithm>
#include <vector>

#include "base/StrUtil.h"
#include "image/GifWriter.h"
#include "image/ImageIO.h"
#include "convert/OverwriteDlg.h"
#include "convert/QuietConverter.h"
#include "settings/Registry.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// Left half black, right half white.
Magick::Image BlackAndWhite()
{
    Magick::Image image(Magick::Geometry(20, 10), Magick::Color(0, 0, 0, 0));
    image.modifyImage();
    image.quiet(true);
    image.fillColor(Magick::Color(65535, 65535, 65535, 0));
    image.draw(Magick::DrawableRectangle(10, 0, 19, 9));
    return image;
}

// Answers the overwrite question of another process once it appears: a
// press of the button of that text, or with NULL the Enter key, sent where
// the keyboard would send it. Remembers whether it was asked; stops looking
// when the object goes.
struct QuestionAnswerer
{
    const char* answer;
    volatile LONG asked = 0;
    volatile LONG stop = 0;
    HANDLE thread = NULL;

    explicit QuestionAnswerer(const char* text) : answer(text)
    {
        thread = CreateThread(NULL, 0, &QuestionAnswerer::Main, this, 0, NULL);
    }
    ~QuestionAnswerer()
    {
        InterlockedExchange(&stop, 1);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }

    static BOOL CALLBACK FindButton(HWND hWnd, LPARAM param)
    {
        QuestionAnswerer* self = (QuestionAnswerer*)param;
        char text[64] = "";
        GetWindowTextA(hWnd, text, sizeof(text));
        std::string plain(text);
        plain.erase(std::remove(plain.begin(), plain.end(), '&'), plain.end());
        if (IsWindowVisible(hWnd) && plain == self->answer)
        {
            PostMessageA(GetParent(hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hWnd), BN_CLICKED),
                         (LPARAM)hWnd);
            InterlockedExchange(&self->asked, 1);
            return FALSE;
        }
        return TRUE;
    }

    // Enter once the shown question's thread has its focus in it.
    void PressEnter(HWND dlg)
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        if (!IsWindowVisible(dlg) ||
            !GetGUIThreadInfo(GetWindowThreadProcessId(dlg, NULL), &info) ||
            (info.hwndFocus != dlg && !IsChild(dlg, info.hwndFocus)))
            return;
        PostMessageA(info.hwndFocus, WM_KEYDOWN, VK_RETURN, 1);
        InterlockedExchange(&asked, 1);
    }

    static DWORD WINAPI Main(void* param)
    {
        QuestionAnswerer* self = (QuestionAnswerer*)param;
        for (int i = 0; i < 400 && !self->asked && !self->stop; ++i)
        {
            if (HWND dlg = FindWindowA(NULL, "Confirm File Overwrite"))
            {
                if (self->answer != NULL)
                    EnumChildWindows(dlg, FindButton, (LPARAM)self);
                else
                    self->PressEnter(dlg);
            }
            Sleep(25);
        }
        return 0;
    }
};

size_t FrameCount(const std::string& bytes)
{
    std::vector<Magick::Image> frames;
    Magick::readImages(&frames, Magick::Blob(bytes.data(), bytes.size()));
    return frames.size();
}

std::string Quoted(const std::string& path) { return "/q \"" + path + "\""; }

} // namespace

TEST(GifSaveOutputName, PrefixPatternSuffixInTheSourceFolder)
{
    struct
    {
        int mode;
        const char* prefix;
        const char* suffix;
        const char* source;
        const char* expected;
    } cases[] = {
        {kNameOnly, "th_", "", "C:\\pics\\photo.jpg", "C:\\pics\\th_photo"},
        {kNameIndex, "p_", "_s", "C:\\pics\\photo.jpg", "C:\\pics\\p_photo_1_s"},
        {kIndexName, "p_", "_s", "C:\\pics\\photo.jpg", "C:\\pics\\p_1_photo_s"},
        {7, "p_", "_s", "C:\\pics\\photo.jpg", "C:\\pics\\p__s"},
        {kNameOnly, "th_", "", "D:\\a.b.c.jpg", "D:\\th_a.b.c"},
        {kNameOnly, "", "", "C:\\x\\anim.gif", "C:\\x\\anim"},
        {kNameOnly, "th_", "", "bare.png", "th_bare"},
    };
    for (const auto& t : cases)
    {
        CQuietConverter c;
        c.NameMode = (BYTE)t.mode;
        SafeCopy(c.Prefix, t.prefix);
        SafeCopy(c.Suffix, t.suffix);
        char out[kPathBufferSize];
        ASSERT_EQ(1, c.MakeOutputName(t.source, 1, out, sizeof(out))) << t.source;
        EXPECT_STREQ(t.expected, out) << t.mode << " " << t.source;
    }
}

TEST(GifSaveOutputName, LongComponentsAreKeptAndOverlongNamesRefused)
{
    CQuietConverter c;
    const std::string dir = "C:\\" + std::string(300, 'd') + "\\";
    const std::string name(300, 'n');
    char out[kPathBufferSize];
    ASSERT_EQ(1, c.MakeOutputName((dir + name + ".png").c_str(), 1, out, sizeof(out)));
    EXPECT_EQ(dir + "th_" + name, out);

    // "C:\\th_" and the name fill the buffer exactly, without room for the end.
    const std::string tooLong = "C:\\" + std::string(kPathBufferSize - 6, 'x') + ".png";
    EXPECT_EQ(0, c.MakeOutputName(tooLong.c_str(), 1, out, sizeof(out)));
    EXPECT_STREQ("", out);
    const std::string noRoomForGif = "C:\\" + std::string(kPathBufferSize - 10, 'x') + ".png";
    EXPECT_EQ(1, c.MakeOutputName(noRoomForGif.c_str(), 1, out, sizeof(out)));
    c.Image.reset(new Magick::Image(MakeQuadrants(4, 4)));
    EXPECT_EQ(0, c.SaveAs(noRoomForGif.c_str(), 1));
}

TEST(GifSaveWrite, AlwaysGifWhateverTheName)
{
    TempFolder dir("gif names");
    for (const char* name : {"out.png", "noext", "out.gif"})
    {
        Magick::Image image = MakeQuadrants(16, 12);
        image.magick("png");
        WriteGif(image, dir.File(name).c_str());
        EXPECT_EQ("GIF8", ReadFileBytes(dir.File(name)).substr(0, 4)) << name;
    }
}

TEST(GifSaveWrite, ARunsTemporaryFilesStayInItsStagingFolder)
{
    TempFolder dir("gif staging");
    const std::string out = dir.File("out");
    CreateDirectoryA(out.c_str(), NULL);
    auto names = [](const std::string& folder) {
        std::vector<std::string> found;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return found;
        do
            if (fd.cFileName[0] != '.')
                found.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
        std::sort(found.begin(), found.end());
        return found;
    };
    {
        OutputStaging staging(out.c_str());
        ASSERT_FALSE(staging.Folder().empty());
        EXPECT_EQ(out + "\\", staging.Folder().substr(0, out.size() + 1));
        EXPECT_NE(0u, GetFileAttributesA(staging.Folder().c_str()) & FILE_ATTRIBUTE_HIDDEN);
        OutputWrite how;
        how.stagingFolder = staging.Folder();
        Magick::Image image = MakeQuadrants(16, 12);
        WriteGif(image, (out + "\\a.gif").c_str(), kGifStartupOptions, how);
        EXPECT_EQ("GIF8", ReadFileBytes(out + "\\a.gif").substr(0, 4));
        EXPECT_TRUE(names(staging.Folder()).empty());

        // The caller's own reading of the target stands: read-only as told,
        // it is not replaced, and nothing is left anywhere.
        how.attributesKnown = true;
        how.attributes = FILE_ATTRIBUTE_READONLY;
        EXPECT_THROW(WriteGif(image, (out + "\\a.gif").c_str(), kGifStartupOptions, how),
                     ImageFileError);
        EXPECT_TRUE(names(staging.Folder()).empty());

        // A staging folder that went away: the temporary file is made beside
        // the target instead.
        RemoveDirectoryA(staging.Folder().c_str());
        how.attributes = INVALID_FILE_ATTRIBUTES;
        WriteGif(image, (out + "\\b.gif").c_str(), kGifStartupOptions, how);
        EXPECT_EQ("GIF8", ReadFileBytes(out + "\\b.gif").substr(0, 4));
    }
    // The staging folder goes with its run.
    EXPECT_EQ((std::vector<std::string>{"a.gif", "b.gif"}), names(out));
    // No folder to stage in: nothing is made, and writes go beside the target.
    OutputStaging none(dir.File("missing").c_str());
    EXPECT_TRUE(none.Folder().empty());
}

TEST(GifSaveWrite, OptionsShapeTheFile)
{
    TempFolder dir("gif options");
    const GifOptions transparentBlack = {0, RGB(0, 0, 0), 0, 0};
    const GifOptions interlaced = {1, 0, 1, 0};
    const GifOptions colors256 = {1, 0, 0, 1};

    Magick::Image a = BlackAndWhite();
    WriteGif(a, dir.File("startup.gif").c_str(), g_GifOptions);
    GifLayout startup = ParseGif(ReadFileBytes(dir.File("startup.gif")));
    ASSERT_TRUE(startup.valid);
    EXPECT_FALSE(startup.transparent);
    EXPECT_FALSE(startup.interlaced);

    Magick::Image b = BlackAndWhite();
    WriteGif(b, dir.File("interlaced.gif").c_str(), interlaced);
    EXPECT_TRUE(ParseGif(ReadFileBytes(dir.File("interlaced.gif"))).interlaced);

    Magick::Image c = BlackAndWhite();
    WriteGif(c, dir.File("256.gif").c_str(), colors256);
    EXPECT_EQ(ReadFileBytes(dir.File("startup.gif")), ReadFileBytes(dir.File("256.gif")));

    Magick::Image d = BlackAndWhite();
    WriteGif(d, dir.File("transparent.gif").c_str(), transparentBlack);
    EXPECT_TRUE(ParseGif(ReadFileBytes(dir.File("transparent.gif"))).transparent);
    Magick::Image back;
    ReadImageFile(back, dir.File("transparent.gif").c_str());
    EXPECT_EQ(65535, back.getConstPixels(2, 5, 1, 1)->opacity); // black: transparent
    EXPECT_EQ(0, back.getConstPixels(15, 5, 1, 1)->opacity);    // white: opaque
}

TEST(GifSaveWrite, StartupOptionsAreTheQuietOnes)
{
    EXPECT_NE(0, g_GifOptions.NoneTR);
    EXPECT_EQ(0u, g_GifOptions.Color);
    EXPECT_EQ(0, g_GifOptions.Interlace);
    EXPECT_EQ(0, g_GifOptions.Color256);
}

// ---------------------------------------------------------------------------
// The real program under Wine.

class GifSaveQuietProgram : public testing::Test
{
protected:
    GifSaveQuietProgram() : dir("quiet with blanks")
    {
        source = dir.File("pic.png");
        output = dir.File("th_pic.gif");
        WriteFileBytes(source, EncodeImage(MakeQuadrants(400, 200), "png"));
        settings = dir.File("my settings.tvx");
        WriteFileBytes(settings, kWidth50Settings);
        RegWriteString(kRegShellPath, settings.c_str());
    }
    void SetShellOn(DWORD on) { ASSERT_EQ(1, RegWriteDword(kRegShellOn, &on)); }

    RegistryState reg;
    TempFolder dir;
    std::string source, output, settings;
};

TEST_F(GifSaveQuietProgram, ConvertsBesideTheSourceWhileTheIntegrationIsOn)
{
    SetShellOn(1);
    EXPECT_EQ(1, RunProgramExe(Quoted(source)));
    ASSERT_TRUE(FileExists(output));
    Magick::Image result;
    ReadImageFile(result, output.c_str());
    EXPECT_EQ("GIF", result.magick());
    EXPECT_EQ(50u, result.columns());
    EXPECT_EQ(25u, result.rows());
}

TEST_F(GifSaveQuietProgram, DoesNothingWhileTheIntegrationIsOffOrTheSourceUnreadable)
{
    EXPECT_EQ(1, RunProgramExe(Quoted(source))); // "ShellOn" missing
    SetShellOn(0);
    EXPECT_EQ(1, RunProgramExe(Quoted(source)));
    EXPECT_FALSE(FileExists(output));

    SetShellOn(1);
    WriteFileBytes(dir.File("bad.png"), "not an image");
    EXPECT_EQ(1, RunProgramExe(Quoted(dir.File("bad.png"))));
    EXPECT_EQ(1, RunProgramExe(Quoted(dir.File("missing.png"))));
    EXPECT_FALSE(FileExists(dir.File("th_bad.gif")));
    EXPECT_FALSE(FileExists(dir.File("th_missing.gif")));
}

TEST_F(GifSaveQuietProgram, AsksBeforeReplacingAnExistingOutput)
{
    SetShellOn(1);
    WriteFileBytes(output, "old output");
    {
        QuestionAnswerer no("No");
        EXPECT_EQ(1, RunProgramExe(Quoted(source)));
        EXPECT_TRUE(no.asked);
    }
    EXPECT_EQ("old output", ReadFileBytes(output));
    {
        QuestionAnswerer yes("Yes");
        EXPECT_EQ(1, RunProgramExe(Quoted(source)));
        EXPECT_TRUE(yes.asked);
    }
    EXPECT_EQ("GIF8", ReadFileBytes(output).substr(0, 4));
}

TEST_F(GifSaveQuietProgram, GifSourceThatIsItsOwnOutputIsNeverLost)
{
    SetShellOn(1);
    WritePrivateProfileStringA("File Names", "Prefix", "", settings.c_str());
    const std::string gif = dir.File("self.gif");
    WriteFileBytes(gif, EncodeImage(MakeQuadrants(400, 200), "gif"));
    const std::string original = ReadFileBytes(gif);
    {
        QuestionAnswerer no("No");
        RunProgramExe(Quoted(gif));
        EXPECT_TRUE(no.asked);
    }
    EXPECT_EQ(original, ReadFileBytes(gif));
    {
        QuestionAnswerer yes("Yes");
        RunProgramExe(Quoted(gif));
        EXPECT_TRUE(yes.asked);
    }
    Magick::Image result;
    ReadImageFile(result, gif.c_str());
    EXPECT_EQ(50u, result.columns());
}

TEST_F(GifSaveQuietProgram, FolderWithTheOutputNameIsAskedAboutAndSurvives)
{
    SetShellOn(1);
    CreateDirectoryA(output.c_str(), NULL);
    {
        QuestionAnswerer yes("Yes");
        EXPECT_EQ(1, RunProgramExe(Quoted(source)));
        EXPECT_TRUE(yes.asked);
    }
    EXPECT_TRUE(GetFileAttributesA(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(GifSaveQuietProgram, NamesThatAreNoPlainFileNameWriteNothingAndAskNothing)
{
    SetShellOn(1);
    // The source one level down, so that a name that climbs lands in the
    // test's own folder.
    const std::string src = dir.File("src");
    CreateDirectoryA(src.c_str(), NULL);
    const std::string pic = src + "\\pic.png";
    WriteFileBytes(pic, ReadFileBytes(source));
    const std::vector<std::string> before = FolderNames(dir.Path());
    const struct
    {
        const char* prefix;
        const char* name;
    } cases[] = {{"NUL", "7"}, {"con", "7"}, {"..\\", "0"}};
    for (const auto& c : cases)
    {
        WritePrivateProfileStringA("File Names", "Prefix", c.prefix, settings.c_str());
        WritePrivateProfileStringA("File Names", "Name", c.name, settings.c_str());
        QuestionAnswerer no("No");
        EXPECT_EQ(1, RunProgramExe(Quoted(pic)));
        EXPECT_FALSE(no.asked) << c.prefix;
        EXPECT_EQ((std::vector<std::string>{"pic.png"}), FolderNames(src)) << c.prefix;
        EXPECT_EQ(before, FolderNames(dir.Path())) << c.prefix;
    }
}

TEST_F(GifSaveQuietProgram, EnterReplacesAnOutputButKeepsASourceThatIsItsOwnOutput)
{
    SetShellOn(1);
    WriteFileBytes(output, "old output");
    {
        QuestionAnswerer enter(NULL);
        EXPECT_EQ(1, RunProgramExe(Quoted(source)));
        EXPECT_TRUE(enter.asked);
    }
    EXPECT_EQ("GIF8", ReadFileBytes(output).substr(0, 4));

    WritePrivateProfileStringA("File Names", "Prefix", "", settings.c_str());
    const std::string anim = dir.File("anim.gif");
    WriteFileBytes(anim, ThreeFrameGif());
    const std::string original = ReadFileBytes(anim);
    ASSERT_EQ(3u, FrameCount(original));
    {
        QuestionAnswerer enter(NULL);
        EXPECT_EQ(1, RunProgramExe(Quoted(anim)));
        EXPECT_TRUE(enter.asked);
    }
    EXPECT_EQ(original, ReadFileBytes(anim));
}

// ---------------------------------------------------------------------------
// The quiet save in this process.

namespace {

// Runs the save; a question it shows is answered by `answer` (a posted
// command, or the Enter key with 0) and counted.
int SaveAnswering(CQuietConverter& c, const std::string& source, UINT answer, int& questions)
{
    int saved = -1;
    HWND answered = NULL;
    DriveWhile([&] { saved = c.SaveAs(source.c_str(), 1); },
               [&](int) {
                   HWND q = FindThreadWindow("Confirm File Overwrite");
                   if (q == NULL || q == answered)
                       return true;
                   answered = q;
                   ++questions;
                   HWND focus = GetFocus();
                   if (answer != 0)
                       PostMessageA(q, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
                   else
                       PostMessageA(focus != NULL && IsChild(q, focus) ? focus : q, WM_KEYDOWN,
                                    VK_RETURN, 1);
                   return true;
               });
    return saved;
}

} // namespace

TEST(GifSaveQuietConverter, NamesThatAreNoPlainFileNameWriteNothingAndAskNothing)
{
    TempFolder dir("quiet names");
    const std::string src = dir.File("src");
    CreateDirectoryA(src.c_str(), NULL);
    const std::string source = src + "\\pic.png";
    WriteFileBytes(source, EncodeImage(MakeQuadrants(8, 6), "png"));
    const struct
    {
        std::string prefix;
        int pattern;
        std::string suffix;
    } cases[] = {
        {"NUL", 7, ""},
        {"nul", 7, ".txt"},
        {"Con ", 7, ""},
        {"", 7, "COM1"},
        {"lpt9", 7, "."},
        {"aux", 7, " .tar"},
        {"..\\", kNameOnly, ""},
        {"../", kNameOnly, ""},
        {"..\\.\\", 7, "x"},
        {"C:", kNameOnly, ""},
        {"\\\\?\\", kNameOnly, ""},
        {"", kNameOnly, ":stream"},
        {dir.Path() + "\\", kNameOnly, ""},
        {"sub/", kNameOnly, ""},
    };
    for (const auto& c : cases)
    {
        CQuietConverter q;
        q.Image.reset(new Magick::Image(MakeQuadrants(8, 6)));
        SafeCopy(q.Prefix, c.prefix.c_str());
        q.NameMode = (BYTE)c.pattern;
        SafeCopy(q.Suffix, c.suffix.c_str());
        int questions = 0;
        EXPECT_EQ(0, SaveAnswering(q, source, IDC_OVERWRITE_CANCEL, questions)) << c.prefix;
        EXPECT_EQ(0, questions) << c.prefix << "|" << c.suffix;
        EXPECT_EQ((std::vector<std::string>{"pic.png"}), FolderNames(src)) << c.prefix;
        EXPECT_EQ((std::vector<std::string>{"src"}), FolderNames(dir.Path())) << c.prefix;
    }
    // Odd names that are plain file names are written as ever.
    for (const char* prefix : {"[1] & #2 100% ", "caf\xe9 ", "a.b."})
    {
        CQuietConverter q;
        q.Image.reset(new Magick::Image(MakeQuadrants(8, 6)));
        SafeCopy(q.Prefix, prefix);
        int questions = 0;
        EXPECT_EQ(1, SaveAnswering(q, source, IDC_OVERWRITE_CANCEL, questions)) << prefix;
        EXPECT_EQ("GIF8", ReadFileBytes(src + "\\" + prefix + "pic.gif").substr(0, 4)) << prefix;
    }
}

// However the source is spelled, the question about replacing it has No
// for Enter; about any other file Enter still replaces it.
TEST(GifSaveQuietConverter, EnterKeepsASourceThatIsItsOwnOutput)
{
    TempFolder dir("quiet self");
    const std::string anim = dir.File("animated frames.gif");
    WriteFileBytes(anim, ThreeFrameGif());
    const std::string original = ReadFileBytes(anim);
    char shortName[kPathBufferSize] = "";
    const DWORD n = GetShortPathNameA(anim.c_str(), shortName, sizeof(shortName));
    ASSERT_TRUE(n > 0 && n < sizeof(shortName));
    std::string upper = anim;
    CharUpperA(&upper[0]);
    for (const std::string& spelling : {anim, upper, std::string(shortName)})
    {
        CQuietConverter q;
        q.Image.reset(new Magick::Image(MakeQuadrants(8, 6)));
        q.Prefix[0] = '\0';
        int questions = 0;
        EXPECT_EQ(0, SaveAnswering(q, spelling, 0, questions)) << spelling;
        EXPECT_EQ(1, questions) << spelling;
        EXPECT_EQ(original, ReadFileBytes(anim)) << spelling;
    }
    // Another source with the same output name.
    const std::string other = dir.File("animated frames.png");
    WriteFileBytes(other, EncodeImage(MakeQuadrants(8, 6), "png"));
    CQuietConverter q;
    q.Image.reset(new Magick::Image(MakeQuadrants(8, 6)));
    q.Prefix[0] = '\0';
    int questions = 0;
    EXPECT_EQ(1, SaveAnswering(q, other, 0, questions));
    EXPECT_EQ(1, questions);
    EXPECT_EQ(1u, FrameCount(ReadFileBytes(anim)));
}
