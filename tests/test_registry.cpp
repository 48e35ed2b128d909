// Registry: the program's values are read and written within the caller's buffers.
#include <cstring>

#include "base/Handles.h"
#include "settings/Registry.h"
#include "tests/support/TestUtil.h"

namespace {

bool ProductKeyExists()
{
    CRegistryKey h;
    return h.Open(HKEY_CURRENT_USER, kRegistryKey, KEY_READ) == ERROR_SUCCESS;
}

void SetRaw(const char* name, DWORD type, const void* data, DWORD size)
{
    CRegistryKey h;
    ASSERT_EQ(ERROR_SUCCESS, h.Create(HKEY_CURRENT_USER, kRegistryKey, KEY_ALL_ACCESS));
    RegSetValueExA(h, name, 0, type, (const BYTE*)data, size);
}

} // namespace

TEST(Registry, FirstRunReadsFailAndCreateNothing)
{
    RegistryState reg;
    DWORD n = 77;
    char text[260] = "untouched";
    EXPECT_FALSE(RegReadDword(kRegShellOn, &n));
    EXPECT_EQ(0, RegReadValue(kRegShellPath, text, sizeof(text)));
    EXPECT_EQ(77u, n);
    EXPECT_STREQ("untouched", text);
    EXPECT_FALSE(ProductKeyExists());

    DWORD one = 1;
    EXPECT_EQ(1, RegWriteDword(kRegShellOn, &one));
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_TRUE(RegReadDword(kRegShellOn, &n));
    EXPECT_EQ(1u, n);
}

TEST(Registry, TextIsStoredWithItsTerminator)
{
    RegistryState reg;
    const char path[] = "C:\\set\\quick1234.tvx"; // 20 characters
    ASSERT_EQ(20u, strlen(path));
    ASSERT_EQ(1, RegWriteString(kRegShellPath, path));

    DWORD type = 0, size = 0;
    {
        CRegistryKey h;
        ASSERT_EQ(ERROR_SUCCESS, h.Open(HKEY_CURRENT_USER, kRegistryKey, KEY_READ));
        RegQueryValueExA(h, kRegShellPath, NULL, &type, NULL, &size);
    }
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(21u, size);

    char back[260];
    EXPECT_EQ(1, RegReadValue(kRegShellPath, back, sizeof(back)));
    EXPECT_STREQ(path, back);
}

TEST(Registry, ValuesTooLongForTheCallersBufferAreRefused)
{
    RegistryState reg;
    struct Guarded
    {
        DWORD value;
        char canary[8];
    };
    struct Case
    {
        const char* what;
        DWORD type;
        std::string data;
    } cases[] = {
        {"text in a number", REG_SZ, std::string("1040\0", 5)},
        {"eight bytes", REG_QWORD, std::string(8, '\x01')},
        {"over 259 bytes", REG_BINARY, std::string(300, 'x')},
    };
    for (const Case& c : cases)
    {
        SetRaw(kRegView, c.type, c.data.data(), (DWORD)c.data.size());
        Guarded g = {0x11223344, "canary"};
        EXPECT_FALSE(RegReadDword(kRegView, &g.value)) << c.what;
        EXPECT_EQ(0x11223344u, g.value) << c.what;
        EXPECT_STREQ("canary", g.canary) << c.what;
    }
}

TEST(Registry, OtherTypesAreCopiedByteForByteAndTextsTerminated)
{
    RegistryState reg;
    // A three-byte binary value fits a number variable and is copied as is.
    SetRaw(kRegView, REG_BINARY, "\x01\x02\x03", 3);
    DWORD n = 0xFFFFFFFF;
    EXPECT_TRUE(RegReadDword(kRegView, &n));
    EXPECT_EQ(0xFF030201u, n);

    // A text stored without its terminator still comes back terminated.
    SetRaw(kRegShellPath, REG_SZ, "abc", 3);
    char text[8];
    memset(text, 'Z', sizeof(text));
    EXPECT_EQ(1, RegReadValue(kRegShellPath, text, sizeof(text)));
    EXPECT_STREQ("abc", text);
    char tight[3];
    EXPECT_EQ(0, RegReadValue(kRegShellPath, tight, sizeof(tight)));
}
