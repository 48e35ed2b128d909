// A shell folder of our own making for the browser tests: items, their
// attributes and names are set by the test, and every call can be made to
// fail, which the real namespace cannot be asked to do.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

// Bytes of an item ID list built from entry data (each entry gets its count
// in front; the terminator is added).
std::string MakeListBytes(const std::vector<std::string>& entries);
// The same list in a block from the task allocator.
LPITEMIDLIST MakeList(const std::vector<std::string>& entries);
inline LPCITEMIDLIST AsList(const std::string& bytes)
{
    return reinterpret_cast<LPCITEMIDLIST>(bytes.data());
}
std::string ListBytes(LPCITEMIDLIST pidl); // the whole list with its terminator

// Makes sure g_pMalloc is set, as start-up does in the program.
void EnsureShellAllocator();
// The desktop's absolute list for a Windows path (NULL on failure).
LPITEMIDLIST ParsePath(const std::string& path);
// The desktop folder's name of an absolute list, or "" on failure.
std::string PathOfList(LPCITEMIDLIST pidl);
// The names (by SHGDN_ flags) of what a folder enumerates, in its order.
std::vector<std::string> EnumeratedNames(IShellFolder* folder, SHCONTF what, SHGDNF how);

class CFakeShellFolder : public IShellFolder
{
public:
    struct Item
    {
        std::string name;      // display and parsing name
        SFGAOF attributes = 0; // reported by GetAttributesOf
        bool attributesFail = false;
        bool nameFails = false;
        IShellFolder* child = NULL; // BindToObject result (not owned); NULL fails
    };

    // Offset of the name text inside an item's entry (after count, marker, index).
    static const UINT kNameOffset = 4;

    std::vector<Item> items;
    UINT strretType = STRRET_WSTR; // how names come back
    HRESULT enumResult = S_OK;
    LONG refs = 1;

    // The one-entry list of items[i] (allocated from the task allocator).
    LPITEMIDLIST ItemList(size_t i) const;
    // Which item an entry names, or -1.
    int IndexOf(LPCITEMIDLIST pidl) const;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)InterlockedDecrement(&refs); }
    // IShellFolder
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, LPBC, LPOLESTR, ULONG*, LPITEMIDLIST*,
                                               ULONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList** out) override;
    HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, LPBC, REFIID, void**) override;
    HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, LPBC, REFIID, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override;
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*,
                                            void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET*) override;
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF,
                                        LPITEMIDLIST*) override
    {
        return E_NOTIMPL;
    }
};
