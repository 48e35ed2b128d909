#include "browser/FolderTreePane.h"

#include <cstring>
#include <memory>

#include "base/ComRef.h"
#include "base/Handles.h"
#include "base/StrUtil.h"
#include "browser/InactiveSelection.h"
#include "browser/Pidl.h"

namespace {

const DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP |
                         TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
const SHCONTF kTreeEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
const SFGAOF kTreeAttributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
const UINT kIconFlags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
const size_t kLabelSize = MAX_PATH;

// The first entry with a terminator, from the task allocator.
LPITEMIDLIST CopyFirstEntry(LPCITEMIDLIST pidl)
{
    USHORT cb;
    memcpy(&cb, pidl, sizeof(cb));
    LPITEMIDLIST copy = PidlAlloc(cb + sizeof(USHORT));
    if (copy != NULL)
        memcpy(copy, pidl, cb);
    return copy;
}

void FreeTreeItem(IMalloc* malloc, FolderTreeItem* item)
{
    if (item->parentFolder != NULL)
        item->parentFolder->Release();
    if (item->relative != NULL)
        malloc->Free(item->relative);
    if (item->absolute != NULL)
        malloc->Free(item->absolute);
    malloc->Free(item);
}

// Owns a tree item's record until the tree takes it.
struct TreeItemFree
{
    IMalloc* malloc;
    void operator()(FolderTreeItem* item) const { FreeTreeItem(malloc, item); }
};
typedef std::unique_ptr<FolderTreeItem, TreeItemFree> TreeItemOwner;

} // namespace

LPITEMIDLIST GetAbsolutePidl(IShellFolder* folder, LPCITEMIDLIST relative)
{
    char name[kPathBufferSize];
    if (!GetShellItemName(folder, relative, SHGDN_FORPARSING, name))
        return NULL;
    CComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Out())) || !desktop)
        return NULL;
    WCHAR wide[kPathBufferSize];
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, name, -1, wide, (int)kPathBufferSize) == 0)
        return NULL;
    LPITEMIDLIST absolute = NULL;
    if (FAILED(desktop->ParseDisplayName(NULL, NULL, wide, NULL, &absolute, NULL)))
        return NULL;
    return absolute;
}

CFolderTreePane::~CFolderTreePane()
{
    if (m_hWnd != NULL && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

LRESULT CFolderTreePane::OnCreate(UINT, WPARAM, LPARAM, BOOL&)
{
    HINSTANCE hInst = ModuleInstance();
    m_hWndTree = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", kTreeStyle, 0, 0, 0, 0,
                                   m_hWnd, NULL, hInst, NULL);
    if (m_hWndTree != NULL)
        m_tree.SubclassWindow(m_hWndTree);
    return 0;
}

LRESULT CFolderTreePane::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    m_bClosing = true;
    bHandled = FALSE;
    return 0;
}

BOOL CFolderTreePane::CTreeControl::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam,
                                                         LPARAM lParam, LRESULT& lResult, DWORD)
{
    lResult = DefWindowProc(uMsg, wParam, lParam);
    if (uMsg != WM_DESTROY && uMsg != WM_NCDESTROY)
        m_pPane->ReportSelection();
    return TRUE;
}

LRESULT CFolderTreePane::OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != SIZE_MINIMIZED && m_hWndTree != NULL)
    {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        ::SetWindowPos(m_hWndTree, NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER);
    }
    bHandled = FALSE;
    return 0;
}

// The pane itself takes no input: the focus it is given goes to the tree.
LRESULT CFolderTreePane::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (m_hWndTree != NULL && ::IsWindow(m_hWndTree))
        ::SetFocus(m_hWndTree);
    else
        bHandled = FALSE;
    return 0;
}

