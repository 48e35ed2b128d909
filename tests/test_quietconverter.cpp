// QuietConverter: the quiet conversion reads its settings, transforms, and runs only when on.
#include <cstring>

#include "base/StrUtil.h"
#include "image/ImageIO.h"
#include "convert/QuietConverter.h"
#include "settings/Registry.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// A settings file as the main window writes it, GIF section included.
const char kFullSettings[] =
    "[Resize]\r\nEnableResize=1\r\nEnableWidth=0\r\nWidth=640\r\nEnableHeight=1\r\nHeight=480\r\n"
    "DoNothing=0\r\nDoCrop=3\r\nDoStretch=1\r\n"
    "[Border]\r\nEnableBorder=1\r\nWidth=9\r\nColorR=10\r\nColorG=20\r\nColorB=30\r\n3d=1\r\n"
    "[Image]\r\nHue=150\r\nSaturation=40\r\nLightness=110\r\n"
    "[Rotate]\r\nRotate=2\r\n"
    "[File Names]\r\nPrefix=pre_\r\nName=2\r\nSuffix=_suf\r\nFolder=C:\\out\r\nExploreFiles=1\r\n"
    "[GIF]\r\nNoneTR=0\r\nInterlace=1\r\n";

std::string WriteSettings(const TempFolder& dir, const char* name, const std::string& text)
{
    std::string path = dir.File(name);
    WriteFileBytes(path, text);
    return path;
}

// Every option field of got equals that of want.
void ExpectOptions(const CQuietConverter& want, const CQuietConverter& got, const std::string& what)
{
    EXPECT_EQ(want.EnableResize, got.EnableResize) << what;
    EXPECT_EQ(want.EnableWidth, got.EnableWidth) << what;
    EXPECT_EQ(want.Width, got.Width) << what;
    EXPECT_EQ(want.EnableHeight, got.EnableHeight) << what;
    EXPECT_EQ(want.Height, got.Height) << what;
    EXPECT_EQ(want.DoNothing, got.DoNothing) << what;
    EXPECT_EQ(want.DoCrop, got.DoCrop) << what;
    EXPECT_EQ(want.DoStretch, got.DoStretch) << what;
    EXPECT_EQ(want.EnableBorder, got.EnableBorder) << what;
    EXPECT_EQ(want.BorderWidth, got.BorderWidth) << what;
    EXPECT_EQ(want.BorderColor, got.BorderColor) << what;
    EXPECT_EQ(want.Border3d, got.Border3d) << what;
    EXPECT_STREQ(want.Prefix, got.Prefix) << what;
    EXPECT_STREQ(want.Suffix, got.Suffix) << what;
    EXPECT_EQ(want.NameMode, got.NameMode) << what;
    EXPECT_EQ(want.Hue, got.Hue) << what;
    EXPECT_EQ(want.Saturation, got.Saturation) << what;
    EXPECT_EQ(want.Lightness, got.Lightness) << what;
    EXPECT_EQ(want.Rotate, got.Rotate) << what;
}

} // namespace

TEST(QuietConverterSettings, BuiltInValues)
{
    CQuietConverter c;
    EXPECT_EQ(1, c.EnableResize);
    EXPECT_EQ(1, c.EnableWidth);
    EXPECT_EQ(120u, c.Width);
    EXPECT_EQ(1, c.EnableHeight);
    EXPECT_EQ(120u, c.Height);
    EXPECT_EQ(1, c.DoNothing);
    EXPECT_EQ(0, c.DoCrop + c.DoStretch + c.EnableBorder + c.BorderWidth + c.Border3d + c.NameMode +
                     c.Rotate);
    EXPECT_EQ(0u, c.BorderColor);
    EXPECT_STREQ("th_", c.Prefix);
    EXPECT_STREQ("", c.Suffix);
    EXPECT_EQ(100, c.Hue);
    EXPECT_EQ(100, c.Saturation);
    EXPECT_EQ(100, c.Lightness);
    EXPECT_EQ(NULL, c.Image.get());
}

