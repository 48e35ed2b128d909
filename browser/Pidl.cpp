#include "browser/Pidl.h"

#include <cstring>

#include "base/ComRef.h"
#include "base/Handles.h"

IMalloc* g_pMalloc = NULL;

namespace {

// Entries are byte-packed, so their counts may lie on odd addresses.
USHORT EntrySize(LPCITEMIDLIST pidl)
{
    USHORT cb;
    memcpy(&cb, pidl, sizeof(cb));
    return cb;
}

// Bytes of all entries, terminator not counted.
UINT EntriesSize(LPCITEMIDLIST pidl)
{
    UINT total = 0;
    const BYTE* p = reinterpret_cast<const BYTE*>(pidl);
    for (USHORT cb; (cb = EntrySize(reinterpret_cast<LPCITEMIDLIST>(p))) != 0; p += cb)
        total += cb;
    return total;
}

const UINT kTerminatorSize = sizeof(USHORT);

LPITEMIDLIST ZeroAlloc(IMalloc* malloc, UINT size)
{
    if (malloc == NULL)
        return NULL;
    void* p = malloc->Alloc(size);
    if (p != NULL)
        memset(p, 0, size);
    return static_cast<LPITEMIDLIST>(p);
}

LPITEMIDLIST ListAlloc(UINT size) { return ZeroAlloc(g_pMalloc, size); }

// A block of `entries` bytes copied from `pidl`, then a terminator.
LPITEMIDLIST ListCopy(LPCITEMIDLIST pidl, UINT entries)
{
    LPITEMIDLIST copy = ListAlloc(entries + kTerminatorSize);
    if (copy != NULL)
        memcpy(copy, pidl, entries); // the zero fill is the terminator
    return copy;
}

} // namespace

// ---------------------------------------------------------------------------

LPITEMIDLIST PidlGetNext(LPCITEMIDLIST pidl)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(pidl);
    return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(p + EntrySize(pidl)));
}

UINT PidlGetSize(LPCITEMIDLIST pidl)
{
    return pidl == NULL ? 0 : EntriesSize(pidl) + kTerminatorSize;
}

LPITEMIDLIST PidlAlloc(UINT size)
{
    CComRef<IMalloc> malloc;
    if (FAILED(SHGetMalloc(malloc.Out())))
        return NULL;
    return ZeroAlloc(malloc.Get(), size);
}

LPITEMIDLIST ConcatPidls(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    UINT firstSize = first != NULL ? EntriesSize(first) : 0;
    // A missing second list is taken as empty, so the result is always
    // terminated.
    UINT secondSize = second != NULL ? EntriesSize(second) : 0;
    LPITEMIDLIST joined = PidlAlloc(firstSize + secondSize + kTerminatorSize);
    if (joined == NULL)
        return NULL;
    BYTE* p = reinterpret_cast<BYTE*>(joined);
    if (firstSize)
        memcpy(p, first, firstSize);
    if (secondSize)
        memcpy(p + firstSize, second, secondSize);
    return joined;
}

int GetShellIconIndex(LPCVOID item, UINT flags)
{
    SHFILEINFOA info;
    memset(&info, 0, sizeof(info));
    SHGetFileInfoA(static_cast<LPCSTR>(item), 0, &info, sizeof(info), flags);
    return info.iIcon;
}

HIMAGELIST GetSystemImageList(UINT flags)
{
    SHFILEINFOA info;
    memset(&info, 0, sizeof(info));
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | flags));
}

// ---------------------------------------------------------------------------

UINT PidlCount(LPCITEMIDLIST pidl)
{
    if (pidl == NULL)
        return 0;
    UINT count = 0;
    for (; EntrySize(pidl) != 0; pidl = PidlGetNext(pidl))
        ++count;
    return count;
}

void PidlFree(LPITEMIDLIST pidl)
{
    if (pidl != NULL && g_pMalloc != NULL)
        g_pMalloc->Free(pidl);
}

LPITEMIDLIST PidlClone(LPCITEMIDLIST pidl)
{
    return pidl == NULL ? NULL : ListCopy(pidl, EntriesSize(pidl));
}

LPITEMIDLIST PidlCloneFirst(LPCITEMIDLIST pidl)
{
    return pidl == NULL ? NULL : ListCopy(pidl, EntrySize(pidl));
}

// ---------------------------------------------------------------------------

CPidl::~CPidl() { Free(); }

void CPidl::Attach(LPITEMIDLIST pidl)
{
    if (pidl == m_pidl)
        return;
    PidlFree(m_pidl);
    m_pidl = pidl;
}

LPITEMIDLIST CPidl::Detach()
{
    LPITEMIDLIST p = m_pidl;
    m_pidl = NULL;
    return p;
}

void CPidl::Append(LPCITEMIDLIST other)
{
    if (other == NULL)
        return;
    if (m_pidl == NULL)
    {
        m_pidl = PidlClone(other);
        return;
    }
    UINT heldSize = EntriesSize(m_pidl);
    UINT otherSize = EntriesSize(other);
    LPITEMIDLIST joined = ListAlloc(heldSize + otherSize + kTerminatorSize);
    if (joined != NULL)
    {
        memcpy(joined, m_pidl, heldSize);
        memcpy(reinterpret_cast<BYTE*>(joined) + heldSize, other, otherSize);
    }
    Attach(joined);
}

// ---------------------------------------------------------------------------

int GetShellItemName(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags, char* out,
                     size_t outSize)
{
    if (folder == NULL || out == NULL || outSize == 0)
        return 0;
    STRRET name;
    memset(&name, 0, sizeof(name));
    if (folder->GetDisplayNameOf(pidl, flags, &name) != S_OK)
        return 0;

    switch (name.uType)
    {
    case STRRET_WSTR:
    {
        int ok = 0;
        CTaskMemory<WCHAR> owned(name.pOleStr);
        if (name.pOleStr != NULL)
        {
            // Measured first, so a name that does not fit leaves out alone.
            int needed = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, NULL, 0, NULL, NULL);
            if (needed > 0 && (size_t)needed <= outSize)
                ok = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, out, (int)outSize, NULL,
                                         NULL) > 0;
        }
        return ok;
    }
    case STRRET_OFFSET:
    {
        if (pidl == NULL)
            return 0;
        const char* text = reinterpret_cast<const char*>(pidl) + name.uOffset;
        size_t len = strlen(text);
        if (len >= outSize)
            return 0;
        memcpy(out, text, len + 1);
        return 1;
    }
    case STRRET_CSTR:
    {
        size_t len = strnlen(name.cStr, sizeof(name.cStr));
        if (len >= sizeof(name.cStr) || len >= outSize)
            return 0;
        memcpy(out, name.cStr, len + 1);
        return 1;
    }
    default:
        return 0;
    }
}
