// Item ID lists: measuring, copying, joining and freeing them, their owner
// CPidl, and the ANSI names and icons of shell items.
//
// Two sets of routines reach the same shell task allocator: the tree's set
// asks the shell for it on every call, the list's set uses g_pMalloc. Memory
// from either may be freed through either.
#pragma once

#include <windows.h>
#include <shlobj.h>

// The shell's task allocator the list's set uses, obtained once at start-up
// and held for the life of the process; NULL when the shell could not give it.
extern IMalloc* g_pMalloc;

// --- Tree set (allocator asked for on each call) ---------------------------

// The entry after the first one; no test for null or the terminator.
LPITEMIDLIST PidlGetNext(LPCITEMIDLIST pidl);
// Sum of all entry counts plus the terminator; 0 for NULL.
UINT PidlGetSize(LPCITEMIDLIST pidl);
// A zero-filled block from the task allocator, or NULL.
LPITEMIDLIST PidlAlloc(UINT size);
// The entries of `first` followed by the whole of `second`; a NULL list
// contributes nothing. NULL when the allocation fails.
LPITEMIDLIST ConcatPidls(LPCITEMIDLIST first, LPCITEMIDLIST second);
// iIcon of SHGetFileInfoA; with SHGFI_PIDL among the flags `item` is an item
// ID list, else a path. 0 when the call fails.
int GetShellIconIndex(LPCVOID item, UINT flags);
// The system image list (SHGFI_SYSICONINDEX, optionally SHGFI_SMALLICON).
// The system owns it: controls must share it, never destroy it.
HIMAGELIST GetSystemImageList(UINT flags);

// --- List set (g_pMalloc) ---------------------------------------------------

// Entries before the terminator; 0 for NULL or an empty list.
UINT PidlCount(LPCITEMIDLIST pidl);
void PidlFree(LPITEMIDLIST pidl);
// A copy of the whole list; NULL for NULL or when the allocation fails.
LPITEMIDLIST PidlClone(LPCITEMIDLIST pidl);
// A copy of the first entry with a terminator; an empty list gives an
// empty list. NULL for NULL or when the allocation fails.
LPITEMIDLIST PidlCloneFirst(LPCITEMIDLIST pidl);

// Owns one item ID list, freed through g_pMalloc.
class CPidl
{
public:
    CPidl() {}
    explicit CPidl(LPITEMIDLIST pidl) : m_pidl(pidl) {}
    virtual ~CPidl();
    CPidl(const CPidl&) = delete;
    CPidl& operator=(const CPidl&) = delete;

    LPITEMIDLIST Get() const { return m_pidl; }
    // Frees the held list and takes `pidl` instead.
    void Attach(LPITEMIDLIST pidl);
    LPITEMIDLIST Detach();
    void Free() { Attach(NULL); }

    // Appends a copy of `other`'s entries. NULL changes nothing; on an
    // allocation failure the held list is lost and the holder left empty.
    void Append(LPCITEMIDLIST other);

private:
    LPITEMIDLIST m_pidl = NULL;
};

// --- Names ------------------------------------------------------------------

// The name of an item (relative to `folder`; absolute for the desktop) by
// the SHGDN_ flags, in the ANSI code page. 1 when `out` holds the name; 0
// when the folder fails or the name does not fit, and `out` is untouched.
int GetShellItemName(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags, char* out,
                     size_t outSize);

template <size_t N>
int GetShellItemName(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags, char (&out)[N])
{
    return GetShellItemName(folder, pidl, flags, out, N);
}
