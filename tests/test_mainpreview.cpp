// MainDlgPreview: the preview's stages show the output's sizes, colours and borders.
#include <algorithm>
#include <string>
#include <vector>

#include "controls/Bitmaps.h"
#include "image/GifWriter.h"
#include "image/ImageIO.h"
#include "image/MagickInc.h"
#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ResizeFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

const Magick::Color kRed(65535, 0, 0), kGreen(0, 65535, 0), kBlue(0, 0, 65535),
    kWhite(65535, 65535, 65535);

// A stage's size; 0 x 0 for a stage that is not there.
ImageSize StageSize(const Magick::Image* image)
{
    return image != NULL ? SizeOf(*image) : ImageSize{0, 0};
}

bool Near(const Magick::Color& a, const Magick::Color& b)
{
    const int tolerance = 2 * 257;
    return abs((int)a.redQuantum() - (int)b.redQuantum()) <= tolerance &&
           abs((int)a.greenQuantum() - (int)b.greenQuantum()) <= tolerance &&
           abs((int)a.blueQuantum() - (int)b.blueQuantum()) <= tolerance;
}

Magick::Color At(const Magick::Image* image, size_t x, size_t y)
{
    return image->pixelColor((ssize_t)x, (ssize_t)y);
}

SIZE PreviewBox(HWND dlg)
{
    RECT rc;
    GetClientRect(GetDlgItem(dlg, IDC_MAIN_PREVIEW), &rc);
    return SIZE{rc.right, rc.bottom};
}

// The colour of a pixel of a 24- or 32-bit DIB section.
COLORREF DibPixel(const DibPixels& px, int x, int y)
{
    const BYTE* p = px.Row(y) + x * px.pixelBytes;
    return RGB(p[2], p[1], p[0]);
}

bool NearRgb(COLORREF a, COLORREF b, int tolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// A pixel of an image read back, as bytes red, green, blue, alpha (the
// library's own pixel lookup misreads palette images).
struct Rgba
{
    COLORREF rgb;
    BYTE alpha;
};

Rgba PixelOf(Magick::Image& image, double fx, double fy)
{
    BYTE px[4] = {};
    image.write((ssize_t)(fx * image.columns()), (ssize_t)(fy * image.rows()), 1, 1, "RGBA",
                Magick::CharPixel, px);
    return Rgba{RGB(px[0], px[1], px[2]), px[3]};
}

// The part of the preview bitmap that is picture, not the box around it.
RECT ShownPicture(const DibPixels& px)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    RECT rc = {px.width, px.height, 0, 0};
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x)
            if (DibPixel(px, x, y) != face)
            {
                rc.left = std::min<LONG>(rc.left, x);
                rc.top = std::min<LONG>(rc.top, y);
                rc.right = std::max<LONG>(rc.right, x + 1);
                rc.bottom = std::max<LONG>(rc.bottom, y + 1);
            }
    return rc;
}

// The main window with one loaded source file; preview drawing off unless
// asked for, so the stages keep full size.
class MainPreviewTest : public testing::Test
{
protected:
    void Load(const Magick::Image& image, const PanelOptions& options, bool preview = false,
              const char* extension = ".bmp")
    {
        const std::string path = m_dir.File("src" + std::to_string(m_files++) + extension);
        WriteImage(path, image);
        SetPanel(m_main.dlg, options);
        m_main.dlg.m_bPreview = preview ? 1 : 0;
        ASSERT_EQ(1, m_main.dlg.LoadSourceImage(path.c_str()));
    }

    // Ticks "Border" with the width and reruns from the border stage.
    void RerunWithBorder(int width)
    {
        PanelOptions o;
        o.border = true;
        o.borderWidth = width;
        SetPanel(m_main.dlg, o);
        m_main.dlg.UpdatePreview(kStageBorder);
    }

    // The picture the preview box shows now.
    DibPixels Shown()
    {
        DibPixels px = {};
        EXPECT_TRUE(GetDibPixels(m_main.dlg.m_hPreviewBitmap, px));
        return px;
    }

    // The stage-2 image written as the batch writes it, and read back.
    Magick::Image WrittenGif()
    {
        const std::string path = m_dir.File("out" + std::to_string(m_files++) + ".gif");
        Magick::Image written(*m_main.dlg.StageImage(kStageRotateColor));
        WriteGif(written, path.c_str());
        Magick::Image gif;
        ReadImageFile(gif, path.c_str());
        return gif;
    }

