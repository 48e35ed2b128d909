// LibraryTemp: no library file outlives its picture or the process; no picture ends it.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "files/Paths.h"
#include "files/TempNames.h"
#include "image/ImageIO.h"
#include "mainwnd/MainDlg.h"
#include "settings/Registry.h"
#include "startup/Startup.h"
#include "tests/support/FolderLink.h"
#include "tests/support/HostileImages.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/TestUtil.h"

namespace {

// The size the headers claim: within the library's side and area limits,
// its pixels just within its disk limit.
const unsigned kClaimedWidth = 15999, kClaimedHeight = 8000;
// The same area as a square.
const unsigned kClaimedSquare = 11313;

std::string BigEndian16(unsigned value) { return std::string{(char)(value >> 8), (char)value}; }

std::string BigEndian32(unsigned value)
{
    return BigEndian16(value >> 16) + BigEndian16(value & 0xFFFF);
}

// Grey: the decoder sets the grey colour space after it has placed the
// pixels, which the library does by making them again.
std::string GreyPngClaiming(unsigned width, unsigned height)
{
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           PngChunk("IHDR",
                    BigEndian32(width) + BigEndian32(height) + std::string("\x08\0\0\0\0", 5)) +
           PngChunk("IDAT", ZlibRun(std::string(64, '\0'), 0, 0)) + PngChunk("IEND", "");
}

std::string FitsClaiming(unsigned width, unsigned height)
{
    char cards[6][81];
    SafeFormat(cards[0], sizeof(cards[0]), "%-8s= %20s", "SIMPLE", "T");
    SafeFormat(cards[1], sizeof(cards[1]), "%-8s= %20d", "BITPIX", 8);
    SafeFormat(cards[2], sizeof(cards[2]), "%-8s= %20d", "NAXIS", 2);
    SafeFormat(cards[3], sizeof(cards[3]), "%-8s= %20u", "NAXIS1", width);
    SafeFormat(cards[4], sizeof(cards[4]), "%-8s= %20u", "NAXIS2", height);
    SafeFormat(cards[5], sizeof(cards[5]), "%s", "END");
    std::string header;
    for (const char* card : cards)
        header += std::string(card) + std::string(80 - strlen(card), ' ');
    // One FITS record.
    return header + std::string(2880 - header.size(), ' ');
}

// One grey component, tables that decode anything, and a scan of zeros.
std::string JpegClaiming(unsigned width, unsigned height)
{
    const std::string table16 =
        std::string("\x01", 1) + std::string(15, '\0') + std::string(1, '\0');
    return std::string("\xFF\xD8", 2) + std::string("\xFF\xDB\x00\x43\x00", 5) +
           std::string(64, '\x01') + std::string("\xFF\xC0\x00\x0B\x08", 5) + BigEndian16(height) +
           BigEndian16(width) + std::string("\x01\x01\x11\x00", 4) +
           std::string("\xFF\xC4\x00\x14\x00", 5) + table16 +
           std::string("\xFF\xC4\x00\x14\x10", 5) + table16 +
           std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10) + std::string(16, '\0') +
           std::string("\xFF\xD9", 2);
}

// An MNG whose one picture is a JNG of that JPEG.
std::string JngInMngClaiming(unsigned width, unsigned height)
{
    const std::string size = BigEndian32(width) + BigEndian32(height);
    return std::string("\x8AMNG\r\n\x1A\n", 8) +
           PngChunk("MHDR", size + BigEndian32(1) + BigEndian32(1) + BigEndian32(1) +
                                BigEndian32(1) + BigEndian32(0)) +
           PngChunk("JHDR", size + std::string("\x0A\x08\x08\0\x08\0\0\0", 8)) +
           PngChunk("JDAT", JpegClaiming(width, height)) + PngChunk("IEND", "") +
           PngChunk("MEND", "");
}

// Fifty bytes: the header, then ten runs of one colour.
std::string PixClaiming(unsigned width, unsigned height)
{
    std::string runs;
    for (int i = 0; i < 10; ++i)
        runs += std::string("\xFF\x01\x02\x03", 4);
    return BigEndian16(width) + BigEndian16(height) + BigEndian16(0) + BigEndian16(0) +
           BigEndian16(24) + runs;
}

// The 512-byte preamble, the frame, a version 2 header and the end.
std::string PictClaiming(unsigned width, unsigned height)
{
    const std::string frame =
        BigEndian16(0) + BigEndian16(0) + BigEndian16(height) + BigEndian16(width);
    return std::string(512, '\0') + BigEndian16(0) + frame + std::string("\x00\x11\x02\xFF", 4) +
           std::string("\x0C\x00", 2) + BigEndian16(0xFFFE) + BigEndian16(0) + BigEndian16(72) +
           BigEndian16(0) + BigEndian16(72) + BigEndian16(0) + frame + BigEndian32(0) +
           std::string("\x00\xFF", 2);
}

