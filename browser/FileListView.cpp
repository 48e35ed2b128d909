#include "browser/FileListView.h"

#include <cstring>
#include <new>

#include "base/ComRef.h"
#include "base/Handles.h"
#include "base/StrUtil.h"
#include "browser/InactiveSelection.h"
#include "image/Extensions.h"

namespace {

const SFGAOF kListAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                               SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY | SFGAO_HIDDEN;
const UINT kShareOverlay = 1;
const UINT kLinkOverlay = 2;
// The shell draws the shortcut arrow on whatever it is asked for, so only
// links ask for it.
const UINT kRowIconFlags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
// The view mode and the other bits that change how the rows are laid out.
const LONG_PTR kLayoutStyleBits = LVS_TYPEMASK | LVS_TYPESTYLEMASK;
const size_t kDateTimeSize = 80;
const char kMissingText[] = " ";
const char kNoDataText[] = "No data";

enum Column { kColumnName = 0, kColumnSize, kColumnType, kColumnModified };

// The file's full path, read through the desktop from its absolute list.
BOOL ReadItemPath(const CFileListItem* record, char (&path)[kPathBufferSize])
{
    CComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Out())) || !desktop)
        return FALSE;
    return GetShellItemName(desktop.Get(), record->absolute.Get(), SHGDN_FORPARSING, path);
}

void SetDispText(NMLVDISPINFOA* info, const char* text)
{
    if (info->item.pszText != NULL && info->item.cchTextMax > 0)
        SafeCopy(info->item.pszText, (size_t)info->item.cchTextMax, text);
}

// Date and time of a file time as it stands (UTC).
void FormatModified(const FILETIME& time, char* out, size_t outSize)
{
    SYSTEMTIME st;
    char date[kDateTimeSize] = "";
    char clock[kDateTimeSize] = "";
    if (FileTimeToSystemTime(&time, &st))
    {
        GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &st, NULL, date, (int)sizeof(date));
        GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_FORCE24HOURFORMAT, &st, NULL, clock,
                       (int)sizeof(clock));
    }
    SafeFormat(out, outSize, "%s %s", date, clock);
}

} // namespace

CFileListItem::~CFileListItem()
{
    relative.Free();
    absolute.Free();
}

// ---------------------------------------------------------------------------

CFileListView::~CFileListView()
{
    if (m_hWnd == NULL || !::IsWindow(m_hWnd))
        return;
    // Once unsubclassed, the control's deletions no longer reach us. The
    // change notifications of clearing a row must reach nobody.
    m_pSink = NULL;
    int count = (int)::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
    {
        CFileListItem* record = GetItemRecord(i);
        LVITEMA item;
        memset(&item, 0, sizeof(item));
        item.mask = LVIF_PARAM;
        item.iItem = i;
        item.lParam = 0;
        ::SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        delete record;
    }
}

CFileListItem* CFileListView::GetItemRecord(int index) const
{
    LVITEMA item;
    memset(&item, 0, sizeof(item));
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!::SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return NULL;
    return reinterpret_cast<CFileListItem*>(item.lParam);
}

LRESULT CFileListView::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefWindowProc(uMsg, wParam, lParam);
    AttachSystemImageLists();
    return result;
}

LRESULT CFileListView::OnStyleChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefWindowProc(uMsg, wParam, lParam);
    const STYLESTRUCT* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
    // The control lays itself out anew but leaves the old view on the
    // screen; the header is a child and needs it as well.
    if (wParam == (WPARAM)GWL_STYLE && change != NULL &&
        ((change->styleOld ^ change->styleNew) & kLayoutStyleBits) != 0)
        ::RedrawWindow(m_hWnd, NULL, NULL,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return result;
}

