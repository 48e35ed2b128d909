// The folder tree: a child window holding a tree view of the shell
// namespace's folders, read one level at a time on first expansion.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "framework/Framework.h"

class CFolderTreePane;

// Told of every selection change. The list is lent for the call only: copy
// what is needed, never keep or free it.
class IFolderTreeSink
{
public:
    virtual ~IFolderTreeSink() {}
    virtual int OnFolderSelected(CFolderTreePane* sender, int code, LPCITEMIDLIST pidl,
                                 const char* path) = 0;
};

// The record behind every tree item, one block from the task allocator.
struct FolderTreeItem
{
    IShellFolder* parentFolder; // one reference held
    LPITEMIDLIST relative;      // one entry within parentFolder
    LPITEMIDLIST absolute;      // from the desktop
};

// The item's absolute list, made by parsing its parsing name from the
// desktop; NULL on failure. The caller frees it through the task allocator.
LPITEMIDLIST GetAbsolutePidl(IShellFolder* folder, LPCITEMIDLIST relative);

class CFolderTreePane : public CWindowImplBaseT
{
public:
    // The code every selection report carries.
    static constexpr int kSelectedCode = 1;

    CFolderTreePane() {}
    // Destroys the window first, so the tree's deletions still reach this
    // object and free their records.
    ~CFolderTreePane() override;

    const char* GetWndClassName() const override { return "TolvexFolderTree"; }
    UINT GetWndClassStyle() const override { return CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS; }
    // The tree is a control of the dialog that holds the pane: Tab goes in.
    DWORD GetWndExStyle() const override { return WS_EX_CONTROLPARENT; }

    HWND GetTree() const { return m_hWndTree; }
    void SetSink(IFolderTreeSink* sink) { m_pSink = sink; }
    // Receives the tree notifications the pane does not handle, while
    // hWndOwner exists.
    void SetMessageOwner(CMessageMap* owner, HWND hWndOwner)
    {
        m_pMsgOwner = owner;
        m_hWndMsgOwner = hWndOwner;
    }

    // Inserts the folders of `folder` under `parent` (TVI_ROOT for the top).
    HRESULT FillChildren(IShellFolder* folder, LPCITEMIDLIST parentAbsolute, HTREEITEM parent);

    // The drop-highlighted item: its own absolute list (not a copy; valid
    // while the item lives) and its parsing name. 1 when both were read; 0
    // when there is no such item (outputs untouched) or its name cannot be
    // read.
    int GetDropHiliteItemPath(LPCITEMIDLIST* outList, char* outPath, size_t outSize);

    BEGIN_MSG_MAP(CFolderTreePane)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_NOTIFYFORMAT, OnNotifyFormat)
        NOTIFY_CODE_HANDLER(TVN_SELCHANGEDA, OnSelChanged)
        NOTIFY_CODE_HANDLER(TVN_ITEMEXPANDINGA, OnItemExpanding)
        NOTIFY_CODE_HANDLER(TVN_DELETEITEMA, OnDeleteItem)
        MESSAGE_HANDLER(WM_NOTIFY, OnOtherNotify)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNotifyFormat(UINT, WPARAM, LPARAM, BOOL&) { return NFR_ANSI; }
    LRESULT OnSelChanged(int, LPNMHDR, BOOL&);
    LRESULT OnItemExpanding(int, LPNMHDR, BOOL&);
    LRESULT OnDeleteItem(int, LPNMHDR, BOOL&);
    LRESULT OnOtherNotify(UINT, WPARAM, LPARAM, BOOL&);

private:
    HWND m_hWndTree = NULL;
    CMessageMap* m_pMsgOwner = NULL;
    HWND m_hWndMsgOwner = NULL;
    IFolderTreeSink* m_pSink = NULL;
};
