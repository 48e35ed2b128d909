// ImageIO: pictures are read as plain files, written whole or not at all, and bounded.
#include <algorithm>
#include <set>

#include "image/ImageIO.h"
#include "files/Paths.h"
#include "convert/QuietConverter.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/TestUtil.h"

namespace {

// The names of the files in the folder, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        std::string n = fd.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

void PutBigEndian(std::string& bytes, size_t at, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = (char)(value >> (24 - 8 * i));
}

unsigned Crc32(const char* data, size_t length)
{
    unsigned crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i)
    {
        crc ^= (unsigned char)data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A valid PNG whose header claims a size far beyond the library's limits.
std::string PngClaiming(unsigned width, unsigned height)
{
    std::string png = EncodeImage(MakeQuadrants(8, 8), "png");
    const size_t ihdr = 12; // chunk type, then the 13 data bytes, then the CRC
    PutBigEndian(png, ihdr + 4, width);
    PutBigEndian(png, ihdr + 8, height);
    PutBigEndian(png, ihdr + 17, Crc32(png.data() + ihdr, 17));
    return png;
}

// Noise does not compress, so a cut leaves the header and part of the data.
std::string NoisyPng()
{
    Magick::Image noisy = MakeColumnGradient(120, 120);
    noisy.addNoise(Magick::GaussianNoise);
    return EncodeImage(noisy, "png");
}

// A BMP whose header states a file size one byte short of its length: the
// library reports it as damaged after decoding it whole.
std::string BmpWithSizeOneOff(size_t width, size_t height)
{
    std::string bmp = EncodeImage(MakeQuadrants(width, height), "bmp");
    const unsigned stated = (unsigned char)bmp[2] | (unsigned char)bmp[3] << 8 |
                            (unsigned char)bmp[4] << 16 | (unsigned)(unsigned char)bmp[5] << 24;
    EXPECT_EQ(bmp.size(), stated);
    const unsigned wrong = stated - 1;
    for (int i = 0; i < 4; ++i)
        bmp[2 + i] = (char)(wrong >> (8 * i));
    return bmp;
}

// Files that hold no picture the library can give pixels for.
struct BrokenFile
{
    const char* name;
    std::string bytes;
};

std::vector<BrokenFile> BrokenFiles()
{
    std::string random;
    unsigned seed = 12345;
    for (int i = 0; i < 3000; ++i)
    {
        seed = seed * 1103515245u + 12345u;
        random += (char)(seed >> 16);
    }
    return {
        {"cut.png", NoisyPng().substr(0, 300)},
        {"huge.png", PngClaiming(30000, 30000)},
        {"empty.jpg", ""},
        {"random.tga", random},
        {"random.jpg", random},
        {"text.bmp", "This is a note, not a bitmap.\r\n"},
    };
}

} // namespace

TEST(ImageIO, FilesWithoutPixelsFailOnEveryRoad)
{
    TempFolder dir("io nopixels");
    MainDlgWindow main;
    for (const BrokenFile& f : BrokenFiles())
    {
        const std::string path = dir.File(f.name);
        WriteFileBytes(path, f.bytes);
        Magick::Image image;
        EXPECT_THROW(ReadImageFile(image, path.c_str()), std::exception) << f.name;

        CQuietConverter converter;
        EXPECT_EQ(0, converter.LoadImage(path.c_str())) << f.name;
        EXPECT_EQ(NULL, converter.Image.get()) << f.name;

        EXPECT_EQ(0, main.dlg.LoadSourceImage(path.c_str())) << f.name;
        EXPECT_EQ(NULL, main.dlg.SourceImage()) << f.name;
    }
}

TEST(ImageIO, APictureTheLibraryCallsDamagedIsUsed)
{
    TempFolder dir("io damaged");
    const std::string bmp = BmpWithSizeOneOff(9, 7);
    // Named as what it is, and under a name that points the library
    // elsewhere first.
    for (const char* name : {"size-off.bmp", "size-off.png"})
    {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bmp);
        Magick::Image image;
        ASSERT_NO_THROW(ReadImageFile(image, path.c_str())) << name;
        EXPECT_EQ(9u, image.columns()) << name;
        EXPECT_EQ(7u, image.rows()) << name;
        // Red top-left quadrant, white bottom-right.
        EXPECT_EQ(65535, image.pixelColor(0, 0).redQuantum()) << name;
        EXPECT_EQ(0, image.pixelColor(0, 0).blueQuantum()) << name;
        EXPECT_EQ(65535, image.pixelColor(8, 6).blueQuantum()) << name;

        CQuietConverter converter;
        EXPECT_EQ(1, converter.LoadImage(path.c_str())) << name;
    }
}

