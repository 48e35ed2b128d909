// ShellInt: the shell verbs install and uninstall exactly, and the setup dialog drives them.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "base/GdiHandles.h"
#include "base/Handles.h"
#include "base/StrUtil.h"
#include "controls/Bitmaps.h"
#include "image/Extensions.h"
#include "settings/Registry.h"
#include "shellint/SetupDlg.h"
#include "shellint/ShellVerb.h"
#include "tests/support/RegTree.h"
#include "tests/support/ShellFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

const HKEY kCR = HKEY_CLASSES_ROOT;

std::string ModulePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof(path));
    return path;
}

std::string CommandFor(const std::string& program) { return "\"" + program + "\" /q \"%1\""; }

std::string Text(const RegValue& v)
{
    return v.data.empty() ? "" : v.data.substr(0, v.data.size() - 1);
}

// A key's default value as the user's shell sees it: the current user's
// classes first, then the machine's.
bool QuerySeenDefault(const std::string& path, RegValue* out)
{
    return QueryRegValue(HKEY_CURRENT_USER, kUserClassesPath + path, "", out) ||
           QueryRegValue(kCR, path, "", out);
}

// The command of the verb under the extension's class; empty when the verb
// is missing.
std::string VerbCommand(const char* ext)
{
    RegValue cls;
    if (!QuerySeenDefault(std::string(".") + ext, &cls))
        return "";
    RegValue cmd;
    if (!QuerySeenDefault(Text(cls) + "\\shell\\convertGif\\command", &cmd))
        return "";
    return Text(cmd);
}

int CountVerbs()
{
    int n = 0;
    for (const char* ext : kSupportedExtensionNames)
        n += VerbCommand(ext).empty() ? 0 : 1;
    return n;
}

std::vector<std::string> Replace(std::vector<std::string> lines, const std::string& from,
                                 const std::string& to)
{
    for (std::string& l : lines)
    {
        size_t at = l.find(from);
        if (at != std::string::npos)
            l.replace(at, from.size(), to);
    }
    return lines;
}

// The lines our own class for .<ext> adds, with {cmd} for the command and
// the class's description, the type name its files show.
std::vector<std::string> OwnClassLines(const std::string& ext, const std::string& description)
{
    std::string cls = "Tolvex." + ext;
    return {"." + ext,
            "." + ext + " @=" + cls,
            cls,
            cls + " @=" + description,
            cls + "\\shell",
            cls + "\\shell\\convertGif",
            cls + "\\shell\\convertGif @=Convert to GIF",
            cls + "\\shell\\convertGif\\command",
            cls + "\\shell\\convertGif\\command @={cmd}"};
}

// The type name the file list shows for a file of the extension: the
// shell's answer for a real file's item.
std::string TypeNameShown(const char* ext)
{
    EnsureShellAllocator();
    TempFolder tmp("type");
    const std::string file = tmp.File(std::string("x.") + ext);
    WriteFileBytes(file, "x");
    LPITEMIDLIST pidl = ParsePath(file);
    if (pidl == NULL)
        return "<no item>";
    SHFILEINFOA info = {};
    std::string shown =
        SHGetFileInfoA((LPCSTR)pidl, 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_TYPENAME)
            ? info.szTypeName
            : "<no answer>";
    CoTaskMemFree(pidl);
    return shown;
}

// The type name files of the extension show, or where they show none the
// one a class of ours is described with: the extension in capitals and
// "File".
std::string TypeNameBefore(const char* ext)
{
    std::string shown = TypeNameShown(ext);
    if (!shown.empty())
        return shown;
    for (const char* c = ext; *c; ++c)
        shown += (char)toupper((unsigned char)*c);
    return shown + " File";
}

