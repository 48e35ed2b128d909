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

// The settings file, the main window's lists and the steps must agree on
// every number, including those no control can give.
TEST(StoredStepNumbers, MapToTheSameAnchorsAndRotations)
{
    const struct
    {
        int stored;
        int anchor;
    } settings[] = {
        {0, kCropNone},      {1, kCropLeftTop},     {2, kCropCenter},     {3, kCropRightBottom},
        {4, kCropScaleOnly}, {255, kCropScaleOnly}, {-1, kCropScaleOnly}, {32000, kCropScaleOnly},
    };
    for (const auto& c : settings)
    {
        EXPECT_EQ(c.anchor, CropAnchorOfSetting(c.stored)) << c.stored;
        // What is written back reads as the same anchor; the scale-only
        // mode has no number of its own.
        const int back = CropAnchorOfSetting(CropSettingOfAnchor(c.anchor));
        EXPECT_EQ(c.anchor == kCropScaleOnly ? kCropLeftTop : c.anchor, back) << c.stored;
    }

    const struct
    {
        int index;
        int anchor;
    } list[] = {{-1, kCropScaleOnly},
                {0, kCropLeftTop},
                {1, kCropCenter},
                {2, kCropRightBottom},
                {3, kCropScaleOnly}};
    for (const auto& c : list)
    {
        EXPECT_EQ(c.anchor, CropAnchorOfListIndex(c.index)) << c.index;
        EXPECT_EQ(c.anchor == kCropScaleOnly ? -1 : c.index, ListIndexOfCropAnchor(c.anchor))
            << c.index;
    }
    EXPECT_EQ(-1, ListIndexOfCropAnchor(kCropNone));

    const struct
    {
        int stored;
        int rotation;
    } rotations[] = {{-1, kRotateNone}, {0, kRotateNone}, {1, kRotate90},      {2, kRotate180},
                     {3, kRotate270},   {4, kRotateNone}, {32000, kRotateNone}};
    for (const auto& c : rotations)
        EXPECT_EQ(c.rotation, RotationOfSetting(c.stored)) << c.stored;
}
