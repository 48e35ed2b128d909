// The folder tree: a child window holding a tree view of the shell
// namespace's folders, read one level at a time on first expansion.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "framework/Framework.h"

class CFolderTreePane;

// Told of every change of the tree's selection, whatever made it. The list
// is lent for the call only: copy what is needed, never keep or free it.
// When no folder is selected any more, or the selected one cannot be
// named, the list is NULL and the path empty.
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
    // The tree control, subclassed: it moves its selection without telling
    // its parent on some roads (a collapse under Wine), so the pane looks
    // at the selection after every message the control has handled.
    class CTreeControl : public CWindowImplBaseT
    {
    public:
        explicit CTreeControl(CFolderTreePane* pane) : m_pPane(pane) {}
        BOOL ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                  DWORD) override;

    private:
        CFolderTreePane* m_pPane;
    };

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
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_NOTIFYFORMAT, OnNotifyFormat)
        NOTIFY_CODE_HANDLER(TVN_SELCHANGEDA, OnSelChanged)
        NOTIFY_CODE_HANDLER(TVN_ITEMEXPANDINGA, OnItemExpanding)
        NOTIFY_CODE_HANDLER(TVN_DELETEITEMA, OnDeleteItem)
        NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
        MESSAGE_HANDLER(WM_NOTIFY, OnOtherNotify)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNotifyFormat(UINT, WPARAM, LPARAM, BOOL&) { return NFR_ANSI; }
    LRESULT OnSelChanged(int, LPNMHDR, BOOL&);
    LRESULT OnItemExpanding(int, LPNMHDR, BOOL&);
    LRESULT OnDeleteItem(int, LPNMHDR, BOOL&);
    LRESULT OnCustomDraw(int, LPNMHDR, BOOL&);
    LRESULT OnOtherNotify(UINT, WPARAM, LPARAM, BOOL&);

private:
    // Tells the sink when the tree's selection is not the one told last.
    void ReportSelection();

    HWND m_hWndTree = NULL;
    CTreeControl m_tree{this};
    // The item the sink was told of last (NULL: none), while m_bReported.
    HTREEITEM m_hReported = NULL;
    bool m_bReported = false;
    // Set once the pane is being destroyed: the tree's deletions then move
    // no selection that anyone is to hear of.
    bool m_bClosing = false;
    CMessageMap* m_pMsgOwner = NULL;
    HWND m_hWndMsgOwner = NULL;
    IFolderTreeSink* m_pSink = NULL;
};
