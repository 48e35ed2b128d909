// OutputNames: output names that are devices, leave the folder or would change are refused.
#include <windows.h>
#include <string>
#include <vector>

#include "base/StrUtil.h"
#include "convert/OutputNames.h"
#include "tests/support/TestUtil.h"

namespace {

// The ANSI form of a character, or "" when the code page has none.
std::string Ansi(WCHAR c)
{
    const WCHAR wide[] = {c, 0};
    char text[8] = "";
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), NULL, &lossy) <= 1 || lossy)
        return "";
    return text;
}

} // namespace

TEST(OutputNames, DeviceNamesAreRefusedInEverySpelling)
{
    const std::vector<std::string> devices = {
        "NUL",   "nul",  "Con",    "CON.gif", "nul.txt", "Con .gif", "aux.tar.gz", "PRN.",
        "prn  ", "COM1", "com9.x", "LPT1",    "lpt5 .b", "Lpt9",     "CONIN$",     "conout$.x",
    };
    for (const std::string& name : devices)
        EXPECT_FALSE(IsPlainFileName(name.c_str())) << name;
    // The superscript digits Windows takes for COM and LPT numbers.
    for (WCHAR digit : {(WCHAR)0x00B9, (WCHAR)0x00B2, (WCHAR)0x00B3})
    {
        const std::string ansi = Ansi(digit);
        if (ansi.empty())
            continue;
        EXPECT_FALSE(IsPlainFileName(("COM" + ansi).c_str())) << ansi;
        EXPECT_FALSE(IsPlainFileName(("lpt" + ansi + ".png").c_str())) << ansi;
        EXPECT_TRUE(IsPlainFileName(("COM" + ansi + "x").c_str())) << ansi;
    }
    // Near misses are ordinary names.
    for (const char* name : {"COM10", "LPT", "COM", "CONSOLE", "nul_x", "xnul", "con-1",
                             "auxiliary", "nul x", "lpt1a", "com1_1", "1_nul", "CONIN", "th_con"})
        EXPECT_TRUE(IsPlainFileName(name)) << name;
}

TEST(OutputNames, NamesThatLeaveTheFolderOrThatWindowsWouldChangeAreRefused)
{
    for (const char* name : {"..\\pic",
                             "../pic",
                             "..",
                             ".",
                             "sub\\pic",
                             "sub/pic",
                             "\\pic",
                             "/pic",
                             "C:pic",
                             "C:\\out\\pic",
                             "\\\\?\\C:\\pic",
                             "\\\\server\\share\\pic",
                             "pic:stream",
                             "pic::$DATA",
                             "pic.",
                             "pic ",
                             "pic. .",
                             "a<b",
                             "a>b",
                             "a\"b",
                             "a|b",
                             "a?b",
                             "a*b",
                             "a\tb",
                             "a\001b",
                             "\x1f"})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
}

TEST(OutputNames, OrdinaryOddNamesStayUsable)
{
    for (const char* name :
         {"",      "th_photo", "a b",      "  lead", "a.b.c",    "..a",   ".hidden",
          "&",     "[1]",      "(2)",      "{x}",    "%d",       "%s%n",  "#",
          "a;b,c", "it's",     "~tmp",     "a+b=c",  "50% off!", "@home", "$x",
          "^",     "caf\xe9",  "\xa9\xae", "\x7f"})
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    EXPECT_TRUE(IsPlainFileName(std::string(300, 'n').c_str()));
}

// The composed name is what counts: harmless parts can make a device, and a
// pattern can keep one away.
TEST(OutputNames, BaseNamesAreJudgedWhole)
{
    const struct
    {
        const char* prefix;
        const char* name;
        int pattern;
        const char* suffix;
        const char* want; // NULL for refused
    } cases[] = {
        {"th_", "photo", kNameOnly, "", "th_photo"},
        {"p_", "photo", kNameIndex, "_s", "p_photo_3_s"},
        {"p_", "photo", kIndexName, "_s", "p_3_photo_s"},
        {"[", "a b", kNameOnly, "] #1 & 100%", "[a b] #1 & 100%"},
        {"", "", 7, "", ""},
        {"NUL", "photo", 7, "", NULL},
        {"", "con", kNameOnly, "", NULL},
        {"co", "n", kNameOnly, ".x", NULL},
        {"", "LPT", kNameIndex, "", "LPT_3"},
        {"", "nul", kIndexName, "", "3_nul"},
        {"..\\", "photo", kNameOnly, "", NULL},
        {"../", "photo", kNameOnly, "", NULL},
        {"C:", "photo", kNameOnly, "", NULL},
        {"\\\\?\\C:\\", "photo", kNameOnly, "", NULL},
        {"", "photo", kNameOnly, ":stream", NULL},
        {"", "photo", kNameOnly, "\\..\\..\\x", NULL},
        {"", "photo", kNameOnly, ".", "photo."},
        {"", "photo", kNameOnly, " ", "photo "},
        {"", "", kNameOnly, "..", ".."},
    };
    for (const auto& c : cases)
    {
        char out[kPathBufferSize] = "old";
        const bool made =
            MakeOutputBaseName(c.prefix, c.name, c.pattern, 3, c.suffix, out, sizeof(out));
        EXPECT_EQ(c.want != NULL, made) << c.prefix << "|" << c.name << "|" << c.suffix;
        EXPECT_STREQ(c.want != NULL ? c.want : "", out)
            << c.prefix << "|" << c.name << "|" << c.suffix;
    }
    // Too long for the buffer: refused, not cut.
    char tiny[8] = "old";
    EXPECT_FALSE(MakeOutputBaseName("th_", "photo", kNameOnly, 1, "", tiny, sizeof(tiny)));
    EXPECT_STREQ("", tiny);
}
