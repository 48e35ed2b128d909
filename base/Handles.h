// Owners of kernel, registry, search, menu and task-allocator handles, so
// every early return gives back what was taken. None of them can be copied.
#pragma once

#include <windows.h>
#include <objbase.h>

// A registry key opened or created under a parent, closed on destruction.
class CRegistryKey
{
public:
    CRegistryKey() : m_h(NULL) {}
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    operator HKEY() const { return m_h; }

    LONG Open(HKEY parent, const char* path)
    {
        Close();
        return ::RegOpenKeyA(parent, path, &m_h);
    }
    LONG Open(HKEY parent, const char* path, REGSAM access)
    {
        Close();
        return ::RegOpenKeyExA(parent, path, 0, access, &m_h);
    }
    // Creates the key and its missing parents, or opens it where it exists.
    LONG Create(HKEY parent, const char* path)
    {
        Close();
        return ::RegCreateKeyA(parent, path, &m_h);
    }
    LONG Create(HKEY parent, const char* path, REGSAM access)
    {
        Close();
        return ::RegCreateKeyExA(parent, path, 0, (LPSTR) "", REG_OPTION_NON_VOLATILE, access, NULL,
                                 &m_h, NULL);
    }
    void Close()
    {
        if (m_h != NULL)
            ::RegCloseKey(m_h);
        m_h = NULL;
    }

private:
    HKEY m_h;
};

// A file search from FindFirstFileA, closed on destruction. The first match
// is in the caller's record once the search is valid.
class CFindHandle
{
public:
    CFindHandle(const char* pattern, WIN32_FIND_DATAA& found)
        : m_h(::FindFirstFileA(pattern, &found))
    {
    }
    ~CFindHandle()
    {
        if (Valid())
            ::FindClose(m_h);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& found) { return ::FindNextFileA(m_h, &found) != FALSE; }

private:
    HANDLE m_h;
};

// A kernel object handle (file, event), closed on destruction. Both NULL
// and INVALID_HANDLE_VALUE mean none, as the creating calls answer either.
class CKernelHandle
{
public:
    explicit CKernelHandle(HANDLE h = NULL) : m_h(h) {}
    ~CKernelHandle() { Close(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE Get() const { return m_h; }
    bool Valid() const { return m_h != NULL && m_h != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h)
    {
        Close();
        m_h = h;
    }
    // Whether CloseHandle succeeded; true when there was nothing to close. A
    // write is only whole once its file closed.
    bool Close()
    {
        bool ok = true;
        if (Valid())
            ok = ::CloseHandle(m_h) != FALSE;
        m_h = NULL;
        return ok;
    }

private:
    HANDLE m_h;
};

// A menu (a loaded bar, or a popup taken out of one), destroyed with its
// submenus on destruction.
class CMenuHandle
{
public:
    explicit CMenuHandle(HMENU h = NULL) : m_h(h) {}
    ~CMenuHandle() { Reset(); }
    CMenuHandle(const CMenuHandle&) = delete;
    CMenuHandle& operator=(const CMenuHandle&) = delete;

    operator HMENU() const { return m_h; }
    void Reset(HMENU h = NULL)
    {
        if (m_h != NULL)
            ::DestroyMenu(m_h);
        m_h = h;
    }

private:
    HMENU m_h;
};

// Memory from the task allocator, freed on destruction: through the
// allocator the code obtained it from, or CoTaskMemFree when none is named.
template <class T>
class CTaskMemory
{
public:
    explicit CTaskMemory(T* p = NULL, IMalloc* malloc = NULL) : m_p(p), m_malloc(malloc) {}
    ~CTaskMemory() { Reset(); }
    CTaskMemory(const CTaskMemory&) = delete;
    CTaskMemory& operator=(const CTaskMemory&) = delete;

    T* Get() const { return m_p; }
    void Reset(T* p = NULL)
    {
        if (m_p != NULL)
        {
            if (m_malloc != NULL)
                m_malloc->Free(m_p);
            else
                ::CoTaskMemFree(m_p);
        }
        m_p = p;
    }

private:
    T* m_p;
    IMalloc* m_malloc;
};