struct BigHeader
{
    const char* name;
    std::string bytes;
    // The library decodes what little there is; the picture is used.
    bool readable;
};

const char kPixName[] = "runs.pix";

std::vector<BigHeader> BigHeaders()
{
    return {
        {"header.fits", FitsClaiming(kClaimedWidth, kClaimedHeight), false},
        {"wide.png", GreyPngClaiming(kClaimedWidth, kClaimedHeight), false},
        {"square.png", GreyPngClaiming(kClaimedSquare, kClaimedSquare), false},
        {"frame.pict", PictClaiming(kClaimedWidth, kClaimedHeight), true},
        {kPixName, PixClaiming(kClaimedWidth, kClaimedHeight), true},
        {"sof.jpg", JpegClaiming(kClaimedWidth, kClaimedHeight), false},
        {"jng.mng", JngInMngClaiming(kClaimedWidth, kClaimedHeight), false},
    };
}

// Every file and folder below the folder, by path (a folder's with a
// trailing backslash), leaving out the subtrees named.
void CollectEntries(const std::string& folder, const std::set<std::string>& left,
                    std::set<std::string>& entries)
{
    for (const std::string& name : FolderNames(folder))
    {
        const std::string path = folder + "\\" + name;
        if (left.count(path) != 0)
            continue;
        if (IsDirectory(path.c_str()))
        {
            entries.insert(path + "\\");
            CollectEntries(path, left, entries);
        }
        else
            entries.insert(path);
    }
}

const char kHostTempVariable[] = "MAGICK_TEMPORARY_PATH";

// The folders the image library can put its temporary files in: the
// Windows temporary folder (a Windows build's library takes it from the
// environment) and, for a Winelib build's native library, a host folder
// given to it (and to the processes this one starts) as the one the library
// would otherwise take from the host's environment. The case's own folders
// are left out.
class LibraryTempWatch
{
public:
    explicit LibraryTempWatch(const std::set<std::string>& ownFolders)
        : m_hostFolder("libtemp"), m_left(ownFolders)
    {
        m_left.insert(m_hostFolder.Path());
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        m_windowsFolder = temp;
        m_windowsFolder.pop_back();
#ifdef __WINE__
        // A process started by a watching one uses the folder it was given.
        const char* given = getenv(kHostTempVariable);
        m_ownsVariable = given == NULL;
        if (m_ownsVariable)
        {
            const std::string host = HostPath(m_hostFolder.Path());
            setenv(kHostTempVariable, host.c_str(), 1);
            SetEnvironmentVariableA(kHostTempVariable, host.c_str());
        }
        else
            m_hostFiles = std::string("Z:") + given;
#endif
        if (m_hostFiles.empty())
            m_hostFiles = m_hostFolder.Path();
        m_before = Entries();
    }
    ~LibraryTempWatch()
    {
#ifdef __WINE__
        if (m_ownsVariable)
        {
            unsetenv(kHostTempVariable);
            SetEnvironmentVariableA(kHostTempVariable, NULL);
        }
#endif
    }
    LibraryTempWatch(const LibraryTempWatch&) = delete;
    LibraryTempWatch& operator=(const LibraryTempWatch&) = delete;

    // What is there now and was not when the watch began, as one text.
    std::string NewEntries() const
    {
        std::string added;
        for (const std::string& entry : Entries())
            if (m_before.count(entry) == 0)
                added += " " + entry;
        return added;
    }

private:
    std::set<std::string> Entries() const
    {
        std::set<std::string> entries;
        CollectEntries(m_windowsFolder, m_left, entries);
        CollectEntries(m_hostFiles, {}, entries);
        return entries;
    }

    TempFolder m_hostFolder;
    std::set<std::string> m_left;
    std::string m_windowsFolder, m_hostFiles;
    bool m_ownsVariable = false;
    std::set<std::string> m_before;
};

// Set by a case that starts one of those below in a process of its own.
const char kChildVariable[] = "TVX_LIBRARY_TEMP_CHILD";

bool IsChild() { return GetEnvironmentVariableA(kChildVariable, NULL, 0) != 0; }

