// What a source file's metadata may cost the image reader. The program
// writes pixels: of all a source's metadata an output keeps only an ICC
// colour profile of a sane size. The rest (comments, text chunks, other
// profiles, header cards) is never used, yet some of the library's readers
// spend memory or time on it far beyond the file's own size, so it is
// bounded or dropped before the library reads it, through the library's
// own switches where it has them and through the bytes where it has none.
// Part of the image layer (core/ImageIO); nothing else calls it.
#pragma once

#include <cstddef>

#include "image/MagickInc.h"

// The largest ICC colour profile a picture keeps; a larger one is dropped.
const size_t kImageMaxProfile = 4u << 20;

// Takes, in place, from a file's bytes the metadata that the library's
// readers have no switch for and that would cost them more than the file
// is worth: a GIF's comment and application extensions before its first
// frame, the FITS header cards the reader does not use, the comments of a
// PNM header (and of an ASCII PNM's numbers), each for the reader that
// will read it: the one the file's name chose (`nameCoder`) or the one the
// library recognises the bytes for (`contentCoder`, empty for none or one
// that is never used). The picture's own bytes stay as they were. Returns
// the bytes' new length.
size_t TrimSourceMetadata(unsigned char* data, size_t length, const char* nameCoder,
                          const char* contentCoder);

// Whether the JPEG's ICC colour profile segments add up to more than
// kImageMaxProfile; false for bytes that are no JPEG.
bool IsJpegProfileTooLarge(const unsigned char* data, size_t length);

// Sets the library's own switches for one read into `image` by `coder`: no
// PNG text chunk and no PNG colour profile is read, no JPEG profile but the
// colour profile (that one too when `jpegProfileTooLarge`), and no TIFF
// EXIF tag is turned into properties.
void SetMetadataSwitches(Magick::Image& image, const char* coder, bool jpegProfileTooLarge);

// What a read picture keeps of its metadata: an ICC profile up to
// kImageMaxProfile, nothing else the GIF writer would copy into an output.
void DropUnusedMetadata(Magick::Image& image);
