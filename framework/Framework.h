// Our small window framework: the module object, windows and dialogs whose
// messages reach a virtual ProcessWindowMessage through flat message maps,
// subclassing of existing windows, contained windows with alternate maps,
// reflection of notifications to the child controls, and the simple dialog.
//
// Routing: every window object is found from its HWND through a window
// property; a window being created is bound on its very first message
// through a per-thread "object under creation" pointer. No C++ exception
// ever leaves one of the trampolines.
#pragma once

#include <windows.h>

// ---------------------------------------------------------------------------
// Module object: the instance and the main thread.

class CModule
{
public:
    CModule() {}
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    // Records the instance and the calling thread as the main thread; false
    // (and nothing recorded) without an instance.
    bool Init(HINSTANCE hInstance);
    // Forgets both again.
    void Term();

    HINSTANCE GetModuleInstance() const { return m_hInst; }
    HINSTANCE GetResourceInstance() const { return m_hInst; }
    DWORD GetMainThreadId() const { return m_dwMainThreadID; }
    bool IsInitialised() const { return m_hInst != NULL; }

private:
    HINSTANCE m_hInst = NULL;
    DWORD m_dwMainThreadID = 0;
};

extern CModule g_Module;

// The module object's instance, or the program's own module while the
// module object is not initialised.
HINSTANCE ModuleInstance();

// The program's own file path (its module's); false with an empty buffer
// when the path cannot be read or does not fit.
bool ReadProgramPath(char* buffer, DWORD bufferSize);

// ---------------------------------------------------------------------------
// Message maps.

// Reflected messages arrive at the child as message + this base.
const UINT OCM__BASE = WM_USER + 0x1c00;
const UINT OCM_NOTIFY = OCM__BASE + WM_NOTIFY;

class CMessageMap
{
public:
    virtual ~CMessageMap() {}
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult, DWORD dwMsgMapID) = 0;
};

// The map macros are laid out by hand, as the maps that use them read.
// clang-format off
// A map is a list of entries tried in order; the first that matches and
// leaves bHandled set ends the search.
#define BEGIN_MSG_MAP(theClass) \
public: \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                              LRESULT& lResult, DWORD dwMsgMapID = 0) override \
    { \
        BOOL bHandled = TRUE; \
        (void)hWnd; (void)uMsg; (void)wParam; (void)lParam; (void)lResult; (void)bHandled; \
        switch (dwMsgMapID) { \
        case 0:

#define ALT_MSG_MAP(msgMapID) \
            break; \
        case msgMapID:

#define END_MSG_MAP() \
            break; \
        default: \
            break; \
        } \
        return FALSE; \
    }

#define TVX_CALL_HANDLER(call) \
    { bHandled = TRUE; lResult = call; if (bHandled) return TRUE; }

#define MESSAGE_HANDLER(msg, func) \
    if (uMsg == (UINT)(msg)) TVX_CALL_HANDLER(func(uMsg, wParam, lParam, bHandled))

#define TVX_COMMAND_CALL(func) \
    TVX_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define COMMAND_HANDLER(id, code, func) \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (WORD)(id) && HIWORD(wParam) == (WORD)(code)) \
        TVX_COMMAND_CALL(func)

#define COMMAND_ID_HANDLER(id, func) \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (WORD)(id)) TVX_COMMAND_CALL(func)

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func) \
    if (uMsg == WM_COMMAND && LOWORD(wParam) >= (WORD)(idFirst) && LOWORD(wParam) <= (WORD)(idLast)) \
        TVX_COMMAND_CALL(func)

#define COMMAND_RANGE_CODE_HANDLER(idFirst, idLast, code, func) \
    if (uMsg == WM_COMMAND && HIWORD(wParam) == (WORD)(code) && \
        LOWORD(wParam) >= (WORD)(idFirst) && LOWORD(wParam) <= (WORD)(idLast)) \
        TVX_COMMAND_CALL(func)

#define TVX_NOTIFY_CALL(func) \
    TVX_CALL_HANDLER(func((int)wParam, (LPNMHDR)lParam, bHandled))

#define NOTIFY_HANDLER(id, cd, func) \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id) && \
        ((LPNMHDR)lParam)->code == (UINT)(cd)) \
        TVX_NOTIFY_CALL(func)

#define NOTIFY_CODE_HANDLER(cd, func) \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->code == (UINT)(cd)) TVX_NOTIFY_CALL(func)

#define REFLECTED_NOTIFY_CODE_HANDLER(cd, func) \
    if (uMsg == OCM_NOTIFY && ((LPNMHDR)lParam)->code == (UINT)(cd)) TVX_NOTIFY_CALL(func)

#define CHAIN_MSG_MAP(theChainClass) \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

// Sends the notifications that no entry handled back to their child.
#define REFLECT_NOTIFICATIONS() \
    { bHandled = TRUE; lResult = ReflectNotifications(hWnd, uMsg, wParam, lParam, bHandled); \
      if (bHandled) return TRUE; }

// Passes children's notifications on to this window's parent.
#define FORWARD_NOTIFICATIONS() \
    { bHandled = TRUE; lResult = ForwardNotifications(hWnd, uMsg, wParam, lParam, bHandled); \
      if (bHandled) return TRUE; }

// Reflected messages that the child's map did not handle end here.
#define DEFAULT_REFLECTION_HANDLER() \
    if (uMsg >= OCM__BASE && uMsg < OCM__BASE + 0x400) \
        { lResult = ::DefWindowProcA(hWnd, uMsg - OCM__BASE, wParam, lParam); return TRUE; }

// clang-format on