std::vector<std::string> Drop(std::vector<std::string> lines, const std::string& line)
{
    lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

// The current user's classes under the given names, in dump form without
// the path of the user's classes.
std::vector<std::string> UserClassTrees(const std::vector<std::string>& names)
{
    std::vector<std::string> prefixed;
    for (const std::string& n : names)
        prefixed.push_back(kUserClassesPath + n);
    std::vector<std::string> lines = DumpRegistryTrees(HKEY_CURRENT_USER, prefixed);
    const size_t cut = strlen(kUserClassesPath);
    for (std::string& l : lines)
        l.erase(0, cut);
    return lines;
}

void WriteUserClassLines(const std::vector<std::string>& lines)
{
    CRegistryKey user;
    ASSERT_EQ(ERROR_SUCCESS, user.Create(HKEY_CURRENT_USER, "Software\\Classes"));
    WriteRegistryLines(user, lines);
}

// A dump line's key, and its value's name: what the line is about.
std::string LineSubject(const std::string& line)
{
    const size_t blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(0, line.find('=', blank));
}

// The classes as the user's shell on Windows sees them: the current user's
// over the machine's, key by key and value by value.
std::vector<std::string> SeenTrees(const std::vector<std::string>& names)
{
    std::vector<std::string> seen = UserClassTrees(names);
    std::vector<std::string> subjects;
    for (const std::string& l : seen)
        subjects.push_back(LineSubject(l));
    for (const std::string& l : DumpRegistryTrees(kCR, names))
        if (std::find(subjects.begin(), subjects.end(), LineSubject(l)) == subjects.end())
            seen.push_back(l);
    return Sorted(seen);
}

bool HoldsOurClasses(const std::vector<std::string>& lines)
{
    for (const std::string& l : lines)
        if (l.compare(0, 7, "Tolvex.") == 0)
            return true;
    return false;
}

// The pre-states the shell verb is installed over and removed from, with
// the keys each one watches and what they hold after each step ({cmd}: the
// command, {shown}: the type name files showed before, or the usual one
// where they showed none).
struct PreStateCase
{
    const char* name;
    const char* ext;
    std::vector<std::string> watch;  // keys compared
    std::vector<std::string> before; // state set up, in dump form
    std::vector<std::string> installed;
    std::vector<std::string> removed;
    int registerResult;
    const char* registeredClass;
};

std::vector<std::string> Union(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    a = Sorted(a);
    a.erase(std::unique(a.begin(), a.end()), a.end());
    return a;
}

std::vector<PreStateCase> PreStateCases()
{
    const std::string longClass(300, 'L');
    const std::vector<std::string> foreign = {
        ".jpg",
        ".jpg @=OtherApp.Jpeg",
        ".jpg Content Type=image/jpeg",
        "OtherApp.Jpeg",
        "OtherApp.Jpeg @=JPEG picture",
        "OtherApp.Jpeg\\shell",
        "OtherApp.Jpeg\\shell @=open",
        "OtherApp.Jpeg\\shell\\open",
        "OtherApp.Jpeg\\shell\\open\\command",
        "OtherApp.Jpeg\\shell\\open\\command @=\"C:\\Other\\view.exe\" \"%1\"",
    };
    const std::vector<std::string> foreignVerb = {
        "OtherApp.Jpeg\\shell\\convertGif",
        "OtherApp.Jpeg\\shell\\convertGif @=Convert to GIF",
        "OtherApp.Jpeg\\shell\\convertGif\\command",
        "OtherApp.Jpeg\\shell\\convertGif\\command @={cmd}",
    };
    const std::vector<std::string> upperCase = {
        ".bmp",
        ".bmp @=TOLVEX.bmp",
        "TOLVEX.bmp",
        "TOLVEX.bmp\\shell",
        "TOLVEX.bmp\\shell\\open",
        "TOLVEX.bmp\\shell\\open\\command",
        "TOLVEX.bmp\\shell\\open\\command @=paint.exe \"%1\"",
    };
    const std::vector<std::string> bare = {
        ".rle",
        ".rle @=Bare.Class",
        "Bare.Class",
        "Bare.Class\\shell",
        "Bare.Class\\shell\\open",
        "Bare.Class\\shell\\open\\command",
        "Bare.Class\\shell\\open\\command @=view.exe \"%1\"",
    };
    const std::vector<std::string> otherValues = {
        ".tif",
        ".tif Content Type=image/tiff",
        ".tif PerceivedType=image",
        ".tif\\OpenWithProgids",
        ".tif\\OpenWithProgids Viewer.Tiff=",
    };

    return {
        {"no key",
         "bmp",
         {".bmp", "Tolvex.bmp"},
         {},
         OwnClassLines("bmp", "{shown}"),
         {},
         1,
         "Tolvex.bmp"},
        {"key without default",
         "png",
         {".png", "Tolvex.png"},
         {".png"},
         OwnClassLines("png", "{shown}"),
         {},
         1,
         "Tolvex.png"},
        {"another program's class",
         "jpg",
         {".jpg", "OtherApp.Jpeg", "Tolvex.jpg"},
         foreign,
         Union(foreign, foreignVerb),
         foreign,
         1,
         "OtherApp.Jpeg"},
        {"our own class from another path",
         "gif",
         {".gif", "Tolvex.gif"},
         Replace(OwnClassLines("gif", "Old type"), "{cmd}", CommandFor("C:\\Old\\tolvex.exe")),
         OwnClassLines("gif", "Old type"),
         {},
         1,
         "Tolvex.gif"},
        {"our class name in other letters",
         "bmp",
         {".bmp", "TOLVEX.bmp"},
         upperCase,
         Union(upperCase, Replace(foreignVerb, "OtherApp.Jpeg", "TOLVEX.bmp")),
         upperCase,
         1,
         "TOLVEX.bmp"},
        {"empty default",
         "pcx",
         {".pcx", "Tolvex.pcx"},
         {".pcx", ".pcx @="},
         OwnClassLines("pcx", "{shown}"),
         {},
         1,
         "Tolvex.pcx"},
        {"class name too long",
         "tga",
         {".tga", "Tolvex.tga"},
         {".tga", ".tga @=" + longClass},
         {".tga", ".tga @=" + longClass},
         {".tga", ".tga @=" + longClass},
         0,
         NULL},
        {"default not text",
         "sgi",
         {".sgi", "Tolvex.sgi"},
         {".sgi", ".sgi @=dword:7"},
         {".sgi", ".sgi @=dword:7"},
         {".sgi", ".sgi @=dword:7"},
         0,
         NULL},
        {"key with other values",
         "tif",
         {".tif", "Tolvex.tif"},
         otherValues,
         Union(otherValues, OwnClassLines("tif", "{shown}")),
         otherValues,
         1,
         "Tolvex.tif"},
        {"our own class without a description",
         "xpm",
         {".xpm", "Tolvex.xpm"},
         Drop(OwnClassLines("xpm", ""), "Tolvex.xpm @="),
         OwnClassLines("xpm", "{shown}"),
         {},
         1,
         "Tolvex.xpm"},
        {"another program's class that is missing",
         "pcd",
         {".pcd", "Gone.Class"},
         {".pcd", ".pcd @=Gone.Class"},
         Union({".pcd", ".pcd @=Gone.Class", "Gone.Class", "Gone.Class @={shown}",
                "Gone.Class\\shell"},
               Replace(foreignVerb, "OtherApp.Jpeg", "Gone.Class")),
         {".pcd", ".pcd @=Gone.Class", "Gone.Class", "Gone.Class @={shown}", "Gone.Class\\shell"},
         1,
         "Gone.Class"},
        {"another program's class without a description",
         "rle",
         {".rle", "Bare.Class"},
         bare,
         Union(bare, Replace(foreignVerb, "OtherApp.Jpeg", "Bare.Class")),
         bare,
         1,
         "Bare.Class"},
    };
}

// The one extension on its own: its result, and the class it went under.
void RegisterTheCasesExtension(const PreStateCase& c)
{
    char cls[kPathBufferSize] = "";
    EXPECT_EQ(c.registerResult, RegisterShellVerb(c.ext, cls, sizeof(cls)));
    if (c.registeredClass != NULL)
    {
        EXPECT_STREQ(c.registeredClass, cls);
    }
}

// The classes compared: our own extensions' and classes, and the other
// programs' of the table.
std::vector<std::pair<HKEY, std::string>> CaseKeys()
{
    return ShellKeys({"OtherApp.Jpeg", "Gone.Class", "Bare.Class"});
}

std::vector<std::string> Expected(const std::vector<std::string>& lines, const std::string& cmd,
                                  const std::string& shown)
{
    return Sorted(Replace(Replace(lines, "{cmd}", cmd), "{shown}", shown));
}

} // namespace