HRESULT CFolderTreePane::FillChildren(IShellFolder* folder, LPCITEMIDLIST parentAbsolute,
                                      HTREEITEM parent)
{
    CComRef<IMalloc> malloc;
    HRESULT hr = SHGetMalloc(malloc.Out());
    if (FAILED(hr))
        return hr;
    if (folder == NULL || !malloc)
        return E_INVALIDARG;
    CComRef<IEnumIDList> items;
    hr = folder->EnumObjects(m_hWnd, kTreeEnumFlags, items.Out());
    if (FAILED(hr))
        return hr;

    int counted = 0;
    HTREEITEM after = TVI_LAST;
    LPITEMIDLIST raw = NULL;
    ULONG fetched = 0;
    while (items && items->Next(1, &raw, &fetched) == S_OK && raw != NULL)
    {
        CTaskMemory<ITEMIDLIST> rawOwner(raw, malloc.Get());
        LPCITEMIDLIST one = raw;
        SFGAOF attrs = kTreeAttributes;
        if (FAILED(folder->GetAttributesOf(1, &one, &attrs)) || (attrs & kTreeAttributes) == 0)
            continue;
        ++counted;
        if ((attrs & SFGAO_FOLDER) == 0)
            continue;

        TreeItemOwner record(static_cast<FolderTreeItem*>(malloc->Alloc(sizeof(FolderTreeItem))),
                             TreeItemFree{malloc.Get()});
        if (!record)
            return E_FAIL;
        memset(record.get(), 0, sizeof(*record));
        char label[kLabelSize];
        if (!GetShellItemName(folder, raw, SHGDN_NORMAL, label))
            return E_FAIL;
        record->absolute = ConcatPidls(parentAbsolute, raw);
        record->relative = CopyFirstEntry(raw);
        record->parentFolder = folder;
        folder->AddRef();
        // Without its lists the item could never be expanded or reported.
        if (record->absolute == NULL || record->relative == NULL)
            continue;

        TVINSERTSTRUCTA ins;
        memset(&ins, 0, sizeof(ins));
        ins.hParent = parent;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        ins.item.pszText = label;
        ins.item.iImage = GetShellIconIndex(record->absolute, kIconFlags);
        ins.item.iSelectedImage = GetShellIconIndex(record->absolute, kIconFlags | SHGFI_OPENICON);
        ins.item.lParam = reinterpret_cast<LPARAM>(record.get());
        if (attrs & SFGAO_HASSUBFOLDER)
        {
            ins.item.mask |= TVIF_CHILDREN;
            ins.item.cChildren = 1;
        }
        HTREEITEM inserted = reinterpret_cast<HTREEITEM>(
            ::SendMessageA(m_hWndTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
        if (inserted == NULL)
            continue;
        // The tree's deletion notice frees it from here on.
        (void)record.release();
        after = inserted;
    }

    if (counted == 0 && parent != TVI_ROOT && parent != NULL)
    {
        TVITEMA item;
        memset(&item, 0, sizeof(item));
        item.mask = TVIF_CHILDREN;
        item.hItem = parent;
        item.cChildren = 0;
        ::SendMessageA(m_hWndTree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    return S_OK;
}

LRESULT CFolderTreePane::OnItemExpanding(int, LPNMHDR pnmh, BOOL&)
{
    const NMTREEVIEWA* nm = reinterpret_cast<const NMTREEVIEWA*>(pnmh);
    if (nm->itemNew.state & TVIS_EXPANDEDONCE)
        return 0;
    const FolderTreeItem* record = reinterpret_cast<const FolderTreeItem*>(nm->itemNew.lParam);
    if (record == NULL)
        return 0;
    CComRef<IShellFolder> sub;
    HRESULT hr =
        record->parentFolder->BindToObject(record->relative, NULL, IID_IShellFolder, sub.OutVoid());
    if (FAILED(hr))
        return hr;
    if (!sub)
        return E_FAIL;
    FillChildren(sub.Get(), record->absolute, nm->itemNew.hItem);
    return 0;
}

LRESULT CFolderTreePane::OnDeleteItem(int, LPNMHDR pnmh, BOOL&)
{
    const NMTREEVIEWA* nm = reinterpret_cast<const NMTREEVIEWA*>(pnmh);
    // A later item may get the same handle: it must still be told.
    if (m_bReported && nm->itemOld.hItem == m_hReported)
        m_bReported = false;
    FolderTreeItem* record = reinterpret_cast<FolderTreeItem*>(nm->itemOld.lParam);
    if (record == NULL)
        return 0;
    CComRef<IMalloc> malloc;
    if (FAILED(SHGetMalloc(malloc.Out())) || !malloc)
        return 0;
    FreeTreeItem(malloc.Get(), record);
    return 0;
}

LRESULT CFolderTreePane::OnSelChanged(int, LPNMHDR, BOOL&)
{
    ReportSelection();
    return 0;
}

void CFolderTreePane::ReportSelection()
{
    // Read straight from the control's own procedure: a message sent through
    // the subclass would bring us back here.
    if (m_bClosing || m_tree.m_hWnd == NULL)
        return;
    const HTREEITEM selected =
        reinterpret_cast<HTREEITEM>(m_tree.DefWindowProc(TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (m_bReported && selected == m_hReported)
        return;
    m_hReported = selected;
    m_bReported = true;
    if (m_pSink == NULL)
        return;

    TVITEMA item;
    memset(&item, 0, sizeof(item));
    item.mask = TVIF_PARAM;
    item.hItem = selected;
    const FolderTreeItem* record = NULL;
    if (selected != NULL && m_tree.DefWindowProc(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        record = reinterpret_cast<const FolderTreeItem*>(item.lParam);
    char path[kPathBufferSize] = "";
    CTaskMemory<ITEMIDLIST> absolute;
    if (record != NULL &&
        GetShellItemName(record->parentFolder, record->relative, SHGDN_FORPARSING, path))
        absolute.Reset(GetAbsolutePidl(record->parentFolder, record->relative));
    else
        path[0] = '\0';
    m_pSink->OnFolderSelected(this, kSelectedCode, absolute.Get(), path);
}

LRESULT CFolderTreePane::OnCustomDraw(int, LPNMHDR pnmh, BOOL& bHandled)
{
    if (pnmh->hwndFrom != m_hWndTree)
    {
        bHandled = FALSE;
        return 0;
    }
    NMTVCUSTOMDRAW* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(pnmh);
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT || ::GetFocus() == m_hWndTree)
        return CDRF_DODEFAULT;
    // A drop target keeps the highlight the tree gives it.
    const UINT state = (UINT)::SendMessageA(m_hWndTree, TVM_GETITEMSTATE, draw->nmcd.dwItemSpec,
                                            TVIS_SELECTED | TVIS_DROPHILITED);
    if ((state & (TVIS_SELECTED | TVIS_DROPHILITED)) != TVIS_SELECTED)
        return CDRF_DODEFAULT;
    draw->nmcd.uItemState &= ~(UINT)CDIS_SELECTED;
    draw->clrTextBk = InactiveSelectionBackground();
    draw->clrText = InactiveSelectionText();
    return CDRF_NEWFONT;
}

LRESULT CFolderTreePane::OnOtherNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    LRESULT result = 0;
    bHandled = m_pMsgOwner != NULL && ::IsWindow(m_hWndMsgOwner) &&
               m_pMsgOwner->ProcessWindowMessage(m_hWnd, uMsg, wParam, lParam, result, 0);
    return result;
}

int CFolderTreePane::GetDropHiliteItemPath(LPCITEMIDLIST* outList, char* outPath, size_t outSize)
{
    HTREEITEM hItem = reinterpret_cast<HTREEITEM>(
        ::SendMessageA(m_hWndTree, TVM_GETNEXTITEM, TVGN_DROPHILITE, 0));
    if (hItem == NULL)
        return 0;
    TVITEMA item;
    memset(&item, 0, sizeof(item));
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    if (!::SendMessageA(m_hWndTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ||
        item.lParam == 0)
        return 0;
    const FolderTreeItem* record = reinterpret_cast<const FolderTreeItem*>(item.lParam);
    *outList = record->absolute;
    return GetShellItemName(record->parentFolder, record->relative, SHGDN_FORPARSING, outPath,
                            outSize);
}
