// ReducedDecode: JPEGs decode smaller when enough is cut, and every road looks as before.
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "image/ImageIO.h"
#include "image/ImageSteps.h"
#include "convert/QuietConverter.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ResizeFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// The peak signal-to-noise ratio of two pictures of one size, in dB.
double Psnr(const Magick::Image& a, const Magick::Image& b)
{
    const size_t w = a.columns(), h = a.rows();
    const Magick::PixelPacket* pa = a.getConstPixels(0, 0, w, h);
    std::vector<Magick::PixelPacket> copy(pa, pa + w * h);
    const Magick::PixelPacket* pb = b.getConstPixels(0, 0, w, h);
    double sum = 0.0;
    for (size_t i = 0; i < w * h; ++i)
    {
        const double dr = (double)copy[i].red - pb[i].red;
        const double dg = (double)copy[i].green - pb[i].green;
        const double db = (double)copy[i].blue - pb[i].blue;
        sum += dr * dr + dg * dg + db * db;
    }
    const double mse = sum / (3.0 * w * h);
    return mse == 0.0 ? 200.0 : 10.0 * std::log10(65535.0 * 65535.0 / mse);
}

// The resize step as the library's own calls make it on a full decode:
// the numbers the reduced decode must reproduce.
void ReferenceResize(Magick::Image& image, const ResizeOptions& o)
{
    const size_t columns = image.columns(), rows = image.rows();
    if (o.enableWidth && o.enableHeight && o.fit)
        image.scale(Magick::Geometry(o.width, o.height));
    else if (o.enableWidth && o.enableHeight && o.cropAnchor != kCropNone)
    {
        const double r = std::min((double)columns / o.width, (double)rows / o.height);
        image.scale(Magick::Geometry((size_t)std::ceil(columns / r), (size_t)std::ceil(rows / r)));
        const size_t sw = image.columns(), sh = image.rows();
        const bool centre = o.cropAnchor == kCropCenter;
        const size_t x = o.cropAnchor == kCropLeftTop || sw <= o.width ? 0
                         : centre                                      ? (sw - o.width) / 2
                                                                       : sw - o.width;
        const size_t y = o.cropAnchor == kCropLeftTop || sh <= o.height ? 0
                         : centre                                       ? (sh - o.height) / 2
                                                                        : sh - o.height;
        image.crop(Magick::Geometry(o.width, o.height, (ssize_t)x, (ssize_t)y));
        image.repage();
    }
    else if (o.enableWidth && o.enableHeight && o.stretch)
    {
        Magick::Geometry exact(o.width, o.height);
        exact.aspect(true);
        image.scale(exact);
    }
    else if (o.enableWidth && !o.enableHeight)
        image.scale(Magick::Geometry(o.width, rows * o.width / columns));
    else if (!o.enableWidth)
        image.scale(Magick::Geometry(columns * o.height / rows, o.height));
}

struct Mode
{
    const char* name;
    ResizeOptions options;
};

const Mode kModes[] = {
    {"fit 120x120", Box(120, 120)},
    {"crop 100x100 left-top", Crop(100, 100, kCropLeftTop)},
    {"crop 100x100 centre", Crop(100, 100, kCropCenter)},
    {"crop 100x100 right-bottom", Crop(100, 100, kCropRightBottom)},
    {"crop 90x40 centre", Crop(90, 40, kCropCenter)},
    {"stretch 90x70", Stretch(90, 70)},
    {"width 100", WidthOnly(100)},
    {"height 100", HeightOnly(100)},
};

} // namespace

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

TEST_F(ReducedDecodeTest, EveryModeGivesTheFullDecodesSizeAndPicture)
{
    for (const ImageSize& source : kSources)
    {
        Magick::Image full;
        ReadImageFile(full, Path(source).c_str());
        ASSERT_EQ(source, SizeOf(full));
        for (const Mode& mode : kModes)
        {
            Magick::Image want = full;
            PrepareForWork(want);
            ReferenceResize(want, mode.options);

            Magick::Image reduced;
            ImageSize trueSize = {0, 0};
            ReadImageFile(reduced, Path(source).c_str(), ConversionDecodeSize(mode.options),
                          trueSize);
            EXPECT_EQ(source, trueSize) << source << " " << mode.name;
            PrepareForWork(reduced);
            ResizeImage(reduced, mode.options, trueSize);
            ASSERT_EQ(SizeOf(want), SizeOf(reduced)) << source << " " << mode.name;
            EXPECT_EQ(0, reduced.page().xOff()) << source << " " << mode.name;
            EXPECT_GE(Psnr(want, reduced), 45.0) << source << " " << mode.name;
        }
    }
}