// ---------------------------------------------------------------------------

TEST(ShellIntVerb, CommandTextAndProgramPath)
{
    char out[kPathBufferSize];
    ASSERT_TRUE(FormatShellCommand("C:\\Program Files\\Tolvex\\tolvex.exe", out, sizeof(out)));
    EXPECT_STREQ("\"C:\\Program Files\\Tolvex\\tolvex.exe\" /q \"%1\"", out);
    EXPECT_FALSE(FormatShellCommand("C:\\t.exe", out, 10)); // cut, never written half
    EXPECT_FALSE(FormatShellCommand("", out, sizeof(out)));

    char path[MAX_PATH];
    ASSERT_TRUE(ReadProgramPath(path, sizeof(path)));
    EXPECT_EQ(ModulePath(), path);
    // A path that does not fit would name another program.
    EXPECT_FALSE(ReadProgramPath(path, (DWORD)strlen(path)));
    EXPECT_FALSE(ReadProgramPath(path, 4));
}

// Each pre-state goes through install and uninstall; the keys concerned are
// compared line by line after both.
TEST(ShellIntVerb, InstallAndUninstallFromEachPreState)
{
    const std::string cmd = CommandFor(ModulePath());
    for (const PreStateCase& c : PreStateCases())
    {
        SCOPED_TRACE(c.name);
        RegistryState reg(CaseKeys());
        WriteRegistryLines(kCR, c.before);
        ASSERT_EQ(Sorted(c.before), DumpRegistryTrees(kCR, c.watch));
        const std::string shownBefore = TypeNameBefore(c.ext);

        RegisterTheCasesExtension(c);

        InstallShellIntegration();
        EXPECT_EQ(Expected(c.installed, cmd, shownBefore), DumpRegistryTrees(kCR, c.watch));
        UninstallShellIntegration();
        EXPECT_EQ(Expected(c.removed, cmd, shownBefore), DumpRegistryTrees(kCR, c.watch));
        EXPECT_TRUE(UserClassTrees(c.watch).empty()) << "the machine's classes took every write";
    }
}

