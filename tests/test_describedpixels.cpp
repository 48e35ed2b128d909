// DescribedPixels: what is read comes from the file, never stale memory; raw pixels are not read.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/ImageIO.h"
#include "files/Paths.h"
#include "convert/QuietConverter.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/TestUtil.h"

// Files whose decoder, as some builds of the image library have it, leaves
// part of the picture to whatever the memory held. Every pixel of the
// output must be one the file described.

namespace {

std::string Be16(unsigned v) { return {char(v >> 8 & 0xFF), char(v & 0xFF)}; }

std::string Be32(uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

uint32_t Crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes)
    {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A chunk of the PNG family: length, type, data, check sum.
std::string Chunk(const char* type, const std::string& data)
{
    const std::string body = type + data;
    return Be32((uint32_t)data.size()) + body + Be32(Crc32(body));
}

// A zlib stream of one stored block, so no compressor is needed.
std::string StoredZlib(const std::string& raw)
{
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw)
    {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const unsigned n = (unsigned)raw.size();
    const std::string len = {char(n & 0xFF), char(n >> 8), char(~n & 0xFF), char(~n >> 8 & 0xFF)};
    return std::string("\x78\x01\x01", 3) + len + raw + Be32(b << 16 | a);
}

struct Rgb
{
    unsigned char r, g, b;
};

const Rgb kFlat = {0x20, 0x80, 0xC0};

// The PNG chunks of a flat 8-bit RGB picture, without the signature.
std::string FlatPngChunks(unsigned columns, unsigned rows, Rgb colour)
{
    std::string raw;
    for (unsigned y = 0; y < rows; ++y)
    {
        raw += '\0'; // no filter
        for (unsigned x = 0; x < columns; ++x)
            raw += std::string{char(colour.r), char(colour.g), char(colour.b)};
    }
    const std::string header = Be32(columns) + Be32(rows) + std::string("\x08\x02\0\0\0", 5);
    return Chunk("IHDR", header) + Chunk("IDAT", StoredZlib(raw)) + Chunk("IEND", "");
}

// MAGN's methods: 1 replicates each pixel, 2 interpolates between pixels
// (the last pixel of a row or column is not repeated).
const unsigned kReplicate = 1;
const unsigned kInterpolate = 2;

unsigned MagnifiedSide(unsigned side, unsigned factor, unsigned method)
{
    return method == kReplicate ? side * factor : (side - 1) * factor + 1;
}

// An MNG of one flat square picture that its MAGN chunk magnifies `factor`
// times across and down with the method given.
std::string MagnifiedMng(unsigned side, unsigned factor, unsigned method, Rgb colour)
{
    const unsigned magnified = MagnifiedSide(side, factor, method);
    const std::string header = Be32(magnified) + Be32(magnified) + Be32(1) + Be32(0) + Be32(0) +
                               Be32(0) + Be32(1); // ticks per second 1, simplicity 1
    const std::string magn = Be16(0) + Be16(0) + char(method) + Be16(factor) + Be16(factor) +
                             Be16(factor) + Be16(factor) + Be16(factor) + Be16(factor) +
                             char(method);
    return std::string("\x8AMNG\r\n\x1A\n", 8) + Chunk("MHDR", header) + Chunk("MAGN", magn) +
           FlatPngChunks(side, side, colour) + Chunk("MEND", "");
}

// The number of output pixels further than `tolerance` from the colour in
// any channel, and the first of them.
struct Stray
{
    size_t count = 0;
    std::string first;
};

bool Near(unsigned char value, unsigned char target, int tolerance)
{
    return abs(int(value) - int(target)) <= tolerance;
}

Stray StrayPixels(Magick::Image& image, Rgb colour, int tolerance)
{
    std::vector<unsigned char> rgb(image.columns() * image.rows() * 3);
    image.write(0, 0, image.columns(), image.rows(), "RGB", Magick::CharPixel, rgb.data());
    Stray stray;
    for (size_t i = 0; i < rgb.size(); i += 3)
        if (!Near(rgb[i], colour.r, tolerance) || !Near(rgb[i + 1], colour.g, tolerance) ||
            !Near(rgb[i + 2], colour.b, tolerance))
        {
            if (stray.count++ == 0)
                stray.first = "pixel " + std::to_string(i / 3) + " is " + std::to_string(rgb[i]) +
                              "," + std::to_string(rgb[i + 1]) + "," + std::to_string(rgb[i + 2]);
        }
    return stray;
}

// The quiet conversion at the picture's own size, and its output read back.
bool ConvertAtOwnSize(const std::string& source, Magick::Image& output)
{
    CQuietConverter converter;
    converter.EnableResize = 0;
    if (!converter.LoadImage(source.c_str()))
        return false;
    converter.Transform();
    if (converter.SaveAs(source.c_str(), 1) != 1)
        return false;
    char name[kPathBufferSize];
    if (!converter.MakeOutputName(source.c_str(), 1, name, sizeof(name)))
        return false;
    ReadImageFile(output, (std::string(name) + ".gif").c_str());
    return true;
}

struct DescribedCase
{
    const char* name;
    std::string bytes;
    size_t columns, rows;
    Rgb colour;
    int tolerance;
};

} // namespace

TEST(DescribedPixels, EveryOutputPixelIsAColourTheFileDescribed)
{
    TempFolder dir("described");
    const DescribedCase cases[] = {
        // 4x4 magnified 256 times to 769x769. The library's interpolation
        // down the rows rounds up by as much as one step of 8 bits.
        {"interpolated.mng", MagnifiedMng(4, 256, kInterpolate, kFlat), 769, 769, kFlat, 1},
        {"replicated.mng", MagnifiedMng(4, 64, kReplicate, kFlat), 256, 256, kFlat, 0},
    };
    for (const DescribedCase& c : cases)
    {
        const std::string path = dir.File(c.name);
        WriteFileBytes(path, c.bytes);
        Magick::Image output;
        ASSERT_TRUE(ConvertAtOwnSize(path, output)) << c.name;
        EXPECT_EQ(c.columns, output.columns()) << c.name;
        EXPECT_EQ(c.rows, output.rows()) << c.name;
        const Stray stray = StrayPixels(output, c.colour, c.tolerance);
        EXPECT_EQ(0u, stray.count) << c.name << ": " << stray.first;
    }
}

namespace {

// The GIF with an extension put in front of its picture, after the header
// and the global colour table.
std::string WithExtension(const std::string& gif, const std::string& extension)
{
    const unsigned char flags = (unsigned char)gif[10];
    const size_t table = (flags & 0x80) ? 3u << ((flags & 7) + 1) : 0;
    const size_t at = 13 + table;
    return gif.substr(0, at) + extension + gif.substr(at);
}

// Fills a stretch of the library's heap with digits and frees it, so that
// blocks taken there next start out holding them.
void LeaveDigitsInTheHeap()
{
    const size_t kBlocks = 64, kSize = 4351;
    std::vector<void*> blocks;
    for (size_t i = 0; i < kBlocks; ++i)
    {
        void* block = MagickCore::AcquireMagickMemory(kSize);
        if (block == NULL)
            break;
        memset(block, '7', kSize);
        blocks.push_back(block);
    }
    for (void* block : blocks)
        MagickCore::RelinquishMagickMemory(block);
}

} // namespace

// The gamma an application extension gives as text ends where the file's
// text does, however the block it came in ends.
TEST(DescribedPixels, AGammaGivenAsTextEndsWithTheFilesText)
{
    TempFolder dir("gamma");
    // One full sub-block of text with no end of its own: "gamma=0." and
    // zeros to the block's end.
    const std::string text = "gamma=0." + std::string(255 - 8, '0');
    const std::string extension =
        std::string("\x21\xFF\x0B", 3) + "ImageMagick" + char(255) + text + '\0';
    const std::string path = dir.File("gamma.gif");
    Magick::Image flat(Magick::Geometry(8, 8),
                       Magick::Color(kFlat.r * 257, kFlat.g * 257, kFlat.b * 257, 0));
    WriteFileBytes(path, WithExtension(EncodeImage(flat, "gif"), extension));
    const std::string plainPath = dir.File("plain.gif");
    WriteFileBytes(plainPath, EncodeImage(flat, "gif"));
    Magick::Image plain;
    ReadImageFile(plain, plainPath.c_str());
    LeaveDigitsInTheHeap();
    Magick::Image read;
    ReadImageFile(read, path.c_str());
    // The file's own gamma, or none at all where the reader leaves the
    // extension out; never digits that were only in memory.
    EXPECT_TRUE(read.gamma() == 0.0 || read.gamma() == plain.gamma()) << read.gamma();
}

// Headerless pixel files need a size the caller gives, and the program
// gives none: whatever such a file holds, its decoder stops before it
// reads a byte of it.
TEST(DescribedPixels, HeaderlessPixelFilesAreNeverDecoded)
{
    TempFolder dir("raw");
    const std::string bytes(4096, '\x7F');
    for (const char* name : {"a.rgb", "a.cmyk", "a.yuv", "a.map"})
    {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bytes);
        Magick::Image read;
        EXPECT_THROW(ReadImageFile(read, path.c_str()), ImageFileError) << name;
    }
}
