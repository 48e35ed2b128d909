// A process-wide table of {window, object} pairs for the controls (the
// owner-drawn button, the hyperlink) whose one shared window procedure finds
// the object here rather than through the framework's window property. The
// storage is a heap block of exactly Count() pairs, NULL while empty.
#pragma once

#include <windows.h>
#include <cstring>
#include <memory>
#include <new>

template <class T>
class CWindowTable
{
public:
    // Constant-initialised, so a table at namespace scope is ready before
    // any static constructor can reach it.
    constexpr CWindowTable() {}
    CWindowTable(const CWindowTable&) = delete;
    CWindowTable& operator=(const CWindowTable&) = delete;

    // Appends {hWnd, pObject}; false (and no change) when the table cannot grow.
    bool Add(HWND hWnd, T* pObject)
    {
        Entry* grown = new (std::nothrow) Entry[m_count + 1];
        if (grown == NULL)
            return false;
        if (m_count > 0)
            memcpy(grown, m_entries.get(), sizeof(Entry) * m_count);
        grown[m_count].hWnd = hWnd;
        grown[m_count].pObject = pObject;
        m_entries.reset(grown);
        ++m_count;
        return true;
    }

    // Removes every pair of the object, moving the later pairs down.
    void Remove(const T* pObject)
    {
        int kept = 0;
        for (int i = 0; i < m_count; ++i)
            if (m_entries[i].pObject != pObject)
                m_entries[kept++] = m_entries[i];
        if (kept == m_count)
            return;
        m_count = kept;
        if (kept == 0)
        {
            m_entries.reset();
            return;
        }
        // Keep the larger block when a smaller one cannot be had.
        Entry* shrunk = new (std::nothrow) Entry[kept];
        if (shrunk == NULL)
            return;
        memcpy(shrunk, m_entries.get(), sizeof(Entry) * kept);
        m_entries.reset(shrunk);
    }

    // The object of the first pair with that window, or NULL.
    T* Find(HWND hWnd) const
    {
        for (int i = 0; i < m_count; ++i)
            if (m_entries[i].hWnd == hWnd)
                return m_entries[i].pObject;
        return NULL;
    }

    int Count() const { return m_count; }

    // Adds the pair and installs proc on the window, saving the previous
    // procedure. Refused (false) for a window that already has an object or
    // already runs proc (it would save proc as its own previous procedure
    // and recurse without end), or when the table cannot grow.
    bool Subclass(HWND hWnd, T* pObject, WNDPROC proc, WNDPROC* pPrevious)
    {
        if (!IsWindow(hWnd) || Find(hWnd) != NULL ||
            (WNDPROC)GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == proc)
            return false;
        if (!Add(hWnd, pObject))
            return false;
        *pPrevious = (WNDPROC)SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)proc);
        return true;
    }

    // Removes the object's pairs and gives the window its previous procedure
    // back, but only while proc is still installed: otherwise a later
    // subclass would be cut off.
    void Unsubclass(HWND hWnd, const T* pObject, WNDPROC proc, WNDPROC previous)
    {
        Remove(pObject);
        if (IsWindow(hWnd) && previous != NULL &&
            (WNDPROC)GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == proc)
            SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)previous);
    }

private:
    struct Entry
    {
        HWND hWnd;
        T* pObject;
    };
    std::unique_ptr<Entry[]> m_entries;
    int m_count = 0;
};

// The body of a shared window procedure: the window's object gets the
// message through its virtual WindowProc; a window without an object, or a
// handler that throws, ends in DefWindowProc.
template <class T>
LRESULT DispatchToTable(const CWindowTable<T>& table, HWND hWnd, UINT uMsg, WPARAM wParam,
                        LPARAM lParam)
{
    try
    {
        if (T* pObject = table.Find(hWnd))
            return pObject->WindowProc(hWnd, uMsg, wParam, lParam);
    }
    catch (...)
    {
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}