// Broken files before, between and after readable ones, in the top folder
// and below it: every readable file is converted, with the index it holds
// in the run.
TEST(ImageIO, BatchSkipsFilesWithoutPixelsAndConvertsTheRest)
{
    TempFolder dir("io batch");
    const std::string src = dir.File("src"), out = dir.File("out");
    CreateDirectoryA(src.c_str(), NULL);
    CreateDirectoryA(out.c_str(), NULL);
    CreateDirectoryA((src + "\\sub").c_str(), NULL);
    std::set<std::string> readable;
    for (const char* folder : {"", "sub\\"})
    {
        for (const BrokenFile& f : BrokenFiles())
            WriteFileBytes(src + "\\" + folder + f.name, f.bytes);
        for (const char* name : {"a.png", "m.bmp", "z.jpg"})
        {
            WriteImage(src + "\\" + folder + name, MakeQuadrants(16, 12));
            readable.insert(src + "\\" + folder + name);
        }
    }
    WriteFileBytes(src + "\\sub\\size-off.bmp", BmpWithSizeOneOff(16, 12));
    readable.insert(src + "\\sub\\size-off.bmp");

    MainDlgWindow main;
    PanelOptions panel;
    panel.pattern = 2; // index, "_", name: unique names that carry the index
    SetPanel(main.dlg, panel);
    SafeCopy(main.dlg.m_szBrowsedFolder, src.c_str());
    SetDlgItemTextA(main.dlg.m_hWnd, IDC_MAIN_OUTPUT_FOLDER, out.c_str());
    main.dlg.m_nConvertCmd = ID_CONVERT_RECURSIVE;

    std::vector<std::string> order;
    main.dlg.CollectFiles(order, src.c_str(), true);
    ASSERT_EQ(2 * BrokenFiles().size() + readable.size(), order.size());
    // The run meets broken files before readable ones.
    const auto lastReadable = std::find_if(
        order.rbegin(), order.rend(), [&](const std::string& p) { return readable.count(p) != 0; });
    ASSERT_TRUE(std::any_of(order.begin(), lastReadable.base(),
                            [&](const std::string& p) { return readable.count(p) == 0; }));

    // The run ends by naming the files it passed over.
    const std::vector<std::string> reports = RunAnsweringMessageBoxes(
        [&] { SendMessageA(main.hWnd(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0); },
        "Tolvex");
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ(0u, reports[0].find(std::to_string(order.size() - readable.size()) +
                                  " files were not converted:"))
        << reports[0];

    std::vector<std::string> want;
    for (size_t i = 0; i < order.size(); ++i)
        if (readable.count(order[i]) != 0)
            want.push_back(std::to_string(i + 1) + "_" + SplitPath(order[i].c_str()).name + ".gif");
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, ListFolder(out));
    for (const std::string& name : want)
    {
        Magick::Image gif;
        ReadImageFile(gif, (out + "\\" + name).c_str());
        EXPECT_EQ(16u, gif.columns()) << name;
    }
}

TEST(ImageIO, NamesWithLibrarySyntaxAreReadAsPlainFileNames)
{
    TempFolder dir("io names");
    const std::string png = EncodeImage(MakeQuadrants(40, 30), "png");
    for (const char* name : {"a[1].png", "100%d.png", "with blanks.png", "gif:x.png", "UPPER.PNG"})
    {
        WriteFileBytes(dir.File(name), png);
        CQuietConverter converter;
        ASSERT_EQ(1, converter.LoadImage(dir.File(name).c_str())) << name;
        EXPECT_EQ(40u, converter.Image->columns()) << name;
        EXPECT_EQ(30u, converter.Image->rows()) << name;
    }
}

TEST(ImageIO, ContentDecidesWhenTheExtensionDoesNotMatch)
{
    TempFolder dir("io ext");
    const std::string png = EncodeImage(MakeQuadrants(40, 30), "png");
    for (const char* name : {"really-png.jpg", "odd.bmp24", "png-bytes.tga"})
    {
        WriteFileBytes(dir.File(name), png);
        Magick::Image image;
        EXPECT_NO_THROW(ReadImageFile(image, dir.File(name).c_str())) << name;
        EXPECT_EQ(40u, image.columns()) << name;
    }
}

TEST(ImageIO, TruncatedJpegLoads)
{
    TempFolder dir("io jpeg");
    const std::string jpeg = EncodeImage(MakeQuadrants(200, 200), "jpeg");
    WriteFileBytes(dir.File("cut.jpg"), jpeg.substr(0, jpeg.size() / 2));
    CQuietConverter converter;
    ASSERT_EQ(1, converter.LoadImage(dir.File("cut.jpg").c_str()));
    EXPECT_EQ(200u, converter.Image->columns());
}

TEST(ImageIO, UnreadableFilesGiveZeroAndNoImage)
{
    TempFolder dir("io bad");
    WriteFileBytes(dir.File("garbage.png"), "this is not an image at all");
    WriteFileBytes(dir.File("empty.gif"), "");
    CreateDirectoryA(dir.File("folder.png").c_str(), NULL);
    const std::string good = dir.File("good.png");
    WriteFileBytes(good, EncodeImage(MakeQuadrants(8, 8), "png"));

    for (const char* name : {"garbage.png", "empty.gif", "missing.png", "folder.png"})
    {
        CQuietConverter converter;
        ASSERT_EQ(1, converter.LoadImage(good.c_str()));
        EXPECT_EQ(0, converter.LoadImage(dir.File(name).c_str())) << name;
        EXPECT_EQ(NULL, converter.Image.get()) << name;
    }
    CQuietConverter converter;
    EXPECT_EQ(0, converter.LoadImage(""));
}

