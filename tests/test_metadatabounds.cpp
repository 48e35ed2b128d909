// MetadataBounds: hostile metadata is read within bounds; pictures keep their pixels.
#include <string>
#include <vector>

#include "image/ImageIO.h"
#include "image/ImageMetadata.h"
#include "image/MagickInc.h"
#include "files/Paths.h"
#include "convert/QuietConverter.h"
#include "settings/Registry.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/HostileImages.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/TestUtil.h"

namespace {

// The hostile set at a tenth of the sizes users met: quicker, and still far
// beyond every bound.
const size_t kHostileScale = 10;

// Far above the GIF of a 50-pixel thumbnail; far below any of the metadata.
const size_t kSmallGif = 64 * 1024;

struct Kept
{
    bool comment = false;
    std::vector<std::string> profiles; // "name bytes"
};

Kept MetadataOf(const Magick::Image& image)
{
    Kept kept;
    const MagickCore::Image* picture = image.constImage();
    kept.comment = MagickCore::GetImageProperty(picture, "comment") != NULL;
    MagickCore::ResetImageProfileIterator(picture);
    for (const char* name = MagickCore::GetNextImageProfile(picture); name != NULL;
         name = MagickCore::GetNextImageProfile(picture))
        kept.profiles.push_back(std::string(name) + " " +
                                std::to_string(MagickCore::GetStringInfoLength(
                                    MagickCore::GetImageProfile(picture, name))));
    return kept;
}

std::string QuietOutput(const std::string& source)
{
    const PathParts parts = SplitPath(source.c_str());
    return parts.drive + parts.dir + "th_" + parts.name + ".gif";
}

size_t FileSize(const std::string& path) { return ReadFileBytes(path).size(); }

// The PNG bombs at the size users met them (cheap to make and, once
// bounded, to read), the rest of the set at a tenth.
std::vector<HostileImage> TestSet()
{
    std::vector<HostileImage> set;
    for (const HostileImage& full : HostileImageSet())
        if (SplitPath(full.name.c_str()).ext == ".png")
            set.push_back(full);
    for (const HostileImage& scaled : HostileImageSet(kHostileScale))
        if (SplitPath(scaled.name.c_str()).ext != ".png")
            set.push_back(scaled);
    return set;
}

} // namespace

// Each picture of the hostile set reads as the picture it is, keeps none of
// its metadata, and converts on every road: in this process, as the
// program's quiet conversion, and into the preview. That each ends at all
// shows its cost bounded: unbounded, the metadata takes minutes and
// hundreds of megabytes, and a GIF output copies it.
TEST(MetadataBounds, HostilePicturesAreReadWithinBoundsOnEveryRoad)
{
    TempFolder dir("hostile");
    MainDlgWindow main;
    const std::string settings = dir.File("s.tvx");
    WriteFileBytes(settings, kWidth50Settings);
    const DWORD on = 1;
    ASSERT_EQ(1, RegWriteDword(kRegShellOn, &on));
    ASSERT_EQ(1, RegWriteString(kRegShellPath, settings.c_str()));
    for (const HostileImage& hostile : TestSet())
    {
        const std::string path = dir.File(hostile.name);
        WriteFileBytes(path, hostile.make());

        Magick::Image image;
        ASSERT_NO_THROW(ReadImageFile(image, path.c_str())) << hostile.name;
        EXPECT_GT(image.columns(), 0u) << hostile.name;
        const Kept kept = MetadataOf(image);
        EXPECT_FALSE(kept.comment) << hostile.name;
        EXPECT_TRUE(kept.profiles.empty()) << hostile.name << ": " << kept.profiles[0];
        // A GIF write that copied the metadata would not end.
        if (kept.comment || !kept.profiles.empty())
            continue;

        CQuietConverter converter;
        converter.Run(path.c_str());
        ASSERT_TRUE(FileExists(QuietOutput(path))) << hostile.name;
        EXPECT_LT(FileSize(QuietOutput(path)), kSmallGif) << hostile.name;
        DeleteFileA(QuietOutput(path).c_str());

        EXPECT_EQ(1, RunProgramExe("/q \"" + path + "\"")) << hostile.name;
        EXPECT_TRUE(FileExists(QuietOutput(path))) << hostile.name;
        DeleteFileA(QuietOutput(path).c_str());

        EXPECT_EQ(1, main.dlg.LoadSourceImage(path.c_str())) << hostile.name;
        DeleteFileA(path.c_str());
    }
}