// Where the machine's classes refuse a write, as they refuse a user without
// administrator rights on Windows, the whole install goes to the current
// user's classes instead: what the user's shell sees (the user's classes
// over the machine's) is then exactly what the machine's would have held,
// the machine's stay as they were, and removal cleans the user's. Each
// pre-state is met once in the user's classes (another per-user program, or
// an earlier install of ours) and once in the machine's.
TEST(ShellIntVerb, RefusedMachineClassesGoToTheUsersOwn)
{
    const std::string cmd = CommandFor(ModulePath());
    for (const PreStateCase& c : PreStateCases())
        for (bool perUser : {true, false})
        {
            // A user cannot remove our keys from the machine's classes, but
            // Wine would let the test's stand-in lose them.
            if (!perUser && HoldsOurClasses(c.before))
                continue;
            SCOPED_TRACE(std::string(c.name) + (perUser ? ", the user's" : ", the machine's"));
            RegistryState reg(CaseKeys());
            if (perUser)
                WriteUserClassLines(c.before);
            RefusingClassesRoot machine(perUser ? std::vector<std::string>() : c.before);
            const std::vector<std::string> machineBefore = DumpRegistryTrees(kCR, c.watch);
            ASSERT_EQ(Sorted(c.before), SeenTrees(c.watch));
            const std::string shownBefore = TypeNameBefore(c.ext);

            RegisterTheCasesExtension(c);

            InstallShellIntegration();
            EXPECT_EQ(Expected(c.installed, cmd, shownBefore), SeenTrees(c.watch));
            EXPECT_EQ(machineBefore, DumpRegistryTrees(kCR, c.watch));
            // Every other extension went the same way.
            EXPECT_EQ((int)kSupportedExtensionCount - (c.registerResult == 0 ? 1 : 0),
                      CountVerbs());
            EXPECT_EQ(cmd, VerbCommand("yuv"));
            EXPECT_EQ(OwnClassLines("yuv", "{shown}").size(),
                      UserClassTrees({".yuv", "Tolvex.yuv"}).size());

            // The machine's keys stay, even one that the machine's road
            // would have claimed and removed with our class.
            UninstallShellIntegration();
            EXPECT_EQ(Expected(Union(c.removed, machineBefore), cmd, shownBefore),
                      SeenTrees(c.watch));
            EXPECT_EQ(machineBefore, DumpRegistryTrees(kCR, c.watch));
            EXPECT_EQ(0, CountVerbs());
        }
}

