// ButtonDraw: each state of the owner-drawn button paints its look, laid out by its style.
#include <cstring>
#include <set>
#include <string>

#include "controls/Bitmaps.h"
#include "controls/ColorModel.h"
#include "controls/OwnerDrawButton.h"
#include "tests/support/TestUtil.h"

namespace {

const int W = 100;
const int H = 24;

// Sets the pointer state and the image directly, so each look is drawn
// exactly once.
class CStateButton : public COwnerDrawButton
{
public:
    void SetState(int hot, int pressed, BYTE level = kOdbFadeFull)
    {
        m_hotPart = hot;
        m_pressedPart = pressed;
        m_fadeLevel = level;
    }
    // Takes ownership, as SetImage does.
    void GiveImage(HBITMAP hImage, HBITMAP hGray = NULL)
    {
        m_hImage.Reset(hImage);
        m_hGrayImage.Reset(hGray);
        m_style |= kOdbImage;
    }
};

// A 24-bit memory canvas of a button's client size.
class Canvas
{
public:
    Canvas(int w, int h) : m_w(w), m_h(h)
    {
        m_bmp = CreateDib24(NULL, w, h);
        m_dc = CreateCompatibleDC(NULL);
        m_old = SelectObject(m_dc, m_bmp);
        RECT all = {0, 0, w - 1, h - 1};
        FillDibRect(m_bmp, &all, RGB(1, 2, 3));
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        DeleteObject(m_bmp);
    }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DibPixels px;
        GetDibPixels(m_bmp, px);
        const BYTE* p = px.Row(y) + x * px.pixelBytes;
        return RGB(p[2], p[1], p[0]);
    }
    // Bounding box of the pixels of one colour; left > right when none.
    RECT Find(COLORREF c) const
    {
        RECT r = {m_w, m_h, -1, -1};
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
                if (At(x, y) == c)
                {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x);
                    r.bottom = std::max<LONG>(r.bottom, y);
                }
        return r;
    }
    std::set<COLORREF> Colours() const
    {
        std::set<COLORREF> s;
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
                s.insert(At(x, y));
        return s;
    }

private:
    int m_w, m_h;
    HBITMAP m_bmp;
    HDC m_dc;
    HGDIOBJ m_old;
};

std::string Str(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

COLORREF Face() { return GetSysColor(COLOR_BTNFACE); }
COLORREF Light() { return GetSysColor(COLOR_BTNHIGHLIGHT); }
COLORREF Dark() { return GetSysColor(COLOR_BTNSHADOW); }
int Lightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

HBITMAP SolidImage(int w, int h, COLORREF c)
{
    HBITMAP b = CreateDib24(NULL, w, h);
    FillDibRect(b, NULL, c);
    return b;
}

// The bitmap's black pixels as '#', rows ended by '|'.
std::string BlackPattern(HBITMAP hBitmap)
{
    SIZE size = GetBitmapSize(hBitmap);
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, hBitmap);
    std::string rows;
    for (int y = 0; y < size.cy; ++y)
    {
        for (int x = 0; x < size.cx; ++x)
            rows += GetPixel(dc, x, y) == 0 ? '#' : '.';
        rows += '|';
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return rows;
}

class ButtonDrawTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        parent = CreateWindowExA(0, "STATIC", "Draw test", WS_POPUP | WS_VISIBLE, 300, 300, 300,
                                 200, NULL, NULL, NULL, NULL);
    }
    static void TearDownTestSuite() { DestroyWindow(parent); }
    void SetUp() override
    {
        SetCursorPos(0, 0);
        PumpMessages();
    }
    void Make(CStateButton& b, DWORD style, const char* caption = "", int w = W, int h = H,
              DWORD extraWindowStyle = 0)
    {
        RECT rc = {5, 5, 5 + w - 1, 5 + h - 1};
        ASSERT_TRUE(b.Create(caption, parent, 1, style, &rc));
        if (extraWindowStyle != 0)
            SetWindowLongA(b.GetHwnd(), GWL_STYLE,
                           GetWindowLongA(b.GetHwnd(), GWL_STYLE) | extraWindowStyle);
        PumpMessages();
    }
    static HWND parent;
};
HWND ButtonDrawTest::parent = NULL;

} // namespace

