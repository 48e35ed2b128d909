// UnsafeInput: a file's content never picks the coder, reads another file or writes one.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/StrUtil.h"
#include "image/ImageIO.h"
#include "files/Paths.h"
#include "convert/QuietConverter.h"
#include "settings/Registry.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/FolderLink.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/TestUtil.h"

namespace {

// The path the native image library sees for a Windows path: under Wine a
// Winelib build's library opens host paths; elsewhere the path as it is.
std::string LibraryPath(const std::string& windowsPath)
{
    const std::string host = HostPath(windowsPath);
    return host.empty() ? windowsPath : host;
}

const Magick::Color kSecretColor(65535, 0, 65535, 0);

bool IsSecretColor(const Magick::Color& c)
{
    return c.redQuantum() > 60000 && c.greenQuantum() < 5000 && c.blueQuantum() > 60000;
}

// Files whose content would read another local file (a distinctly coloured
// picture), write a marker file or crash the library, if the reader let
// the content choose the coder.
class HostileFiles
{
public:
    HostileFiles() : dir("hostile")
    {
        Magick::Image secret(Magick::Geometry(16, 16), kSecretColor);
        WriteImage(dir.File("secret.png"), secret);
        WriteFileBytes(dir.File("secret.txt"), "the text of another file");
        // The PostScript interpreter, where there is one, may write only
        // into the system's temporary folder.
        char name[64];
        SafeFormat(name, sizeof(name), "tvx_marker_%lu", (unsigned long)GetCurrentProcessId());
        marker = !HostPath(dir.Path()).empty() ? std::string("Z:\\tmp\\") + name : dir.File(name);
        DeleteFileA(marker.c_str());
        const std::string picture[] = {LibraryPath(dir.File("secret.png")), dir.File("secret.png")};
        const std::string text = LibraryPath(dir.File("secret.txt"));

        const std::string ps = "%!PS\n(" + LibraryPath(marker) +
                               ") (w) file dup (written) writestring closefile\n"
                               "newpath 0 0 moveto 10 10 lineto stroke showpage\n";
        std::string svg =
            "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"16\" height=\"16\">\n";
        std::string mvg = "viewbox 0 0 16 16\n";
        for (const std::string& p : picture)
        {
            svg += "<image xlink:href=\"" + p + "\" x=\"0\" y=\"0\" width=\"16\" height=\"16\"/>\n";
            mvg += "image over 0,0 16,16 '" + p + "'\n";
        }
        svg += "</svg>\n";
        const std::string mvgText = "viewbox 0 0 200 20\ntext 0,15 '@" + text + "'\n";
        const std::string msl =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<image>\n<read filename=\"" + picture[0] +
            "\"/>\n<read filename=\"" + LibraryPath(dir.File("self.msl")) + "\"/>\n</image>\n";

        // A one-page document; its interpreter forgives the missing table.
        const std::string pdf = "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                                "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                                "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 16 16]>>endobj\n"
                                "trailer<</Root 1 0 R>>\n%%EOF\n";

        supported = {
            {"pdf.epdf", pdf},
            {"ps.epdf", ps},
            {"ps.pcl", ps},
            {"ps.png", ps},
            {"ps.tga", ps},
            {"svg.png", svg},
            {"svg.tga", svg},
            {"mvg.png", mvg},
            {"mvg.tga", mvg},
            {"mvgtext.tga", mvgText},
            {"include.png", "@" + text + "\n"},
            {"msl.png", msl},
            {"svg.tile", svg},
            {"mvg.wmf", mvg},
        };
        // Not one of the program's types, whatever they hold.
        unsupported = {
            {"x.svg", svg},
            {"x.mvg", mvg},
            {"self.msl", msl},
            {"x.epsf", ps},
            {"x.epsi", ps},
            {"x.ai", ps},
            {"x.ps", ps},
            {"x.txt", "@" + text + "\n"},
            {"noext", EncodeImage(MakeQuadrants(8, 8), "png")},
        };
        for (const std::vector<File>* list : {&supported, &unsupported})
            for (const File& f : *list)
                WriteFileBytes(dir.File(f.name), f.bytes);
    }

    ~HostileFiles() { DeleteFileA(marker.c_str()); }

