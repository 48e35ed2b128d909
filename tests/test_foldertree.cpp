// FolderTreePane: the folder tree shows the shell's folders and tells each selection once.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <memory>
#include <string>
#include <vector>

#include "base/ComRef.h"
#include "base/StrUtil.h"
#include "browser/FolderTreePane.h"
#include "browser/Pidl.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

struct Report
{
    int code;
    std::string path;
    std::string listPath; // what the lent list names, read during the call
    bool hadList;
};

class CRecordingSink : public IFolderTreeSink
{
public:
    std::vector<Report> reports;
    int OnFolderSelected(CFolderTreePane*, int code, LPCITEMIDLIST pidl, const char* path) override
    {
        reports.push_back({code, path, pidl ? PathOfList(pidl) : std::string(), pidl != NULL});
        return 0;
    }
};

class FolderTreeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        EnsureShellAllocator();
        m_host =
            CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 300, 400, NULL, NULL, NULL, NULL);
        RECT rc = {0, 0, 300, 400};
        ASSERT_NE(nullptr, pane->Create(m_host, &rc, NULL, WS_CHILD | WS_VISIBLE));
        ASSERT_NE(nullptr, pane->GetTree());
    }
    void TearDown() override
    {
        pane.reset();
        DestroyWindow(m_host);
    }

    HWND Tree() const { return pane->GetTree(); }
    std::vector<HTREEITEM> Children(HTREEITEM parent) const
    {
        std::vector<HTREEITEM> out;
        UINT how = parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD;
        HTREEITEM h = (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, how,
                                              (LPARAM)(parent == TVI_ROOT ? NULL : parent));
        for (; h != NULL;
             h = (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)h))
            out.push_back(h);
        return out;
    }
    std::string Label(HTREEITEM h) const
    {
        char text[MAX_PATH] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = h;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(Tree(), TVM_GETITEMA, 0, (LPARAM)&item);
        return text;
    }
    std::vector<std::string> Labels(HTREEITEM parent) const
    {
        std::vector<std::string> out;
        for (HTREEITEM h : Children(parent))
            out.push_back(Label(h));
        return out;
    }
    int ChildCount(HTREEITEM h) const
    {
        TVITEMA item = {};
        item.mask = TVIF_CHILDREN;
        item.hItem = h;
        SendMessageA(Tree(), TVM_GETITEMA, 0, (LPARAM)&item);
        return item.cChildren;
    }
    HTREEITEM Find(HTREEITEM parent, const std::string& label) const
    {
        for (HTREEITEM h : Children(parent))
            if (Label(h) == label)
                return h;
        return NULL;
    }
    // A plain item with a button, to fill below.
    HTREEITEM AddParent()
    {
        TVINSERTSTRUCTA ins = {};
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_CHILDREN;
        ins.item.pszText = (LPSTR) "parent";
        ins.item.cChildren = 1;
        return (HTREEITEM)SendMessageA(Tree(), TVM_INSERTITEMA, 0, (LPARAM)&ins);
    }
    void FillFromPath(const std::string& path, CPidl& abs, CComRef<IShellFolder>& folder)
    {
        abs.Attach(ParsePath(path));
        ASSERT_NE(nullptr, abs.Get());
        CComRef<IShellFolder> desktop;
        ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Out()));
        ASSERT_EQ(S_OK, desktop->BindToObject(abs.Get(), NULL, IID_IShellFolder, folder.OutVoid()));
        ASSERT_EQ(S_OK, pane->FillChildren(folder.Get(), abs.Get(), TVI_ROOT));
    }

    // Fakes outlive the pane, whose records hold references to them.
    CFakeShellFolder& NewFake()
    {
        m_fakes.emplace_back(new CFakeShellFolder);
        return *m_fakes.back();
    }

    HWND m_host = NULL;
    std::vector<std::unique_ptr<CFakeShellFolder>> m_fakes;
    std::unique_ptr<CFolderTreePane> pane{new CFolderTreePane};
};

} // namespace

TEST_F(FolderTreeTest, ShowsFoldersInShellOrderAndReadsEachOnce)
{
    TempFolder tmp("tree");
    for (const char* dir : {"zeta", "alpha", "mid", "zeta\\inner"})
        CreateDirectoryA(tmp.File(dir).c_str(), NULL);
    WriteFileBytes(tmp.File("picture.png"), "x"); // files never show

    CPidl abs;
    CComRef<IShellFolder> folder;
    FillFromPath(tmp.Path(), abs, folder);
    EXPECT_EQ(EnumeratedNames(folder.Get(), SHCONTF_FOLDERS, SHGDN_NORMAL), Labels(TVI_ROOT));
    ASSERT_EQ(3u, Children(TVI_ROOT).size());

    // an empty folder announces a child; its first expansion finds none
    // and the button goes
    HTREEITEM alpha = Find(TVI_ROOT, "alpha");
    ASSERT_NE(nullptr, alpha);
    EXPECT_EQ(1, ChildCount(alpha));
    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)alpha);
    EXPECT_TRUE(Children(alpha).empty());
    EXPECT_EQ(0, ChildCount(alpha));

    HTREEITEM zeta = Find(TVI_ROOT, "zeta");
    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)zeta);
    EXPECT_EQ(std::vector<std::string>{"inner"}, Labels(zeta));

    // a folder made after the first expansion never appears
    CreateDirectoryA(tmp.File("zeta\\later").c_str(), NULL);
    SendMessageA(Tree(), TVM_EXPAND, TVE_COLLAPSE, (LPARAM)zeta);
    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)zeta);
    EXPECT_EQ(std::vector<std::string>{"inner"}, Labels(zeta));
}