    TempFolder m_dir{"preview"};
    MainDlgWindow m_main;
    int m_files = 0;
};

} // namespace

TEST_F(MainPreviewTest, ResizeModesGiveTheirSizes)
{
    PanelOptions widthOnly;
    widthOnly.resize = widthOnly.useWidth = true;
    widthOnly.width = 160;
    PanelOptions heightOnly;
    heightOnly.resize = true;
    heightOnly.height = 30;
    PanelOptions heightTickedToo = heightOnly;
    heightTickedToo.useHeight = true;
    PanelOptions fit;
    fit.resize = fit.useWidth = fit.useHeight = true;
    fit.width = fit.height = 100;
    PanelOptions stretch = fit;
    stretch.box = kPanelStretch;
    stretch.width = 50;
    stretch.height = 80;
    PanelOptions stretchZero = stretch;
    stretchZero.width = 0;
    PanelOptions cropZero = fit;
    cropZero.box = kPanelCrop;
    cropZero.height = 0;
    PanelOptions off = widthOnly;
    off.resize = false;

    const struct
    {
        const char* what;
        PanelOptions options;
        ImageSize want;
    } cases[] = {
        {"width only", widthOnly, {160, 120}},
        {"height only", heightOnly, {40, 30}},
        {"height with its box ticked", heightTickedToo, {40, 30}},
        {"fit into the box", fit, {100, 75}},
        {"stretch", stretch, {50, 80}},
        {"stretch with a zero side", stretchZero, {200, 150}},
        {"crop with a zero side", cropZero, {200, 150}},
        {"resize off", off, {200, 150}},
    };
    for (const auto& c : cases)
    {
        Load(MakeQuadrants(200, 150), c.options);
        EXPECT_EQ(c.want, StageSize(m_main.dlg.StageImage(kStageResize))) << c.what;
        EXPECT_EQ(c.want, StageSize(m_main.dlg.StageImage(kStageRotateColor))) << c.what;
    }
}

TEST_F(MainPreviewTest, CropToFitCutsTheBoxAtTheAnchor)
{
    // 400 x 100 scaled to cover 100 x 100 is 400 x 100: the box shows one
    // quarter, so each anchor shows its own colours.
    PanelOptions crop;
    crop.resize = crop.useWidth = crop.useHeight = true;
    crop.width = crop.height = 100;
    crop.box = kPanelCrop;
    const struct
    {
        int anchor;
        Magick::Color topLeft, bottomRight;
        ImageSize want;
    } cases[] = {
        {0, kRed, kBlue, {100, 100}},
        {1, kRed, kWhite, {100, 100}}, // the middle 100 columns straddle the halves
        {2, kGreen, kWhite, {100, 100}},
        {-1, kRed, kWhite, {400, 100}}, // no anchor: scaled, not cropped
    };
    for (const auto& c : cases)
    {
        crop.anchor = c.anchor;
        Load(MakeQuadrants(400, 100), crop);
        const Magick::Image* out = m_main.dlg.StageImage(kStageResize);
        ASSERT_EQ(c.want, StageSize(out)) << c.anchor;
        EXPECT_TRUE(Near(c.topLeft, At(out, 0, 0))) << c.anchor;
        EXPECT_TRUE(Near(c.bottomRight, At(out, out->columns() - 1, out->rows() - 1))) << c.anchor;
        EXPECT_EQ(0, out->page().xOff()) << c.anchor;
    }
}

