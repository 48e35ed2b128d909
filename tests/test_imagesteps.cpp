#include "image/ImageIO.h"
#include "image/ImageSteps.h"
#include "tests/support/ResizeFixtures.h"
#include "tests/support/TestUtil.h"

TEST_F(ReducedDecodeTest, OnlyALargeEnoughReductionDecodesSmaller)
{
    const ImageSize source = kSources[0];
    const struct
    {
        const char* what;
        ResizeOptions options;
        bool reduced;
    } cases[] = {
        {"thumbnail", Box(120, 120), true},
        {"a little over half", Box(550, 550), false},
        {"half: the decoder needs twice the hint", WidthOnly(500), false},
        {"a little under a quarter", Box(240, 240), true},
        {"crop: the cover size counts, not the box", Crop(350, 30, kCropCenter), false},
        {"resize off",
         [] {
             ResizeOptions o = Box(120, 120);
             o.enableResize = FALSE;
             return o;
         }(),
         false},
        {"stretch to one side's half only", Stretch(30, 700), false},
    };
    for (const auto& c : cases)
    {
        Magick::Image image;
        ImageSize trueSize = {0, 0};
        ReadImageFile(image, Path(source).c_str(), ConversionDecodeSize(c.options), trueSize);
        EXPECT_EQ(source, trueSize) << c.what;
        EXPECT_EQ(c.reduced, image.columns() < source.columns) << c.what;
        // Never below twice the scaled size.
        const ResizePlan plan = PlanResize(c.options, source);
        if (c.reduced)
        {
            EXPECT_GE(image.columns(), 2 * plan.scaled.columns) << c.what;
            EXPECT_GE(image.rows(), 2 * plan.scaled.rows) << c.what;
        }
    }

    // Only exact reductions: sides the decoder cannot divide are decoded
    // whole, a side divisible by 2 only is halved at most.
    const struct
    {
        ImageSize source;
        ImageSize decoded;
    } exact[] = {
        {kSources[0], {250, 188}}, {kEvenSource, {401, 299}},  {kSources[3], {8, 476}},
        {kOddSource, kOddSource},  {kSources[6], kSources[6]},
    };
    for (const auto& e : exact)
    {
        Magick::Image image;
        ImageSize trueSize = {0, 0};
        ReadImageFile(image, Path(e.source).c_str(), ConversionDecodeSize(Box(120, 120)), trueSize);
        EXPECT_EQ(e.source, trueSize);
        EXPECT_EQ(e.decoded, SizeOf(image)) << e.source;
    }
}