// The case in a process of its own, watched: it passes there (so it
// neither hangs nor dies half-way), and no file of the library is left
// once it has ended.
void ExpectPassesAloneLeavingNoLibraryFile(const char* testName)
{
    // Well within this case's own time limit, so what a process that hangs
    // left is seen too.
    const DWORD kChildTimeLimitMs = 40000;
    LibraryTempWatch watch({});
    SetEnvironmentVariableA(kChildVariable, "1");
    EXPECT_EQ(0, RunTestCaseInNewProcess(testName, kChildTimeLimitMs)) << testName;
    SetEnvironmentVariableA(kChildVariable, NULL);
    EXPECT_EQ("", watch.NewEntries()) << testName;
}

const char kGoodName[] = "good.png";

// Convert All of the folder into the other, every option off; the texts of
// the message boxes it showed.
std::vector<std::string> ConvertAllAtFullSize(CMainDlg& dlg, const std::string& source,
                                              const std::string& output)
{
    SetPanel(dlg, PanelOptions());
    SafeCopy(dlg.m_szBrowsedFolder, source.c_str());
    SetDlgItemTextA(dlg.m_hWnd, IDC_MAIN_OUTPUT_FOLDER, output.c_str());
    dlg.m_nConvertCmd = ID_CONVERT_ALL;
    return RunAnsweringMessageBoxes(
        [&] { SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0); },
        "Tolvex");
}

} // namespace

// The GIF encoder makes a palette copy of a picture of many colours; a
// picture of 128 MP, read into the library's disk cache, leaves no room
// for that copy, and the encoder went on without it and died. Convert All
// at full size passes over such a file, converts the others and leaves no
// staging folder.
TEST(LibraryTemp, ConvertAllPassesOverAPictureTooLargeForTheGifEncoder)
{
    if (!IsChild())
        GTEST_SKIP() << "run in a process of its own by the case below";
    TempFolder src("bigheader src"), out("bigheader out");
    WriteFileBytes(src.File(kPixName), PixClaiming(kClaimedWidth, kClaimedHeight));
    WriteImage(src.File(kGoodName), MakeQuadrants(16, 12));
    MainDlgWindow main;
    const std::vector<std::string> reports = ConvertAllAtFullSize(main.dlg, src.Path(), out.Path());
    ASSERT_EQ(1u, reports.size());
    EXPECT_NE(std::string::npos, reports[0].find(kPixName)) << reports[0];
    EXPECT_EQ(std::vector<std::string>{"good.gif"}, FolderNames(out.Path()));
}

TEST(LibraryTemp, APictureTooLargeForTheGifEncoderLeavesTheProcessAlive)
{
    ExpectPassesAloneLeavingNoLibraryFile(
        "LibraryTemp.ConvertAllPassesOverAPictureTooLargeForTheGifEncoder");
}

// The reader, the preview and Convert All at full size, one after another
// in one process: no road leaves a file of the library behind once its
// picture has gone, and none ends the process.
TEST(LibraryTemp, BigHeadersOnEveryRoadOfOneProcess)
{
    if (!IsChild())
        GTEST_SKIP() << "run in a process of its own by the case below";
    TempFolder src("bigheader src"), out("bigheader out");
    for (const BigHeader& h : BigHeaders())
        WriteFileBytes(src.File(h.name), h.bytes);
    WriteImage(src.File(kGoodName), MakeQuadrants(16, 12));
    MainDlgWindow main;
    LibraryTempWatch watch({src.Path(), out.Path()});

    for (const BigHeader& h : BigHeaders())
    {
        const std::string path = src.File(h.name);
        {
            Magick::Image image;
            if (h.readable)
            {
                ASSERT_NO_THROW(ReadImageFile(image, path.c_str())) << h.name;
                EXPECT_EQ(kClaimedWidth, image.columns()) << h.name;
            }
            else
                EXPECT_THROW(ReadImageFile(image, path.c_str()), std::exception) << h.name;
        }
        EXPECT_EQ("", watch.NewEntries()) << h.name << ", read";

        main.dlg.m_bPreview = 1;
        EXPECT_EQ(h.readable ? 1 : 0, main.dlg.LoadSourceImage(path.c_str())) << h.name;
        // The next file's picture takes the place of this one's.
        ASSERT_EQ(1, main.dlg.LoadSourceImage(src.File(kGoodName).c_str()));
        EXPECT_EQ("", watch.NewEntries()) << h.name << ", preview";
    }

    const std::vector<std::string> reports = ConvertAllAtFullSize(main.dlg, src.Path(), out.Path());
    ASSERT_EQ(1u, reports.size());
    EXPECT_NE(std::string::npos, reports[0].find(kPixName)) << reports[0];
    // The good picture is converted, and the run's staging folder is gone.
    const std::vector<std::string> outputs = FolderNames(out.Path());
    EXPECT_NE(outputs.end(), std::find(outputs.begin(), outputs.end(), "good.gif"));
    for (const std::string& name : outputs)
        EXPECT_EQ(".gif", SplitPath(out.File(name).c_str()).ext) << name;
    EXPECT_EQ("", watch.NewEntries()) << "Convert All";
}

