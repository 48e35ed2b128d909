// The owner-drawn push button: takes over a "BUTTON" window, paints it from a
// back buffer and runs its own pointer logic (hover with fade, press, toggle
// and radio latching, a drop-down part with a menu, auto-repeat, tooltip).
// All buttons share one window procedure, which finds the object through a
// process-wide table of {window, object} pairs.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "base/GdiHandles.h"
#include "base/Handles.h"

// Style word bits.
const DWORD kOdbNoMenu = 0x1;
const DWORD kOdbRadio = 0x2;
const DWORD kOdbToggle = 0x4;
const DWORD kOdbDropDown = 0x8;
const DWORD kOdbCaption = 0x10;
const DWORD kOdbImage = 0x20;
const DWORD kOdbGrayIdle = 0x40;
const DWORD kOdbFade = 0x80;
const DWORD kOdbCaptionLeft = 0x100;
const DWORD kOdbCaptionTop = 0x200;
const DWORD kOdbCaptionRight = 0x400;
const DWORD kOdbCaptionBottom = 0x800;
const DWORD kOdbCaptionSides = 0xF00;
const DWORD kOdbLatched = 0x1000;
const DWORD kOdbOpaqueImage = 0x2000;
const DWORD kOdbTwoStateStrip = 0x4000;
const DWORD kOdbTooltip = 0x8000;
const DWORD kOdbHoverBands = 0x10000;
const DWORD kOdbAlwaysFramed = 0x20000;
const DWORD kOdbFocusOnClick = 0x40000;
const DWORD kOdbDefaultFrame = 0x80000;
const DWORD kOdbMenuLeft = 0x100000;
const DWORD kOdbVertical = 0x1000000;
const DWORD kOdbAutoRepeat = 0x2000000;
const DWORD kOdbUpArrow = 0x4000000;
const DWORD kOdbDownArrowTag = 0x8000000;
const DWORD kOdbAlwaysEnabledLook = 0x10000000;
// A latching button keeps kOdbLatched between clicks.
const DWORD kOdbLatching = kOdbRadio | kOdbToggle;

// The style words the dialogs pass.
const DWORD kOdbStylePlain = kOdbCaption | kOdbHoverBands | kOdbAlwaysFramed;
const DWORD kOdbStyleFocusDefault =
    kOdbNoMenu | kOdbStylePlain | kOdbFocusOnClick | kOdbDefaultFrame;
const DWORD kOdbStyleViewRadio = kOdbNoMenu | kOdbRadio | kOdbHoverBands | kOdbAlwaysFramed;
const DWORD kOdbStyleColor = kOdbNoMenu | kOdbImage | kOdbHoverBands | kOdbAlwaysFramed;
const DWORD kOdbStyleSpinUp =
    kOdbImage | kOdbHoverBands | kOdbAlwaysFramed | kOdbAutoRepeat | kOdbUpArrow;
const DWORD kOdbStyleSpinDown =
    kOdbImage | kOdbHoverBands | kOdbAlwaysFramed | kOdbAutoRepeat | kOdbDownArrowTag;
static_assert(kOdbStylePlain == 0x30010, "plain button word");
static_assert(kOdbStyleFocusDefault == 0xF0011, "focus/default button word");
static_assert(kOdbStyleViewRadio == 0x30003, "view button word");
static_assert(kOdbStyleColor == 0x30021, "colour button word");
static_assert(kOdbStyleSpinUp == 0x6030020, "spin up word");
static_assert(kOdbStyleSpinDown == 0xA030020, "spin down word");

// Parts of a button under the pointer.
const int kOdbPartNone = 0;
const int kOdbPartBody = 1;
const int kOdbPartDrop = 2;

// Auto-repeat timers: the first waits the keyboard delay, the second repeats.
const UINT_PTR kOdbRepeatDelayTimer = 1000;
const UINT_PTR kOdbRepeatTimer = 1001;