TEST_F(FolderTreeTest, SelectionIsReportedWithAParsedList)
{
    TempFolder tmp("treesel");
    CreateDirectoryA(tmp.File("one").c_str(), NULL);
    CreateDirectoryA(tmp.File("two").c_str(), NULL);
    CPidl abs;
    CComRef<IShellFolder> folder;
    FillFromPath(tmp.Path(), abs, folder);

    // no sink: nothing to tell, nothing breaks
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Find(TVI_ROOT, "one"));

    CRecordingSink sink;
    pane->SetSink(&sink);
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Find(TVI_ROOT, "two"));
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Find(TVI_ROOT, "one"));
    ASSERT_EQ(2u, sink.reports.size());
    const char* names[] = {"two", "one"};
    for (size_t i = 0; i < 2; ++i)
    {
        const Report& r = sink.reports[i];
        EXPECT_EQ(CFolderTreePane::kSelectedCode, r.code);
        EXPECT_EQ(0, lstrcmpiA(tmp.File(names[i]).c_str(), r.path.c_str())) << r.path;
        EXPECT_TRUE(r.hadList);
        EXPECT_EQ(0, lstrcmpiA(r.path.c_str(), r.listPath.c_str())) << r.listPath;
    }
}

// The tree moves its selection on its own when a collapse hides it or a
// deletion takes it away; each move is told once, and a tree with nothing
// selected is told as no folder.
TEST_F(FolderTreeTest, EveryMoveOfTheSelectionIsToldOnce)
{
    CFakeShellFolder& inside = NewFake();
    inside.items = {{"inner", SFGAO_FOLDER}};
    CFakeShellFolder& top = NewFake();
    top.items = {{"outer", SFGAO_FOLDER | SFGAO_HASSUBFOLDER, false, false, &inside},
                 {"other", SFGAO_FOLDER}};
    ASSERT_EQ(S_OK, pane->FillChildren(&top, NULL, TVI_ROOT));
    const HTREEITEM outer = Find(TVI_ROOT, "outer");
    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)outer);
    ASSERT_NE(nullptr, Find(outer, "inner"));
    const HTREEITEM unnamed = AddParent(); // an item without a record

    CRecordingSink sink;
    pane->SetSink(&sink);
    auto told = [&] {
        std::vector<std::string> paths;
        for (const Report& r : sink.reports)
            paths.push_back(r.hadList ? "list:" + r.path : r.path);
        return paths;
    };
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Find(outer, "inner"));
    SendMessageA(Tree(), TVM_EXPAND, TVE_COLLAPSE, (LPARAM)outer);
    EXPECT_EQ(outer, (HTREEITEM)SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    // nothing moves: nothing is told
    SendMessageA(Tree(), TVM_EXPAND, TVE_COLLAPSE, (LPARAM)outer);
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)outer);
    EXPECT_EQ((std::vector<std::string>{"inner", "outer"}), told());

    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)unnamed);
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Find(TVI_ROOT, "other"));
    SendMessageA(Tree(), TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
    EXPECT_EQ((std::vector<std::string>{"inner", "outer", "", "other", ""}), told());
    for (const Report& r : sink.reports)
        EXPECT_EQ(CFolderTreePane::kSelectedCode, r.code);

    // The tree's own deletions while the pane goes tell nobody.
    ASSERT_EQ(S_OK, pane->FillChildren(&top, NULL, TVI_ROOT));
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Find(TVI_ROOT, "other"));
    ASSERT_EQ(6u, sink.reports.size());
    pane.reset();
    EXPECT_EQ(6u, sink.reports.size());
}