TEST(QuietConverterSettings, FilesWithoutEnableResizeAreRefusedAndChangeOnlyThatField)
{
    TempFolder dir("settings");
    const std::string cases[] = {
        dir.File("missing.tvx"),
        WriteSettings(dir, "nokey.tvx", "[Resize]\r\nWidth=5\r\n[File Names]\r\nPrefix=x\r\n"),
        WriteSettings(dir, "32000.tvx", "[Resize]\r\nEnableResize=32000\r\nWidth=5\r\n"),
        WriteSettings(dir, "other.tvx", "[Border]\r\nEnableResize=1\r\n"),
        "",
    };
    for (const std::string& path : cases)
    {
        CQuietConverter c, want;
        c.EnableResize = 0;
        c.Width = want.Width = 7;
        SafeCopy(c.Prefix, "kept");
        SafeCopy(want.Prefix, "kept");
        want.EnableResize = path.empty() ? 0 : 1; // an empty path is not even read
        EXPECT_EQ(0, c.LoadSettings(path.c_str())) << path;
        ExpectOptions(want, c, path);
    }
}

TEST(QuietConverterSettings, ReadsEveryFieldAndMissingKeysGiveTheReaderDefaults)
{
    TempFolder dir("settings");
    CQuietConverter defaults;
    defaults.EnableWidth = defaults.EnableHeight = defaults.EnableBorder = defaults.Border3d =
        32000;
    defaults.Width = defaults.Height = 32000;
    defaults.BorderWidth = defaults.Hue = defaults.Saturation = defaults.Lightness =
        defaults.Rotate = 32000;
    defaults.DoNothing = 0; // the low byte of 32000
    SafeCopy(defaults.Prefix, "Default");
    SafeCopy(defaults.Suffix, "Default");

    CQuietConverter full;
    full.EnableWidth = 0;
    full.Width = 640;
    full.Height = 480;
    full.DoNothing = 0;
    full.DoCrop = 3;
    full.DoStretch = 1;
    full.EnableBorder = 1;
    full.BorderWidth = 9;
    full.BorderColor = RGB(10, 20, 30);
    full.Border3d = 1;
    full.Hue = 150;
    full.Saturation = 40;
    full.Lightness = 110;
    full.Rotate = 2;
    SafeCopy(full.Prefix, "pre_");
    full.NameMode = 2;
    SafeCopy(full.Suffix, "_suf");

    const struct
    {
        const char* text;
        const CQuietConverter& want;
    } cases[] = {{"[Resize]\r\nEnableResize=1\r\n", defaults}, {kFullSettings, full}};
    for (const auto& t : cases)
    {
        CQuietConverter c;
        EXPECT_EQ(1, c.LoadSettings(WriteSettings(dir, "s.tvx", t.text).c_str()));
        ExpectOptions(t.want, c, t.text);
    }
}

TEST(QuietConverterSettings, ByteFieldsKeepTheLowByteAndLongTextsAreCut)
{
    TempFolder dir("settings");
    const std::string longPrefix(3000, 'p');
    const std::string text = "[Resize]\r\nEnableResize=1\r\nDoCrop=258\r\n"
                             "[Border]\r\nColorR=300\r\nColorG=-1\r\nColorB=256\r\n"
                             "[File Names]\r\nName=259\r\nPrefix=" +
                             longPrefix + "\r\nSuffix=s\r\n";
    CQuietConverter c;
    EXPECT_EQ(1, c.LoadSettings(WriteSettings(dir, "bytes.tvx", text).c_str()));
    EXPECT_EQ(2, c.DoCrop);
    EXPECT_EQ(3, c.NameMode);
    EXPECT_EQ(RGB(44, 255, 0), c.BorderColor);
    EXPECT_EQ(std::string(kNameFieldSize - 1, 'p'), c.Prefix);
    EXPECT_STREQ("s", c.Suffix);
}

namespace {

// What the quiet reader must hold after the main window saved `o`: the
// panel's meaning in the converter's terms (anchor and rotation indexes
// become codes 1..3, a combo without a selection stays without one).
void FillQuietView(const PanelOptions& o, CQuietConverter& want)
{
    want.EnableResize = o.resize;
    want.EnableWidth = o.useWidth;
    want.Width = (UINT)o.width;
    want.EnableHeight = o.useHeight;
    want.Height = (UINT)o.height;
    want.DoNothing = o.box == kPanelFit;
    want.DoCrop = (BYTE)(o.box == kPanelCrop ? kCropLeftTop + o.anchor : kCropNone);
    want.DoStretch = o.box == kPanelStretch;
    want.EnableBorder = o.border;
    want.BorderWidth = o.borderWidth;
    want.BorderColor = o.borderColor;
    want.Border3d = o.frame3d;
    want.Hue = o.hue;
    want.Saturation = o.saturation;
    want.Lightness = o.lightness;
    want.Rotate = o.rotate;
    SafeCopy(want.Prefix, o.prefix.c_str());
    want.NameMode = (BYTE)o.pattern;
    SafeCopy(want.Suffix, o.suffix.c_str());
}

} // namespace

