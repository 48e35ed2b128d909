// The test's own shell folder, its items and its failing calls.
#include "tests/support/ShellFixtures.h"

#include <cstring>

#include "browser/Pidl.h"

namespace {

const char kMarker = 'F';

std::string ItemEntry(size_t index, const std::string& name)
{
    std::string data;
    data += kMarker;
    data += (char)(index + 1);
    data += name;
    data += '\0';
    return data;
}

class CFakeEnum final : public IEnumIDList
{
public:
    CFakeEnum(const CFakeShellFolder* folder) : m_folder(folder) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumIDList))
        {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG r = --m_refs;
        if (r == 0)
            delete this;
        return r;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPITEMIDLIST* out, ULONG* fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (celt != 1 || m_next >= m_folder->items.size())
            return S_FALSE;
        *out = m_folder->ItemList(m_next++);
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }

private:
    const CFakeShellFolder* m_folder;
    size_t m_next = 0;
    ULONG m_refs = 1;
};

} // namespace

std::string MakeListBytes(const std::vector<std::string>& entries)
{
    std::string bytes;
    for (const std::string& e : entries)
    {
        USHORT cb = (USHORT)(e.size() + sizeof(USHORT));
        bytes.append(reinterpret_cast<const char*>(&cb), sizeof(cb));
        bytes += e;
    }
    bytes.append(2, '\0');
    return bytes;
}

LPITEMIDLIST MakeList(const std::vector<std::string>& entries)
{
    std::string bytes = MakeListBytes(entries);
    void* p = CoTaskMemAlloc(bytes.size());
    memcpy(p, bytes.data(), bytes.size());
    return static_cast<LPITEMIDLIST>(p);
}

LPITEMIDLIST CFakeShellFolder::ItemList(size_t i) const
{
    return MakeList({ItemEntry(i, items[i].name)});
}

int CFakeShellFolder::IndexOf(LPCITEMIDLIST pidl) const
{
    if (pidl == NULL || pidl->mkid.cb < kNameOffset || pidl->mkid.abID[0] != (BYTE)kMarker)
        return -1;
    int index = pidl->mkid.abID[1] - 1;
    return index >= 0 && (size_t)index < items.size() ? index : -1;
}

HRESULT CFakeShellFolder::QueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder))
    {
        *ppv = static_cast<IShellFolder*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

HRESULT CFakeShellFolder::EnumObjects(HWND, SHCONTF, IEnumIDList** out)
{
    *out = NULL;
    if (FAILED(enumResult))
        return enumResult;
    *out = new CFakeEnum(this);
    return S_OK;
}

HRESULT CFakeShellFolder::BindToObject(LPCITEMIDLIST pidl, LPBC, REFIID riid, void** ppv)
{
    *ppv = NULL;
    int i = IndexOf(pidl);
    if (i < 0 || items[i].child == NULL)
        return E_FAIL;
    return items[i].child->QueryInterface(riid, ppv);
}

HRESULT CFakeShellFolder::GetAttributesOf(UINT count, LPCITEMIDLIST* pidls, SFGAOF* inOut)
{
    int i = count == 1 ? IndexOf(pidls[0]) : -1;
    if (i < 0 || items[i].attributesFail)
        return E_FAIL;
    *inOut &= items[i].attributes;
    return S_OK;
}

HRESULT CFakeShellFolder::GetDisplayNameOf(LPCITEMIDLIST pidl, SHGDNF, STRRET* out)
{
    int i = IndexOf(pidl);
    if (i < 0 || items[i].nameFails)
        return E_FAIL;
    const std::string& name = items[i].name;
    out->uType = strretType;
    switch (strretType)
    {
    case STRRET_WSTR:
    {
        int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, NULL, 0);
        out->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(n * sizeof(WCHAR)));
        MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, out->pOleStr, n);
        break;
    }
    case STRRET_OFFSET:
        out->uOffset = kNameOffset;
        break;
    case STRRET_CSTR:
        lstrcpynA(out->cStr, name.c_str(), sizeof(out->cStr));
        break;
    default:
        break;
    }
    return S_OK;
}

std::string ListBytes(LPCITEMIDLIST pidl)
{
    const char* p = reinterpret_cast<const char*>(pidl);
    size_t n = 0;
    for (USHORT cb; memcpy(&cb, p + n, sizeof(cb)), cb != 0; n += cb)
    {
    }
    return std::string(p, n + sizeof(USHORT));
}

void EnsureShellAllocator()
{
    if (g_pMalloc == NULL)
        SHGetMalloc(&g_pMalloc);
}

LPITEMIDLIST ParsePath(const std::string& path)
{
    IShellFolder* desktop = NULL;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return NULL;
    WCHAR wide[MAX_PATH * 4];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 4);
    LPITEMIDLIST pidl = NULL;
    if (FAILED(desktop->ParseDisplayName(NULL, NULL, wide, NULL, &pidl, NULL)))
        pidl = NULL;
    desktop->Release();
    return pidl;
}

std::string PathOfList(LPCITEMIDLIST pidl)
{
    char path[MAX_PATH * 4] = "";
    if (!SHGetPathFromIDListA(pidl, path))
        return std::string();
    return path;
}

std::vector<std::string> EnumeratedNames(IShellFolder* folder, SHCONTF what, SHGDNF how)
{
    std::vector<std::string> names;
    IEnumIDList* items = NULL;
    if (folder->EnumObjects(NULL, what, &items) != S_OK || items == NULL)
        return names;
    LPITEMIDLIST raw;
    ULONG n;
    while (items->Next(1, &raw, &n) == S_OK)
    {
        char text[MAX_PATH * 4];
        if (GetShellItemName(folder, raw, how, text))
            names.push_back(text);
        CoTaskMemFree(raw);
    }
    items->Release();
    return names;
}