TEST(LibraryTemp, TheOtherRoadsEndTheirProcessNormallyAndLeaveNoLibraryFile)
{
    ExpectPassesAloneLeavingNoLibraryFile("LibraryTemp.BigHeadersOnEveryRoadOfOneProcess");
}

// The quiet conversion of each file as the program: it ends as it should,
// and no file of the library is left once it has.
TEST(LibraryTemp, TheQuietConversionOfBigHeadersLeavesNoLibraryFile)
{
    RegistryState reg;
    TempFolder dir("bigheader quiet");
    for (const BigHeader& h : BigHeaders())
        WriteFileBytes(dir.File(h.name), h.bytes);
    const std::string settings = dir.File("s.tvx");
    WriteFileBytes(settings, kWidth50Settings);
    const DWORD on = 1;
    ASSERT_EQ(1, RegWriteDword(kRegShellOn, &on));
    ASSERT_EQ(1, RegWriteString(kRegShellPath, settings.c_str()));
    LibraryTempWatch watch({dir.Path()});

    for (const BigHeader& h : BigHeaders())
    {
        EXPECT_EQ(kExitNormal, RunProgramExe("/q \"" + dir.File(h.name) + "\"")) << h.name;
        EXPECT_EQ("", watch.NewEntries()) << h.name;
    }
}

// A picture too large for the library's memory keeps its pixels in a file
// of the library, as before, for as long as the picture lives.
TEST(LibraryTemp, APictureBeyondTheMemoryLimitIsReadAndItsFileGoesWithIt)
{
    TempFolder dir("bigheader large");
    // 36 MP: 288 MB of pixels, more than the library's memory holds.
    const size_t side = 6000;
    const std::string path = dir.File("large.png");
    WriteImage(path, MakeQuadrants(side, side));
    LibraryTempWatch watch({dir.Path()});
    {
        Magick::Image image;
        ASSERT_NO_THROW(ReadImageFile(image, path.c_str()));
        ASSERT_EQ(side, image.columns());
        EXPECT_NE("", watch.NewEntries()) << "the pixels are not in a file";
        // Red top-left, white bottom-right (read through an export: a
        // palette picture's colour from pixelColor is the one of whatever
        // pixel was read last).
        unsigned char corners[2][3];
        image.write(0, 0, 1, 1, "RGB", Magick::CharPixel, corners[0]);
        image.write((ssize_t)side - 1, (ssize_t)side - 1, 1, 1, "RGB", Magick::CharPixel,
                    corners[1]);
        EXPECT_EQ(255, corners[0][0]);
        EXPECT_EQ(0, corners[0][2]);
        EXPECT_EQ(255, corners[1][2]);
    }
    EXPECT_EQ("", watch.NewEntries());
}

// A killed process leaves its library folder behind. The next process's
// start removes such a folder, files and all, when its owner has ended, and
// leaves the one of a process that still runs.
TEST(LibraryTemp, StartUpRemovesTheLibraryFoldersOfEndedOwnersOnly)
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof(temp), temp));
    const DWORD self = GetCurrentProcessId();
    const ULONGLONG started = ProcessStartTime(GetCurrentProcess());
    // Process ids are multiples of four: no process has this one.
    const DWORD nobody = 0x7FFFFFF1;
    struct Owner
    {
        const char* what;
        DWORD pid;
        ULONGLONG start;
        bool stays;
    };
    const Owner owners[] = {
        {"this process", self, started, true},
        {"an earlier process of this id", self, started - 1, false},
        {"a process that is gone", nobody, started, false},
    };
    // Beyond the serials this process gives its own names.
    const unsigned serial = 0xFFFFFF;
    std::vector<std::string> folders;
    for (const Owner& owner : owners)
    {
        folders.push_back(temp + OwnedTempName(kLibraryFolders, owner.pid, owner.start, serial));
        ASSERT_TRUE(CreateDirectoryA(folders.back().c_str(), NULL)) << owner.what;
        WriteFileBytes(folders.back() + "\\magick-AbCdEf012345", std::string(4096, 'p'));
    }
    // The one-word road: start-up and end, nothing else.
    EXPECT_EQ(kExitNormal, RunProgramExe("x"));
    for (size_t i = 0; i < folders.size(); ++i)
    {
        EXPECT_EQ(owners[i].stays, IsDirectory(folders[i].c_str()) != 0) << owners[i].what;
        RemoveTree(folders[i]);
    }
}