// The drop-down part is this many right-most client columns.
const int kOdbDropHitWidth = 12;
// Fade level at rest (fully faded in).
const BYTE kOdbFadeFull = 255;
const size_t kOdbTipTextSize = 1024;

// The registered "WM_CHECK_MOUSE_POS" message; registers it on first use.
UINT GetCheckMousePosMessage();

// Bitmaps, brush and DC shared by every button, and their owners: made once
// at start-up, deleted by FreeButtonArrowBitmaps at exit (or by the owners
// themselves when the process ends without that clean-up).
struct ButtonArrowBitmaps
{
    CBitmapHandle hDropArrow;
    int dropArrowWidth = 9;
    int dropArrowHeight = 6;
    CGdiObject<HBRUSH> hLatchedBrush;
    CMemoryDC hMonoDC;
    CBitmapHandle hDownArrow;
    CBitmapHandle hUpArrow;
};
extern ButtonArrowBitmaps g_ButtonArrowBitmaps;

// Start-up and exit of the button unit: the shared bitmaps and the message.
void CreateButtonArrowBitmaps();
void FreeButtonArrowBitmaps();

// What the layout of one paint depends on, all in the buffer's unturned
// orientation: the style word, the buffer's size, whether the default ring
// is drawn, the caption's and the image's measured sizes (the whole strip),
// the shared drop-down arrow's size and the pressed part.
struct ButtonLayoutInput
{
    DWORD style = 0;
    SIZE buffer = {0, 0};
    BOOL defaultRing = FALSE;
    SIZE caption = {0, 0};
    SIZE image = {0, 0};
    SIZE dropArrow = {0, 0};
    int pressedPart = kOdbPartNone;
};

// Where one paint puts everything; rectangles are inclusive.
struct ButtonLayout
{
    RECT paint;     // the face, inside the default ring
    RECT full;      // the whole buffer, for the default ring
    RECT body;      // the body's frame
    RECT zone;      // the drop-down zone; all zero without one
    POINT arrow;    // the drop-down arrow's top left
    POINT caption;  // the caption's top left
    POINT imagePos; // the image's top left
    SIZE image;     // the image's size, one state of a strip
};

// The layout half of painting: no window, no pixels.
ButtonLayout LayOutButton(const ButtonLayoutInput& in);

// The state one paint reads once: the face colour and the looks it picks.
struct ButtonLook
{
    COLORREF face = 0;
    BOOL enabled = FALSE;     // enabled, or drawn as if it were
    BOOL defaultRing = FALSE; // the black ring of the default button
    BOOL hot = FALSE;
    BOOL latched = FALSE; // a latching button in its latched state
    BOOL framed = FALSE;  // hot, or always framed
};

class COwnerDrawButton;

LRESULT CALLBACK OwnerDrawButtonWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The window table. Add fails (false) when the table cannot grow.
bool ButtonMapAdd(COwnerDrawButton* pButton);
void ButtonMapRemove(COwnerDrawButton* pButton);
COwnerDrawButton* ButtonMapFind(HWND hWnd);
int ButtonMapCount();

class COwnerDrawButton
{
public:
    COwnerDrawButton();
    // Detaches a window that is still attached, so the shared procedure
    // never reaches a dead object.
    virtual ~COwnerDrawButton();
    COwnerDrawButton(const COwnerDrawButton&) = delete;
    COwnerDrawButton& operator=(const COwnerDrawButton&) = delete;

    // Subclasses the window; 0 when it is already a button of ours (or this
    // object already has one) or the table cannot grow.
    virtual BOOL Attach(HWND hWnd, DWORD style);
    // A visible child "BUTTON"; rect is inclusive in the parent, or NULL.
    virtual BOOL Create(const char* caption, HWND hWndParent, UINT id, DWORD style,
                        const RECT* rect);
    virtual BOOL SubclassDlgItem(HWND hDlg, UINT id, DWORD style);
    virtual void OnClicked();
    virtual void ShowMenu();
    virtual LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void Cleanup();
    virtual void Draw(HDC hDC);
    virtual void GetTipText(NMTTDISPINFOA* pInfo);

