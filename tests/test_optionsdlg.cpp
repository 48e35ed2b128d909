// OptionsDlg: the shell options dialog stores the settings path and turns the verbs on and off.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "base/StrUtil.h"
#include "controls/OwnerDrawButton.h"
#include "image/Extensions.h"
#include "settings/Registry.h"
#include "shellint/OptionsDlg.h"
#include "tests/support/RegTree.h"
#include "tests/support/TestUtil.h"

namespace {

const char kCaption[] = "Options";
const int kFileNameEdit = 0x480; // edt1

int CountVerbs()
{
    int n = 0;
    for (const char* ext : kSupportedExtensionNames)
    {
        RegValue cls;
        if (!QueryRegValue(HKEY_CLASSES_ROOT, std::string(".") + ext, "", &cls) || cls.data.empty())
            continue;
        std::string name = cls.data.substr(0, cls.data.size() - 1);
        RegValue cmd;
        n += QueryRegValue(HKEY_CLASSES_ROOT, name + "\\shell\\convertGif\\command", "", &cmd) ? 1
                                                                                               : 0;
    }
    return n;
}

// -1 when the value is missing.
long long ShellOn()
{
    DWORD v = 0;
    return RegReadDword(kRegShellOn, &v) ? (long long)v : -1;
}

std::string ShellPath()
{
    char path[kRegMaxValueSize] = "";
    return RegReadValue(kRegShellPath, path, sizeof(path)) ? path : "<missing>";
}

struct Seen
{
    bool ticked = false, pathEnabled = false, browseEnabled = false;
    std::string path;
};

Seen Look(HWND dlg)
{
    Seen s;
    s.ticked = IsItemChecked(dlg, IDC_OPTIONS_INTEGRATE);
    s.pathEnabled = IsItemEnabled(dlg, IDC_OPTIONS_PATH);
    s.browseEnabled = IsItemEnabled(dlg, IDC_OPTIONS_BROWSE);
    s.path = ItemText(dlg, IDC_OPTIONS_PATH);
    return s;
}

void Press(HWND dlg, int id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

void ClickBox(HWND dlg) { PostMessageA(GetDlgItem(dlg, IDC_OPTIONS_INTEGRATE), BM_CLICK, 0, 0); }

void SetPath(HWND dlg, const std::string& path)
{
    SetDlgItemTextA(dlg, IDC_OPTIONS_PATH, path.c_str());
}

// Runs the dialog; each step gets the topmost window of this thread that
// is up (the dialog, or a box or file dialog over it), one per tick.
INT_PTR RunSteps(const std::vector<std::function<void(HWND)>>& steps)
{
    COptionsDlg dlg;
    INT_PTR result = -1;
    size_t next = 0;
    DriveWhile([&] { result = dlg.DoModal(NULL); },
               [&](int) {
                   if (FindThreadWindow(kCaption) == NULL)
                       return true;
                   if (next < steps.size())
                       steps[next++](GetActiveWindow());
                   return true;
               });
    return result;
}

std::string MessageText(HWND box)
{
    std::string all;
    for (HWND c = GetWindow(box, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT))
        all += GetWindowTextString(c) + "|";
    return all;
}

const std::string kValidSettings = "[Resize]\r\nEnableResize=1\r\nWidth=80\r\n";

// A valid settings file in `tmp` whose full path is exactly `length`
// characters long (a folder name pads it).
std::string SettingsFileOfLength(const TempFolder& tmp, size_t length)
{
    const std::string name = "s.tvx";
    const size_t fixed = tmp.Path().size() + 2 + name.size(); // two backslashes
    std::string folder = tmp.File(std::string(length - fixed, 'p'));
    CreateDirectoryA(folder.c_str(), NULL);
    const std::string path = folder + "\\" + name;
    WriteFileBytes(path, kValidSettings);
    return path;
}

} // namespace

TEST(OptionsDlg, OpensFromTheRegistryAndTheBoxSwitchesTheControls)
{
    RegistryState reg(ShellKeys());
    Seen atOpen, ticked, unticked;
    bool ownerDrawn = false;
    INT_PTR r = RunSteps({[&](HWND h) {
                              atOpen = Look(h);
                              ownerDrawn = true;
                              for (int id : {IDOK, IDCANCEL, IDC_OPTIONS_BROWSE})
                                  ownerDrawn = ownerDrawn &&
                                               ButtonMapFind(GetDlgItem(h, id)) != NULL &&
                                               ButtonMapFind(GetDlgItem(h, id))->GetStyle() ==
                                                   kOdbStylePlain;
                              ClickBox(h);
                          },
                          [&](HWND h) {
                              ticked = Look(h);
                              SetPath(h, "C:\\kept.tvx");
                              ClickBox(h);
                          },
                          [&](HWND h) {
                              unticked = Look(h);
                              PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 1);
                          }});
    EXPECT_EQ(0, r);
    EXPECT_TRUE(ownerDrawn);
    EXPECT_FALSE(atOpen.ticked || atOpen.pathEnabled || atOpen.browseEnabled);
    EXPECT_EQ("", atOpen.path);
    EXPECT_TRUE(ticked.ticked && ticked.pathEnabled && ticked.browseEnabled);
    EXPECT_FALSE(unticked.ticked || unticked.pathEnabled || unticked.browseEnabled);
    EXPECT_EQ("C:\\kept.tvx", unticked.path);
    EXPECT_EQ(-1, ShellOn()) << "Escape writes nothing";
    EXPECT_EQ("<missing>", ShellPath());
}