// The two ends of the format: what the main window's option panel saves,
// the quiet converter reads with the same meaning, key by key. The texts
// include what the profile functions would strip on reading (blanks around
// a text, a pair of quotes around it); the main window reads them back too.
TEST(QuietConverterSettings, ReadsWhatTheMainWindowSaves)
{
    EnsureShellAllocator();
    // Resize, width, height, box mode, anchor; border, width, 3d, colour;
    // rotation; hue, saturation, lightness; prefix, suffix, name pattern.
    const struct
    {
        const char* what;
        PanelOptions panel;
    } cases[] = {
        {"fit, no border",
         {true, true, 640, true, 480, kPanelFit, 0, false, 0, false, RGB(0, 0, 0), 0, 100, 100, 100,
          "th_", "", 0}},
        {"crop left-top",
         {true, false, 1, true, 4000, kPanelCrop, 0, true, 9, true, RGB(10, 20, 30), 1, 0, 37, 200,
          "a b", " lead", 1}},
        {"crop centre",
         {false, true, 120, false, 77, kPanelCrop, 1, true, 250, false, RGB(255, 0, 128), 2, 200, 0,
          1, "trail ", "  both  ", 2}},
        {"crop right-bottom",
         {true, true, 33, true, 44, kPanelCrop, 2, false, 3, true, RGB(255, 255, 255), 3, 150, 60,
          140, "\"quoted\"", "'single'", -1}},
        {"stretch, no rotation chosen",
         {true, false, 800, true, 600, kPanelStretch, 1, true, 1, false, RGB(1, 2, 3), -1, 99, 101,
          0, " ", "\"", 0}},
    };
    TempFolder dir("settings");
    for (const auto& c : cases)
    {
        MainDlgWindow main;
        SetPanel(main.dlg, c.panel);
        const std::string file = dir.File("saved.tvx");
        main.dlg.SaveSettings(file.c_str());

        CQuietConverter want, got;
        FillQuietView(c.panel, want);
        EXPECT_EQ(1, got.LoadSettings(file.c_str())) << c.what;
        ExpectOptions(want, got, c.what);

        SetDlgItemTextA(main.hWnd(), IDC_MAIN_PREFIX, "");
        SetDlgItemTextA(main.hWnd(), IDC_MAIN_SUFFIX, "");
        main.dlg.LoadSettings(file.c_str());
        EXPECT_EQ(c.panel.prefix, GetWindowTextString(GetDlgItem(main.hWnd(), IDC_MAIN_PREFIX)))
            << c.what;
        EXPECT_EQ(c.panel.suffix, GetWindowTextString(GetDlgItem(main.hWnd(), IDC_MAIN_SUFFIX)))
            << c.what;
    }
}

// ---------------------------------------------------------------------------

namespace {

struct SizeCase
{
    const char* what;
    void (*setup)(CQuietConverter&);
    size_t columns, rows;
};

void Fit(CQuietConverter&) {}
void WidthOnly(CQuietConverter& c) { c.EnableHeight = 0; }
void HeightOnly(CQuietConverter& c) { c.EnableWidth = 0; }
void HeightOnlyHeightOff(CQuietConverter& c)
{
    c.EnableWidth = 0;
    c.EnableHeight = 0;
}
void NoMode(CQuietConverter& c) { c.DoNothing = 0; }
void Crop(CQuietConverter& c)
{
    c.DoNothing = 0;
    c.DoCrop = kCropCenter;
}
void CropNoAnchor(CQuietConverter& c)
{
    c.DoNothing = 0;
    c.DoCrop = 4;
}
void Stretch(CQuietConverter& c)
{
    c.DoNothing = 0;
    c.DoStretch = 1;
    c.Height = 50;
}
void ResizeOff(CQuietConverter& c) { c.EnableResize = 0; }
void FlatBorder(CQuietConverter& c)
{
    c.EnableResize = 0;
    c.EnableBorder = 1;
    c.BorderWidth = 7;
}
void Frame(CQuietConverter& c)
{
    FlatBorder(c);
    c.Border3d = 1;
}
void NegativeBorder(CQuietConverter& c)
{
    FlatBorder(c);
    c.BorderWidth = -5;
}
void Rotate90(CQuietConverter& c)
{
    c.EnableResize = 0;
    c.Rotate = kRotate90;
}
void Rotate5(CQuietConverter& c)
{
    c.EnableResize = 0;
    c.Rotate = 5;
}

} // namespace