    struct File
    {
        std::string name;
        std::string bytes;
    };
    TempFolder dir;
    std::string marker;
    std::vector<File> supported, unsupported;
};

// The folder the image library searches first for its configuration
// files, for the processes started while this lives. A Windows build's
// library reads the Windows environment; a Winelib build's reads the host's,
// which Wine hands on to the processes this one starts.
class LibrarySearchPath
{
public:
    explicit LibrarySearchPath(const std::string& folder)
    {
#ifdef __WINE__
        // A list of host folders parted by ':', so none through "c:".
        char* real = realpath(HostPath(folder).c_str(), NULL);
        setenv(kName, real != NULL ? real : "", 1);
        free(real);
#else
        SetEnvironmentVariableA(kName, folder.c_str());
#endif
    }
    ~LibrarySearchPath()
    {
#ifdef __WINE__
        unsetenv(kName);
#else
        SetEnvironmentVariableA(kName, NULL);
#endif
    }

private:
    static constexpr const char* kName = "MAGICK_CONFIGURE_PATH";
};

bool GifHasSecretPixels(const std::string& path)
{
    Magick::Image gif;
    ReadImageFile(gif, path.c_str());
    for (size_t y = 0; y < gif.rows(); ++y)
        for (size_t x = 0; x < gif.columns(); ++x)
            if (IsSecretColor(gif.pixelColor((ssize_t)x, (ssize_t)y)))
                return true;
    return false;
}

void TurnQuietConversionOn(const TempFolder& dir)
{
    const std::string settings = dir.File("s.tvx");
    WriteFileBytes(settings, kWidth50Settings);
    const DWORD on = 1;
    ASSERT_EQ(1, RegWriteDword(kRegShellOn, &on));
    ASSERT_EQ(1, RegWriteString(kRegShellPath, settings.c_str()));
}

std::string QuietOutput(const TempFolder& dir, const std::string& name)
{
    return dir.File("th_" + SplitPath(dir.File(name).c_str()).name + ".gif");
}

} // namespace

// The reader, the quiet conversion (in this process and as the program),
// and the preview: nothing is read, written or crashed by the content.
TEST(UnsafeInput, HostileFilesAreRefusedByTheReaderTheQuietConversionAndThePreview)
{
    HostileFiles files;
    MainDlgWindow main;
    TurnQuietConversionOn(files.dir);
    for (const std::vector<HostileFiles::File>* list : {&files.supported, &files.unsupported})
        for (const HostileFiles::File& f : *list)
        {
            const std::string path = files.dir.File(f.name);
            Magick::Image image;
            EXPECT_THROW(ReadImageFile(image, path.c_str()), std::exception) << f.name;

            CQuietConverter converter;
            converter.Run(path.c_str());
            EXPECT_EQ(NULL, converter.Image.get()) << f.name;
            EXPECT_EQ(1, RunProgramExe("/q \"" + path + "\"")) << f.name;
            EXPECT_FALSE(FileExists(QuietOutput(files.dir, f.name))) << f.name;

            EXPECT_EQ(0, main.dlg.LoadSourceImage(path.c_str())) << f.name;
            EXPECT_EQ(NULL, main.dlg.SourceImage()) << f.name;
            EXPECT_FALSE(FileExists(files.marker)) << f.name << ": the content wrote a file";
            DeleteFileA(files.marker.c_str());
        }
}