TEST(ImageIO, OnlyTheFirstFrameIsRead)
{
    TempFolder dir("io frames");
    std::vector<Magick::Image> frames = {MakeQuadrants(30, 20), MakeQuadrants(50, 40),
                                         MakeQuadrants(70, 60)};
    for (Magick::Image& f : frames)
        f.magick("gif");
    Magick::Blob blob;
    Magick::writeImages(frames.begin(), frames.end(), &blob, true);
    WriteFileBytes(dir.File("anim.gif"), std::string((const char*)blob.data(), blob.length()));

    Magick::Image image;
    ReadImageFile(image, dir.File("anim.gif").c_str());
    EXPECT_EQ(30u, image.columns());
    EXPECT_EQ(20u, image.rows());
}

TEST(ImageIO, WriteReplacesTheTargetAndLeavesNoTemporaryFile)
{
    TempFolder dir("io write");
    const std::string target = dir.File("out [1].png");
    WriteFileBytes(target, "old contents");
    Magick::Image image = MakeQuadrants(12, 10);
    image.magick("png");
    WriteImageFile(image, target.c_str());

    Magick::Image back;
    ReadImageFile(back, target.c_str());
    EXPECT_EQ(12u, back.columns());
    EXPECT_EQ(std::vector<std::string>{"out [1].png"}, ListFolder(dir.Path()));
}

TEST(ImageIO, FailedWriteLeavesTheOldFileAndNothingElse)
{
    TempFolder dir("io fail");
    Magick::Image image = MakeQuadrants(12, 10);
    image.magick("png");

    EXPECT_THROW(WriteImageFile(image, dir.File("missing\\out.png").c_str()), std::exception);

    const std::string locked = dir.File("locked.png");
    WriteFileBytes(locked, "old contents");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(WriteImageFile(image, locked.c_str()), std::exception);
    EXPECT_EQ("old contents", ReadFileBytes(locked));

    CreateDirectoryA(dir.File("taken.png").c_str(), NULL);
    EXPECT_THROW(WriteImageFile(image, dir.File("taken.png").c_str()), std::exception);

    std::vector<std::string> left = ListFolder(dir.Path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"locked.png", "taken.png"}), left);
}

TEST(ImageIO, ColorsAreWidenedToSixteenBitsAndSystemColorsTranslated)
{
    Magick::Color c = ToMagickColor(RGB(255, 128, 1));
    EXPECT_EQ(65535, c.redQuantum());
    EXPECT_EQ(128 * 257, c.greenQuantum());
    EXPECT_EQ(257, c.blueQuantum());
    EXPECT_EQ(0, c.alphaQuantum());

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    Magick::Color sys = ToMagickColor(0x80000000 | COLOR_BTNFACE);
    EXPECT_EQ(GetRValue(face) * 257, sys.redQuantum());
    EXPECT_EQ(GetGValue(face) * 257, sys.greenQuantum());
    EXPECT_EQ(GetBValue(face) * 257, sys.blueQuantum());
}

TEST(ImageIO, AbsurdSizesFailInsteadOfExhaustingTheMachine)
{
    Magick::Image image = MakeQuadrants(40, 30);
    PrepareForWork(image);
    Magick::Geometry wide(kImageMaxSide + 1, 10);
    wide.aspect(true);
    EXPECT_THROW(image.scale(wide), Magick::Exception);
    EXPECT_THROW(image.border(Magick::Geometry(32000, 32000)), Magick::Exception);
}

// A read asks its progress while it decodes, and ends when told to: the
// caller's say reaches into a long decode, not only its start or end.
TEST(ImageIO, ALongReadAsksItsProgressAndStopsWhenTold)
{
    TempFolder dir("slow");
    const std::string path = dir.File("slow.png");
    WriteFileBytes(path, EncodeImage(MakeColumnGradient(kSlowReadWidth, kSlowReadHeight), "png"));
    const DecodeSizeRule fullSize;
    ImageSize size = {};

    int asked = 0;
    Magick::Image read;
    ReadImageFile(read, path.c_str(), fullSize, size, [&] { return ++asked > 0; });
    EXPECT_EQ(kSlowReadWidth, read.columns());
    EXPECT_GE(asked, 2);

    asked = 0;
    Magick::Image stopped;
    EXPECT_THROW(ReadImageFile(stopped, path.c_str(), fullSize, size, [&] { return ++asked < 2; }),
                 ImageReadStopped);
    EXPECT_EQ(2, asked);

    // Nothing of a read is left to call back once it is over: work on an
    // image copied from one asks nobody.
    asked = 0;
    Magick::Image copy(read);
    copy.modifyImage();
    copy.scale(Magick::Geometry(100, 75));
    EXPECT_EQ(0, asked);
}