TEST_F(MainPreviewTest, BorderRotationAndColourStages)
{
    PanelOptions o;
    o.border = true;
    o.borderWidth = 4;
    o.borderColor = RGB(0, 0, 255);
    o.rotate = 1;
    Load(MakeQuadrants(40, 20), o);
    EXPECT_EQ((ImageSize{48, 28}), StageSize(m_main.dlg.StageImage(kStageBorder)));
    EXPECT_TRUE(Near(kBlue, At(m_main.dlg.StageImage(kStageBorder), 0, 0)));
    // A quarter turn clockwise brings the bottom-left (blue) quadrant to the
    // top left, inside the border.
    EXPECT_EQ((ImageSize{28, 48}), StageSize(m_main.dlg.StageImage(kStageRotateColor)));
    EXPECT_TRUE(Near(kBlue, At(m_main.dlg.StageImage(kStageRotateColor), 6, 6)));
    EXPECT_TRUE(Near(kRed, At(m_main.dlg.StageImage(kStageRotateColor), 21, 6)));

    // Neutral sliders and rotation "0" leave the pixels alone.
    o = PanelOptions();
    Load(MakeQuadrants(40, 20), o);
    EXPECT_EQ((ImageSize{40, 20}), StageSize(m_main.dlg.StageImage(kStageRotateColor)));
    EXPECT_TRUE(Near(kRed, At(m_main.dlg.StageImage(kStageRotateColor), 0, 0)));
    EXPECT_TRUE(Near(kWhite, At(m_main.dlg.StageImage(kStageRotateColor), 39, 19)));

    // Lightness 0 blackens; a restart from stage 2 keeps the stage-1 image.
    o.lightness = 0;
    o.border = true; // not applied: stage 1 does not run again
    o.borderWidth = 5;
    SetPanel(m_main.dlg, o);
    const Magick::Image* stage1 = m_main.dlg.StageImage(kStageBorder);
    m_main.dlg.UpdatePreview(kStageRotateColor);
    EXPECT_EQ(stage1, m_main.dlg.StageImage(kStageBorder));
    EXPECT_EQ((ImageSize{40, 20}), StageSize(m_main.dlg.StageImage(kStageRotateColor)));
    EXPECT_TRUE(Near(Magick::Color(0, 0, 0), At(m_main.dlg.StageImage(kStageRotateColor), 39, 19)));

    // The 3-D frame adds its width on every side.
    o.frame3d = true;
    SetPanel(m_main.dlg, o);
    m_main.dlg.UpdatePreview(kStageBorder);
    EXPECT_EQ((ImageSize{50, 30}), StageSize(m_main.dlg.StageImage(kStageRotateColor)));
}

TEST_F(MainPreviewTest, PreviewReducesToTheBoxAndDrawsTheTrueColours)
{
    const SIZE box = PreviewBox(m_main.hWnd());
    ASSERT_GT(box.cx, 20);
    ASSERT_GT(box.cy, 20);
    // Wider than the box, then smaller than it: both end with the width of
    // the box, the second enlarged.
    const size_t widths[] = {(size_t)box.cx * 4, (size_t)box.cx / 4};
    for (size_t w : widths)
    {
        Load(MakeQuadrants(w, w / 2), PanelOptions(), true);
        EXPECT_EQ((size_t)box.cx, m_main.dlg.StageImage(kStageResize)->columns()) << w;
        EXPECT_NEAR((double)box.cx / 2, (double)m_main.dlg.StageImage(kStageResize)->rows(), 1.0)
            << w;
    }

    HBITMAP shown = (HBITMAP)SendDlgItemMessageA(m_main.hWnd(), IDC_MAIN_PREVIEW, STM_GETIMAGE,
                                                 IMAGE_BITMAP, 0);
    ASSERT_NE((HBITMAP)NULL, m_main.dlg.m_hPreviewBitmap);
    EXPECT_EQ(m_main.dlg.m_hPreviewBitmap, shown);
    DibPixels px;
    ASSERT_TRUE(GetDibPixels(m_main.dlg.m_hPreviewBitmap, px));
    EXPECT_EQ(box.cx, px.width);
    EXPECT_EQ(box.cy, px.height);
    // The picture is centred: its top-left quadrant is red, its bottom-right
    // white; above and below it lies the button face.
    auto pixel = [&](int x, int y) {
        const BYTE* p = px.Row(y) + x * px.pixelBytes;
        return RGB(p[2], p[1], p[0]);
    };
    const int top = (box.cy - box.cx / 2) / 2;
    EXPECT_EQ(RGB(255, 0, 0), pixel(box.cx / 4, top + box.cx / 8));
    EXPECT_EQ(RGB(255, 255, 255), pixel(box.cx * 3 / 4, top + box.cx * 3 / 8));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), pixel(box.cx / 2, 0));
}

