// Writes the small hostile pictures whose metadata would cost out of proportion.
#include "tests/support/HostileImages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/MagickInc.h"

namespace {

// Deflate's bits go out from the lowest bit of each byte up.
class BitWriter
{
public:
    void Bits(unsigned value, int count)
    {
        for (int i = 0; i < count; ++i)
            Bit((value >> i) & 1);
    }
    // A Huffman code goes out from its highest bit down.
    void Code(unsigned code, int length)
    {
        for (int i = length - 1; i >= 0; --i)
            Bit((code >> i) & 1);
    }
    // `count` zero bits, a byte at a time where the byte is whole.
    void Zeros(size_t count)
    {
        while (count > 0 && m_used != 0)
        {
            Bit(0);
            --count;
        }
        m_out.append(count / 8, '\0');
        Bits(0, (int)(count % 8));
    }
    // Bytes as they are, from the next whole byte on.
    void Raw(const std::string& bytes)
    {
        Align();
        m_out += bytes;
    }
    std::string Finish()
    {
        Align();
        return m_out;
    }

private:
    void Align()
    {
        if (m_used == 0)
            return;
        m_out += (char)m_byte;
        m_byte = 0;
        m_used = 0;
    }
    void Bit(unsigned bit)
    {
        m_byte |= (unsigned char)(bit << m_used);
        if (++m_used == 8)
        {
            m_out += (char)m_byte;
            m_byte = 0;
            m_used = 0;
        }
    }
    std::string m_out;
    unsigned char m_byte = 0;
    int m_used = 0;
};

const unsigned kAdlerBase = 65521;

// Adler-32 of `data` continued from `adler`.
unsigned Adler32(const std::string& data, unsigned adler = 1)
{
    unsigned long long a = adler & 0xFFFF, b = adler >> 16;
    for (unsigned char c : data)
    {
        a = (a + c) % kAdlerBase;
        b = (b + a) % kAdlerBase;
    }
    return (unsigned)(b << 16 | a);
}

// Adler-32 continued over `count` bytes `byte`, in closed form.
unsigned Adler32Run(unsigned adler, unsigned char byte, size_t count)
{
    const unsigned long long a = adler & 0xFFFF, b = adler >> 16, n = count;
    const unsigned long long triangle = (n % 2 == 0 ? (n / 2) * (n + 1) : n * ((n + 1) / 2));
    const unsigned long long a2 = (a + (n % kAdlerBase) * byte) % kAdlerBase;
    const unsigned long long b2 =
        (b + (n % kAdlerBase) * a + (triangle % kAdlerBase) * byte) % kAdlerBase;
    return (unsigned)(b2 << 16 | a2);
}

void PutBig32(std::string& out, unsigned value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += (char)((value >> shift) & 0xFF);
}

void PutLittle16(std::string& out, unsigned value)
{
    out += (char)(value & 0xFF);
    out += (char)((value >> 8) & 0xFF);
}

// A run of zero code lengths in PutRunBlock's code-length codes: 18 is
// "0", and 0, 1, 2 and 17 are "100" to "111".
void PutZeroRun(BitWriter& bits, size_t zeros)
{
    while (zeros >= 11)
    {
        const size_t run = std::min<size_t>(zeros, 138);
        bits.Code(0, 1);
        bits.Bits((unsigned)(run - 11), 7);
        zeros -= run;
    }
    if (zeros >= 3)
    {
        bits.Code(7, 3); // 17
        bits.Bits((unsigned)(zeros - 3), 3);
        zeros = 0;
    }
    for (; zeros > 0; --zeros)
        bits.Code(4, 3); // 0
}

// One final dynamic block that makes `count` (at least one) bytes `byte`:
// the byte once, then copies of 258 bytes from one back, each two bits.
void PutRunBlock(BitWriter& bits, unsigned char byte, size_t count)
{
    const unsigned kEndOfBlock = 256, kLength258 = 285;
    bits.Bits(1, 1); // final
    bits.Bits(2, 2); // dynamic codes
    bits.Bits(kLength258 + 1 - 257, 5);
    bits.Bits(0, 5);  // one distance code
    bits.Bits(14, 4); // 18 code-length code lengths
    // In deflate's order 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3,
    // 13, 2, 14, 1: 18 one bit, 0, 1, 2 and 17 three bits each.
    const unsigned lengths[] = {0, 3, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 3};
    for (unsigned length : lengths)
        bits.Bits(length, 3);
    // Literal/length code lengths: the byte and the end two bits, the
    // 258-byte copy one bit; the one distance code one bit.
    PutZeroRun(bits, byte);
    bits.Code(6, 3); // 2
    PutZeroRun(bits, kEndOfBlock - byte - 1);
    bits.Code(6, 3); // 2
    PutZeroRun(bits, kLength258 - kEndOfBlock - 1);
    bits.Code(5, 3); // 1
    bits.Code(5, 3); // 1
    // Codes: the copy "0", the byte "10", the end "11"; the distance "0".
    bits.Code(2, 2);
    const size_t copies = (count - 1) / 258, rest = (count - 1) % 258;
    bits.Zeros(copies * 2);
    for (size_t i = 0; i < rest; ++i)
        bits.Code(2, 2);
    bits.Code(3, 2);
}

std::string Deflated(const std::string& prefix, unsigned char byte, size_t count)
{
    BitWriter bits;
    // The prefix as stored blocks, each from a whole byte on.
    for (size_t done = 0; done < prefix.size();)
    {
        const size_t length = std::min<size_t>(prefix.size() - done, 65535);
        bits.Bits(0, 1); // not final
        bits.Bits(0, 2); // stored
        std::string block;
        PutLittle16(block, (unsigned)length);
        PutLittle16(block, (unsigned)~length & 0xFFFF);
        bits.Raw(block + prefix.substr(done, length));
        done += length;
    }
    PutRunBlock(bits, byte, count);
    return bits.Finish();
}

unsigned Crc32(const std::string& data)
{
    static unsigned table[256];
    if (table[1] == 0)
        for (unsigned n = 0; n < 256; ++n)
        {
            unsigned c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    unsigned crc = 0xFFFFFFFFu;
    for (unsigned char c : data)
        crc = table[(crc ^ c) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace

std::string PngChunk(const char* type, const std::string& data)
{
    std::string chunk;
    PutBig32(chunk, (unsigned)data.size());
    const std::string body = std::string(type, 4) + data;
    chunk += body;
    PutBig32(chunk, Crc32(body));
    return chunk;
}

namespace {

const size_t kPictureSide = 16;

// A 16 x 16 grey ramp as a PNG, with `extra` chunks after its header.
std::string GreyPng(const std::string& extra)
{
    std::string header;
    PutBig32(header, kPictureSide);
    PutBig32(header, kPictureSide);
    header += std::string("\x08\x00\x00\x00\x00", 5); // 8-bit grey
    std::string rows;
    for (size_t y = 0; y < kPictureSide; ++y)
    {
        rows += '\0'; // no filter
        for (size_t x = 0; x < kPictureSide; ++x)
            rows += (char)((x + y) * 8);
    }
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + extra +
           PngChunk("IDAT", ZlibRun(rows, 0, 0)) + PngChunk("IEND", "");
}

std::string CompressedText(const char* chunkType, const std::string& keyword, size_t inflated)
{
    std::string data = keyword + '\0';
    if (strcmp(chunkType, "iTXt") == 0)
        data += std::string("\x01\x00\x00\x00", 4); // compressed, no language, no translation
    else
        data += '\0'; // the one compression method
    return PngChunk(chunkType, data + ZlibRun("", 'A', inflated));
}

} // namespace

// The codes stay three bits wide: a clear code after every two pixels
// keeps the decoder's table from growing.
std::string GifPicture(const std::string& extensions)
{
    std::string gif = "GIF89a";
    PutLittle16(gif, kPictureSide);
    PutLittle16(gif, kPictureSide);
    gif += std::string("\x81\x00\x00", 3); // a global table of four colours
    gif += std::string("\x00\x00\x00\xff\x00\x00\x00\xff\x00\xff\xff\xff", 12);
    gif += extensions;
    gif += ',';
    PutLittle16(gif, 0);
    PutLittle16(gif, 0);
    PutLittle16(gif, kPictureSide);
    PutLittle16(gif, kPictureSide);
    gif += '\0';
    const unsigned kClear = 4, kEnd = 5;
    BitWriter bits;
    for (size_t i = 0; i < kPictureSide * kPictureSide; ++i)
    {
        if (i % 2 == 0)
            bits.Bits(kClear, 3);
        bits.Bits((unsigned)((i % kPictureSide) / 4), 3);
    }
    bits.Bits(kEnd, 3);
    const std::string codes = bits.Finish();
    gif += '\x02'; // the smallest code size
    for (size_t done = 0; done < codes.size(); done += 255)
    {
        const size_t length = std::min<size_t>(codes.size() - done, 255);
        gif += (char)length;
        gif.append(codes, done, length);
    }
    return gif + '\0' + ';';
}

namespace {

// An extension's data as sub-blocks of 255 bytes, with its terminator.
std::string GifSubBlocks(size_t bytes, char fill)
{
    std::string out;
    out.reserve(bytes + bytes / 255 + 2);
    while (bytes > 0)
    {
        const size_t length = std::min<size_t>(bytes, 255);
        out += (char)length;
        out.append(length, fill);
        bytes -= length;
    }
    return out + '\0';
}

std::string JpegPicture()
{
    Magick::Image image(Magick::Geometry(64, 48), Magick::Color(65535, 32768, 0, 0));
    image.magick("JPEG");
    Magick::Blob blob;
    image.write(&blob);
    return std::string((const char*)blob.data(), blob.length());
}

// The payload of segment `index` of the kind, `payload` bytes long.
std::string SegmentPayload(unsigned char marker, size_t index, size_t payload)
{
    std::string data;
    switch (marker)
    {
    case kJpegApp2:
        data = std::string("ICC_PROFILE\0", 12);
        data += (char)(index % 255 + 1);
        data += (char)255;
        break;
    case kJpegApp13:
        // One IPTC resource of the rest of the segment.
        data = std::string("Photoshop 3.0\0"
                           "8BIM\x04\x04\0\0",
                           22);
        PutBig32(data, (unsigned)(payload - data.size() - 4));
        break;
    case kJpegApp1:
        data = std::string("Exif\0\0MM\0*\0\0\0\x08\0\0", 16);
        break;
    default:
        break;
    }
    // Each segment its own, so none is taken for a repeat of the one before.
    char number[32];
    snprintf(number, sizeof(number), "%zu ", index);
    data += number;
    data.resize(payload, 'A');
    return data;
}

const size_t kFitsCard = 80;
const size_t kFitsBlock = 2880;

std::string FitsNumber(size_t value) { return std::to_string(value); }

// A header of the cards with END, and the data after it, each padded to
// whole blocks.
std::string FitsFile(const std::string& cards, std::string data)
{
    std::string header = cards + std::string("END").append(kFitsCard - 3, ' ');
    header.append((kFitsBlock - header.size() % kFitsBlock) % kFitsBlock, ' ');
    data.append((kFitsBlock - data.size() % kFitsBlock) % kFitsBlock, '\0');
    return header + data;
}

const size_t kMegabyte = 1024 * 1024;

} // namespace

std::string FitsCard(const char* keyword, const std::string& value)
{
    char card[kFitsCard + 1];
    snprintf(card, sizeof(card), "%-8.8s= %20s", keyword, value.c_str());
    std::string text = card;
    text.resize(kFitsCard, ' ');
    return text;
}

std::string FitsPicture(const std::string& cards)
{
    std::string rows;
    for (size_t i = 0; i < kPictureSide * kPictureSide; ++i)
        rows += (char)(i % kPictureSide * 16);
    const std::string header =
        FitsCard("SIMPLE", "T") + FitsCard("BITPIX", "8") + FitsCard("NAXIS", "2") +
        FitsCard("NAXIS1", FitsNumber(kPictureSide)) + FitsCard("NAXIS2", FitsNumber(kPictureSide));
    return FitsFile(header + cards, rows);
}

std::string ZlibRun(const std::string& prefix, unsigned char byte, size_t count)
{
    std::string stream("\x78\x9c", 2);
    if (count == 0)
    {
        // The bytes alone, stored.
        stream += '\x01';
        PutLittle16(stream, (unsigned)prefix.size());
        PutLittle16(stream, (unsigned)~prefix.size() & 0xFFFF);
        stream += prefix;
        PutBig32(stream, Adler32(prefix));
        return stream;
    }
    stream += Deflated(prefix, byte, count);
    PutBig32(stream, Adler32Run(Adler32(prefix), byte, count));
    return stream;
}

std::string PngWithTextBomb(const char* chunkType, size_t inflated)
{
    return GreyPng(CompressedText(chunkType, "Comment", inflated));
}

std::string PngWithTextChunks(size_t count, size_t inflated)
{
    std::string chunks;
    for (size_t i = 0; i < count; ++i)
        chunks += CompressedText("zTXt", "Comment", inflated);
    return GreyPng(chunks);
}

std::string PngWithProfileBomb(size_t inflated)
{
    // A grey profile's header as the PNG reader checks it, no tags.
    std::string header(128, '\0');
    header[0] = (char)(inflated >> 24);
    header[1] = (char)(inflated >> 16);
    header[2] = (char)(inflated >> 8);
    header[3] = (char)inflated;
    header[8] = 2; // version 2
    memcpy(&header[12], "mntrGRAYXYZ ", 12);
    memcpy(&header[36], "acsp", 4);
    // The D50 white point: X 0.9642, Y 1.0, Z 0.8249 as 16.16 numbers.
    const unsigned char white[] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
    memcpy(&header[68], white, sizeof(white));
    header += std::string(4, '\0'); // no tags
    const std::string data = std::string("bomb\0\0", 6) + ZlibRun(header, 0, inflated - 132);
    return GreyPng(PngChunk("iCCP", data));
}

std::string GifWithComment(size_t bytes)
{
    return GifPicture(std::string("\x21\xfe", 2) + GifSubBlocks(bytes, 'A'));
}

std::string GifWithProfile(size_t bytes)
{
    return GifPicture(std::string("\x21\xff\x0b", 3) + "ICCRGBG1012" + GifSubBlocks(bytes, 'A'));
}

std::string JpegWithSegments(unsigned char marker, size_t count, size_t payload)
{
    const std::string picture = JpegPicture();
    std::string segments;
    segments.reserve(count * (payload + 4));
    for (size_t i = 0; i < count; ++i)
    {
        segments += '\xff';
        segments += (char)marker;
        const size_t length = payload + 2;
        segments += (char)(length >> 8);
        segments += (char)(length & 0xFF);
        segments += SegmentPayload(marker, i, payload);
    }
    return picture.substr(0, 2) + segments + picture.substr(2);
}

std::string FitsWithHeader(size_t bytes, bool comments)
{
    std::string cards;
    cards.reserve(bytes + kFitsBlock);
    for (size_t i = 0; cards.size() < bytes; ++i)
    {
        if (comments)
        {
            std::string card = "COMMENT " + std::to_string(i) + " ";
            card.resize(kFitsCard, 'A');
            cards += card;
        }
        else
        {
            char keyword[16];
            snprintf(keyword, sizeof(keyword), "K%07zu", i);
            cards += FitsCard(keyword, FitsNumber(i));
        }
    }
    return FitsPicture(cards);
}

std::string FitsWithPlanes(size_t columns, size_t rows, size_t planes)
{
    const std::string cards = FitsCard("SIMPLE", "T") + FitsCard("BITPIX", "8") +
                              FitsCard("NAXIS", "3") + FitsCard("NAXIS1", FitsNumber(columns)) +
                              FitsCard("NAXIS2", FitsNumber(rows)) +
                              FitsCard("NAXIS3", FitsNumber(planes));
    return FitsFile(cards, std::string(columns * rows * planes, '\x80'));
}

std::string PgmWithComments(size_t lines, size_t length)
{
    std::string pgm = "P5\n";
    std::string line = "#" + std::string(length, 'A') + "\n";
    pgm.reserve(lines * line.size() + 300);
    for (size_t i = 0; i < lines; ++i)
        pgm += line;
    pgm += FitsNumber(kPictureSide) + " " + FitsNumber(kPictureSide) + "\n255\n";
    for (size_t i = 0; i < kPictureSide * kPictureSide; ++i)
        pgm += (char)i;
    return pgm;
}

std::vector<HostileImage> HostileImageSet(size_t scale)
{
    const size_t s = scale > 0 ? scale : 1;
    return {
        {"text-ztxt.png", [=] { return PngWithTextBomb("zTXt", 200 * kMegabyte / s); }},
        {"text-itxt.png", [=] { return PngWithTextBomb("iTXt", 200 * kMegabyte / s); }},
        {"text-chunks.png", [=] { return PngWithTextChunks(400 / s, 2 * kMegabyte); }},
        {"profile.png", [=] { return PngWithProfileBomb(200 * kMegabyte / s); }},
        {"comment.gif", [=] { return GifWithComment(20 * kMegabyte / s); }},
        {"profile.gif", [=] { return GifWithProfile(20 * kMegabyte / s); }},
        {"icc.jpg", [=] { return JpegWithSegments(kJpegApp2, 2000 / s, kJpegSegmentMax); }},
        {"iptc.jpg", [=] { return JpegWithSegments(kJpegApp13, 2000 / s, kJpegSegmentMax); }},
        {"exif.jpg", [=] { return JpegWithSegments(kJpegApp1, 2000 / s, kJpegSegmentMax); }},
        {"comments.fits", [=] { return FitsWithHeader(16 * kMegabyte / s, true); }},
        {"keywords.fits", [=] { return FitsWithHeader(16 * kMegabyte / s, false); }},
        {"planes.fits", [=] { return FitsWithPlanes(4, 4, 100000 / s); }},
        {"comments.pgm", [=] { return PgmWithComments(200000 / s, 80); }},
    };
}
