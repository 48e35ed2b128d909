#include "framework/Framework.h"

CModule g_Module;

// ---------------------------------------------------------------------------
// CModule

bool CModule::Init(HINSTANCE hInstance)
{
    if (hInstance == NULL)
        return false;
    m_hInst = hInstance;
    m_dwMainThreadID = ::GetCurrentThreadId();
    return true;
}

void CModule::Term()
{
    m_hInst = NULL;
    m_dwMainThreadID = 0;
}

// ---------------------------------------------------------------------------
// Binding of objects to windows.

namespace {

const char kWindowProp[] = "Tolvex.Window";
const char kDialogProp[] = "Tolvex.Dialog";

// The object whose window is being created; bound on the window's first
// message. One UI thread, so plain statics do.
CWindowImplBaseT* s_pCreatingWindow = NULL;
CDialogImplBaseT* s_pCreatingDialog = NULL;

HWND DialogItemOrNull(HWND hWnd, UINT id) { return id != 0 ? ::GetDlgItem(hWnd, (int)id) : NULL; }

// The WM_CTLCOLOR... messages: a control asks its parent for its colours.
bool IsControlColorMessage(UINT uMsg)
{
    switch (uMsg)
    {
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

// The messages to a parent that carry the sending control's handle as
// lParam.
bool NamesControlInLParam(UINT uMsg)
{
    switch (uMsg)
    {
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return true;
    default:
        return IsControlColorMessage(uMsg);
    }
}

// The object of a window; a window under creation is bound to the pending
// object on its first message.
template <class T>
T* BindObject(HWND hWnd, const char* prop, T*& pCreating)
{
    T* p = (T*)::GetPropA(hWnd, prop);
    if (p == NULL && pCreating != NULL)
    {
        p = pCreating;
        pCreating = NULL;
        p->m_hWnd = hWnd;
        ::SetPropA(hWnd, prop, (HANDLE)p);
    }
    return p;
}

// Runs the map; a handler that throws leaves the message to the default
// processing.
BOOL CallMessageMap(CMessageMap* p, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                    LRESULT& lRes)
{
    try
    {
        return p->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lRes, 0);
    }
    catch (...)
    {
        lRes = 0;
        return FALSE;
    }
}

template <class T>
void CallFinalMessage(T* p, HWND hWnd)
{
    try
    {
        p->OnFinalMessage(hWnd);
    }
    catch (...)
    {
    }
}

} // namespace

CMessageMap* CWindowImplBaseT::FromHandle(HWND hWnd)
{
    if (CMessageMap* p = (CWindowImplBaseT*)::GetPropA(hWnd, kWindowProp))
        return p;
    return (CDialogImplBaseT*)::GetPropA(hWnd, kDialogProp);
}

// ---------------------------------------------------------------------------
// CWindowImplBaseT

CWindowImplBaseT::~CWindowImplBaseT()
{
    // An object that dies before its window hands the window back, so no
    // message ever reaches freed memory.
    if (m_hWnd != NULL && ::IsWindow(m_hWnd))
    {
        if (m_pfnSuperWindowProc != NULL && m_pfnSuperWindowProc != ::DefWindowProcA)
            UnsubclassWindow();
        else
        {
            ::RemovePropA(m_hWnd, kWindowProp);
            ::DestroyWindow(m_hWnd);
        }
    }
    if (s_pCreatingWindow == this)
        s_pCreatingWindow = NULL;
}

bool CWindowImplBaseT::SubclassWindow(HWND hWnd)
{
    if (m_hWnd != NULL || hWnd == NULL || !::IsWindow(hWnd) || FromHandle(hWnd) != NULL)
        return false;
    if (!::SetPropA(hWnd, kWindowProp, (HANDLE)this))
        return false;
    WNDPROC old = (WNDPROC)::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)WindowProc);
    if (old == NULL)
    {
        ::RemovePropA(hWnd, kWindowProp);
        return false;
    }
    m_pfnSuperWindowProc = old;
    m_hWnd = hWnd;
    return true;
}

HWND CWindowImplBaseT::UnsubclassWindow()
{
    if (m_hWnd == NULL)
        return NULL;
    HWND hWnd = m_hWnd;
    if (m_pfnSuperWindowProc != NULL &&
        (WNDPROC)::GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == WindowProc)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuperWindowProc);
    ::RemovePropA(hWnd, kWindowProp);
    m_pfnSuperWindowProc = NULL;
    m_hWnd = NULL;
    return hWnd;
}