TEST_F(ReducedDecodeTest, OtherFormatsAndBrokenHeadersReadAsBefore)
{
    TempFolder dir("reduced odd");
    const std::string jpeg = EncodeImage(MakeScene(320, 240), "jpeg");
    std::string badFrame = jpeg;
    // The start-of-frame marker (FF C0) loses its marker byte: the header
    // no longer says the size.
    const size_t sof = badFrame.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, sof);
    badFrame[sof + 1] = '\x01';
    const struct
    {
        const char* name;
        std::string bytes;
        bool wholeDecode; // a format that cannot decode smaller
    } files[] = {
        {"scene.png", EncodeImage(MakeScene(320, 240), "png"), true},
        {"png-inside.jpg", EncodeImage(MakeScene(320, 240), "png"), true},
        {"jpeg-inside.png", jpeg, false},
        {"cut.jpg", jpeg.substr(0, jpeg.size() / 3), false},
        {"bad-frame.jpg", badFrame, false},
        {"signature-only.jpg", std::string("\xFF\xD8\xFF") + std::string(500, '\x55'), false},
    };
    for (const auto& f : files)
    {
        const std::string path = dir.File(f.name);
        WriteFileBytes(path, f.bytes);
        Magick::Image plain;
        bool plainRead = true;
        try
        {
            ReadImageFile(plain, path.c_str());
        }
        catch (const std::exception&)
        {
            plainRead = false;
        }
        Magick::Image hinted;
        ImageSize trueSize = {0, 0};
        if (!plainRead)
        {
            EXPECT_THROW(
                ReadImageFile(hinted, path.c_str(), ConversionDecodeSize(Box(40, 40)), trueSize),
                std::exception)
                << f.name;
            continue;
        }
        ASSERT_NO_THROW(
            ReadImageFile(hinted, path.c_str(), ConversionDecodeSize(Box(40, 40)), trueSize))
            << f.name;
        EXPECT_EQ(SizeOf(plain), trueSize) << f.name;
        if (f.wholeDecode)
        {
            EXPECT_EQ(SizeOf(plain), SizeOf(hinted)) << f.name;
        }
        Magick::Image want = plain;
        PrepareForWork(want);
        ReferenceResize(want, Box(40, 40));
        PrepareForWork(hinted);
        ResizeImage(hinted, Box(40, 40), trueSize);
        EXPECT_EQ(SizeOf(want), SizeOf(hinted)) << f.name;
    }
}

// Both ways of converting read the source reduced and still write the full
// decode's sizes; the preview's load is not touched.
TEST_F(ReducedDecodeTest, QuietAndBatchConversionsUseTheReducedDecode)
{
    const ImageSize source = kEvenSource;
    const Mode& mode = kModes[3];
    Magick::Image want;
    ReadImageFile(want, Path(source).c_str());
    PrepareForWork(want);
    ReferenceResize(want, mode.options);

    CQuietConverter quiet;
    quiet.EnableResize = 1;
    quiet.EnableWidth = quiet.EnableHeight = 1;
    quiet.Width = mode.options.width;
    quiet.Height = mode.options.height;
    quiet.DoNothing = 0;
    quiet.DoCrop = (BYTE)mode.options.cropAnchor;
    ASSERT_EQ(1, quiet.LoadImage(Path(source).c_str()));
    EXPECT_LT(quiet.Image->columns(), source.columns);
    quiet.Transform();
    EXPECT_EQ(SizeOf(want), SizeOf(*quiet.Image));
    EXPECT_GE(Psnr(want, *quiet.Image), 45.0);

    MainDlgWindow main;
    PanelOptions panel;
    panel.resize = panel.useWidth = panel.useHeight = true;
    panel.width = (int)mode.options.width;
    panel.height = (int)mode.options.height;
    panel.box = kPanelCrop;
    panel.anchor = 2; // "Right Bottom"
    SetPanel(main.dlg, panel);
    main.dlg.m_bPreview = 0;
    ASSERT_EQ(1, main.dlg.LoadSourceImage(Path(source).c_str()));
    EXPECT_LT(main.dlg.SourceImage()->columns(), source.columns);
    EXPECT_EQ(source, main.dlg.m_sourceSize);
    ASSERT_NE((Magick::Image*)NULL, main.dlg.StageImage(kStageRotateColor));
    EXPECT_EQ(SizeOf(want), SizeOf(*main.dlg.StageImage(kStageRotateColor)));
    EXPECT_GE(Psnr(want, *main.dlg.StageImage(kStageRotateColor)), 45.0);
}