TEST(OptionsDlg, SaveWithAPathThatCannotBeUsedWarnsAndStaysOpen)
{
    TempFolder tmp;
    WriteFileBytes(tmp.File("gif-only.tvx"), "[GIF]\r\nNoneTR=1\r\n");
    WriteFileBytes(tmp.File("binary.tvx"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    // A good settings file whose path is one character longer than the
    // registry value can hold.
    const std::string tooLong = SettingsFileOfLength(tmp, kRegMaxValueSize);
    ASSERT_TRUE(FileExists(tooLong));
    for (const std::string& path : {std::string(""), tmp.File("missing.tvx"),
                                    tmp.File("gif-only.tvx"), tmp.File("binary.tvx"), tooLong})
    {
        RegistryState reg(ShellKeys());
        RegWriteString(kRegShellPath, "C:\\old.tvx");
        std::string message;
        long long shellOnAtMessage = -2;
        int verbsAtMessage = -1;
        bool openAfterMessage = false;
        INT_PTR r = RunSteps({[&](HWND h) {
                                  ClickBox(h);
                                  SetPath(h, path);
                                  Press(h, IDOK);
                              },
                              [&](HWND box) {
                                  message = GetWindowTextString(box) + ":" + MessageText(box);
                                  shellOnAtMessage = ShellOn();
                                  verbsAtMessage = CountVerbs();
                                  PostMessageA(box, WM_COMMAND, IDOK, 0);
                              },
                              [&](HWND h) {
                                  openAfterMessage = GetWindowTextString(h) == kCaption;
                                  Press(h, IDCANCEL);
                              }});
        EXPECT_EQ(0, r) << path;
        EXPECT_NE(std::string::npos, message.find(std::string("Tolvex:")));
        EXPECT_NE(std::string::npos, message.find(kOptionsBadPathMessage))
            << path << " " << message;
        EXPECT_TRUE(openAfterMessage) << path;
        // Written before the test, and left so by Cancel.
        EXPECT_EQ(1, shellOnAtMessage) << path;
        EXPECT_EQ(kSupportedExtensionCount, verbsAtMessage) << path;
        EXPECT_EQ(1, ShellOn()) << path;
        EXPECT_EQ("C:\\old.tvx", ShellPath()) << path;
    }
}

TEST(OptionsDlg, SaveOnStoresThePathSaveOffRemovesTheVerbsAndKeepsIt)
{
    RegistryState reg(ShellKeys());
    TempFolder tmp;
    const std::string settings = tmp.File("shell.tvx");
    WriteFileBytes(settings, kValidSettings);

    EXPECT_EQ(1, RunSteps({[&](HWND h) {
                  ClickBox(h);
                  SetPath(h, settings);
                  Press(h, IDOK);
              }}));
    EXPECT_EQ(1, ShellOn());
    EXPECT_EQ(settings, ShellPath());
    EXPECT_EQ(kSupportedExtensionCount, CountVerbs());

    // The longest path the value holds is stored whole.
    const std::string longest = SettingsFileOfLength(tmp, kRegMaxValueSize - 1);
    EXPECT_EQ(1, RunSteps({[&](HWND h) {
                  SetPath(h, longest);
                  Press(h, IDOK);
              }}));
    EXPECT_EQ(longest, ShellPath());
    EXPECT_EQ(1, RunSteps({[&](HWND h) {
                  SetPath(h, settings);
                  Press(h, IDOK);
              }}));

    Seen reopened;
    EXPECT_EQ(1, RunSteps({[&](HWND h) {
                  reopened = Look(h);
                  ClickBox(h);
                  SetPath(h, "C:\\not looked at.tvx");
                  Press(h, IDOK);
              }}));
    EXPECT_TRUE(reopened.ticked && reopened.pathEnabled);
    EXPECT_EQ(settings, reopened.path);
    EXPECT_EQ(0, ShellOn());
    EXPECT_EQ(0, CountVerbs());
    EXPECT_EQ(settings, ShellPath());

    Seen off;
    EXPECT_EQ(0, RunSteps({[&](HWND h) {
                  off = Look(h);
                  PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
              }}));
    EXPECT_FALSE(off.ticked || off.pathEnabled);
    EXPECT_EQ(settings, off.path) << "the old path comes back";
}

TEST(OptionsDlg, BrowsePutsTheChosenNameIntoThePathBoxAndCancelKeepsIt)
{
    RegistryState reg(ShellKeys());
    TempFolder tmp;
    const std::string chosen = tmp.File("picked.tvx");
    Seen afterPick, afterCancel;
    std::string title;
    RunSteps({[&](HWND h) {
                  ClickBox(h);
                  SetPath(h, "C:\\before.tvx");
                  Press(h, IDC_OPTIONS_BROWSE);
              },
              [&](HWND fileDlg) {
                  title = GetWindowTextString(fileDlg);
                  HWND box = GetDlgItem(fileDlg, kFileNameCombo);
                  if (box == NULL)
                      box = GetDlgItem(fileDlg, kFileNameEdit);
                  // A name that does not exist yet is accepted in save mode.
                  SetWindowTextA(box, chosen.c_str());
                  PostMessageA(fileDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               (LPARAM)GetDlgItem(fileDlg, IDOK));
              },
              [&](HWND h) {
                  afterPick = Look(h);
                  Press(h, IDC_OPTIONS_BROWSE);
              },
              [&](HWND fileDlg) { PostMessageA(fileDlg, WM_COMMAND, IDCANCEL, 0); },
              [&](HWND h) {
                  afterCancel = Look(h);
                  Press(h, IDCANCEL);
              }});
    EXPECT_EQ("Select file", title);
    EXPECT_EQ(chosen, afterPick.path);
    EXPECT_EQ(chosen, afterCancel.path);
    EXPECT_EQ(-1, ShellOn()) << "browsing writes nothing";
}
