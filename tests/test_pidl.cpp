// Pidl: item id lists are sized, copied and joined, and shell items name themselves.
#include <windows.h>
#include <shlobj.h>
#include <cstring>

#include "base/ComRef.h"
#include "base/StrUtil.h"
#include "browser/Pidl.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

class PidlTest : public testing::Test
{
protected:
    void SetUp() override { EnsureShellAllocator(); }
};

// Entry data of n bytes (so the entry's count is n + 2).
std::string Entry(size_t n, char fill) { return std::string(n, fill); }

} // namespace

TEST_F(PidlTest, SizesCountsAndNext)
{
    const std::string empty = MakeListBytes({});
    const std::string one = MakeListBytes({Entry(8, 'a')});
    const std::string two = MakeListBytes({Entry(18, 'a'), Entry(28, 'b')}); // counts 20 and 30
    struct Case
    {
        LPCITEMIDLIST list;
        UINT size, count;
    } cases[] = {
        {NULL, 0, 0},
        {AsList(empty), 2, 0},
        {AsList(one), 12, 1},
        {AsList(two), 52, 2},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.size, PidlGetSize(c.list));
        EXPECT_EQ(c.count, PidlCount(c.list));
    }
    EXPECT_EQ(two.data() + 20, reinterpret_cast<const char*>(PidlGetNext(AsList(two))));
}

TEST_F(PidlTest, CloneAndCloneFirstCopyIntoNewBlocks)
{
    EXPECT_EQ(NULL, PidlClone(NULL));
    EXPECT_EQ(NULL, PidlCloneFirst(NULL));

    const std::string empty = MakeListBytes({});
    const std::string three = MakeListBytes({Entry(3, 'a'), Entry(5, 'b'), Entry(7, 'c')});
    struct Case
    {
        LPITEMIDLIST (*copy)(LPCITEMIDLIST);
        const std::string& source;
        std::string expected;
    } cases[] = {
        {PidlClone, empty, empty},
        {PidlCloneFirst, empty, empty},
        {PidlClone, three, three},
        {PidlCloneFirst, three, MakeListBytes({Entry(3, 'a')})},
    };
    for (const Case& c : cases)
    {
        CPidl copy(c.copy(AsList(c.source)));
        ASSERT_NE(nullptr, copy.Get());
        EXPECT_NE(static_cast<const void*>(c.source.data()), static_cast<const void*>(copy.Get()));
        EXPECT_EQ(c.expected, ListBytes(copy.Get()));
    }
}

TEST_F(PidlTest, ConcatJoinsEntriesWithOneTerminator)
{
    const std::string a = MakeListBytes({Entry(4, 'a')});
    const std::string b = MakeListBytes({Entry(6, 'b')});
    const std::string empty = MakeListBytes({});
    struct Case
    {
        LPCITEMIDLIST first, second;
        std::string expected;
    } cases[] = {
        {NULL, AsList(b), b},
        {AsList(a), AsList(b), MakeListBytes({Entry(4, 'a'), Entry(6, 'b')})},
        {AsList(empty), AsList(a), a},
        {AsList(a), AsList(empty), a},
        // a missing second list still gives a terminated copy of the first
        {AsList(a), NULL, a},
    };
    for (const Case& c : cases)
    {
        CPidl joined(ConcatPidls(c.first, c.second));
        ASSERT_NE(nullptr, joined.Get());
        EXPECT_EQ(c.expected, ListBytes(joined.Get()));
    }
    CPidl ab(ConcatPidls(AsList(a), AsList(b)));
    EXPECT_EQ(6u + 8u + 2u, PidlGetSize(ab.Get()));
}

TEST_F(PidlTest, AppendToTheHolder)
{
    const std::string a = MakeListBytes({Entry(4, 'a')});
    const std::string b = MakeListBytes({Entry(6, 'b'), Entry(2, 'c')});

    CPidl holder;
    holder.Append(NULL);
    EXPECT_EQ(nullptr, holder.Get());

    // an empty holder takes a copy: freeing the argument leaves it intact
    LPITEMIDLIST arg = MakeList({Entry(4, 'a')});
    holder.Append(arg);
    PidlFree(arg);
    ASSERT_NE(nullptr, holder.Get());
    EXPECT_EQ(a, ListBytes(holder.Get()));

    LPITEMIDLIST before = holder.Get();
    holder.Append(NULL);
    EXPECT_EQ(before, holder.Get());

    holder.Append(AsList(b));
    EXPECT_EQ(MakeListBytes({Entry(4, 'a'), Entry(6, 'b'), Entry(2, 'c')}),
              ListBytes(holder.Get()));

    // a list stored into the holder replaces (and frees) the old one
    holder.Attach(MakeList({Entry(1, 'z')}));
    EXPECT_EQ(1u, PidlCount(holder.Get()));
}

TEST_F(PidlTest, ShellItemNameByEveryStringKind)
{
    CFakeShellFolder folder;
    folder.items.resize(2);
    folder.items[0].name = "Holiday pictures";
    folder.items[1].name = "broken";
    folder.items[1].nameFails = true;
    CPidl good(folder.ItemList(0));
    CPidl bad(folder.ItemList(1));

    for (UINT type : {STRRET_WSTR, STRRET_OFFSET, STRRET_CSTR})
    {
        folder.strretType = type;
        char out[64] = "old";
        EXPECT_EQ(1, GetShellItemName(&folder, good.Get(), SHGDN_NORMAL, out)) << type;
        EXPECT_STREQ("Holiday pictures", out) << type;

        // a failing folder, and a name that does not fit, leave out alone
        strcpy(out, "old");
        EXPECT_EQ(0, GetShellItemName(&folder, bad.Get(), SHGDN_NORMAL, out)) << type;
        EXPECT_STREQ("old", out);
        char tiny[16] = "old";
        EXPECT_EQ(0, GetShellItemName(&folder, good.Get(), SHGDN_NORMAL, tiny)) << type;
        EXPECT_STREQ("old", tiny);
    }
    folder.strretType = 7; // not a kind we know
    char out[64] = "old";
    EXPECT_EQ(0, GetShellItemName(&folder, good.Get(), SHGDN_NORMAL, out));
    EXPECT_STREQ("old", out);
}

TEST_F(PidlTest, ShellItemNameOfARealFile)
{
    TempFolder tmp("pidl");
    const std::string file = tmp.File("photo.png");
    WriteFileBytes(file, "x");
    CPidl abs(ParsePath(file));
    ASSERT_NE(nullptr, abs.Get());

    CComRef<IShellFolder> desktop;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Out()));
    char path[kPathBufferSize] = "";
    ASSERT_EQ(1, GetShellItemName(desktop.Get(), abs.Get(), SHGDN_FORPARSING, path));
    EXPECT_EQ(0, lstrcmpiA(file.c_str(), path)) << path;
    EXPECT_NE(nullptr, GetSystemImageList(SHGFI_SMALLICON));
}
