#include "image/ImageMetadata.h"

#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool StartsWith(const unsigned char* data, size_t length, const char* text, size_t count)
{
    if (length < count)
        return false;
    for (size_t i = 0; i < count; ++i)
        if (tolower(data[i]) != tolower((unsigned char)text[i]))
            return false;
    return true;
}

// GIF: signature and logical screen, then blocks up to the first frame.
const size_t kGifScreenEnd = 13;
const size_t kGifScreenFlags = 10;
const unsigned char kGifGlobalTable = 0x80;
const unsigned char kGifTableSize = 0x07;
const unsigned char kGifExtension = '!';
const unsigned char kGifFrame = ',';
const unsigned char kGifTrailer = ';';
const unsigned char kGifCommentLabel = 0xFE;
const unsigned char kGifApplicationLabel = 0xFF;

// Comment and application extensions (a loop count, a colour profile,
// anything a program put there) say nothing about the first frame's
// pixels; the library copies each into memory by growing it 4 KB at a
// time. Bytes the reader passes over between blocks stay, as does every
// other extension.
size_t TrimGif(unsigned char* data, size_t length)
{
    if (!StartsWith(data, length, "GIF87", 5) && !StartsWith(data, length, "GIF89", 5))
        return length;
    if (length < kGifScreenEnd)
        return length;
    size_t in = kGifScreenEnd;
    if (data[kGifScreenFlags] & kGifGlobalTable)
        in += (size_t)3 << ((data[kGifScreenFlags] & kGifTableSize) + 1);
    if (in >= length)
        return length;
    size_t out = in;
    while (in < length && data[in] != kGifFrame && data[in] != kGifTrailer)
    {
        if (data[in] != kGifExtension)
        {
            data[out++] = data[in++];
            continue;
        }
        // The introducer, the label, then sub-blocks up to an empty one.
        size_t end = in + 2;
        while (end < length && data[end] != 0)
            end += (size_t)data[end] + 1;
        end = std::min(end + 1, length);
        const unsigned char label = in + 1 < length ? data[in + 1] : 0;
        if (label != kGifCommentLabel && label != kGifApplicationLabel)
        {
            memmove(data + out, data + in, end - in);
            out += end - in;
        }
        in = end;
    }
    memmove(data + out, data + in, length - in);
    return out + length - in;
}

// FITS: 80-character cards in blocks of 2880 bytes.
const size_t kFitsCard = 80;
const size_t kFitsKeyword = 8;
const size_t kFitsBlock = 2880;
const char kFitsEnd[] = "end";
// The keywords the library's reader acts on; it keeps every other card as
// a property of its own, and gathers the COMMENT cards by copying all
// of them again for each one.
const char* const kFitsReaderKeywords[] = {"simple",  "extend", "bitpix", "naxis",
                                           "naxis1",  "naxis2", "naxis3", "datamax",
                                           "datamin", "bzero",  "bscale", "xendian"};
const long kFitsBitDepths[] = {8, 16, 32, 64, -32, -64};

// A card's keyword as the reader reads it: up to the first blank, in
// lower case.
std::string FitsKeyword(const unsigned char* card)
{
    std::string keyword;
    for (size_t i = 0; i < kFitsKeyword && card[i] != '\0' && !isspace(card[i]); ++i)
        keyword += (char)tolower(card[i]);
    return keyword;
}

// A card's value as the reader reads it: after "= " and any blanks.
std::string FitsValue(const unsigned char* card)
{
    std::string value((const char*)card + kFitsKeyword, kFitsCard - kFitsKeyword);
    size_t start = 0;
    if (!value.empty() && value[0] == '=')
    {
        start = 2;
        while (start < value.size() && isspace((unsigned char)value[start]))
            ++start;
    }
    return value.substr(start);
}

bool IsFitsReaderKeyword(const std::string& keyword)
{
    for (const char* known : kFitsReaderKeywords)
        if (keyword == known)
            return true;
    return false;
}

// What the reader learns from the cards, to know where it stops reading
// headers.
struct FitsHeader
{
    bool extend = false;
    bool simple = false;
    long bitDepth = 8;
    long axes = 0;
    long columns = 1;
    long rows = 1;