TEST_F(ButtonDrawTest, PlainButtonHasBandsRaisedFrameAndCentredCaption)
{
    CStateButton b;
    Make(b, kOdbStylePlain, "OK");
    Canvas idle(W, H), pressed(W, H);
    b.Draw(idle.Dc());
    b.SetState(kOdbPartBody, kOdbPartBody);
    b.Draw(pressed.Dc());

    // Raised frame; the top-right corner takes the bottom-right colour.
    EXPECT_EQ(Light(), idle.At(0, 0));
    EXPECT_EQ(Light(), idle.At(0, H - 1));
    EXPECT_EQ(Light(), idle.At(50, 0));
    EXPECT_EQ(Dark(), idle.At(W - 1, 0));
    EXPECT_EQ(Dark(), idle.At(50, H - 1));
    // Bands: seven rows lighter at the top, darker at the bottom.
    EXPECT_GT(Lightness(idle.At(5, 1)), Lightness(idle.At(5, 5)));
    EXPECT_GT(Lightness(idle.At(5, 5)), Lightness(Face()));
    EXPECT_EQ(Face(), idle.At(5, 11));
    EXPECT_EQ(Face(), idle.At(5, H - 7)); // the bottom band starts at the face colour
    EXPECT_LT(Lightness(idle.At(5, H - 2)), Lightness(idle.At(5, H - 5)));

    SIZE cs = b.MeasureText();
    RECT ink = idle.Find(RGB(0, 0, 0));
    ASSERT_LE(ink.left, ink.right);
    EXPECT_GE(ink.left, W / 2 - cs.cx / 2);
    EXPECT_LE(ink.right, W / 2 - cs.cx / 2 + cs.cx);

    // Pressed: no bands, sunken frame, caption one pixel right and down.
    EXPECT_EQ(Face(), pressed.At(5, 2));
    EXPECT_EQ(Face(), pressed.At(5, H - 3));
    EXPECT_EQ(Dark(), pressed.At(0, 5));
    EXPECT_EQ(Dark(), pressed.At(50, 0));
    EXPECT_EQ(Light(), pressed.At(W - 1, 5));
    RECT inkPressed = pressed.Find(RGB(0, 0, 0));
    EXPECT_EQ(ink.left + 1, inkPressed.left);
    EXPECT_EQ(ink.top + 1, inkPressed.top);
}

TEST_F(ButtonDrawTest, DefaultButtonGetsABlackRingAndEverythingMovesIn)
{
    CStateButton b;
    Make(b, kOdbStyleFocusDefault, "", W, H, BS_DEFPUSHBUTTON);
    Canvas on(W, H);
    b.Draw(on.Dc());
    for (POINT p :
         {POINT{0, 0}, POINT{W - 1, 0}, POINT{0, H - 1}, POINT{50, H - 1}, POINT{W - 1, 9}})
        EXPECT_EQ(RGB(0, 0, 0), on.At(p.x, p.y)) << p.x << "," << p.y;
    EXPECT_EQ(Light(), on.At(1, 1));
    EXPECT_EQ(Dark(), on.At(W - 2, H - 2));
    EXPECT_GT(Lightness(on.At(5, 2)), Lightness(Face()));

    // Focused: the dotted frame three pixels inside the body.
    SetFocus(b.GetHwnd());
    Canvas focused(W, H);
    b.Draw(focused.Dc());
    EXPECT_NE(on.At(50, 4), focused.At(50, 4));
    EXPECT_EQ(on.At(50, 3), focused.At(50, 3));

    // Disabled: no ring and no inset.
    EnableWindow(b.GetHwnd(), FALSE);
    Canvas off(W, H);
    b.Draw(off.Dc());
    EXPECT_EQ(0u, off.Colours().count(RGB(0, 0, 0)));
}