// Files keep the type name they showed, and show it again once the
// integration is removed.
TEST(ShellIntVerb, ExactValuesForEveryExtension)
{
    RegistryState reg(ShellKeys());
    std::vector<std::string> shownBefore;
    for (const char* ext : kSupportedExtensionNames)
        shownBefore.push_back(TypeNameShown(ext));
    InstallShellIntegration();
    const std::string cmd = CommandFor(ModulePath());
    for (size_t i = 0; i < kSupportedExtensionCount; ++i)
    {
        const char* ext = kSupportedExtensionNames[i];
        SCOPED_TRACE(ext);
        const std::string verb = std::string("Tolvex.") + ext + "\\shell\\convertGif";
        RegValue cls, caption, command, description;
        ASSERT_TRUE(QueryRegValue(kCR, std::string(".") + ext, "", &cls));
        EXPECT_EQ(std::string("Tolvex.") + ext + '\0', cls.data);
        ASSERT_TRUE(QueryRegValue(kCR, verb, "", &caption));
        EXPECT_EQ((DWORD)REG_SZ, caption.type);
        EXPECT_EQ(std::string("Convert to GIF", 15), caption.data); // 15 bytes with the zero
        ASSERT_TRUE(QueryRegValue(kCR, verb + "\\command", "", &command));
        EXPECT_EQ((DWORD)REG_SZ, command.type);
        EXPECT_EQ(cmd + '\0', command.data);
        ASSERT_TRUE(QueryRegValue(kCR, std::string("Tolvex.") + ext, "", &description));
        EXPECT_EQ((DWORD)REG_SZ, description.type);
        EXPECT_EQ(shownBefore[i] + '\0', description.data);
        EXPECT_FALSE(shownBefore[i].empty());
        EXPECT_EQ(shownBefore[i], TypeNameShown(ext));
        // Only the default values: no icon or default verb.
        EXPECT_EQ(Sorted(Replace(OwnClassLines(ext, shownBefore[i]), "{cmd}", cmd)),
                  DumpRegistryTrees(kCR, {std::string(".") + ext, std::string("Tolvex.") + ext}));
    }
    UninstallShellIntegration();
    EXPECT_EQ(0, CountVerbs());
    for (size_t i = 0; i < kSupportedExtensionCount; ++i)
    {
        const char* ext = kSupportedExtensionNames[i];
        EXPECT_TRUE(DumpRegistryTree(kCR, std::string("Tolvex.") + ext).empty()) << ext;
        EXPECT_EQ(shownBefore[i], TypeNameShown(ext)) << ext;
    }
}

TEST(ShellIntVerb, UninstallOnACleanPrefixChangesNothing)
{
    RegistryState reg(ShellKeys());
    const std::vector<std::string> before = DumpRegistryTree(kCR, "");
    char cls[kPathBufferSize];
    for (const char* ext : kSupportedExtensionNames)
        EXPECT_EQ(1, UnregisterShellVerb(ext, cls, sizeof(cls))) << ext;
    UninstallShellIntegration();
    EXPECT_EQ(before, DumpRegistryTree(kCR, ""));
}

// ---------------------------------------------------------------------------

namespace {

const char kSetupCaption[] = "Tolvex 1.2 setup";

std::string ShellPath()
{
    char path[kRegMaxValueSize] = "";
    RegReadValue(kRegShellPath, path, sizeof(path));
    return path;
}

DWORD ShellOn()
{
    DWORD v = 0xDEAD;
    RegReadDword(kRegShellOn, &v);
    return v;
}

} // namespace

TEST(ShellIntSetupDlg, LooksAsDesignedAndNextEnables)
{
    RegistryState reg(ShellKeys());
    RegWriteString(kRegShellPath, "C:\\Settings\\mine.tvx");
    CSetupDlg dlg;
    INT_PTR result = -1;
    DriveWhile(
        [&] { result = dlg.DoModal(NULL); },
        [&](int) {
            HWND h = FindThreadWindow(kSetupCaption);
            if (h == NULL)
                return true;
            // The system adds the visible, clip-siblings and 3-D look bits itself.
            const LONG_PTR added = WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK;
            EXPECT_EQ((LONG_PTR)0x80C800C0, GetWindowLongPtrA(h, GWL_STYLE) & ~added);
            EXPECT_TRUE(IsItemChecked(h, IDC_SETUP_ENABLE));
            EXPECT_FALSE(IsItemChecked(h, IDC_SETUP_DISABLE));
            EXPECT_EQ("Enable integration into shell ", ItemText(h, IDC_SETUP_ENABLE));
            EXPECT_EQ("Disable integration into shell ", ItemText(h, IDC_SETUP_DISABLE));
            EXPECT_EQ("Next >", ItemText(h, IDOK));
            HWND next = GetDlgItem(h, IDOK);
            EXPECT_EQ((LONG_PTR)BS_PUSHBUTTON, GetWindowLongPtrA(next, GWL_STYLE) & BS_TYPEMASK);
            bool explained = false;
            for (HWND c = GetWindow(h, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT))
                explained |= GetWindowTextString(c) ==
                             "The integration with shell will allow you to convert the images from "
                             "Windows Explorer in a few mouse clicks. You can change this option  "
                             "later  through  \"Options\" item  of the program's main menu.";
            EXPECT_TRUE(explained);

            // No owner: centred on the work area.
            RECT area, rc;
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
            GetWindowRect(h, &rc);
            EXPECT_NEAR((area.left + area.right) / 2, (rc.left + rc.right) / 2, 1);
            EXPECT_NEAR((area.top + area.bottom) / 2, (rc.top + rc.bottom) / 2, 1);

            SendMessageA(next, BM_CLICK, 0, 0);
            return false;
        });
    EXPECT_EQ(1, result);
    EXPECT_EQ(1u, ShellOn());
    EXPECT_EQ((int)kSupportedExtensionCount, CountVerbs());
    EXPECT_EQ("C:\\Settings\\mine.tvx", ShellPath());
}