    BOOL SetFlags(DWORD mask, BOOL on);
    BOOL HasFlag(DWORD mask) const { return (m_style & mask) != 0; }
    BOOL SetImage(HINSTANCE hInst, UINT id, DWORD bits, int mapMode);
    BOOL SetMenu(HINSTANCE hInst, UINT id, int position, int defaultPosition);
    BOOL SetTooltip(HINSTANCE hInst, const char* text);
    int HitTest(int x, int y) const;
    void Redraw(BOOL parentToo);
    SIZE MeasureText() const;

    // Focus frame: a solid outline in ~b with the dotted inverting pattern
    // over it; result 1.
    static BOOL DrawFocusFrame(HDC hDC, const RECT& rc, COLORREF a, COLORREF b);

    HWND GetHwnd() const { return m_hWnd; }
    DWORD GetStyle() const { return m_style; }
    int GetHotPart() const { return m_hotPart; }
    int GetPressedPart() const { return m_pressedPart; }
    BYTE GetFadeLevel() const { return m_fadeLevel; }
    HWND GetTooltipWindow() const { return m_hTooltip; }
    HMENU GetDropMenu() const { return m_hMenu; }
    HBITMAP GetBackBuffer() const { return m_hBackBuffer; }
    HBITMAP GetImage() const { return m_hImage; }
    HBITMAP GetGrayImage() const { return m_hGrayImage; }

protected:
    LRESULT CallSaved(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Handlers of WindowProc. The ones without a result leave the message to
    // DefWindowProc afterwards; OnNotify says whether it answered.
    void OnSize();
    void OnFocusChange(UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint();
    void OnShowWindow(BOOL showing);
    LRESULT OnSetCursor();
    bool OnNotify(NMHDR* pHeader);
    void OnStyleChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetDlgCode(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCheck(WPARAM wParam);
    LRESULT OnSetState(WPARAM wParam, LPARAM lParam);
    void OnCaptureChanged();
    LRESULT OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(int part);
    LRESULT OnCheckMousePos();
    void OnMouseLeave();
    void OnTimer(UINT_PTR id);
    // The button at rest: nothing hot, nothing pressed, the fade complete.
    // Between pointer events the fade level is always full, so the places
    // that only drop the parts lose nothing by resetting it too.
    void ResetPointerState();
    void MakeBackBuffer();
    // The paint steps of Draw, in their order, into the back buffer
    // selected in mem; Present puts the buffer on the window.
    void PaintFace(HDC mem, const ButtonLook& look, const ButtonLayout& layout);
    void PaintCaption(HDC mem, POINT at);
    void PaintImage(const ButtonLook& look, const ButtonLayout& layout);
    void PaintFrames(HDC mem, const ButtonLook& look, const ButtonLayout& layout);
    void Present(HDC hDC, HDC mem, const ButtonLook& look, const RECT& client);
    void Detach();
    // Detaches a window that is still this object's. A class that overrides
    // Cleanup calls it from its own destructor: the base destructor reaches
    // only the base Cleanup.
    void DetachIfAttached();

    HWND m_hWnd = NULL;
    DWORD m_style = 0;
    WNDPROC m_pfnSaved = NULL;
    // Owned, but for a spin button's arrow, which is shared.
    COwnedOrSharedBitmap m_hImage;
    CBitmapHandle m_hBackBuffer;
    CBitmapHandle m_hGrayImage;
    CMenuHandle m_hMenu;
    int m_hotPart = kOdbPartNone;
    int m_pressedPart = kOdbPartNone;
    BYTE m_fadeLevel = kOdbFadeFull;
    char m_tipText[kOdbTipTextSize];
    HWND m_hTooltip = NULL;
};