TEST_F(FolderTreeTest, AttributesDecideWhatShowsAndWhichButtonsStay)
{
    using Item = CFakeShellFolder::Item;
    struct Case
    {
        std::vector<Item> items;
        HRESULT result;
        std::vector<std::string> shown;
        int parentButton;
    } cases[] = {
        // counted but not shown: the parent keeps its button
        {{{"sub-only", SFGAO_HASSUBFOLDER}}, S_OK, {}, 1},
        {{{"plain", 0}, {"unreadable", SFGAO_FOLDER, true}}, S_OK, {}, 0},
        {{{"one", SFGAO_FOLDER | SFGAO_HASSUBFOLDER}, {"two", SFGAO_FOLDER}},
         S_OK,
         {"one", "two"},
         1},
        // a label that cannot be read stops the fill; earlier items stay
        {{{"first", SFGAO_FOLDER}, {"bad", SFGAO_FOLDER, false, true}, {"never", SFGAO_FOLDER}},
         E_FAIL,
         {"first"},
         1},
    };
    for (const Case& c : cases)
    {
        CFakeShellFolder& fake = NewFake();
        fake.items = c.items;
        HTREEITEM parent = AddParent();
        EXPECT_EQ(c.result, pane->FillChildren(&fake, NULL, parent));
        EXPECT_EQ(c.shown, Labels(parent));
        EXPECT_EQ(c.parentButton, ChildCount(parent));
        EXPECT_EQ(1 + (LONG)c.shown.size(), fake.refs) << "one reference per item";
    }
    const std::vector<HTREEITEM> parents = Children(TVI_ROOT);
    EXPECT_EQ(1, ChildCount(Children(parents[2])[0]));
    EXPECT_EQ(0, ChildCount(Children(parents[2])[1]));

    // a failed enumeration leaves the button alone
    CFakeShellFolder& failing = NewFake();
    failing.enumResult = E_ACCESSDENIED;
    HTREEITEM parent = AddParent();
    EXPECT_EQ(E_ACCESSDENIED, pane->FillChildren(&failing, NULL, parent));
    EXPECT_EQ(1, ChildCount(parent));

    // the pane object going first still frees every record
    pane.reset();
    for (const auto& f : m_fakes)
        EXPECT_EQ(1, f->refs);
}

TEST_F(FolderTreeTest, AFolderThatCannotBeBoundCancelsItsExpansion)
{
    CFakeShellFolder& inner = NewFake();
    inner.items = {{"deep", SFGAO_FOLDER}};
    CFakeShellFolder& top = NewFake();
    top.items = {{"outer", SFGAO_FOLDER | SFGAO_HASSUBFOLDER}};
    ASSERT_EQ(S_OK, pane->FillChildren(&top, NULL, TVI_ROOT));
    HTREEITEM outer = Children(TVI_ROOT).at(0);

    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)outer);
    EXPECT_TRUE(Children(outer).empty());
    UINT state = (UINT)SendMessageA(Tree(), TVM_GETITEMSTATE, (WPARAM)outer, TVIS_EXPANDEDONCE);
    EXPECT_EQ(0u, state & TVIS_EXPANDEDONCE);

    // the next attempt binds again
    top.items[0].child = &inner;
    SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)outer);
    EXPECT_EQ(std::vector<std::string>{"deep"}, Labels(outer));
}

TEST_F(FolderTreeTest, DropHighlightAndOtherNotifications)
{
    CFakeShellFolder& fake = NewFake();
    fake.items = {{"target", SFGAO_FOLDER}};
    ASSERT_EQ(S_OK, pane->FillChildren(&fake, NULL, TVI_ROOT));

    const std::string sentinel = MakeListBytes({"sentinel"});
    LPCITEMIDLIST list = AsList(sentinel);
    char path[64] = "untouched";
    EXPECT_EQ(0, pane->GetDropHiliteItemPath(&list, path, sizeof(path)));
    EXPECT_STREQ("untouched", path);
    EXPECT_EQ(AsList(sentinel), list);

    HTREEITEM target = Children(TVI_ROOT).at(0);
    SendMessageA(Tree(), TVM_SELECTITEM, TVGN_DROPHILITE, (LPARAM)target);
    EXPECT_EQ(1, pane->GetDropHiliteItemPath(&list, path, sizeof(path)));
    EXPECT_STREQ("target", path);
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = target;
    SendMessageA(Tree(), TVM_GETITEMA, 0, (LPARAM)&item);
    EXPECT_EQ(reinterpret_cast<FolderTreeItem*>(item.lParam)->absolute, list);

    // other notifications go to the message owner while its window lives
    struct COwner : CWindowImplBaseT
    {
        int seen = 0;
        BEGIN_MSG_MAP(COwner)
            NOTIFY_CODE_HANDLER(NM_RCLICK, OnRightClick)
        END_MSG_MAP()
        LRESULT OnRightClick(int, LPNMHDR, BOOL&)
        {
            ++seen;
            return 42;
        }
    } owner;
    ASSERT_NE(nullptr, owner.Create(NULL, NULL, "owner", WS_POPUP));
    pane->SetMessageOwner(&owner, owner.m_hWnd);
    NMHDR hdr = {Tree(), 0, (UINT)NM_RCLICK};
    EXPECT_EQ(42, SendMessageA(pane->m_hWnd, WM_NOTIFY, 0, (LPARAM)&hdr));
    owner.DestroyWindow();
    EXPECT_EQ(0, SendMessageA(pane->m_hWnd, WM_NOTIFY, 0, (LPARAM)&hdr));
    EXPECT_EQ(1, owner.seen);
    EXPECT_EQ(NFR_ANSI, SendMessageA(pane->m_hWnd, WM_NOTIFYFORMAT, (WPARAM)Tree(), NF_QUERY));

    // the tree always fills the pane
    MoveWindow(pane->m_hWnd, 0, 0, 210, 130, FALSE);
    RECT rc;
    GetWindowRect(Tree(), &rc);
    EXPECT_EQ(210, rc.right - rc.left);
    EXPECT_EQ(130, rc.bottom - rc.top);
}