TEST_F(MainPreviewTest, RepeatedPassesKeepOneBitmapAlive)
{
    Load(MakeQuadrants(60, 40), PanelOptions(), true);
    std::vector<HBITMAP> seen{m_main.dlg.m_hPreviewBitmap};
    for (int i = 0; i < 3; ++i)
    {
        m_main.dlg.UpdatePreview((unsigned short)(i % 3));
        seen.push_back(m_main.dlg.m_hPreviewBitmap);
    }
    for (size_t i = 0; i + 1 < seen.size(); ++i)
        EXPECT_EQ(0u, GetObjectType(seen[i])) << i;
    EXPECT_EQ((DWORD)OBJ_BITMAP, GetObjectType(seen.back()));
}

TEST_F(MainPreviewTest, NothingHappensWithoutSourceOrForAnUnknownStage)
{
    m_main.dlg.UpdatePreview(kStageResize);
    EXPECT_EQ(NULL, m_main.dlg.StageImage(kStageResize));
    EXPECT_EQ(NULL, m_main.dlg.m_hPreviewBitmap.Get());

    Load(MakeQuadrants(60, 40), PanelOptions(), true);
    const Magick::Image* stage2 = m_main.dlg.StageImage(kStageRotateColor);
    HBITMAP shown = m_main.dlg.m_hPreviewBitmap;
    m_main.dlg.UpdatePreview(kStageRotateColor + 1);
    EXPECT_EQ(stage2, m_main.dlg.StageImage(kStageRotateColor));
    EXPECT_EQ(shown, m_main.dlg.m_hPreviewBitmap);
}

TEST_F(MainPreviewTest, AnUnreadableFileKeepsThePreviousPicture)
{
    Load(MakeQuadrants(60, 40), PanelOptions(), true);
    HBITMAP shown = m_main.dlg.m_hPreviewBitmap;
    const Magick::Image* stage2 = m_main.dlg.StageImage(kStageRotateColor);
    const std::string broken = m_dir.File("broken.png");
    WriteFileBytes(broken, "not an image at all");
    const std::string missing = m_dir.File("missing.png");
    for (const std::string& path : {broken, missing})
    {
        EXPECT_EQ(0, m_main.dlg.LoadSourceImage(path.c_str())) << path;
        EXPECT_EQ(NULL, m_main.dlg.SourceImage()) << path;
        EXPECT_EQ(stage2, m_main.dlg.StageImage(kStageRotateColor)) << path;
        EXPECT_EQ(shown, m_main.dlg.m_hPreviewBitmap) << path;
    }
    // The previous file's stages still serve a border change.
    RerunWithBorder(2);
    EXPECT_NE(shown, m_main.dlg.m_hPreviewBitmap);
}

TEST_F(MainPreviewTest, AFailedStageDropsItselfAndTheLaterOnes)
{
    Load(MakeQuadrants(60, 40), PanelOptions(), true);
    HBITMAP shown = m_main.dlg.m_hPreviewBitmap;
    const Magick::Image* stage0 = m_main.dlg.StageImage(kStageResize);
    // A border far beyond the library's size limits makes the border throw.
    RerunWithBorder(40000);
    EXPECT_EQ(stage0, m_main.dlg.StageImage(kStageResize));
    EXPECT_EQ(NULL, m_main.dlg.StageImage(kStageBorder));
    EXPECT_EQ(NULL, m_main.dlg.StageImage(kStageRotateColor));
    EXPECT_EQ(shown, m_main.dlg.m_hPreviewBitmap);
    // Without an input, a later stage does nothing.
    m_main.dlg.UpdatePreview(kStageRotateColor);
    EXPECT_EQ(NULL, m_main.dlg.StageImage(kStageRotateColor));
}

