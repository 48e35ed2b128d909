// ImageSteps: the stored crop and rotation numbers map to one anchor and angle everywhere.
#include "image/ImageSteps.h"
#include "tests/support/TestUtil.h"

// The settings file, the main window's lists and the steps must agree on
// every number, including those no control can give.
TEST(ImageStepsStoredNumbers, MapToTheSameAnchorsAndRotations)
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