LRESULT CFileListView::OnCustomDraw(int, LPNMHDR pnmh, BOOL&)
{
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(pnmh);
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT || ::GetFocus() == m_hWnd)
        return CDRF_DODEFAULT;
    const UINT state =
        (UINT)::SendMessageA(m_hWnd, LVM_GETITEMSTATE, draw->nmcd.dwItemSpec, LVIS_SELECTED);
    if ((state & LVIS_SELECTED) == 0)
        return CDRF_DODEFAULT;
    // A row still marked selected gets the control's own colours instead.
    draw->nmcd.uItemState &= ~(UINT)CDIS_SELECTED;
    draw->clrTextBk = InactiveSelectionBackground();
    draw->clrText = InactiveSelectionText();
    return CDRF_NEWFONT;
}

void CFileListView::AttachSystemImageLists()
{
    LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    if ((style & LVS_SHAREIMAGELISTS) == 0)
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    ::SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_SMALL,
                   reinterpret_cast<LPARAM>(GetSystemImageList(SHGFI_SMALLICON)));
    ::SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_NORMAL,
                   reinterpret_cast<LPARAM>(GetSystemImageList(0)));
}

int CFileListView::ShowFolder(LPCITEMIDLIST absolute)
{
    CComRef<IShellFolder> current;
    if (FAILED(SHGetDesktopFolder(current.Out())) || !current)
        return 0;
    CPidl rest(PidlClone(absolute));
    if (absolute != NULL && rest.Get() == NULL)
        return 0;
    const int levels = (int)PidlCount(rest.Get()) - 1;
    for (int i = 0; i < levels; ++i)
    {
        CPidl first(PidlCloneFirst(rest.Get()));
        if (first.Get() == NULL || PidlCount(first.Get()) == 0)
            return 0;
        CComRef<IShellFolder> next;
        if (FAILED(current->BindToObject(first.Get(), NULL, IID_IShellFolder, next.OutVoid())) ||
            !next)
            return 0;
        current.Reset(next.Detach());
        rest.Attach(PidlClone(PidlGetNext(rest.Get())));
        if (rest.Get() == NULL)
            return 0;
    }

    CComRef<IShellFolder> target;
    if (PidlCount(rest.Get()) > 0)
    {
        if (FAILED(current->BindToObject(rest.Get(), NULL, IID_IShellFolder, target.OutVoid())) ||
            !target)
            return 0;
    }
    else if (FAILED(SHGetDesktopFolder(target.Out())) || !target)
        return 0;
    return FillFromFolder(target.Get(), absolute);
}

int CFileListView::FillFromFolder(IShellFolder* folder, LPCITEMIDLIST absolute)
{
    SendMessage(WM_SETREDRAW, FALSE);
    SendMessage(LVM_DELETEALLITEMS);

    CComRef<IEnumIDList> items;
    if (folder != NULL && SUCCEEDED(folder->EnumObjects(NULL, SHCONTF_NONFOLDERS, items.Out())) &&
        items)
    {
        LPITEMIDLIST raw = NULL;
        ULONG fetched = 0;
        while (items->Next(1, &raw, &fetched) == S_OK && raw != NULL)
        {
            CPidl item(raw);
            LPCITEMIDLIST one = raw;
            SFGAOF attrs = kListAttributes;
            if (FAILED(folder->GetAttributesOf(1, &one, &attrs)))
                attrs = 0;
            char path[kPathBufferSize];
            if (!GetShellItemName(folder, raw, SHGDN_FORPARSING, path) || !IsSupportedFile(path))
                continue;
            AddRow(folder, absolute, raw, attrs);
        }
    }

    SendMessage(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_hWnd, NULL, TRUE);
    return 1;
}