TEST_F(MainPreviewTest, ACmykPictureShowsTheColoursTheGifGets)
{
    Magick::Image cmyk = MakeQuadrants(64, 48);
    cmyk.colorSpace(Magick::CMYKColorspace);
    Load(cmyk, PanelOptions(), false, ".jpg");
    ASSERT_EQ(Magick::CMYKColorspace, m_main.dlg.SourceImage()->colorSpace());
    Magick::Image gif = WrittenGif();
    Load(cmyk, PanelOptions(), true, ".jpg");

    const DibPixels px = Shown();
    const RECT pic = ShownPicture(px);
    ASSERT_LT(pic.left, pic.right);
    const struct
    {
        double fx, fy; // quadrant centre, as a share of the picture
        COLORREF want;
    } quadrants[] = {
        {0.25, 0.25, RGB(255, 0, 0)},
        {0.75, 0.25, RGB(0, 255, 0)},
        {0.25, 0.75, RGB(0, 0, 255)},
        {0.75, 0.75, RGB(255, 255, 255)},
    };
    for (const auto& q : quadrants)
    {
        const COLORREF written = PixelOf(gif, q.fx, q.fy).rgb;
        const COLORREF shown = DibPixel(px, pic.left + (int)(q.fx * (pic.right - pic.left)),
                                        pic.top + (int)(q.fy * (pic.bottom - pic.top)));
        // JPEG and the GIF palette each move a colour a little.
        EXPECT_TRUE(NearRgb(q.want, written, 16)) << std::hex << written;
        EXPECT_TRUE(NearRgb(written, shown, 16)) << std::hex << written << " shown " << shown;
    }
}

TEST_F(MainPreviewTest, TransparentPartsShowTheBoxBehindThemAsTheGifKeepsThem)
{
    // Red bands of falling opacity (0 = opaque): the GIF keeps a pixel
    // opaque up to half transparency and drops it beyond.
    const Magick::Quantum opacities[] = {0, 16384, 49152, 65535};
    const size_t bands = sizeof(opacities) / sizeof(opacities[0]), bandWidth = 40, height = 60;
    Magick::Image image(Magick::Geometry(bands * bandWidth, height), Magick::Color(0, 0, 0, 0));
    image.matte(true);
    for (size_t b = 0; b < bands; ++b)
        for (size_t x = b * bandWidth; x < (b + 1) * bandWidth; ++x)
            for (size_t y = 0; y < height; ++y)
                image.pixelColor((ssize_t)x, (ssize_t)y, Magick::Color(65535, 0, 0, opacities[b]));
    Load(image, PanelOptions(), false, ".png");
    Magick::Image gif = WrittenGif();
    Load(image, PanelOptions(), true, ".png");

    const DibPixels px = Shown();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // The picture fills the box's width; its rows are the box's middle.
    const int y = px.height / 2;
    for (size_t b = 0; b < bands; ++b)
    {
        const double centre = (b + 0.5) / bands;
        const bool keptInGif = PixelOf(gif, centre, 0.5).alpha != 0;
        const COLORREF shown = DibPixel(px, (int)(centre * px.width), y);
        EXPECT_EQ(b < 2, keptInGif) << b;
        EXPECT_EQ(keptInGif ? RGB(255, 0, 0) : face, shown) << b << " shown " << std::hex << shown;
    }
}

TEST_F(MainPreviewTest, BordersAndFramesTakeTheShareOfThePictureTheyTakeInTheOutput)
{
    const SIZE box = PreviewBox(m_main.hWnd());
    PanelOptions flat;
    flat.border = true;
    flat.borderColor = RGB(0, 0, 160);
    PanelOptions frame = flat;
    frame.frame3d = true;
    PanelOptions halved = flat;
    halved.resize = halved.useWidth = true;
    halved.width = 800;
    const struct
    {
        const char* what;
        PanelOptions options;
        int width;
        size_t sourceWidth;
        size_t outputWidth; // without the border
    } cases[] = {
        {"a border on a large picture", flat, 8, 1600, 1600},
        {"a frame on a large picture", frame, 12, 1600, 1600},
        {"a border on a resized picture", halved, 8, 1600, 800},
        {"a border on a picture smaller than the box", flat, 3, (size_t)box.cx / 3,
         (size_t)box.cx / 3},
    };
    const COLORREF green = RGB(0, 200, 0);
    for (auto c : cases)
    {
        c.options.borderWidth = c.width;
        const Magick::Image picture(Magick::Geometry(c.sourceWidth, c.sourceWidth * 3 / 4),
                                    Magick::Color(0, 200 * 257, 0, 0));
        Load(picture, c.options, true);
        const DibPixels px = Shown();
        const RECT pic = ShownPicture(px);
        const int y = (pic.top + pic.bottom) / 2;
        int border = 0;
        while (pic.left + border < pic.right &&
               !NearRgb(DibPixel(px, pic.left + border, y), green, 8))
            ++border;
        const double share = (double)c.width / (c.outputWidth + 2 * c.width);
        EXPECT_NEAR(share * (pic.right - pic.left), border, 1.0) << c.what;
    }
}