TEST(QuietConverterTransform, SizesFollowTheResizeBorderAndRotationRules)
{
    const SizeCase cases[] = {
        {"fit into 120x120", Fit, 120, 90},
        {"width only", WidthOnly, 120, 90},
        {"height only", HeightOnly, 160, 120},
        {"height only, EnableHeight 0", HeightOnlyHeightOff, 160, 120},
        {"box without a mode", NoMode, 400, 300},
        {"crop centre", Crop, 120, 120},
        {"crop anchor 4 scales only", CropNoAnchor, 160, 120},
        {"stretch", Stretch, 120, 50},
        {"resize off", ResizeOff, 400, 300},
        {"flat border 7", FlatBorder, 414, 314},
        {"3-D frame 7", Frame, 414, 314},
        {"negative border", NegativeBorder, 400, 300},
        {"rotate 90", Rotate90, 300, 400},
        {"rotate 5", Rotate5, 400, 300},
    };
    for (const SizeCase& t : cases)
    {
        CQuietConverter c;
        c.Image.reset(new Magick::Image(MakeColumnGradient(400, 300)));
        t.setup(c);
        ASSERT_NO_THROW(c.Transform()) << t.what;
        EXPECT_EQ(t.columns, c.Image->columns()) << t.what;
        EXPECT_EQ(t.rows, c.Image->rows()) << t.what;
    }
}

TEST(QuietConverterTransform, TheBorderGoesAroundTheResizedPicture)
{
    // Each size also tells the swapped order apart: a border made first
    // would be resized with the picture (or cropped away).
    const SizeCase cases[] = {
        {"fit, flat border",
         [](CQuietConverter& c) {
             FlatBorder(c);
             c.EnableResize = 1;
         },
         134, 104},
        {"crop, 3-D frame",
         [](CQuietConverter& c) {
             Frame(c);
             c.EnableResize = 1;
             Crop(c);
         },
         134, 134},
        {"stretch, flat border",
         [](CQuietConverter& c) {
             FlatBorder(c);
             c.EnableResize = 1;
             Stretch(c);
         },
         134, 64},
        {"height only, flat border",
         [](CQuietConverter& c) {
             FlatBorder(c);
             c.EnableResize = 1;
             HeightOnly(c);
         },
         174, 134},
    };
    for (const SizeCase& t : cases)
    {
        CQuietConverter c;
        c.Image.reset(new Magick::Image(MakeColumnGradient(400, 300)));
        c.BorderColor = RGB(0, 0, 255);
        t.setup(c);
        ASSERT_NO_THROW(c.Transform()) << t.what;
        EXPECT_EQ(t.columns, c.Image->columns()) << t.what;
        EXPECT_EQ(t.rows, c.Image->rows()) << t.what;
        // The flat border is exactly 7 pixels of its colour on each side.
        if (!c.Border3d)
        {
            const Magick::Color edge = c.Image->pixelColor(6, t.rows / 2);
            const Magick::Color inside = c.Image->pixelColor(7, t.rows / 2);
            EXPECT_EQ(65535, edge.blueQuantum()) << t.what;
            EXPECT_EQ(0, edge.redQuantum()) << t.what;
            EXPECT_EQ(0, inside.blueQuantum()) << t.what;
        }
    }
}

TEST(QuietConverterTransform, HueAndLightnessEachChangeTheirOwnPart)
{
    const Magick::Quantum full = 65535, half = 32768;
    struct
    {
        const char* what;
        int hue, lightness;
        Magick::Quantum r, g, b; // the red quadrant afterwards
    } cases[] = {
        {"hue a quarter turn", 150, 100, half, full, 0},
        {"hue a sixth of a turn", 133, 100, full, full, 0},
        {"lighter", 100, 150, full, half, half},
        {"darker", 100, 50, half, 0, 0},
        {"both", 150, 50, half / 2, half, 0},
    };
    for (const auto& t : cases)
    {
        CQuietConverter c;
        c.Image.reset(new Magick::Image(MakeQuadrants(40, 30)));
        c.EnableResize = 0;
        c.Hue = t.hue;
        c.Lightness = t.lightness;
        c.Transform();
        const Magick::Color p = c.Image->pixelColor(2, 2);
        const double tolerance = 0.02 * full;
        EXPECT_NEAR(t.r, p.redQuantum(), tolerance) << t.what;
        EXPECT_NEAR(t.g, p.greenQuantum(), tolerance) << t.what;
        EXPECT_NEAR(t.b, p.blueQuantum(), tolerance) << t.what;
    }
}