TEST(ShellIntSetupDlg, EscapeAndCloseBoxDoNothingAndDisableRemoves)
{
    RegistryState reg(ShellKeys());
    InstallShellIntegration();
    ASSERT_EQ((int)kSupportedExtensionCount, CountVerbs());
    CSetupDlg dlg;
    INT_PTR result = -1;
    DriveWhile([&] { result = dlg.DoModal(NULL); },
               [&](int step) {
                   HWND h = FindThreadWindow(kSetupCaption);
                   if (h == NULL)
                       return true;
                   if (step < 100 && GetPropA(h, "tvx.test.poked") == NULL)
                   {
                       SetPropA(h, "tvx.test.poked", (HANDLE)1);
                       PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 0);
                       PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
                       PostMessageA(h, WM_CLOSE, 0, 0);
                       return true;
                   }
                   EXPECT_TRUE(IsWindowVisible(h));
                   RemovePropA(h, "tvx.test.poked");
                   SendMessageA(GetDlgItem(h, IDC_SETUP_DISABLE), BM_CLICK, 0, 0);
                   EXPECT_FALSE(IsItemChecked(h, IDC_SETUP_ENABLE));
                   SendMessageA(GetDlgItem(h, IDOK), BM_CLICK, 0, 0);
                   return false;
               });
    EXPECT_EQ(1, result);
    EXPECT_EQ(0u, ShellOn());
    EXPECT_EQ(0, CountVerbs());
}

namespace {

// The pixels of a picture control as it draws itself, in a 24-bit bitmap of
// its client size.
HBITMAP DrawnPicture(HWND control)
{
    RECT rc;
    GetClientRect(control, &rc);
    HBITMAP canvas = CreateDib24(NULL, rc.right, rc.bottom);
    CWindowDC screen(NULL);
    CMemoryDC dc(screen);
    {
        CSelectObject select(dc, canvas);
        SendMessageA(control, WM_PRINTCLIENT, (WPARAM)(HDC)dc, PRF_CLIENT);
    }
    GdiFlush();
    return canvas;
}

// Drawn pixels whose colour lies outside what the source pixels under them
// hold (per channel, between the least and the most), and the first of them.
int StrayPixels(HBITMAP drawn, HBITMAP source, std::string& first)
{
    DibPixels d, s;
    if (!GetDibPixels(drawn, d) || !GetDibPixels(source, s))
        return -1;
    int stray = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
        {
            const int x0 = x * s.width / d.width, x1 = ((x + 1) * s.width - 1) / d.width;
            const int y0 = y * s.height / d.height, y1 = ((y + 1) * s.height - 1) / d.height;
            const BYTE* p = d.Row(y) + x * d.pixelBytes;
            bool inside = true;
            for (int c = 0; c < 3; ++c)
            {
                int least = 255, most = 0;
                for (int sy = y0; sy <= y1; ++sy)
                    for (int sx = x0; sx <= x1; ++sx)
                    {
                        const int v = s.Row(sy)[sx * s.pixelBytes + c];
                        least = std::min(least, v);
                        most = std::max(most, v);
                    }
                inside = inside && p[c] >= least && p[c] <= most;
            }
            if (!inside && stray++ == 0)
                first = "(" + std::to_string(x) + "," + std::to_string(y) + ") RGB " +
                        std::to_string(p[2]) + " " + std::to_string(p[1]) + " " +
                        std::to_string(p[0]);
        }
    return stray;
}

// Compares what a picture control of the dialog draws with its bitmap.
void CheckPicture(HWND dlg, int control, WORD bitmap)
{
    SCOPED_TRACE(bitmap);
    HWND hControl = GetDlgItem(dlg, control);
    ASSERT_NE((HWND)NULL, hControl);
    CBitmapHandle source(
        LoadMappedBitmap(g_Module.GetResourceInstance(), bitmap, 24, kColorMapNone));
    CBitmapHandle drawn(DrawnPicture(hControl));
    const SIZE own = GetBitmapSize(source), place = GetBitmapSize(drawn);
    ASSERT_GT(own.cx, 0);
    ASSERT_GT(place.cx, 0);
    std::string first;
    EXPECT_EQ(0, StrayPixels(drawn, source, first))
        << "first: " << first << "; picture " << own.cx << "x" << own.cy << " in " << place.cx
        << "x" << place.cy;
}

} // namespace

