// FileListView: the file list shows a folder's supported files and reports rows and focus.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <memory>
#include <string>
#include <vector>

#include "base/ComRef.h"
#include "base/StrUtil.h"
#include "browser/FileListView.h"
#include "browser/Pidl.h"
#include "framework/Splitter.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// Stands in for the main dialog: reflects its children's notifications.
class CReflectingHost : public CWindowImplBaseT
{
public:
    BEGIN_MSG_MAP(CReflectingHost)
        MESSAGE_HANDLER(WM_NOTIFYFORMAT, OnNotifyFormat)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()
    LRESULT OnNotifyFormat(UINT, WPARAM, LPARAM, BOOL&) { return NFR_ANSI; }
};

// How the list's notifications reach the host.
enum Route {
    kDirect,           // the list is the host's child
    kThroughSplitter,  // the list is the splitter's child; the splitter forwards
    kMovedIntoSplitter // made in the host, then moved into the splitter
};

struct Report
{
    int code;
    bool hadList;
    std::string path;
};

class CRecordingSink : public IFileListSink
{
public:
    std::vector<Report> reports;
    int OnFileSelected(CFileListView*, int code, LPCITEMIDLIST pidl, const char* path) override
    {
        reports.push_back({code, pidl != NULL, path});
        return 0;
    }
};

const char* const kColumns[] = {"Name", "Size", "Type", "Modified", "Extra"};

class FileListHarness
{
public:
    void Build(Route route)
    {
        EnsureShellAllocator();
        RECT rc = {0, 0, 500, 300};
        ASSERT_NE(nullptr, host.Create(NULL, &rc, "host", WS_POPUP));
        ASSERT_NE(nullptr, splitter.Create(host.m_hWnd, &rc, NULL, WS_CHILD | WS_VISIBLE));
        HWND parent = route == kThroughSplitter ? splitter.m_hWnd : host.m_hWnd;
        HWND hWnd = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                    400, 300, parent, NULL, NULL, NULL);
        ASSERT_NE(nullptr, hWnd);
        if (route == kMovedIntoSplitter)
            SetParent(hWnd, splitter.m_hWnd);
        ASSERT_TRUE(list->SubclassWindow(hWnd));
        list->AttachSystemImageLists();
        for (int i = 0; i < 5; ++i)
        {
            LVCOLUMNA col = {};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.cx = 80;
            col.pszText = (LPSTR)kColumns[i];
            SendMessageA(hWnd, LVM_INSERTCOLUMNA, i, (LPARAM)&col);
        }
    }
    ~FileListHarness()
    {
        host.DestroyWindow();
        list.reset();
    }

    HWND List() const { return list->m_hWnd; }
    int Rows() const { return (int)SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0); }
    std::string Text(int row, int column, int size = MAX_PATH) const
    {
        std::vector<char> text(size + 1, '#');
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = size;
        SendMessageA(List(), LVM_GETITEMTEXTA, row, (LPARAM)&item);
        return text.data();
    }
    std::vector<std::string> RowPaths() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < Rows(); ++i)
            out.push_back(PathOfList(list->GetItemRecord(i)->absolute.Get()));
        return out;
    }

    CReflectingHost host;
    CSplitterWindowImpl splitter;
    std::unique_ptr<CFileListView> list{new CFileListView};
};

class FileListRoutes : public testing::TestWithParam<Route>
{
};

class FileListTest : public testing::Test
{
protected:
    void SetUp() override { h.Build(kThroughSplitter); }
    // Rows of a real folder.
    void Show(const std::string& path)
    {
        CPidl abs(ParsePath(path));
        ASSERT_NE(nullptr, abs.Get());
        ASSERT_EQ(1, h.list->ShowFolder(abs.Get()));
    }
    FileListHarness h;
};

// Full paths of the files the shell lists in a folder, in its order.
std::vector<std::string> ShellFileOrder(const std::string& folderPath)
{
    CPidl abs(ParsePath(folderPath));
    CComRef<IShellFolder> desktop, folder;
    SHGetDesktopFolder(desktop.Out());
    if (FAILED(desktop->BindToObject(abs.Get(), NULL, IID_IShellFolder, folder.OutVoid())))
        return {};
    return EnumeratedNames(folder.Get(), SHCONTF_NONFOLDERS, SHGDN_FORPARSING);
}