TEST(QuietConverterTransform, CropAnchorsKeepTheirPartOfThePicture)
{
    struct
    {
        int anchor;
        double firstColumn; // source column at the left edge of the result
    } cases[] = {{kCropLeftTop, 0}, {kCropCenter, 50}, {kCropRightBottom, 100}};
    for (const auto& t : cases)
    {
        CQuietConverter c;
        c.Image.reset(new Magick::Image(MakeColumnGradient(400, 300)));
        c.DoNothing = 0;
        c.DoCrop = (BYTE)t.anchor;
        c.Transform();
        ASSERT_EQ(120u, c.Image->columns()) << t.anchor;
        ASSERT_EQ(120u, c.Image->rows()) << t.anchor;
        EXPECT_NEAR(t.firstColumn, GradientColumn(*c.Image, 0, 60, 400), 4.0) << t.anchor;
        EXPECT_NEAR(t.firstColumn + 297.5, GradientColumn(*c.Image, 119, 60, 400), 4.0) << t.anchor;
        // No virtual canvas may remain from the crop.
        const Magick::Geometry page = c.Image->page();
        EXPECT_EQ(0, page.xOff()) << t.anchor;
        EXPECT_EQ(0, page.yOff()) << t.anchor;
        EXPECT_TRUE(page.width() == 0 || page.width() == 120) << t.anchor;
    }
}

TEST(QuietConverterTransform, BorderCornersAreExactlyTheChosenColor)
{
    for (int frame3d : {0, 1})
    {
        CQuietConverter c;
        c.Image.reset(new Magick::Image(MakeQuadrants(40, 30)));
        c.EnableResize = 0;
        c.EnableBorder = 1;
        c.BorderWidth = 7;
        c.Border3d = frame3d;
        c.BorderColor = RGB(200, 100, 50);
        c.Transform();
        EXPECT_EQ(54u, c.Image->columns());
        if (!frame3d)
        {
            Magick::Color corner = c.Image->pixelColor(0, 0);
            EXPECT_EQ(200 * 257, corner.redQuantum());
            EXPECT_EQ(100 * 257, corner.greenQuantum());
            EXPECT_EQ(50 * 257, corner.blueQuantum());
        }
        // The middle of the picture is untouched either way.
        Magick::Color inside = c.Image->pixelColor(7 + 5, 7 + 5);
        EXPECT_EQ(65535, inside.redQuantum()) << frame3d;
        EXPECT_EQ(0, inside.greenQuantum()) << frame3d;
    }
}

TEST(QuietConverterTransform, RotationsMoveTheQuadrants)
{
    struct
    {
        int rotate;
        Magick::Quantum r, g, b; // colour now at the top-left
    } cases[] = {
        {0, 65535, 0, 0},          {kRotate90, 0, 0, 65535}, {kRotate180, 65535, 65535, 65535},
        {kRotate270, 0, 65535, 0}, {5, 65535, 0, 0},
    };
    for (const auto& t : cases)
    {
        CQuietConverter c;
        c.Image.reset(new Magick::Image(MakeQuadrants(40, 30)));
        c.EnableResize = 0;
        c.Rotate = t.rotate;
        c.Transform();
        Magick::Color tl = c.Image->pixelColor(2, 2);
        EXPECT_EQ(t.r, tl.redQuantum()) << t.rotate;
        EXPECT_EQ(t.g, tl.greenQuantum()) << t.rotate;
        EXPECT_EQ(t.b, tl.blueQuantum()) << t.rotate;
    }
}

TEST(QuietConverterTransform, ZeroSaturationGivesGrey)
{
    CQuietConverter c;
    c.Image.reset(new Magick::Image(MakeQuadrants(40, 30)));
    c.EnableResize = 0;
    c.Saturation = 0;
    c.Transform();
    for (ssize_t x : {2, 30})
        for (ssize_t y : {2, 25})
        {
            Magick::Color p = c.Image->pixelColor(x, y);
            EXPECT_EQ(p.redQuantum(), p.greenQuantum());
            EXPECT_EQ(p.redQuantum(), p.blueQuantum());
        }
}