namespace {

PanelOptions PanelFor(const ResizeOptions& o)
{
    PanelOptions p;
    p.resize = o.enableResize != FALSE;
    p.useWidth = o.enableWidth != FALSE;
    p.width = (int)o.width;
    p.useHeight = o.enableHeight != FALSE;
    p.height = (int)o.height;
    p.box = o.fit ? kPanelFit : o.cropAnchor != kCropNone ? kPanelCrop : kPanelStretch;
    p.anchor = o.cropAnchor == kCropLeftTop ? 0 : o.cropAnchor == kCropCenter ? 1 : 2;
    return p;
}

// The preview as it was made before it read sources reduced: the full
// decode, the resize at full size, then the result fitted into the box.
Magick::Image ReferencePreview(const Magick::Image& full, const ResizeOptions& o, SIZE box)
{
    Magick::Image image = full;
    PrepareForWork(image);
    if (o.enableResize)
        ReferenceResize(image, o);
    const size_t columns = image.columns(), rows = image.rows();
    const double a = (double)columns / box.cx, b = (double)rows / box.cy;
    const double f = 1.0 / (a > b ? a : b);
    image.zoom(Magick::Geometry((size_t)std::ceil(columns * f), (size_t)std::ceil(rows * f)));
    return image;
}

ResizeOptions Off()
{
    ResizeOptions o = Box(120, 120);
    o.enableResize = FALSE;
    return o;
}

} // namespace

TEST(ReducedDecodePreview, ThePreviewLooksAsBeforeWhateverTheSourceAndSettings)
{
    TempFolder dir("reduced preview");
    const struct
    {
        const char* name;
        Magick::Image picture;
    } sources[] = {
        {"divisible.jpg", MakeScene(576, 464)},
        {"odd-size.jpg", MakeScene(601, 449)}, // decoded whole
        {"smaller-than-the-box.png", MakeScene(50, 40)},
        {"panorama.jpg", MakeScene(800, 48)},
    };
    // Results smaller than the box are made and enlarged; larger ones go
    // straight to the box from the part of the source they keep.
    const Mode modes[] = {
        kModes[0],
        kModes[2],
        {"resize off", Off()},
        {"fit 700x700", Box(700, 700)},
        {"crop 600x250 left-top", Crop(600, 250, kCropLeftTop)},
        {"crop 250x600 centre", Crop(250, 600, kCropCenter)},
        {"crop 600x250 right-bottom", Crop(600, 250, kCropRightBottom)},
        {"stretch 900x200", Stretch(900, 200)},
        {"width 700", WidthOnly(700)},
        {"height 500", HeightOnly(500)},
    };
    MainDlgWindow main;
    const SIZE box = [&] {
        RECT rc;
        GetClientRect(GetDlgItem(main.hWnd(), IDC_MAIN_PREVIEW), &rc);
        return SIZE{rc.right, rc.bottom};
    }();
    ASSERT_GT(box.cx, 20);

    Magick::Image full;
    auto check = [&](const std::string& path, const Mode& mode, const char* source) {
        SetPanel(main.dlg, PanelFor(mode.options));
        main.dlg.m_bPreview = 1;
        ASSERT_EQ(1, main.dlg.LoadSourceImage(path.c_str())) << source << " " << mode.name;
        const Magick::Image want = ReferencePreview(full, mode.options, box);
        ASSERT_EQ(SizeOf(want), SizeOf(*main.dlg.StageImage(kStageResize)))
            << source << " " << mode.name;
        EXPECT_GE(Psnr(want, *main.dlg.StageImage(kStageResize)), 35.0)
            << source << " " << mode.name;
    };
    for (const auto& s : sources)
    {
        const std::string path = dir.File(s.name);
        WriteImage(path, s.picture);
        ReadImageFile(full, path.c_str());
        for (const Mode& mode : modes)
            check(path, mode, s.name);
    }
    // A width far beyond the source: the full-size result would be 10000
    // wide.
    ReadImageFile(full, dir.File("panorama.jpg").c_str());
    check(dir.File("panorama.jpg"), {"width 10000", WidthOnly(10000)}, "panorama.jpg");

    // The preview reads a large JPEG at about twice the box; the stages
    // still know its true size, so a pass with the preview off (an option
    // changed during a batch run) has the full-size numbers.
    SetPanel(main.dlg, PanelFor(kModes[2].options));
    main.dlg.m_bPreview = 1;
    ASSERT_EQ(1, main.dlg.LoadSourceImage(dir.File("divisible.jpg").c_str()));
    EXPECT_LE(main.dlg.SourceImage()->columns(), 576u / 2);
    EXPECT_GE(main.dlg.SourceImage()->columns(), 2u * box.cx);
    EXPECT_EQ((ImageSize{576, 464}), main.dlg.m_sourceSize);
    main.dlg.m_bPreview = 0;
    main.dlg.UpdatePreview(kStageResize);
    EXPECT_EQ((ImageSize{100, 100}), SizeOf(*main.dlg.StageImage(kStageRotateColor)));
}