    void Take(const std::string& keyword, const std::string& value)
    {
        const bool yes = !value.empty() && (value[0] == 'T' || value[0] == 't');
        const long number = strtol(value.c_str(), NULL, 10);
        if (keyword == "extend")
            extend = yes;
        else if (keyword == "simple")
            simple = yes;
        else if (keyword == "bitpix")
            bitDepth = number;
        else if (keyword == "naxis")
            axes = number;
        else if (keyword == "naxis1")
            columns = number;
        else if (keyword == "naxis2")
            rows = number;
    }
    // After a header's END: whether the reader goes on to another header.
    bool ReadsAnother() const
    {
        if (!extend || std::find(std::begin(kFitsBitDepths), std::end(kFitsBitDepths), bitDepth) ==
                           std::end(kFitsBitDepths))
            return false;
        return !(simple && axes >= 1 && axes <= 4 && columns != 0 && rows != 0);
    }
};

// The headers the reader reads keep only the cards it acts on, each header
// still ending in END and padded to its block; the data follows as it was.
size_t TrimFits(unsigned char* data, size_t length)
{
    FitsHeader header;
    size_t in = 0, out = 0;
    for (bool another = true; another && in < length;)
    {
        bool ended = false;
        while (!ended && in + kFitsCard <= length)
        {
            const unsigned char* card = data + in;
            const std::string keyword = FitsKeyword(card);
            in += kFitsCard;
            ended = keyword == kFitsEnd;
            if (ended)
                break;
            header.Take(keyword, FitsValue(card));
            if (IsFitsReaderKeyword(keyword))
            {
                memmove(data + out, card, kFitsCard);
                out += kFitsCard;
            }
        }
        // Without an END the reader runs into the file's end and fails: so
        // does it on what is left.
        if (!ended)
            return out;
        const std::string end = std::string("END").append(kFitsCard - 3, ' ');
        std::copy(end.begin(), end.end(), data + out);
        out += kFitsCard;
        const size_t padded = (in + kFitsBlock - 1) / kFitsBlock * kFitsBlock;
        if (padded > length)
            return out;
        in = padded;
        while (out % kFitsBlock != 0)
            data[out++] = ' ';
        another = header.ReadsAnother();
    }
    memmove(data + out, data + in, length - in);
    return out + length - in;
}

// PNM: the reader gathers every comment of the header (and, in the ASCII
// formats, of the numbers that follow it) into one text, measuring the
// whole text again for each comment line. Each comment goes with its
// reader's own reading of the bytes, its line end stays.
class PnmTrimmer
{
public:
    PnmTrimmer(unsigned char* data, size_t length) : m_data(data), m_length(length) {}

    size_t Trim()
    {
        if (m_length < 2 || m_data[0] != 'P')
            return m_length;
        const unsigned char format = m_data[1];
        m_in = m_out = 2;
        switch (format)
        {
        case '1':
        case '2':
        case '3':
            // Text to the end: every "#" the reader meets opens a comment.
            while (Read() != EOF)
                if (m_data[m_out - 1] == '#')
                    Comment();
            break;
        case '4':
            Integer();
            Integer();
            break;
        case '7':
            ArbitraryHeader();
            break;
        case 'F':
        case 'f':
            Integer();
            Integer();
            // The scale's line, read as it is.
            for (int c = Read(); c != EOF && c != '\n';)
                c = Read();
            break;
        default:
            Integer();
            Integer();
            Integer();
            break;
        }
        memmove(m_data + m_out, m_data + m_in, m_length - m_in);
        return m_out + m_length - m_in;
    }

private:
    static bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // The next byte, kept.
    int Read()
    {
        if (m_in >= m_length)
            return EOF;
        const unsigned char c = m_data[m_in++];
        m_data[m_out++] = c;
        return c;
    }

    // The "#" just read and the rest of its line go; the line end stays.
    int Comment()
    {
        --m_out;
        while (m_in < m_length)
        {
            const unsigned char c = m_data[m_in++];
            if (c == '\n' || c == '\r')
            {
                m_data[m_out++] = c;
                return c;
            }
        }
        return EOF;
    }

