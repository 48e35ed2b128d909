// ProfileUpdate: settings files are updated whole, as the profile functions write, or not at all.
#include <windows.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "settings/ProfileUpdate.h"
#include "files/TempNames.h"
#include "tests/support/TestUtil.h"

namespace {

// A settings file as the program leaves it: the main window's sections,
// then the GIF section, with a long output folder so the file passes the
// size at which a full disk cut it once.
const std::string kStoredSettings =
    "[Resize]\r\nEnableResize=1\r\nEnableWidth=0\r\nWidth=800\r\n\r\n"
    "[File Names]\r\nPrefix=th_\r\nFolder=C:\\" +
    std::string(5000, 'f') +
    "\r\n\r\n"
    "[GIF]\r\nNoneTR=0\r\nColorTR=1\r\nColorR=255\r\nColorG=0\r\nColorB=0\r\nInterlace="
    "1\r\nColor256=0\r\n";

struct Key
{
    const char* section;
    const char* key;
    const char* value;
};

// Changed values, an unchanged one, a new key in an old section, a new
// section, and texts as a user may type them: blanks around, quotes, none.
const Key kWrites[] = {
    {"Resize", "EnableResize", "0"},
    {"Resize", "Width", "640"},
    {"Resize", "EnableWidth", "0"},
    {"Resize", "DoStretch", "1"},
    {"File Names", "Prefix", "sm_"},
    {"Border", "Width", "3"},
    {"File Names", "Suffix", "  _s "},
    {"Names", "Folder", "\"C:\\o\""},
    {"Names", "Empty", ""},
};

bool WriteAll(const std::string& path)
{
    CProfileUpdate update(path.c_str());
    for (const Key& k : kWrites)
        update.WriteString(k.section, k.key, k.value);
    return update.Commit();
}

} // namespace

// The file the update leaves is byte for byte the one the profile
// functions make when they write into the file directly.
TEST(ProfileUpdate, LeavesTheTextTheProfileFunctionsWrite)
{
    const struct
    {
        const char* name;
        bool exists;
        std::string text;
    } cases[] = {
        {"no file", false, ""},
        {"empty file", true, ""},
        {"stored settings", true, kStoredSettings},
        {"comments, blanks and a foreign section", true,
         "; kept by hand\n[Other]\nkey = value \n\n[Resize]\nWidth=1\n; note\nEnableWidth=1\n"},
    };
    for (const auto& c : cases)
    {
        TempFolder tmp("profile format");
        const std::string direct = tmp.File("direct.tvx");
        const std::string updated = tmp.File("updated.tvx");
        if (c.exists)
        {
            WriteFileBytes(direct, c.text);
            WriteFileBytes(updated, c.text);
        }
        for (const Key& k : kWrites)
            WritePrivateProfileStringA(k.section, k.key, k.value, direct.c_str());

        EXPECT_TRUE(WriteAll(updated)) << c.name;
        EXPECT_EQ(ReadFileBytes(direct), ReadFileBytes(updated)) << c.name;
        EXPECT_EQ((std::vector<std::string>{"direct.tvx", "updated.tvx"}), FolderNames(tmp.Path()))
            << c.name;
        // Read back through the profile functions at once, as the next load does.
        char text[64];
        GetPrivateProfileStringA("Resize", "Width", "", text, sizeof(text), updated.c_str());
        EXPECT_STREQ("640", text) << c.name;
    }
}

// A text reads back as it was given, also where the profile functions
// would drop blanks or quotes around it; any other text is stored byte for
// byte as the profile functions store it, so files stay as they were.
TEST(ProfileUpdate, TextsReadBackAsTheyStand)
{
    const struct
    {
        const char* text;
        bool quoted;
    } cases[] = {
        {"th_", false},       {"", false},        {"a b", false},  {"\"", false},
        {"'x\"", false},      {"a \"b\"", false}, {" lead", true}, {"trail ", true},
        {"\t both \t", true}, {" ", true},        {"\"q\"", true}, {"'s'", true},
        {"\"\"", true},       {" \"q\" ", true},
    };
    for (const auto& c : cases)
    {
        TempFolder tmp("profile text");
        const std::string direct = tmp.File("direct.tvx");
        const std::string updated = tmp.File("updated.tvx");
        WritePrivateProfileStringA("File Names", "Prefix", c.text, direct.c_str());
        CProfileUpdate update(updated.c_str());
        update.WriteText("File Names", "Prefix", c.text);
        EXPECT_TRUE(update.Commit()) << c.text;

        char text[64];
        GetPrivateProfileStringA("File Names", "Prefix", "missing", text, sizeof(text),
                                 updated.c_str());
        EXPECT_STREQ(c.text, text);
        EXPECT_EQ(!c.quoted, ReadFileBytes(direct) == ReadFileBytes(updated)) << c.text;
    }
}