HINSTANCE ModuleInstance()
{
    HINSTANCE hInst = g_Module.GetModuleInstance();
    return hInst != NULL ? hInst : ::GetModuleHandleA(NULL);
}

bool ReadProgramPath(char* buffer, DWORD bufferSize)
{
    if (buffer == NULL || bufferSize == 0)
        return false;
    DWORD n = ::GetModuleFileNameA(::GetModuleHandleA(NULL), buffer, bufferSize);
    if (n == 0 || n >= bufferSize)
    {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

ATOM CWindowImplBaseT::RegisterOwnClass()
{
    HINSTANCE hInst = ModuleInstance();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExA(hInst, GetWndClassName(), &wc))
        return 1;
    wc.cbSize = sizeof(wc);
    wc.style = GetWndClassStyle();
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInst;
    wc.hCursor = ::LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = GetWndClassBackground();
    wc.lpszClassName = GetWndClassName();
    return ::RegisterClassExA(&wc);
}

HWND CWindowImplBaseT::Create(HWND hWndParent, const RECT* rect, const char* name, DWORD style,
                              DWORD exStyle, UINT_PTR id)
{
    if (m_hWnd != NULL || RegisterOwnClass() == 0)
        return NULL;
    RECT rc = rect ? *rect : RECT{CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};
    int w = rect ? rc.right - rc.left : CW_USEDEFAULT;
    int h = rect ? rc.bottom - rc.top : CW_USEDEFAULT;
    HINSTANCE hInst = ModuleInstance();
    m_pfnSuperWindowProc = ::DefWindowProcA;
    s_pCreatingWindow = this;
    HWND hWnd = ::CreateWindowExA(exStyle | GetWndExStyle(), GetWndClassName(), name ? name : "",
                                  style, rc.left, rc.top, w, h, hWndParent, (HMENU)id, hInst, NULL);
    if (s_pCreatingWindow == this)
        s_pCreatingWindow = NULL;
    if (hWnd == NULL)
        m_pfnSuperWindowProc = NULL;
    return hWnd;
}

LRESULT CWindowImplBaseT::DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = m_pfnSuperWindowProc ? m_pfnSuperWindowProc : ::DefWindowProcA;
    return ::CallWindowProcA(proc, m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBaseT::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CWindowImplBaseT* p = BindObject(hWnd, kWindowProp, s_pCreatingWindow);
    if (p == NULL)
        return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);

    LRESULT lRes = 0;
    BOOL handled = CallMessageMap(p, hWnd, uMsg, wParam, lParam, lRes);

    if (!handled)
        lRes = p->DefWindowProc(uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY)
    {
        // The window is gone: the object leaves the table and may be reused.
        ::RemovePropA(hWnd, kWindowProp);
        p->m_pfnSuperWindowProc = NULL;
        p->m_hWnd = NULL;
        CallFinalMessage(p, hWnd);
    }
    return lRes;
}

// ---------------------------------------------------------------------------
// CDialogImplBaseT

CDialogImplBaseT::~CDialogImplBaseT()
{
    if (m_hWnd != NULL && ::IsWindow(m_hWnd))
    {
        ::RemovePropA(m_hWnd, kDialogProp);
        if (!m_bModal)
            ::DestroyWindow(m_hWnd);
    }
    if (s_pCreatingDialog == this)
        s_pCreatingDialog = NULL;
}

INT_PTR CDialogImplBaseT::DoModalTemplate(UINT idd, HWND hWndParent, LPARAM lInitParam)
{
    if (m_hWnd != NULL)
        return -1;
    HINSTANCE hInst = ModuleInstance();
    s_pCreatingDialog = this;
    m_bModal = true;
    INT_PTR r =
        ::DialogBoxParamA(hInst, MAKEINTRESOURCEA(idd), hWndParent, GetDialogProc(), lInitParam);
    m_bModal = false;
    if (s_pCreatingDialog == this)
        s_pCreatingDialog = NULL;
    return r;
}