void MakeFileOfSize(const std::string& path, LONGLONG size)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    LARGE_INTEGER pos;
    pos.QuadPart = size;
    SetFilePointerEx(f, pos, NULL, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
}

} // namespace

TEST_P(FileListRoutes, RowsKeepRecordsThatDieWithTheirRows)
{
    FileListHarness h;
    h.Build(GetParam());
    CFakeShellFolder fake;
    using Item = CFakeShellFolder::Item;
    fake.items = {
        Item{"C:\\pics\\plain.png", SFGAO_FILESYSTEM},
        Item{"C:\\pics\\notes.txt", SFGAO_FILESYSTEM},
        Item{"C:\\pics\\shared.JPG", SFGAO_SHARE},
        Item{"C:\\pics\\link.gif", SFGAO_LINK},
        Item{"C:\\pics\\both.bmp", SFGAO_SHARE | SFGAO_LINK},
        Item{"C:\\pics\\silent.tif", SFGAO_READONLY, true},
        Item{"C:\\pics\\nameless.png", 0, false, true},
    };
    const std::string parent = MakeListBytes({"parent"});

    ASSERT_EQ(1, h.list->FillFromFolder(&fake, AsList(parent)));
    ASSERT_EQ(5, h.Rows());
    const size_t shown[] = {0, 2, 3, 4, 5};
    const UINT overlays[] = {0, INDEXTOOVERLAYMASK(1), INDEXTOOVERLAYMASK(2), INDEXTOOVERLAYMASK(2),
                             0};
    const SFGAOF attributes[] = {SFGAO_FILESYSTEM, SFGAO_SHARE, SFGAO_LINK,
                                 SFGAO_SHARE | SFGAO_LINK, 0};
    for (int i = 0; i < 5; ++i)
    {
        const CFileListItem* r = h.list->GetItemRecord(i);
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(&fake, r->folder.Get());
        CPidl item(fake.ItemList(shown[i]));
        EXPECT_EQ(ListBytes(item.Get()), ListBytes(r->relative.Get()));
        CPidl expected(ConcatPidls(AsList(parent), item.Get()));
        EXPECT_EQ(ListBytes(expected.Get()), ListBytes(r->absolute.Get()));
        EXPECT_EQ(attributes[i], r->attributes) << i;
        EXPECT_EQ(overlays[i], (UINT)SendMessageA(h.List(), LVM_GETITEMSTATE, i, LVIS_OVERLAYMASK))
            << i;
    }
    EXPECT_EQ(1 + 5, fake.refs);

    // a refill frees the old rows' records
    h.list->FillFromFolder(&fake, AsList(parent));
    EXPECT_EQ(1 + 5, fake.refs);
    // a failed enumeration leaves the list empty
    fake.enumResult = E_FAIL;
    EXPECT_EQ(1, h.list->FillFromFolder(&fake, AsList(parent)));
    EXPECT_EQ(0, h.Rows());
    EXPECT_EQ(1, fake.refs);

    // the control's own destruction frees them, and so does the object
    // going before its control
    fake.enumResult = S_OK;
    h.list->FillFromFolder(&fake, NULL);
    HWND listWnd = h.List();
    DestroyWindow(listWnd);
    EXPECT_EQ(1, fake.refs);
    h.list.reset(new CFileListView);
    HWND again = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100,
                                 h.host.m_hWnd, NULL, NULL, NULL);
    ASSERT_TRUE(h.list->SubclassWindow(again));
    h.list->FillFromFolder(&fake, NULL);
    EXPECT_EQ(1 + 5, fake.refs);
    h.list.reset();
    EXPECT_EQ(1, fake.refs);
    DestroyWindow(again);
}

INSTANTIATE_TEST_SUITE_P(Routes, FileListRoutes,
                         testing::Values(kDirect, kThroughSplitter, kMovedIntoSplitter));

