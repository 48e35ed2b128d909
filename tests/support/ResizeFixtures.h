// Resize settings and JPEG sources shared by the resize and decode tests.
#pragma once

#include <ostream>
#include <string>

#include "image/ImageSize.h"
#include "image/ImageSteps.h"
#include "image/MagickInc.h"
#include "tests/support/TestUtil.h"

std::ostream& operator<<(std::ostream& os, const ImageSize& s);

// The resize settings of each mode, resize switched on.
ResizeOptions Box(UINT w, UINT h);
ResizeOptions Crop(UINT w, UINT h, int anchor);
ResizeOptions Stretch(UINT w, UINT h);
ResizeOptions WidthOnly(UINT w);
ResizeOptions HeightOnly(UINT h);

// Sizes that the decoder divides by 8, by 2 only, and not at all, both
// orientations and thin strips: the JPEG files are made once for the whole
// program.
inline const ImageSize kSources[] = {{1000, 752}, {752, 1000}, {802, 598}, {16, 952},
                                     {952, 16},   {1001, 749}, {17, 951}};
inline const ImageSize kEvenSource = kSources[2];
inline const ImageSize kOddSource = kSources[5];

class ReducedDecodeTest : public testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static std::string Path(const ImageSize& s);
    static TempFolder* s_dir;
};
