// Owner of one COM interface reference, released on destruction.
#pragma once

#include <objbase.h>

template <class T>
class CComRef
{
public:
    CComRef() {}
    explicit CComRef(T* p) : m_p(p) {}
    ~CComRef() { Reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != NULL; }

    // For out parameters: drops what is held and hands out the slot.
    T** Out()
    {
        Reset();
        return &m_p;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    T* Detach()
    {
        T* p = m_p;
        m_p = NULL;
        return p;
    }

    void Reset(T* p = NULL)
    {
        if (m_p != NULL)
            m_p->Release();
        m_p = p;
    }

private:
    T* m_p = NULL;
};