TEST_F(FileListTest, ListsTheSupportedFilesOfAFolder)
{
    TempFolder tmp("list");
    const char* listed[] = {"PHOTO.JPG", "a.tiff24", "b.gif87", "x.tar.gif", "readonly.png"};
    const char* skipped[] = {"c.jp",      "d.bmp2",       "e.tiff2",    "README",
                             "x.gif.txt", "shortcut.lnk", ".hidden.png"};
    std::vector<std::string> expected;
    for (const char* name : listed)
        WriteFileBytes(tmp.File(name), "x");
    for (const char* name : skipped)
        WriteFileBytes(tmp.File(name), "x");
    SetFileAttributesA(tmp.File("readonly.png").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA(tmp.File("folder.png").c_str(), NULL);
    for (const std::string& path : ShellFileOrder(tmp.Path()))
        for (const char* name : listed)
            if (lstrcmpiA(path.c_str(), tmp.File(name).c_str()) == 0)
                expected.push_back(path);
    ASSERT_EQ(5u, expected.size());

    Show(tmp.Path());
    EXPECT_EQ(expected, h.RowPaths());
    for (int i = 0; i < h.Rows(); ++i)
        EXPECT_NE("", h.Text(i, 0));
}

TEST_F(FileListTest, ColumnsAreReadFromTheFileWhenAsked)
{
    TempFolder tmp("cols");
    MakeFileOfSize(tmp.File("empty.png"), 0);
    MakeFileOfSize(tmp.File("huge.png"), 5000000000LL);
    // 2021-03-04 05:06:07 UTC
    SYSTEMTIME st = {2021, 3, 4, 4, 5, 6, 7, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE f =
        CreateFileA(tmp.File("empty.png").c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    SetFileTime(f, NULL, NULL, &ft);
    CloseHandle(f);

    Show(tmp.Path());
    ASSERT_EQ(2, h.Rows());
    int empty = h.RowPaths()[0].find("empty") != std::string::npos ? 0 : 1;
    int huge = 1 - empty;

    EXPECT_EQ("0", h.Text(empty, 1));
    EXPECT_EQ("5000000000", h.Text(huge, 1));
    EXPECT_EQ("50", h.Text(huge, 1, 3)) << "cut to the control's buffer";
    EXPECT_NE("", h.Text(empty, 2));
    char date[80], clock[80];
    GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, &st, NULL, date, sizeof(date));
    GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_FORCE24HOURFORMAT, &st, NULL, clock, sizeof(clock));
    EXPECT_EQ(std::string(date) + " " + clock, h.Text(empty, 3));
    EXPECT_NE(std::string::npos, h.Text(empty, 3).find("5:06:07")) << h.Text(empty, 3);
    EXPECT_EQ("No data", h.Text(empty, 4));

    // a file deleted since the fill shows a blank in every column
    DeleteFileA(tmp.File("huge.png").c_str());
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(" ", h.Text(huge, column)) << column;
}

TEST_F(FileListTest, TheFocusedRowIsReported)
{
    TempFolder tmp("focus");
    for (const char* name : {"one.png", "two.png", "three.png"})
        WriteFileBytes(tmp.File(name), "x");
    CRecordingSink sink;
    h.list->SetSink(&sink);
    Show(tmp.Path());
    const std::vector<std::string> rows = h.RowPaths();
    ASSERT_EQ(3u, rows.size());

    LVITEMA state = {};
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(h.List(), LVM_SETITEMSTATE, 0, (LPARAM)&state);
    ASSERT_FALSE(sink.reports.empty());
    EXPECT_EQ(rows[0], sink.reports.back().path);
    EXPECT_EQ(CFileListView::kSelectedCode, sink.reports.back().code);
    EXPECT_FALSE(sink.reports.back().hadList);

    for (int next = 1; next <= 2; ++next)
    {
        size_t before = sink.reports.size();
        SendMessageA(h.List(), WM_KEYDOWN, VK_DOWN, 0);
        ASSERT_GT(sink.reports.size(), before);
        EXPECT_EQ(rows[next], sink.reports.back().path);
    }
}

TEST_F(FileListTest, ShowFolderFromTheDesktopDownAndItsFailures)
{
    char desktopDir[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathA(NULL, CSIDL_DESKTOPDIRECTORY, NULL, 0, desktopDir));
    CreateDirectoryA(desktopDir, NULL);
    char name[64];
    SafeFormat(name, sizeof(name), "\\tvx_desk_%u.png", (unsigned)GetCurrentProcessId());
    const std::string onDesktop = std::string(desktopDir) + name;
    WriteFileBytes(onDesktop, "x");

    const std::string empty = MakeListBytes({});
    for (LPCITEMIDLIST desktop : {(LPCITEMIDLIST)NULL, AsList(empty)})
    {
        ASSERT_EQ(1, h.list->ShowFolder(desktop));
        std::vector<std::string> rows = h.RowPaths();
        bool found = false;
        for (const std::string& r : rows)
            found = found || lstrcmpiA(r.c_str(), onDesktop.c_str()) == 0;
        EXPECT_TRUE(found);
    }
    DeleteFileA(onDesktop.c_str());

    // a list that names no folder leaves the rows as they were
    TempFolder tmp("unbound");
    WriteFileBytes(tmp.File("keep.png"), "x");
    Show(tmp.Path());
    CPidl file(ParsePath(tmp.File("keep.png")));
    EXPECT_EQ(0, h.list->ShowFolder(file.Get()));
    EXPECT_EQ(1, h.Rows());
}

TEST_F(FileListTest, OnlyLinksAskForTheShortcutArrow)
{
    TempFolder tmp("overlay");
    WriteFileBytes(tmp.File("plain.png"), "x");
    Show(tmp.Path());
    ASSERT_EQ(1, h.Rows());
    CFileListItem* record = h.list->GetItemRecord(0);
    ASSERT_NE(nullptr, record);
    ASSERT_EQ(0u, record->attributes & SFGAO_LINK);
    auto rowIcon = [&] {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = 0;
        item.iImage = -2;
        SendMessageA(h.List(), LVM_GETITEMA, 0, (LPARAM)&item);
        return item.iImage;
    };
    auto shellIcon = [&](UINT extra) {
        SHFILEINFOA info = {};
        SHGetFileInfoA((LPCSTR)record->absolute.Get(), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra);
        return info.iIcon;
    };
    const int plain = shellIcon(0), arrowed = shellIcon(SHGFI_LINKOVERLAY);
    // This shell draws the arrow on any file it is asked to.
    ASSERT_NE(plain, arrowed);
    EXPECT_EQ(plain, rowIcon());
    record->attributes |= SFGAO_LINK;
    EXPECT_EQ(arrowed, rowIcon());
}

TEST_F(FileListTest, ANewViewModeRepaintsTheWholeList)
{
    TempFolder tmp("repaint");
    WriteFileBytes(tmp.File("one.png"), "x");
    Show(tmp.Path());
    ShowWindow(h.host.m_hWnd, SW_SHOWNA);
    const struct
    {
        DWORD type;
        const char* name;
    } modes[] = {
        {LVS_ICON, "large icons"},
        {LVS_REPORT, "details"},
        {LVS_LIST, "list"},
        {LVS_SMALLICON, "small icons"},
    };
    for (const auto& mode : modes)
    {
        RedrawWindow(h.List(), NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
        ValidateRect(h.List(), NULL);
        const LONG_PTR style = GetWindowLongPtrA(h.List(), GWL_STYLE);
        SetWindowLongPtrA(h.List(), GWL_STYLE, (style & ~(LONG_PTR)LVS_TYPEMASK) | mode.type);
        RECT client, dirty = {};
        GetClientRect(h.List(), &client);
        ASSERT_TRUE(GetUpdateRect(h.List(), &dirty, FALSE)) << mode.name;
        EXPECT_TRUE(EqualRect(&client, &dirty)) << mode.name;
    }
    // A change of other bits leaves the painting alone.
    RedrawWindow(h.List(), NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ValidateRect(h.List(), NULL);
    SetWindowLongPtrA(h.List(), GWL_STYLE,
                      GetWindowLongPtrA(h.List(), GWL_STYLE) | LVS_SHAREIMAGELISTS);
    EXPECT_FALSE(GetUpdateRect(h.List(), NULL, FALSE));
}