TEST_F(ButtonDrawTest, DropZoneColumnsAndArrowAtWidth100)
{
    CStateButton b;
    Make(b, kOdbHoverBands | kOdbAlwaysFramed | kOdbDropDown);
    Canvas c(W, H);
    b.Draw(c.Dc());
    EXPECT_EQ(Dark(), c.At(86, 12));  // body's right edge
    EXPECT_EQ(Light(), c.At(87, 12)); // zone, raised
    EXPECT_EQ(Dark(), c.At(99, 12));
    RECT arrow = c.Find(RGB(0, 0, 0));
    EXPECT_EQ(90, arrow.left); // arrow columns 89..97, first black column 90
    EXPECT_EQ(96, arrow.right);
    EXPECT_EQ(4, arrow.bottom - arrow.top + 1);

    // Only a press on the drop part sinks the zone; the arrow drops a row.
    b.SetState(kOdbPartDrop, kOdbPartDrop);
    Canvas down(W, H);
    b.Draw(down.Dc());
    EXPECT_EQ(Dark(), down.At(87, 12));
    EXPECT_EQ(Light(), down.At(99, 12));
    EXPECT_EQ(Light(), down.At(0, 12)); // body still raised
    EXPECT_EQ(arrow.top + 1, down.Find(RGB(0, 0, 0)).top);
}

TEST_F(ButtonDrawTest, LatchedRadioAndImages)
{
    CStateButton radio;
    Make(radio, kOdbStyleViewRadio | kOdbLatched);
    radio.GiveImage(SolidImage(4, 4, RGB(255, 0, 0)));
    Canvas c(W, H);
    radio.Draw(c.Dc());
    const COLORREF latched = AdjustLightness(-100, Light());
    EXPECT_EQ(latched, c.At(2, 2));
    EXPECT_EQ(latched, c.At(W - 3, H - 3));
    EXPECT_NE(latched, c.At(1, 12));
    EXPECT_EQ(Dark(), c.At(0, 12)); // sunken
    EXPECT_EQ(Light(), c.At(W - 1, 12));
    RECT red = c.Find(RGB(255, 0, 0));
    EXPECT_EQ(49, red.left); // centred at 48, one pixel in
    EXPECT_EQ(11, red.top);

    // A two-state strip shows its upper half idle and its lower half hot.
    CStateButton strip;
    Make(strip, kOdbStylePlain & ~kOdbCaption);
    HBITMAP img = CreateDib24(NULL, 16, 32);
    RECT upper = {0, 0, 15, 15}, lower = {0, 16, 15, 31};
    FillDibRect(img, &upper, RGB(255, 0, 0));
    FillDibRect(img, &lower, RGB(0, 0, 255));
    strip.GiveImage(img);
    strip.SetFlags(kOdbTwoStateStrip, TRUE);
    Canvas idle(W, H), hot(W, H);
    strip.Draw(idle.Dc());
    strip.SetState(kOdbPartBody, kOdbPartNone);
    strip.Draw(hot.Dc());
    EXPECT_EQ("42,4,57,19", Str(idle.Find(RGB(255, 0, 0))));
    EXPECT_GT(idle.Find(RGB(0, 0, 255)).left, idle.Find(RGB(0, 0, 255)).right);
    EXPECT_EQ("42,4,57,19", Str(hot.Find(RGB(0, 0, 255))));

    // A fading grey image at level 102 shows the colour image blended over
    // the grey one.
    CStateButton fade;
    Make(fade, kOdbStylePlain & ~kOdbCaption);
    fade.SetFlags(kOdbGrayIdle | kOdbFade, TRUE);
    fade.GiveImage(SolidImage(4, 4, RGB(200, 0, 0)), SolidImage(4, 4, RGB(100, 100, 100)));
    fade.SetState(kOdbPartBody, kOdbPartNone, 102);
    Canvas f(W, H);
    fade.Draw(f.Dc());
    EXPECT_EQ(RGB((200 * 102 + 100 * 153) / 255, 100 * 153 / 255, 100 * 153 / 255), f.At(49, 11));
    fade.SetState(kOdbPartNone, kOdbPartNone);
    fade.Draw(f.Dc());
    EXPECT_EQ(RGB(100, 100, 100), f.At(49, 11));
}