// A colour profile is bounded rather than dropped: a JPEG's profile up to
// the bound stays with the picture and reaches its GIF; a larger one goes
// and the picture still reads.
TEST(MetadataBounds, AColourProfileIsKeptUpToItsBound)
{
    TempFolder dir("profile");
    const size_t segmentProfile = kJpegSegmentMax - 14;
    const struct
    {
        size_t segments;
        bool kept;
    } cases[] = {
        {1, true},
        {kImageMaxProfile / segmentProfile, true},
        {kImageMaxProfile / segmentProfile + 1, false},
        {400, false},
    };
    for (const auto& c : cases)
    {
        const std::string path = dir.File("p.jpg");
        WriteFileBytes(path, JpegWithSegments(kJpegApp2, c.segments, kJpegSegmentMax));
        Magick::Image image;
        ASSERT_NO_THROW(ReadImageFile(image, path.c_str())) << c.segments;
        EXPECT_EQ(64u, image.columns()) << c.segments;
        const Kept kept = MetadataOf(image);
        if (c.kept)
            EXPECT_EQ(
                std::vector<std::string>{"icc " + std::to_string(c.segments * segmentProfile)},
                kept.profiles)
                << c.segments;
        else
            EXPECT_TRUE(kept.profiles.empty()) << c.segments;
    }
    // The one segment's profile goes on into the output.
    const std::string path = dir.File("p.jpg");
    WriteFileBytes(path, JpegWithSegments(kJpegApp2, 1, kJpegSegmentMax));
    Magick::Image image;
    ReadImageFile(image, path.c_str());
    image.magick("GIF");
    WriteImageFile(image, dir.File("p.gif").c_str());
    EXPECT_NE(std::string::npos, ReadFileBytes(dir.File("p.gif")).find("ICCRGBG1012"));
}

// What is taken from a file's bytes before the library reads them is its
// metadata alone: each file gives the same pixels as the same file without
// that metadata, down to a GIF's transparency and the FITS scaling cards.
TEST(MetadataBounds, TrimmedFilesGiveTheirOwnPixels)
{
    const std::string transparency("\x21\xf9\x04\x01\x00\x00\x01\x00", 8); // colour 1 clear
    const std::string comment = std::string("\x21\xfe\x03", 3) + "abc" + '\0';
    const std::string loop =
        std::string("\x21\xff\x0b", 3) + "NETSCAPE2.0" + std::string("\x03\x01\x00\x00\x00", 5);
    std::string comments;
    for (int i = 0; i < 100; ++i)
        comments += "COMMENT " + std::string(72, 'c');
    const std::string scaling = FitsCard("BZERO", "10") + FitsCard("BSCALE", "0.5");
    const std::string raster("\x00\x40\x80\xff", 4);
    const struct
    {
        const char* name;
        std::string hostile;
        std::string plain;
    } cases[] = {
        {"a.gif", GifPicture(comment + transparency + loop), GifPicture(transparency)},
        // A byte the reader passes over between blocks stays where it was.
        {"b.gif", GifPicture('\x07' + comment + transparency), GifPicture('\x07' + transparency)},
        {"c.gif", GifWithProfile(70000), GifPicture("")},
        {"d.fits", FitsPicture(comments + scaling + comments), FitsPicture(scaling)},
        {"e.fits", FitsWithHeader(100000, false), FitsPicture("")},
        {"f.pgm", PgmWithComments(50, 10), PgmWithComments(0, 10)},
        {"g.pgm", "P5 2#x\n2 255#after the last number\n" + raster, "P5 2\n2 255\n" + raster},
        {"h.pgm", "P2\n#a\n2 2\n255\n0 #b\n64\n#c\n128#d\n255\n", "P2\n2 2\n255\n0 64 128 255\n"},
        {"i.pbm", "P1 #a\n2 2\n1 0#b\n0 1\n", "P1 2 2 1 0 0 1\n"},
        {"j.pgm",
         "P7\nWIDTH 2\n#a comment\nHEIGHT 2\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n" +
             raster,
         "P7\nWIDTH 2\nHEIGHT 2\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n" + raster},
    };
    TempFolder dir("trimmed");
    for (const auto& c : cases)
    {
        const std::string hostile = dir.File(c.name),
                          plain = dir.File(std::string("plain") + c.name);
        WriteFileBytes(hostile, c.hostile);
        WriteFileBytes(plain, c.plain);
        Magick::Image read, expected;
        ASSERT_NO_THROW(ReadImageFile(read, hostile.c_str())) << c.name;
        ASSERT_NO_THROW(ReadImageFile(expected, plain.c_str())) << c.name;
        ASSERT_EQ(expected.columns(), read.columns()) << c.name;
        ASSERT_EQ(expected.rows(), read.rows()) << c.name;
        EXPECT_GT(read.columns(), 1u) << c.name;
        for (size_t y = 0; y < read.rows(); ++y)
            for (size_t x = 0; x < read.columns(); ++x)
                EXPECT_TRUE(expected.pixelColor((ssize_t)x, (ssize_t)y) ==
                            read.pixelColor((ssize_t)x, (ssize_t)y))
                    << c.name << " at " << x << "," << y;
    }
}