// Border, rotation and colour run on the box-size picture as before.
TEST(ReducedDecodePreview, LaterStagesWorkOnTheBoxSizePicture)
{
    TempFolder dir("reduced stages");
    const std::string path = dir.File("scene.jpg");
    WriteImage(path, MakeScene(576, 464));
    MainDlgWindow main;
    PanelOptions panel = PanelFor(kModes[2].options);
    panel.border = true;
    panel.borderWidth = 3;
    panel.borderColor = RGB(0, 0, 255);
    panel.rotate = 1;
    SetPanel(main.dlg, panel);
    main.dlg.m_bPreview = 1;
    ASSERT_EQ(1, main.dlg.LoadSourceImage(path.c_str()));
    const ImageSize shown = SizeOf(*main.dlg.StageImage(kStageResize));
    EXPECT_EQ((ImageSize{shown.rows + 6, shown.columns + 6}),
              SizeOf(*main.dlg.StageImage(kStageRotateColor)));
    EXPECT_EQ(65535, main.dlg.StageImage(kStageRotateColor)->pixelColor(0, 0).blueQuantum());
    EXPECT_EQ(0, main.dlg.StageImage(kStageRotateColor)->pixelColor(0, 0).redQuantum());
}

// A size the library cannot make fails in the preview as it fails in a
// conversion, though the preview never makes it: the picture stays.
TEST(ReducedDecodePreview, ASizeBeyondTheLibrarysLimitsKeepsThePreviousPicture)
{
    TempFolder dir("reduced limits");
    const std::string path = dir.File("panorama.jpg");
    WriteImage(path, MakeScene(800, 48));
    MainDlgWindow main;
    SetPanel(main.dlg, PanelFor(kModes[0].options));
    main.dlg.m_bPreview = 1;
    ASSERT_EQ(1, main.dlg.LoadSourceImage(path.c_str()));
    const HBITMAP shown = main.dlg.m_hPreviewBitmap;
    ASSERT_NE((HBITMAP)NULL, shown);
    for (const ResizeOptions& tooLarge :
         {HeightOnly(1000), HeightOnly(10000), Crop(10000, 1000, kCropCenter)})
    {
        SetPanel(main.dlg, PanelFor(tooLarge));
        main.dlg.UpdatePreview(kStageResize);
        EXPECT_EQ(NULL, main.dlg.StageImage(kStageResize));
        EXPECT_EQ(shown, main.dlg.m_hPreviewBitmap);
    }
}
