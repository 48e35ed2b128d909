// Owners of GDI objects and device contexts, so every early return of a
// drawing helper gives back what it took.
#pragma once

#include <windows.h>

// A window's device context from GetDC, released on destruction.
class CWindowDC
{
public:
    explicit CWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~CWindowDC()
    {
        if (m_hDC != NULL)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The device context of one WM_PAINT: BeginPaint at construction, EndPaint
// on destruction.
class CPaintDC
{
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
    HDC m_hDC;
};

// A memory device context, deleted on destruction: made compatible with
// another at construction, or handed over later through Reset.
class CMemoryDC
{
public:
    constexpr CMemoryDC() : m_hDC(NULL) {}
    explicit CMemoryDC(HDC hCompatible) : m_hDC(::CreateCompatibleDC(hCompatible)) {}
    ~CMemoryDC() { Reset(); }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    operator HDC() const { return m_hDC; }
    void Reset(HDC hDC = NULL)
    {
        if (m_hDC != NULL)
            ::DeleteDC(m_hDC);
        m_hDC = hDC;
    }

private:
    HDC m_hDC;
};

// Selects an object into a DC and puts the previous one back on destruction.
class CSelectObject
{
public:
    CSelectObject(HDC hDC, HGDIOBJ hObj) : m_hDC(hDC), m_hOld(::SelectObject(hDC, hObj)) {}
    ~CSelectObject()
    {
        if (m_hOld != NULL && m_hOld != HGDI_ERROR)
            ::SelectObject(m_hDC, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// Owns one GDI object (bitmap, brush, pen, font) until it is released.
template <class T>
class CGdiObject
{
public:
    constexpr explicit CGdiObject(T hObj = NULL) : m_h(hObj) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    operator T() const { return m_h; }
    T Get() const { return m_h; }
    void Reset(T hObj = NULL)
    {
        if (m_h != NULL)
            ::DeleteObject(m_h);
        m_h = hObj;
    }
    // Gives the object to the caller, who deletes it.
    T Release()
    {
        T h = m_h;
        m_h = NULL;
        return h;
    }

private:
    T m_h;
};

typedef CGdiObject<HBITMAP> CBitmapHandle;

// A GDI object that is either owned, and deleted when it is replaced and on
// destruction, or shared: borrowed from an owner that outlives this one and
// never deleted here.
template <class T>
class COwnedOrSharedGdiObject
{
public:
    constexpr COwnedOrSharedGdiObject() {}
    COwnedOrSharedGdiObject(const COwnedOrSharedGdiObject&) = delete;
    COwnedOrSharedGdiObject& operator=(const COwnedOrSharedGdiObject&) = delete;

    operator T() const { return Get(); }
    T Get() const { return m_shared != NULL ? m_shared : m_owned.Get(); }
    // Takes hObj over; the previous object is deleted when owned.
    void Reset(T hObj = NULL)
    {
        m_shared = NULL;
        m_owned.Reset(hObj);
    }
    // Borrows hObj; the previous object is deleted when owned.
    void Share(T hObj)
    {
        m_owned.Reset();
        m_shared = hObj;
    }

private:
    CGdiObject<T> m_owned;
    T m_shared = NULL;
};

typedef COwnedOrSharedGdiObject<HBITMAP> COwnedOrSharedBitmap;