// The same files among readable ones in a Convert All run: only the
// readable ones give outputs, and no output shows the other file.
TEST(UnsafeInput, ABatchRunConvertsOnlyTheRealPictures)
{
    HostileFiles files;
    const std::string src = files.dir.Path(), out = files.dir.File("out");
    CreateDirectoryA(out.c_str(), NULL);
    WriteImage(files.dir.File("good.tga"), MakeQuadrants(16, 12));

    MainDlgWindow main;
    SetPanel(main.dlg, PanelOptions());
    SafeCopy(main.dlg.m_szBrowsedFolder, src.c_str());
    SetDlgItemTextA(main.dlg.m_hWnd, IDC_MAIN_OUTPUT_FOLDER, out.c_str());
    main.dlg.m_nConvertCmd = ID_CONVERT_ALL;
    // The run ends by naming the hostile files it passed over.
    const std::vector<std::string> reports = RunAnsweringMessageBoxes(
        [&] { SendMessageA(main.hWnd(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0); },
        "Tolvex");
    ASSERT_EQ(1u, reports.size());
    EXPECT_NE(std::string::npos, reports[0].find("not converted")) << reports[0];

    std::vector<std::string> outputs;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((out + "\\*.gif").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    do
        outputs.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    // The secret picture itself is a real PNG of the folder.
    std::sort(outputs.begin(), outputs.end());
    EXPECT_EQ((std::vector<std::string>{"good.gif", "secret.gif"}), outputs);
    EXPECT_FALSE(GifHasSecretPixels(out + "\\good.gif"));
    EXPECT_FALSE(FileExists(files.marker));
}

// What keeps a file's content from reaching other coders holds in the
// library itself, set by the program, not by a policy file beside it.
TEST(UnsafeInput, TheLibraryRefusesEveryCoderButThoseOfOurTypes)
{
    using namespace MagickCore;
    for (const char* coder :
         {"SVG",       "MSVG",   "RSVG", "MVG",  "MSL",  "TXT",   "TEXT", "LABEL",
          "CAPTION",   "PS",     "PS2",  "EPS",  "EPSF", "EPSI",  "AI",   "PDF",
          "EPDF",      "XPS",    "PCL",  "URL",  "HTTP", "HTTPS", "FTP",  "FILE",
          "EPHEMERAL", "INLINE", "TILE", "MIFF", "XML",  "SHOW"})
        EXPECT_FALSE(IsRightsAuthorized(CoderPolicyDomain, ReadPolicyRights, coder)) << coder;
    for (const char* coder : {"PNG", "JPEG", "GIF", "TIFF", "BMP", "TGA", "PCX"})
        EXPECT_TRUE(IsRightsAuthorized(CoderPolicyDomain, ReadPolicyRights, coder)) << coder;
    EXPECT_TRUE(IsRightsAuthorized(CoderPolicyDomain, WritePolicyRights, "GIF"));
    for (const char* program : {"gs", "ps:color", "pcl:color", "svg", "https"})
        EXPECT_FALSE(IsRightsAuthorized(DelegatePolicyDomain, ExecutePolicyRights, program))
            << program;
    EXPECT_FALSE(IsRightsAuthorized(PathPolicyDomain, ReadPolicyRights, "@/etc/passwd"));

    struct Limit
    {
        ResourceType resource;
        MagickSizeType most;
    };
    const Limit limits[] = {
        {MemoryResource, 256ULL << 20}, {MapResource, 512ULL << 20},  {WidthResource, 16384},
        {HeightResource, 16384},        {AreaResource, 128ULL << 20}, {DiskResource, 1ULL << 30},
    };
    for (const Limit& l : limits)
        EXPECT_LE(GetMagickResourceLimit(l.resource), l.most) << l.resource;
}

// A policy file on the machine that allows everything does not win over
// the program's own policy: the case above, in a process whose library
// finds that file first on its search path.
TEST(UnsafeInput, APermissivePolicyFileOnTheMachineDoesNotWin)
{
    TempFolder dir("policy");
    WriteFileBytes(dir.File("policy.xml"),
                   "<policymap>"
                   "<policy domain=\"coder\" rights=\"read|write\" pattern=\"*\"/>"
                   "<policy domain=\"delegate\" rights=\"execute\" pattern=\"*\"/>"
                   "<policy domain=\"path\" rights=\"read|write\" pattern=\"*\"/>"
                   "<policy domain=\"resource\" name=\"memory\" value=\"16GiB\"/>"
                   "<policy domain=\"resource\" name=\"width\" value=\"1MP\"/>"
                   "<policy domain=\"resource\" name=\"area\" value=\"16GP\"/>"
                   "</policymap>");
    LibrarySearchPath searchPath(dir.Path());
    EXPECT_EQ(0,
              RunTestCaseInNewProcess("UnsafeInput.TheLibraryRefusesEveryCoderButThoseOfOurTypes"));
}

// A source whose page is a huge logical screen with the picture at an
// offset: the picture that every road reads stands alone, so the output's
// screen is its own size after the border and the turn.
TEST(UnsafeInput, EveryOutputIsItsOwnLogicalScreen)
{
    TempFolder dir("screen");
    Magick::Image big = MakeQuadrants(40, 30);
    big.page(Magick::Geometry(65535, 65535, 100, 200));
    WriteFileBytes(dir.File("big.gif"), EncodeImage(big, "gif"));

    Magick::Image read;
    ReadImageFile(read, dir.File("big.gif").c_str());
    EXPECT_EQ(0u, read.page().width());
    EXPECT_EQ(0, read.page().xOff());

    CQuietConverter converter;
    converter.EnableResize = 0;
    converter.EnableBorder = 1;
    converter.BorderWidth = 3;
    converter.Rotate = kRotate90;
    ASSERT_EQ(1, converter.LoadImage(dir.File("big.gif").c_str()));
    converter.Transform();
    ASSERT_EQ(1, converter.SaveAs(dir.File("big.gif").c_str(), 1));

    const std::string gif = ReadFileBytes(dir.File("th_big.gif"));
    ASSERT_GT(gif.size(), 10u);
    const unsigned width = (unsigned char)gif[6] | (unsigned char)gif[7] << 8;
    const unsigned height = (unsigned char)gif[8] | (unsigned char)gif[9] << 8;
    EXPECT_EQ(converter.Image->columns(), width);
    EXPECT_EQ(converter.Image->rows(), height);
    EXPECT_EQ(36u, width); // 30 + 2 * 3 across after the quarter turn
    EXPECT_EQ(46u, height);
}