void CFileListView::AddRow(IShellFolder* folder, LPCITEMIDLIST absolute, LPCITEMIDLIST item,
                           SFGAOF attributes)
{
    CFileListItem* record = new (std::nothrow) CFileListItem;
    if (record == NULL)
        return;
    folder->AddRef();
    record->folder.Reset(folder);
    record->absolute.Attach(PidlClone(absolute));
    const BOOL parentCopied = absolute == NULL || record->absolute.Get() != NULL;
    record->absolute.Append(item);
    record->relative.Attach(PidlClone(item));
    record->attributes = attributes;
    if (!parentCopied || record->absolute.Get() == NULL || record->relative.Get() == NULL)
    {
        delete record;
        return;
    }

    LVITEMA row;
    memset(&row, 0, sizeof(row));
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    row.iItem = (int)SendMessage(LVM_GETITEMCOUNT);
    row.pszText = LPSTR_TEXTCALLBACKA;
    row.iImage = I_IMAGECALLBACK;
    row.lParam = reinterpret_cast<LPARAM>(record);
    // One overlay slot: a shared link shows as a link.
    UINT overlay = (attributes & SFGAO_LINK)    ? kLinkOverlay
                   : (attributes & SFGAO_SHARE) ? kShareOverlay
                                                : 0;
    if (overlay != 0)
    {
        row.mask |= LVIF_STATE;
        row.stateMask = LVIS_OVERLAYMASK;
        row.state = INDEXTOOVERLAYMASK(overlay);
    }
    if (SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)) < 0)
        delete record;
}

LRESULT CFileListView::OnDeleteItem(int, LPNMHDR pnmh, BOOL&)
{
    const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(pnmh);
    delete reinterpret_cast<CFileListItem*>(nm->lParam);
    return 0;
}

LRESULT CFileListView::OnGetDispInfo(int, LPNMHDR pnmh, BOOL&)
{
    NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(pnmh);
    const CFileListItem* record = reinterpret_cast<const CFileListItem*>(info->item.lParam);
    if (record == NULL)
        return 0;
    const BOOL wantText = (info->item.mask & LVIF_TEXT) != 0;

    char path[kPathBufferSize];
    WIN32_FIND_DATAA found;
    if (!ReadItemPath(record, path) || !CFindHandle(path, found).Valid())
    {
        // The file is gone since the fill.
        if (wantText)
            SetDispText(info, kMissingText);
        return 0;
    }

    LPCSTR pidl = reinterpret_cast<LPCSTR>(record->absolute.Get());
    SHFILEINFOA shell;
    if (wantText)
    {
        char text[kPathBufferSize];
        switch (info->item.iSubItem)
        {
        case kColumnName:
            memset(&shell, 0, sizeof(shell));
            if (SHGetFileInfoA(pidl, 0, &shell, sizeof(shell), SHGFI_PIDL | SHGFI_DISPLAYNAME))
                SetDispText(info, shell.szDisplayName);
            break;
        case kColumnSize:
        {
            ULARGE_INTEGER size;
            size.HighPart = found.nFileSizeHigh;
            size.LowPart = found.nFileSizeLow;
            SafeFormat(text, sizeof(text), "%llu", (unsigned long long)size.QuadPart);
            SetDispText(info, text);
            break;
        }
        case kColumnType:
            memset(&shell, 0, sizeof(shell));
            if (SHGetFileInfoA(pidl, 0, &shell, sizeof(shell), SHGFI_PIDL | SHGFI_TYPENAME))
                SetDispText(info, shell.szTypeName);
            break;
        case kColumnModified:
            FormatModified(found.ftLastWriteTime, text, sizeof(text));
            SetDispText(info, text);
            break;
        default:
            SetDispText(info, kNoDataText);
            break;
        }
    }
    if (info->item.mask & LVIF_IMAGE)
    {
        memset(&shell, 0, sizeof(shell));
        const UINT flags =
            kRowIconFlags | ((record->attributes & SFGAO_LINK) ? SHGFI_LINKOVERLAY : 0);
        if (SHGetFileInfoA(pidl, 0, &shell, sizeof(shell), flags))
            info->item.iImage = shell.iIcon;
    }
    return 0;
}

LRESULT CFileListView::OnItemChanged(int, LPNMHDR pnmh, BOOL&)
{
    const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(pnmh);
    if ((nm->uNewState & LVIS_FOCUSED) == 0 || m_pSink == NULL)
        return 0;
    const CFileListItem* record = reinterpret_cast<const CFileListItem*>(nm->lParam);
    char path[kPathBufferSize];
    if (record == NULL || !ReadItemPath(record, path))
        return 0;
    m_pSink->OnFileSelected(this, kSelectedCode, NULL, path);
    return 0;
}