TEST_F(ButtonDrawTest, DisabledLookIsEmbossedInFaceHighlightAndShadow)
{
    CStateButton b;
    Make(b, kOdbStylePlain, "Cancel");
    Canvas enabled(W, H);
    b.Draw(enabled.Dc());
    EnableWindow(b.GetHwnd(), FALSE);
    Canvas disabled(W, H);
    b.Draw(disabled.Dc());
    const std::set<COLORREF> allowed = {Face(), Light(), Dark()};
    std::set<COLORREF> seen = disabled.Colours();
    for (COLORREF c : seen)
        EXPECT_TRUE(allowed.count(c)) << std::hex << c;
    // Drawn at all: the caption shows in shadow.
    EXPECT_TRUE(seen.count(Dark()));
    RECT ink = enabled.Find(RGB(0, 0, 0));
    ASSERT_LE(ink.left, ink.right);
    bool captionShown = false;
    for (int y = ink.top; y <= ink.bottom; ++y)
        captionShown = captionShown || disabled.At(ink.left, y) == Dark();
    EXPECT_TRUE(captionShown);

    // With the always-enabled bit it looks like an enabled button.
    b.SetFlags(kOdbAlwaysEnabledLook, TRUE);
    Canvas forced(W, H);
    b.Draw(forced.Dc());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(enabled.At(x, y), forced.At(x, y)) << x << "," << y;
}

TEST_F(ButtonDrawTest, VerticalButtonPaintsInASwappedBufferAndTurnsIt)
{
    CStateButton b;
    Make(b, kOdbStylePlain | kOdbVertical, "", 20, 80);
    SIZE buf = GetBitmapSize(b.GetBackBuffer());
    EXPECT_EQ(80, buf.cx);
    EXPECT_EQ(20, buf.cy);
    Canvas c(20, 80);
    b.Draw(c.Dc());
    // The unturned top edge (highlight) ends up on the left.
    EXPECT_EQ(Face(), c.At(10, 40));
    EXPECT_GT(Lightness(c.At(1, 40)), Lightness(c.At(18, 40)));

    // Resizing makes a buffer of the new size, still swapped.
    SetWindowPos(b.GetHwnd(), NULL, 0, 0, 30, 60, SWP_NOMOVE | SWP_NOZORDER);
    buf = GetBitmapSize(b.GetBackBuffer());
    EXPECT_EQ(60, buf.cx);
    EXPECT_EQ(30, buf.cy);
}

TEST_F(ButtonDrawTest, SharedArrowsAndGuards)
{
    const ButtonArrowBitmaps& a = g_ButtonArrowBitmaps;
    ASSERT_NE((HBITMAP)NULL, a.hDropArrow);
    EXPECT_EQ(9, GetBitmapSize(a.hDropArrow).cx);
    EXPECT_EQ(6, GetBitmapSize(a.hDropArrow).cy);
    // Rows of the drop arrow: 7, 5, 3 and 1 black pixels under a face row.
    std::string rows = BlackPattern(a.hDropArrow);
    std::string up = BlackPattern(a.hUpArrow);
    std::string down = BlackPattern(a.hDownArrow);
    EXPECT_EQ(".........|.#######.|..#####..|...###...|....#....|.........|", rows);
    EXPECT_EQ(".#.|###|", up);
    EXPECT_EQ("###|.#.|", down);

    // A button of no size has no back buffer; painting it must not fail.
    CStateButton empty;
    ASSERT_TRUE(empty.Create("x", parent, 2, kOdbStylePlain, NULL));
    EXPECT_EQ((HBITMAP)NULL, empty.GetBackBuffer());
    Canvas c(4, 4);
    empty.Draw(c.Dc());
    empty.Draw(NULL);
    EXPECT_EQ(RGB(1, 2, 3), c.At(0, 0));
}

