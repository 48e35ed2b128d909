#include "core/ImageIO.h"
#include "core/QuietConverter.h"
#include "tests/support/ImageFixtures.h"
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
    return names;
}

} // namespace

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
    for (const char* name : {"really-png.jpg", "odd.bmp24", "noext"})
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
        EXPECT_EQ(NULL, converter.Image) << name;
    }
    CQuietConverter converter;
    EXPECT_EQ(0, converter.LoadImage(""));
}

TEST(ImageIO, OnlyTheFirstFrameIsRead)
{
    TempFolder dir("io frames");
    std::vector<Magick::Image> frames = {MakeQuadrants(30, 20), MakeQuadrants(50, 40), MakeQuadrants(70, 60)};
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