// Palette pictures that the dialog shows at another size than their own
// must not gain colours: a stretch that merges dropped rows by AND streaked
// them with dotted lines of purple, cyan and green.
TEST(ShellIntSetupDlg, PicturesFillTheirPlacesWithTheirOwnColours)
{
    RegistryState reg(ShellKeys());
    CSetupDlg dlg;
    DriveWhile([&] { dlg.DoModal(NULL); },
               [&](int) {
                   HWND h = FindThreadWindow(kSetupCaption);
                   if (h == NULL)
                       return true;
                   CheckPicture(h, IDC_SETUP_BANNER, IDB_SETUP_BANNER);
                   CheckPicture(h, IDC_SETUP_SIDE, IDB_SETUP_SIDE);
                   SendMessageA(GetDlgItem(h, IDOK), BM_CLICK, 0, 0);
                   return false;
               });
}

// ---------------------------------------------------------------------------

TEST(ShellIntRoads, UninstallRemovesTheVerbsAndKeepsTheValues)
{
    RegistryState reg(ShellKeys());
    DWORD on = 1;
    RegWriteDword(kRegShellOn, &on);
    RegWriteString(kRegShellPath, "C:\\Settings\\mine.tvx");
    InstallShellIntegration();
    ASSERT_EQ((int)kSupportedExtensionCount, CountVerbs());
    // An install of a user whom the machine's classes refused, too.
    std::vector<std::string> ours;
    for (const char* ext : kSupportedExtensionNames)
    {
        ours.push_back(std::string(".") + ext);
        ours.push_back(std::string("Tolvex.") + ext);
    }
    {
        RefusingClassesRoot refusing({});
        InstallShellIntegration();
    }
    ASSERT_EQ(9 * kSupportedExtensionCount, UserClassTrees(ours).size());

    EXPECT_EQ(0, RunProgramExe("-u"));
    EXPECT_EQ(0, CountVerbs());
    EXPECT_TRUE(DumpRegistryTrees(kCR, ours).empty());
    EXPECT_TRUE(UserClassTrees(ours).empty());
    EXPECT_EQ(1u, ShellOn());
    EXPECT_EQ("C:\\Settings\\mine.tvx", ShellPath());
}

TEST(ShellIntRoads, SetupRoadShowsTheDialogAndInstalls)
{
    RegistryState reg(ShellKeys());
    std::string exe = ProgramImage();
    std::string line = "\"" + BuildFolder() + "tolvex.exe\" -i";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back('\0');
    ASSERT_TRUE(
        CreateProcessA(exe.c_str(), cmd.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi));
    HWND h = NULL;
    for (int i = 0; i < 400 && h == NULL; ++i)
    {
        h = FindWindowA(NULL, kSetupCaption);
        if (h == NULL)
            Sleep(25);
    }
    EXPECT_NE((HWND)NULL, h);
    if (h != NULL)
        PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, (UINT)-1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    EXPECT_EQ(1u, code);
    EXPECT_EQ(1u, ShellOn());
    EXPECT_EQ(CommandFor(exe), VerbCommand("jpeg")); // the path the program was started from
    EXPECT_EQ((int)kSupportedExtensionCount, CountVerbs());
}