// The layout alone, on a 100 x 24 buffer with a caption of 20 x 13, an image
// of 16 x 16 (a strip of two such) and the 9 x 6 drop-down arrow.
TEST(ButtonDrawLayout, StyleGivesRectangles)
{
    struct Case
    {
        const char* what;
        DWORD style;
        int pressed;
        BOOL ring;
        SIZE buffer;
        const char* body;
        const char* zone;
        POINT arrow, caption, imagePos;
    };
    const DWORD image = kOdbImage | kOdbCaption;
    // One case a line, as a table reads.
    // clang-format off
    const Case cases[] = {
        {"plain", kOdbStylePlain, kOdbPartNone, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {40, 6}, {0, 0}},
        {"plain pressed", kOdbStylePlain, kOdbPartBody, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {41, 7}, {1, 1}},
        {"default ring", kOdbStylePlain, kOdbPartNone, TRUE, {100, 24}, "1,1,98,22", "0,0,0,0", {0, 0}, {40, 6}, {0, 0}},
        {"drop-down", kOdbDropDown, kOdbPartNone, FALSE, {100, 24}, "0,0,86,23", "87,0,99,23", {89, 8}, {0, 0}, {0, 0}},
        {"drop part pressed", kOdbDropDown, kOdbPartDrop, FALSE, {100, 24}, "0,0,86,23", "87,0,99,23", {89, 9}, {0, 0}, {0, 0}},
        {"caption left", image | kOdbCaptionLeft, kOdbPartNone, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {3, 6}, {53, 4}},
        {"caption right", image | kOdbCaptionRight, kOdbPartNone, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {77, 6}, {30, 4}},
        {"caption top", image | kOdbCaptionTop, kOdbPartNone, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {40, 3}, {42, 12}},
        {"caption bottom: halves truncate toward zero", image | kOdbCaptionBottom, kOdbPartNone, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {40, 8}, {42, -4}},
        {"latched strip", kOdbRadio | kOdbLatched | kOdbImage | kOdbTwoStateStrip, kOdbPartNone, FALSE, {100, 24}, "0,0,99,23", "0,0,0,0", {0, 0}, {1, 1}, {43, 5}},
        {"vertical: the swapped buffer", kOdbStylePlain | kOdbVertical, kOdbPartNone, FALSE, {80, 20}, "0,0,79,19", "0,0,0,0", {0, 0}, {30, 4}, {0, 0}},
    };
    // clang-format on
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ButtonLayoutInput in;
        in.style = c.style;
        in.buffer = c.buffer;
        in.defaultRing = c.ring;
        in.caption = {20, 13};
        in.image = {16, (c.style & kOdbTwoStateStrip) ? 32 : 16};
        in.dropArrow = {9, 6};
        in.pressedPart = c.pressed;
        const ButtonLayout out = LayOutButton(in);
        EXPECT_EQ(c.body, Str(out.body));
        EXPECT_EQ(c.zone, Str(out.zone));
        EXPECT_EQ(c.arrow.x, out.arrow.x);
        EXPECT_EQ(c.arrow.y, out.arrow.y);
        EXPECT_EQ(c.caption.x, out.caption.x);
        EXPECT_EQ(c.caption.y, out.caption.y);
        EXPECT_EQ(c.imagePos.x, out.imagePos.x);
        EXPECT_EQ(c.imagePos.y, out.imagePos.y);
        const int inset = c.ring ? 1 : 0;
        const RECT paint = {inset, inset, c.buffer.cx - 1 - inset, c.buffer.cy - 1 - inset};
        EXPECT_EQ(Str(paint), Str(out.paint));
        EXPECT_EQ("0,0," + std::to_string(c.buffer.cx - 1) + "," + std::to_string(c.buffer.cy - 1),
                  Str(out.full));
    }
}