// The colour step leaves neutral values alone instead of asking the library:
// that is only sound while the library's own neutral change gives back every
// pixel, for photos, deep colour, transparency and palettes alike.
TEST(QuietConverterTransform, NeutralColourValuesKeepEveryPixelAsTheLibraryWould)
{
    Magick::Image deep = MakeColumnGradient(64, 8);
    deep.depth(16);
    Magick::Image clear = MakeQuadrants(32, 24);
    clear.matte(true);
    clear.transparent(clear.pixelColor(1, 1));
    Magick::Image palette = MakeQuadrants(32, 24);
    palette.type(Magick::PaletteType);
    const std::string jpeg = EncodeImage(MakeColumnGradient(48, 16), "jpg");
    Magick::Image photo;
    photo.read(Magick::Blob(jpeg.data(), jpeg.size()));
    const struct
    {
        const char* name;
        Magick::Image image;
    } cases[] = {{"16-bit gradient", deep},
                 {"transparent quadrants", clear},
                 {"palette", palette},
                 {"JPEG", photo}};
    for (const auto& row : cases)
    {
        Magick::Image library = row.image, ours = row.image;
        library.modulate(kColorNeutral, kColorNeutral, kColorNeutral);
        ApplyColorChange(ours, kColorNeutral, kColorNeutral, kColorNeutral);
        // Same size and the same pixel signature.
        EXPECT_TRUE(library == ours) << row.name;
    }
}

TEST(QuietConverterTransform, DegenerateAndAbsurdSizesNeverCrash)
{
    CQuietConverter empty;
    empty.Image.reset(new Magick::Image());
    for (int mode = 0; mode < 3; ++mode)
    {
        empty.EnableWidth = mode != 1;
        empty.EnableHeight = mode != 2;
        EXPECT_NO_FATAL_FAILURE(ResizeImage(*empty.Image, empty.GetResizeOptions()));
    }
    CoverAndCrop(*empty.Image, 10, 10, kCropCenter);

    // What a file holding only "EnableResize=1" gives: a 32000-pixel frame.
    CQuietConverter c;
    c.Image.reset(new Magick::Image(MakeQuadrants(40, 30)));
    c.EnableWidth = c.EnableHeight = c.EnableBorder = c.Border3d = 32000;
    c.Width = c.Height = 32000;
    c.BorderWidth = 32000;
    c.DoNothing = 0;
    EXPECT_THROW(c.Transform(), Magick::Exception);

    CQuietConverter huge;
    huge.Image.reset(new Magick::Image(MakeQuadrants(40, 30)));
    huge.EnableHeight = 0;
    huge.Width = 0xFFFFFFF0u;
    EXPECT_THROW(huge.Transform(), Magick::Exception);
}

TEST(QuietConverterRun, ConvertsOnlyWhileTheIntegrationIsOn)
{
    RegistryState reg;
    TempFolder dir("run");
    const std::string source = dir.File("pic.png");
    WriteFileBytes(source, EncodeImage(MakeQuadrants(400, 200), "png"));
    const std::string settings = WriteSettings(dir, "s.tvx", kWidth50Settings);
    ASSERT_EQ(1, RegWriteString(kRegShellPath, settings.c_str()));

    {
        CQuietConverter c; // "ShellOn" missing
        c.Run(source.c_str());
        EXPECT_EQ(NULL, c.Image.get());
    }
    const DWORD off = 0, on = 1;
    ASSERT_EQ(1, RegWriteDword(kRegShellOn, &off));
    {
        CQuietConverter c;
        c.Run(source.c_str());
        EXPECT_EQ(NULL, c.Image.get());
        EXPECT_EQ(120u, c.Width); // the settings file was not read either
    }
    ASSERT_EQ(1, RegWriteDword(kRegShellOn, &on));
    {
        CQuietConverter c;
        c.Run(source.c_str());
        ASSERT_NE((Magick::Image*)NULL, c.Image.get());
        EXPECT_EQ(50u, c.Image->columns());
        EXPECT_EQ(25u, c.Image->rows());
    }
    {
        CQuietConverter c;
        c.Run(dir.File("missing.png").c_str());
        EXPECT_EQ(NULL, c.Image.get());
    }
}