// A copy that did not reach the disk whole never replaces the file.
TEST(ProfileUpdate, ACopyCutShortLeavesTheFileWhole)
{
    const struct
    {
        const char* name;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"cut at 4096 bytes, in a line", [](std::string& b) { b.resize(4096); }},
        {"cut before the last section", [](std::string& b) { b.resize(b.rfind("[GIF]")); }},
        {"cut inside the last value", [](std::string& b) { b.resize(b.rfind("Color256=") + 6); }},
        {"nothing written", [](std::string& b) { b.clear(); }},
    };
    for (const auto& c : cases)
    {
        TempFolder tmp("profile cut");
        const std::string path = tmp.File("settings.tvx");
        WriteFileBytes(path, kStoredSettings);
        // Read first, so the profile functions hold the file as it was.
        char text[64];
        GetPrivateProfileStringA("Resize", "Width", "", text, sizeof(text), path.c_str());
        {
            ProfileCopyDamage damage(c.damage);
            EXPECT_FALSE(WriteAll(path)) << c.name;
        }
        EXPECT_EQ(kStoredSettings, ReadFileBytes(path)) << c.name;
        EXPECT_EQ((std::vector<std::string>{"settings.tvx"}), FolderNames(tmp.Path())) << c.name;
        GetPrivateProfileStringA("Resize", "Width", "", text, sizeof(text), path.c_str());
        EXPECT_STREQ("800", text) << c.name;
    }
}

// Files and folders that cannot be written: the update fails, nothing
// changes and nothing is left behind.
TEST(ProfileUpdate, AFileThatCannotBeReplacedStaysAsItWas)
{
    TempFolder tmp("profile refused");
    const std::string readOnly = tmp.File("locked.tvx");
    WriteFileBytes(readOnly, kStoredSettings);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string folder = tmp.File("folder.tvx");
    CreateDirectoryA(folder.c_str(), NULL);

    EXPECT_FALSE(WriteAll(readOnly));
    EXPECT_EQ(kStoredSettings, ReadFileBytes(readOnly));
    EXPECT_FALSE(WriteAll(folder));
    EXPECT_NE(0u, GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(WriteAll(tmp.File("missing\\settings.tvx")));
    EXPECT_FALSE(WriteAll(""));
    EXPECT_EQ((std::vector<std::string>{"folder.tvx", "locked.tvx"}), FolderNames(tmp.Path()));

    // The copy vanishing before it replaces the file is a failure too.
    const std::string path = tmp.File("settings.tvx");
    WriteFileBytes(path, kStoredSettings);
    SetProfileCopyHook([](const char* copy) { DeleteFileA(copy); });
    EXPECT_FALSE(WriteAll(path));
    SetProfileCopyHook(NULL);
    EXPECT_TRUE(ProfileCopiesIn(tmp.Path()).empty());
    EXPECT_EQ(kStoredSettings, ReadFileBytes(path));
}

// A save first clears the copies that killed saves left beside the file;
// a copy whose save is still running stays.
TEST(ProfileUpdate, ASaveClearsTheCopiesOfKilledSaves)
{
    TempFolder tmp("profile leftovers");
    const DWORD self = GetCurrentProcessId();
    const ULONGLONG start = ProcessStartTime(GetCurrentProcess());
    const std::string dead = OwnedTempName(kSettingsCopies, self, start - 1, 1);
    const std::string live = OwnedTempName(kSettingsCopies, self, start, 2);
    for (const std::string& name : {dead, live})
        WriteFileBytes(tmp.File(name), "[Resize]\r\n");
    EXPECT_TRUE(WriteAll(tmp.File("settings.tvx")));
    std::vector<std::string> kept = {"settings.tvx", live};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, FolderNames(tmp.Path()));
}