HWND CDialogImplBaseT::CreateTemplate(UINT idd, HWND hWndParent, LPARAM lInitParam)
{
    if (m_hWnd != NULL)
        return NULL;
    HINSTANCE hInst = ModuleInstance();
    s_pCreatingDialog = this;
    HWND hWnd =
        ::CreateDialogParamA(hInst, MAKEINTRESOURCEA(idd), hWndParent, GetDialogProc(), lInitParam);
    if (s_pCreatingDialog == this)
        s_pCreatingDialog = NULL;
    return hWnd;
}

bool CDialogImplBaseT::CenterWindow(HWND hWndCenter)
{
    RECT rcDlg;
    if (!::GetWindowRect(m_hWnd, &rcDlg))
        return false;
    RECT rcArea;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0))
        ::SetRect(&rcArea, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));

    if (hWndCenter == NULL)
        hWndCenter = ::GetWindow(m_hWnd, GW_OWNER);
    RECT rcCenter = rcArea;
    if (hWndCenter != NULL && ::IsWindowVisible(hWndCenter) && !::IsIconic(hWndCenter))
        ::GetWindowRect(hWndCenter, &rcCenter);

    int w = rcDlg.right - rcDlg.left;
    int h = rcDlg.bottom - rcDlg.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
    if (x + w > rcArea.right)
        x = rcArea.right - w;
    if (x < rcArea.left)
        x = rcArea.left;
    if (y + h > rcArea.bottom)
        y = rcArea.bottom - h;
    if (y < rcArea.top)
        y = rcArea.top;
    return ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) !=
           FALSE;
}

INT_PTR CALLBACK CDialogImplBaseT::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CDialogImplBaseT* p = BindObject(hWnd, kDialogProp, s_pCreatingDialog);
    if (p == NULL)
        return FALSE;

    LRESULT lRes = 0;
    BOOL handled = CallMessageMap(p, hWnd, uMsg, wParam, lParam, lRes);
    if (uMsg == WM_NCDESTROY)
    {
        ::RemovePropA(hWnd, kDialogProp);
        p->m_hWnd = NULL;
        CallFinalMessage(p, hWnd);
        return FALSE;
    }
    if (!handled)
        return FALSE;

    // The dialog return rule: these messages return their value directly,
    // every other one through DWLP_MSGRESULT.
    switch (uMsg)
    {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
        return (INT_PTR)lRes;
    default:
        if (IsControlColorMessage(uMsg))
            return (INT_PTR)lRes;
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lRes);
        return TRUE;
    }
}

// ---------------------------------------------------------------------------
// Reflection and forwarding.

HWND FindReflectionTarget(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_COMMAND:
        return (HWND)lParam; // a menu command has none and is not reflected
    case WM_NOTIFY:
        return lParam ? ((LPNMHDR)lParam)->hwndFrom : NULL;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
            return (HWND)lParam;
        return DialogItemOrNull(hWnd, HIWORD(wParam));
    case WM_DRAWITEM:
        return (wParam && lParam) ? ((LPDRAWITEMSTRUCT)lParam)->hwndItem : NULL;
    case WM_MEASUREITEM:
        return (wParam && lParam) ? DialogItemOrNull(hWnd, ((LPMEASUREITEMSTRUCT)lParam)->CtlID)
                                  : NULL;
    case WM_DELETEITEM:
        return (wParam && lParam) ? DialogItemOrNull(hWnd, ((LPDELETEITEMSTRUCT)lParam)->CtlID)
                                  : NULL;
    case WM_COMPAREITEM:
        return (wParam && lParam) ? DialogItemOrNull(hWnd, ((LPCOMPAREITEMSTRUCT)lParam)->CtlID)
                                  : NULL;
    default:
        return NamesControlInLParam(uMsg) ? (HWND)lParam : NULL;
    }
}

LRESULT ReflectNotifications(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND hChild = FindReflectionTarget(hWnd, uMsg, wParam, lParam);
    if (hChild == NULL)
    {
        bHandled = FALSE;
        return 1;
    }
    return ::SendMessageA(hChild, OCM__BASE + uMsg, wParam, lParam);
}

LRESULT ForwardNotifications(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    switch (uMsg)
    {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_PARENTNOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
        break;
    default:
        if (NamesControlInLParam(uMsg))
            break;
        bHandled = FALSE;
        return 0;
    }
    return ::SendMessageA(::GetParent(hWnd), uMsg, wParam, lParam);
}