    // A number of the header, read as the library's reader does.
    void Integer()
    {
        int c;
        do
        {
            c = Read();
            if (c == EOF)
                return;
            if (c == '#')
                c = Comment();
        } while (IsBlank(c));
        while (isdigit(c))
            c = Read();
        if (c == '#')
            Comment();
    }

    // The keyword lines of a "P7" header up to ENDHDR, read as the
    // library's reader does.
    void ArbitraryHeader()
    {
        for (int c = Read(); c != EOF; c = Read())
        {
            while (c != EOF && isspace(c))
                c = Read();
            if (c == '#')
            {
                Comment();
                c = Read();
                while (c != EOF && isspace(c))
                    c = Read();
            }
            std::string keyword;
            do
            {
                keyword += (char)c;
                c = Read();
            } while (c != EOF && isalnum(c));
            if (lstrcmpiA(keyword.c_str(), "endhdr") == 0)
                return;
            while (c != EOF && isspace(c))
                c = Read();
            while (c != EOF && (isalnum(c) || c == '_'))
                c = Read();
        }
    }

    unsigned char* m_data;
    size_t m_length;
    size_t m_in = 0;
    size_t m_out = 0;
};

// JPEG markers.
const unsigned char kJpegMark = 0xFF;
const unsigned char kJpegStart = 0xD8;
const unsigned char kJpegEnd = 0xD9;
const unsigned char kJpegScan = 0xDA;
const unsigned char kJpegRestartFirst = 0xD0;
const unsigned char kJpegRestartLast = 0xD7;
const unsigned char kJpegTem = 0x01;
const unsigned char kJpegColourProfile = 0xE2;
const char kJpegProfileTag[] = "ICC_PROFILE";
// A profile segment's payload: the tag with its zero, the chunk's number
// and count, then the profile's bytes.
const size_t kJpegProfileHeader = sizeof(kJpegProfileTag) + 2;

// The library's names of the readers whose files are trimmed.
const char* const kGifCoders[] = {"GIF", "GIF87", NULL};
const char* const kPnmCoders[] = {"PBM", "PGM", "PPM", "PNM", "PAM", "PFM", NULL};
const char* const kFitsCoders[] = {"FITS", "FTS", "FIT", NULL};

bool IsOneOf(const char* reader, const char* const* coders)
{
    for (const char* const* coder = coders; *coder != NULL; ++coder)
        if (lstrcmpiA(reader, *coder) == 0)
            return true;
    return false;
}

bool IsRestartMarker(unsigned char marker)
{
    return marker >= kJpegRestartFirst && marker <= kJpegRestartLast;
}

bool IsStandaloneMarker(unsigned char marker)
{
    return marker == kJpegStart || marker == kJpegTem || IsRestartMarker(marker);
}

// From within a scan's entropy-coded data: where the next marker starts
// (a 0xFF that is neither a stuffed zero nor a restart), or the end.
size_t NextMarker(const unsigned char* data, size_t length, size_t at)
{
    while (at + 1 < length)
    {
        const void* mark = memchr(data + at, kJpegMark, length - at - 1);
        if (mark == NULL)
            return length;
        at = (size_t)(static_cast<const unsigned char*>(mark) - data);
        const unsigned char next = data[at + 1];
        if (next != 0 && !IsRestartMarker(next))
            return at;
        at += 2;
    }
    return length;
}

// The PNG reader keeps no text chunk: a chunk cache of one holds none.
const char kPngChunkCache[] = "1";
// Its colour profile is inflated whole, to whatever size the profile
// claims: the library's bound for that ("png:chunk-malloc-max") cannot be
// lowered in 6.9.11, so a PNG's profile is not read at all.
const char* const kPngCoders[] = {"PNG",   "PNG8",  "PNG24", "PNG32", "PNG48",
                                  "PNG64", "PNG00", "MNG",   "JNG",   NULL};