// The child window a notification concerns, or NULL when it is not one.
HWND FindReflectionTarget(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
LRESULT ReflectNotifications(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
LRESULT ForwardNotifications(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

// ---------------------------------------------------------------------------
// Thin HWND wrapper.

class CWindow
{
public:
    HWND m_hWnd;

    CWindow(HWND hWnd = NULL) : m_hWnd(hWnd) {}
    operator HWND() const { return m_hWnd; }

    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const
    {
        return ::SendMessageA(m_hWnd, msg, w, l);
    }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL SetWindowText(const char* text) const { return ::SetWindowTextA(m_hWnd, text); }
    BOOL GetClientRect(RECT* rc) const { return ::GetClientRect(m_hWnd, rc); }
    BOOL GetWindowRect(RECT* rc) const { return ::GetWindowRect(m_hWnd, rc); }
    BOOL DestroyWindow()
    {
        BOOL ok = ::DestroyWindow(m_hWnd);
        if (ok)
            m_hWnd = NULL;
        return ok;
    }
};

// ---------------------------------------------------------------------------
// Windows whose messages go to an object's map.

class CWindowImplBaseT : public CWindow, public CMessageMap
{
public:
    CWindowImplBaseT() {}
    ~CWindowImplBaseT() override;
    CWindowImplBaseT(const CWindowImplBaseT&) = delete;
    CWindowImplBaseT& operator=(const CWindowImplBaseT&) = delete;

    // Takes over an existing window; refused (false) when the window is
    // already one of ours or this object already has a window.
    bool SubclassWindow(HWND hWnd);
    // Gives the window its previous procedure back.
    HWND UnsubclassWindow();

    // Creates a window of the class this object registers (GetWndClassName).
    HWND Create(HWND hWndParent, const RECT* rect, const char* name, DWORD style, DWORD exStyle = 0,
                UINT_PTR id = 0);

    // The class this object's windows are registered under when created.
    virtual const char* GetWndClassName() const { return "TolvexWindow"; }
    virtual UINT GetWndClassStyle() const { return CS_DBLCLKS; }
    virtual HBRUSH GetWndClassBackground() const { return (HBRUSH)(COLOR_WINDOW + 1); }
    // Extended style bits that every window this object creates carries,
    // whatever its creator asks for.
    virtual DWORD GetWndExStyle() const { return 0; }
    // Called after the last message (WM_NCDESTROY) with the window gone.
    virtual void OnFinalMessage(HWND) {}

    LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    // The object bound to a window by this framework, if any.
    static CMessageMap* FromHandle(HWND hWnd);

protected:
    WNDPROC m_pfnSuperWindowProc = NULL;

private:
    ATOM RegisterOwnClass();
};

// A window that belongs to another object: its messages go to the owner's
// map under an alternate map id.
class CContainedWindow : public CWindowImplBaseT
{
public:
    CContainedWindow(CMessageMap* pOwner = NULL, DWORD dwMsgMapID = 0)
        : m_pOwner(pOwner), m_dwMsgMapID(dwMsgMapID)
    {
    }

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                              DWORD) override
    {
        return m_pOwner &&
               m_pOwner->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, m_dwMsgMapID);
    }

private:
    CMessageMap* m_pOwner;
    DWORD m_dwMsgMapID;
};

// ---------------------------------------------------------------------------
// Dialogs.

class CDialogImplBaseT : public CWindow, public CMessageMap
{
public:
    CDialogImplBaseT() {}
    ~CDialogImplBaseT() override;
    CDialogImplBaseT(const CDialogImplBaseT&) = delete;
    CDialogImplBaseT& operator=(const CDialogImplBaseT&) = delete;

    INT_PTR DoModalTemplate(UINT idd, HWND hWndParent, LPARAM lInitParam);
    HWND CreateTemplate(UINT idd, HWND hWndParent, LPARAM lInitParam);
    BOOL EndDialog(INT_PTR nRetCode) { return ::EndDialog(m_hWnd, nRetCode); }

    // Centres on the owner, or on the work area when the owner is missing,
    // hidden or minimised; kept inside the work area; no size, order or
    // activation change. False when the dialog could not be moved.
    bool CenterWindow(HWND hWndCenter = NULL);

    virtual DLGPROC GetDialogProc() { return DialogProc; }
    virtual void OnFinalMessage(HWND) {}

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

protected:
    // Set while a modal loop of ours runs, so the destructor can tell.
    bool m_bModal = false;
};

template <class T>
class CDialogImpl : public CDialogImplBaseT
{
public:
    INT_PTR DoModal(HWND hWndParent = ::GetActiveWindow(), LPARAM lInitParam = 0)
    {
        return DoModalTemplate(T::IDD, hWndParent, lInitParam);
    }
    HWND Create(HWND hWndParent, LPARAM lInitParam = 0)
    {
        return CreateTemplate(T::IDD, hWndParent, lInitParam);
    }
};

// A modal dialog on a template that centres itself and ends on the
// commands 1 to 7 (IDOK to IDNO) with that id.
template <UINT t_wDlgTemplateID, BOOL t_bCenter = TRUE>
class CSimpleDialog : public CDialogImplBaseT
{
public:
    enum { IDD = t_wDlgTemplateID };

    INT_PTR DoModal(HWND hWndParent = ::GetActiveWindow(), LPARAM lInitParam = 0)
    {
        return DoModalTemplate(IDD, hWndParent, lInitParam);
    }

    BEGIN_MSG_MAP(CSimpleDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_RANGE_HANDLER(IDOK, IDNO, OnCloseCmd)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        if (t_bCenter)
            CenterWindow(GetParent());
        return TRUE;
    }
    LRESULT OnCloseCmd(WORD, WORD wID, HWND, BOOL&)
    {
        EndDialog(wID);
        return 0;
    }
};
