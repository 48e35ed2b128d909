// Small real pictures whose metadata would cost the image library memory or
// time out of all proportion to the file if it were read in full: a text
// chunk that inflates to hundreds of megabytes, thousands of profile
// segments, a comment of megabytes, a header of hundreds of thousands of
// cards. Written by hand here, so no large file is kept anywhere; the tests
// read them, and the hostile bench (bench/hostile.sh) makes them at full size.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A zlib stream that inflates to `prefix` followed by `count` bytes `byte`;
// the run costs about a thousandth of its length.
std::string ZlibRun(const std::string& prefix, unsigned char byte, size_t count);

// A chunk of the PNG family (PNG, MNG, JNG): length, type, data, check sum.
std::string PngChunk(const char* type, const std::string& data);

// A PNG picture with one compressed text chunk ("zTXt" or "iTXt") under the
// keyword "Comment", inflating to `inflated` bytes of text.
std::string PngWithTextBomb(const char* chunkType, size_t inflated);

// A PNG picture with `count` compressed text chunks, each inflating to
// `inflated` bytes.
std::string PngWithTextChunks(size_t count, size_t inflated);

// A PNG picture with an iCCP colour profile that claims, and inflates to,
// `inflated` bytes.
std::string PngWithProfileBomb(size_t inflated);

// A GIF picture of 16 x 16 pixels of four colours (a run of each across)
// with `extensions` (whole extension blocks) before its frame.
std::string GifPicture(const std::string& extensions);

// A GIF picture with a comment extension of `bytes` bytes before it.
std::string GifWithComment(size_t bytes);

// A GIF picture with an application extension of `bytes` bytes (an ICC
// colour profile, "ICCRGBG1012") before it.
std::string GifWithProfile(size_t bytes);

// JPEG segments, by their marker (the second byte), for JpegWithSegments.
const unsigned char kJpegComment = 0xFE;
const unsigned char kJpegApp1 = 0xE1;
const unsigned char kJpegApp2 = 0xE2;
const unsigned char kJpegApp13 = 0xED;

// The largest payload one JPEG segment holds.
const size_t kJpegSegmentMax = 65533;

// A JPEG picture with `count` segments of the marker, each `payload` bytes
// (at most kJpegSegmentMax) with the signature that kind of segment is
// known by: "ICC_PROFILE" for APP2, "Photoshop 3.0" with an IPTC resource
// for APP13, "Exif" for APP1, plain text for a comment.
std::string JpegWithSegments(unsigned char marker, size_t count, size_t payload);

// One 80-character FITS header card: the keyword, "= " and the value.
std::string FitsCard(const char* keyword, const std::string& value);

// A FITS picture of 16 x 16 grey pixels whose header holds `cards` (whole
// cards) after the ones that describe it.
std::string FitsPicture(const std::string& cards);

// A FITS picture whose header holds about `bytes` bytes of cards: COMMENT
// cards, or as many distinct keywords.
std::string FitsWithHeader(size_t bytes, bool comments);

// A FITS picture of `columns` x `rows` that claims `planes` planes (NAXIS3)
// and holds the data of them all.
std::string FitsWithPlanes(size_t columns, size_t rows, size_t planes);

// A PGM picture whose header holds `lines` comment lines of `length`
// characters each.
std::string PgmWithComments(size_t lines, size_t length);

// A picture of the set: its file name (the extension names its type) and
// what makes its bytes, called when they are needed.
struct HostileImage
{
    std::string name;
    std::function<std::string()> make;
};

// The whole set at the sizes users met them at, a relative of each kind
// included; `scale` divides every size (1: full size) for a quicker set of
// the same kinds.
std::vector<HostileImage> HostileImageSet(size_t scale = 1);