// JPEG profiles the library would otherwise read: IPTC, and every APPn
// segment but the colour profile and Adobe's, which the decoder reads for
// its colours itself.
const char kSkipProfiles[] = "IPTC,APP";
const char kSkipProfilesAndColour[] = "ICC,IPTC,APP";

} // namespace

size_t TrimSourceMetadata(unsigned char* data, size_t length, const char* nameCoder,
                          const char* contentCoder)
{
    if (data == NULL || length == 0)
        return length;
    const char* name = nameCoder != NULL ? nameCoder : "";
    const char* content = contentCoder != NULL ? contentCoder : "";
    // Each trim keeps the bytes that tell the type, so a second reader that
    // recognises them is of the same type.
    if (IsOneOf(name, kGifCoders) || IsOneOf(content, kGifCoders))
        length = TrimGif(data, length);
    if (IsOneOf(name, kPnmCoders) || IsOneOf(content, kPnmCoders))
        length = PnmTrimmer(data, length).Trim();
    // The FITS reader takes any bytes for cards; bytes that the library
    // knows as another type's are read as that type.
    if (IsOneOf(content, kFitsCoders) || (IsOneOf(name, kFitsCoders) && content[0] == '\0'))
        length = TrimFits(data, length);
    return length;
}

bool IsJpegProfileTooLarge(const unsigned char* data, size_t length)
{
    if (length < 3 || data[0] != kJpegMark || data[1] != kJpegStart)
        return false;
    size_t total = 0;
    // Every marker segment, between the scans too: the decoder reads the
    // ones between the scans of a progressive picture as well.
    for (size_t at = 2; at + 1 < length;)
    {
        // The decoder passes over whatever is not a marker.
        if (data[at] != kJpegMark)
        {
            ++at;
            continue;
        }
        const unsigned char marker = data[at + 1];
        if (marker == kJpegMark || marker == 0 || IsStandaloneMarker(marker))
        {
            at += marker == kJpegMark ? 1 : 2;
            continue;
        }
        if (marker == kJpegEnd || at + 4 > length)
            break;
        const size_t segment = (size_t)data[at + 2] << 8 | data[at + 3];
        if (marker == kJpegColourProfile && segment >= 2 + kJpegProfileHeader &&
            StartsWith(data + at + 4, length - at - 4, kJpegProfileTag, sizeof(kJpegProfileTag)))
        {
            total += segment - 2 - kJpegProfileHeader;
            if (total > kImageMaxProfile)
                return true;
        }
        at += 2 + segment;
        // The entropy-coded data of a scan runs to the next marker.
        if (marker == kJpegScan)
            at = NextMarker(data, length, at);
    }
    return false;
}

void SetMetadataSwitches(Magick::Image& image, const char* coder, bool jpegProfileTooLarge)
{
    const bool png = IsOneOf(coder != NULL ? coder : "", kPngCoders);
    image.defineValue("png", "chunk-cache-max", kPngChunkCache);
    image.defineValue("profile", "skip",
                      png || jpegProfileTooLarge ? kSkipProfilesAndColour : kSkipProfiles);
    image.defineValue("tiff", "exif-properties", "false");
}

void DropUnusedMetadata(Magick::Image& image)
{
    MagickCore::Image* picture = image.image();
    // The GIF writer copies a comment into every output, measuring the
    // rest of it again for each 255 bytes.
    MagickCore::DeleteImageProperty(picture, "comment");
    std::vector<std::string> names;
    MagickCore::ResetImageProfileIterator(picture);
    for (const char* name = MagickCore::GetNextImageProfile(picture); name != NULL;
         name = MagickCore::GetNextImageProfile(picture))
        names.push_back(name);
    for (const std::string& name : names)
    {
        const MagickCore::StringInfo* profile = MagickCore::GetImageProfile(picture, name.c_str());
        const bool colour =
            lstrcmpiA(name.c_str(), "icc") == 0 || lstrcmpiA(name.c_str(), "icm") == 0;
        if (!colour || profile == NULL ||
            MagickCore::GetStringInfoLength(profile) > kImageMaxProfile)
            MagickCore::DeleteImageProfile(picture, name.c_str());
    }
}
