// The file list: a subclassed list-view control that shows the supported
// image files of one shell folder. Texts and icons are read when drawn.
// Its notifications must come back to it reflected by the dialog that owns
// it (directly or through a window that forwards them).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "base/ComRef.h"
#include "browser/Pidl.h"
#include "framework/Framework.h"

class CFileListView;

// Told when a row gains the focus; the path is lent for the call.
class IFileListSink
{
public:
    virtual ~IFileListSink() {}
    virtual int OnFileSelected(CFileListView* sender, int code, LPCITEMIDLIST pidl,
                               const char* path) = 0;
};

// The record behind every row.
class CFileListItem
{
public:
    CFileListItem() {}
    ~CFileListItem();
    CFileListItem(const CFileListItem&) = delete;
    CFileListItem& operator=(const CFileListItem&) = delete;

    CComRef<IShellFolder> folder; // one reference held
    CPidl absolute;
    CPidl relative;
    SFGAOF attributes = 0;
};

class CFileListView : public CWindowImplBaseT
{
public:
    static constexpr int kSelectedCode = 1;

    CFileListView() {}
    // Frees the rows' records itself when the control outlives the object.
    ~CFileListView() override;

    void SetSink(IFileListSink* sink) { m_pSink = sink; }

    // Refills the list with the folder's files; 0 (list unchanged) when the
    // folder cannot be reached. The list stays the caller's.
    int ShowFolder(LPCITEMIDLIST absolute);
    int FillFromFolder(IShellFolder* folder, LPCITEMIDLIST absolute);
    // Shares the system image lists with the control.
    void AttachSystemImageLists();

    // The record of a row, or NULL.
    CFileListItem* GetItemRecord(int index) const;

    BEGIN_MSG_MAP(CFileListView)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_STYLECHANGED, OnStyleChanged)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_GETDISPINFOA, OnGetDispInfo)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_DELETEITEM, OnDeleteItem)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_ITEMCHANGED, OnItemChanged)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
        DEFAULT_REFLECTION_HANDLER()
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnStyleChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnGetDispInfo(int, LPNMHDR, BOOL&);
    LRESULT OnDeleteItem(int, LPNMHDR, BOOL&);
    LRESULT OnItemChanged(int, LPNMHDR, BOOL&);
    LRESULT OnCustomDraw(int, LPNMHDR, BOOL&);

private:
    void AddRow(IShellFolder* folder, LPCITEMIDLIST absolute, LPCITEMIDLIST item,
                SFGAOF attributes);

    IFileListSink* m_pSink = NULL;
};
