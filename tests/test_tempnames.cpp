// TempNames: temporary names are new each time, and only dead runs' leftovers are cleared.
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "image/GifWriter.h"
#include "image/ImageIO.h"
#include "files/Paths.h"
#include "settings/Registry.h"
#include "files/TempNames.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/TestUtil.h"

namespace {

// A process of the program that exists for the object's life without ever
// running (it is made suspended); once ended, its id and start time are
// those of an owner that is gone, as a killed run's are.
class OtherProcess
{
public:
    OtherProcess()
    {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string line = "\"" + ProgramImage() + "\"";
        std::vector<char> cmd(line.begin(), line.end());
        cmd.push_back('\0');
        if (CreateProcessA(ProgramImage().c_str(), cmd.data(), NULL, NULL, FALSE, CREATE_SUSPENDED,
                           NULL, NULL, &si, &m_info))
            m_start = ProcessStartTime(m_info.hProcess);
    }
    ~OtherProcess()
    {
        End();
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    void End()
    {
        if (m_info.hProcess != NULL && WaitForSingleObject(m_info.hProcess, 0) != WAIT_OBJECT_0)
        {
            TerminateProcess(m_info.hProcess, 1);
            WaitForSingleObject(m_info.hProcess, INFINITE);
        }
    }
    bool Started() const { return m_info.hProcess != NULL && m_start != 0; }
    DWORD Pid() const { return m_info.dwProcessId; }
    ULONGLONG Start() const { return m_start; }

private:
    PROCESS_INFORMATION m_info = {};
    ULONGLONG m_start = 0;
};

ULONGLONG OwnStart() { return ProcessStartTime(GetCurrentProcess()); }

std::string Hex(DWORD value)
{
    char text[16];
    snprintf(text, sizeof(text), "%lx", (unsigned long)value);
    return text;
}

struct Entry
{
    std::string name;
    bool folder;
    bool old;  // last written before the machine started
    bool gone; // removed by a sweep of every kind
};

// Lays the entries out in `folder`; a folder gets a temporary file of its
// own run inside, as a killed batch leaves it.
void Lay(const TempFolder& folder, const std::vector<Entry>& entries)
{
    for (const Entry& e : entries)
    {
        const std::string path = folder.File(e.name);
        if (e.folder)
        {
            CreateDirectoryA(path.c_str(), NULL);
            WriteFileBytes(path + "\\" + OwnedTempName(kImageTemps, 1, 1, 1), "part");
        }
        else
            WriteFileBytes(path, "part of a file");
        if (e.old)
            MakeLongAgo(path);
    }
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Expected(const std::vector<Entry>& entries, bool gone)
{
    std::vector<std::string> names;
    for (const Entry& e : entries)
        if (e.gone == gone)
            names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(TempNamesLeftovers, OnlyOursWhoseOwnerIsGoneAreRemoved)
{
    OtherProcess running, ended;
    ASSERT_TRUE(running.Started() && ended.Started());
    ended.End();
    const DWORD self = GetCurrentProcessId();
    // Under Wine a new run often gets the id of the last one: same id,
    // another start time is a process that is gone.
    const ULONGLONG before = OwnStart() - 1;
    const std::vector<Entry> entries = {
        // This version's names: the owner decides.
        {OwnedTempName(kImageTemps, ended.Pid(), ended.Start(), 1), false, false, true},
        {OwnedTempName(kImageTemps, self, before, 2), false, false, true},
        {OwnedTempName(kStagingFolders, ended.Pid(), ended.Start(), 3), true, false, true},
        {OwnedTempName(kSettingsCopies, self, before, 4), false, false, true},
        {OwnedTempName(kImageTemps, running.Pid(), running.Start(), 5), false, false, false},
        {OwnedTempName(kStagingFolders, running.Pid(), running.Start(), 6), true, true, false},
        {OwnedTempName(kImageTemps, self, OwnStart(), 7), false, true, false},
        {OwnedTempName(kSettingsCopies, self, OwnStart(), 8), false, false, false},
        // Earlier versions' names: gone when written before the machine
        // started, or under an id that is ours or no running process's.
        {"~tvx" + Hex(running.Pid()) + "_1.tmp", false, true, true},
        {"~tvx" + Hex(running.Pid()) + "_2.tmp", false, false, false},
        {"~tvx" + Hex(ended.Pid()) + "_3.tmp", false, false, true},
        {"~tvx" + Hex(self) + ".tmp", true, false, true},
        {"~tvx" + Hex(running.Pid()) + ".tmp", true, false, false},
        {"tvx1A2B.tmp", false, true, true},
        {"tvx1a2c.TMP", false, false, false},
        // Not ours, however old.
        {"~tvxnotes.tmp", false, true, false},
        {"~tvx12_zz.tmp", false, true, false},
        {"~tvx" + Hex(ended.Pid()) + ".tmp", false, true, false}, // a file, not a folder
        {"~tvx" + Hex(self) + "_9.tmp", true, true, false},       // a folder, not a file
        {"tvx1A2B3.tmp", false, true, false},                     // five digits
        {"tvx.tmp", false, true, false},
        {"tvx1A2D.tmp", true, true, false}, // a folder
        {"my~tvx1_1.tmp", false, true, false},
        {"~tvx1_1.tmp.bak", false, true, false},
        {"~tvx1-0123_1.tmp", false, true, false}, // a start time cut short
    };
    TempFolder dir("leftovers");
    Lay(dir, entries);

    // Each road's sweep takes only its own kind.
    RemoveDeadLeftovers(dir.Path().c_str(), kSettingsCopies);
    EXPECT_TRUE(FileExists(dir.File(entries[0].name)));
    EXPECT_FALSE(FileExists(dir.File(entries[3].name)));
    EXPECT_FALSE(FileExists(dir.File("tvx1A2B.tmp")));
    RemoveDeadLeftovers(dir.Path().c_str(), kImageTemps);
    EXPECT_FALSE(FileExists(dir.File(entries[0].name)));
    EXPECT_TRUE(FileExists(dir.File(entries[2].name)));

    RemoveDeadLeftovers((dir.Path() + "\\").c_str(), kImageTemps | kStagingFolders);
    EXPECT_EQ(Expected(entries, false), FolderNames(dir.Path()));
}

TEST(TempNamesLeftovers, OneThatIsHeldOpenStays)
{
    TempFolder dir("leftovers held");
    const std::string dead = dir.File(OwnedTempName(kImageTemps, GetCurrentProcessId(), 1, 1));
    WriteFileBytes(dead, "being written");
    CKernelHandle held(
        CreateFileA(dead.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(held.Valid());
    RemoveDeadLeftovers(dir.Path().c_str(), kImageTemps);
    EXPECT_TRUE(FileExists(dead));
    held.Close();
    RemoveDeadLeftovers(dir.Path().c_str(), kImageTemps);
    EXPECT_FALSE(FileExists(dead));
}

// A batch run starts by clearing what killed runs left in its output
// folder, and a name that is taken never costs a run its staging folder.
TEST(TempNamesLeftovers, ABatchRunClearsItsOutputFolderAndAlwaysStages)
{
    OtherProcess running, ended;
    ASSERT_TRUE(running.Started() && ended.Started());
    ended.End();
    TempFolder dir("leftovers batch");
    const std::string deadStaging = OwnedTempName(kStagingFolders, ended.Pid(), ended.Start(), 1);
    const std::string liveStaging =
        OwnedTempName(kStagingFolders, running.Pid(), running.Start(), 1);
    const std::string deadTemp = OwnedTempName(kImageTemps, ended.Pid(), ended.Start(), 2);
    // What a killed earlier run with this process's id left (Wine gives the
    // main window the same id every run).
    const std::string oldStaging = "~tvx" + Hex(GetCurrentProcessId()) + ".tmp";
    Lay(dir, {{deadStaging, true, false, true},
              {liveStaging, true, false, false},
              {deadTemp, false, false, true},
              {oldStaging, true, false, true},
              {"photo.gif", false, false, false}});

    {
        OutputStaging first(dir.Path().c_str());
        OutputStaging second(dir.Path().c_str());
        ASSERT_FALSE(first.Folder().empty());
        ASSERT_FALSE(second.Folder().empty());
        EXPECT_NE(first.Folder(), second.Folder());
        std::vector<std::string> names = FolderNames(dir.Path());
        EXPECT_EQ(4u, names.size()) << "two live staging folders, the other run's and the photo";
        EXPECT_TRUE(FileExists(dir.File(liveStaging)));
        EXPECT_FALSE(FileExists(dir.File(deadStaging)));
        EXPECT_FALSE(FileExists(dir.File(oldStaging)));
        EXPECT_FALSE(FileExists(dir.File(deadTemp)));

        // The run's outputs are written through its own folder.
        OutputWrite how;
        how.stagingFolder = second.Folder();
        Magick::Image image = MakeQuadrants(8, 6);
        WriteGif(image, dir.File("out.gif").c_str(), kGifStartupOptions, how);
        const std::string& staging = second.Folder();
        EXPECT_TRUE(FolderNames(staging.substr(0, staging.size() - 1)).empty());
    }
    EXPECT_EQ(Sorted({liveStaging, "out.gif", "photo.gif"}), FolderNames(dir.Path()));
}

// The quiet conversion writes beside its source, and clears what a killed
// conversion left there first.
TEST(TempNamesLeftovers, TheQuietConversionClearsBesideItsSource)
{
    RegistryState registry;
    OtherProcess ended;
    ASSERT_TRUE(ended.Started());
    ended.End();
    TempFolder dir("leftovers quiet");
    const std::string settings = dir.File("my.tvx");
    WriteFileBytes(settings, kWidth50Settings);
    RegWriteString(kRegShellPath, settings.c_str());
    const DWORD on = 1;
    RegWriteDword(kRegShellOn, &on);
    const std::string source = dir.File("pic.png");
    WriteFileBytes(source, EncodeImage(MakeQuadrants(40, 20), "png"));
    const std::string dead = OwnedTempName(kImageTemps, ended.Pid(), ended.Start(), 1);
    const std::string mine = OwnedTempName(kImageTemps, GetCurrentProcessId(), OwnStart(), 1);
    WriteFileBytes(dir.File(dead), std::string(6 << 20, 'x'));
    WriteFileBytes(dir.File(mine), "a live conversion's");
    WriteFileBytes(dir.File("~tvx-mine.tmp"), "not ours");

    EXPECT_EQ(1, RunProgramExe("/q \"" + source + "\""));
    EXPECT_EQ(Sorted({mine, "my.tvx", "pic.png", "th_pic.gif", "~tvx-mine.tmp"}),
              FolderNames(dir.Path()));
}

TEST(TempNamesLeftovers, NamesAreNewForEveryFileAndFolder)
{
    TempFolder dir("leftovers names");
    const std::string base = dir.Path() + "\\";
    char a[MAX_PATH], b[MAX_PATH], c[MAX_PATH];
    CKernelHandle fa(CreateOwnedFile(kImageTemps, base.c_str(), a, sizeof(a)));
    CKernelHandle fb(CreateOwnedFile(kSettingsCopies, base.c_str(), b, sizeof(b)));
    ASSERT_TRUE(fa.Valid() && fb.Valid());
    ASSERT_TRUE(CreateOwnedFolder(base.c_str(), c, sizeof(c)));
    EXPECT_EQ(base + "~tvx", std::string(a).substr(0, base.size() + 4));
    EXPECT_EQ(base + "tvx", std::string(b).substr(0, base.size() + 3));
    EXPECT_EQ(-1, PathExists(c));
    // The live process's own names survive every sweep.
    RemoveDeadLeftovers(base.c_str(), kImageTemps | kStagingFolders | kSettingsCopies);
    EXPECT_EQ(3u, FolderNames(dir.Path()).size());
    // A folder that takes no file gives no name and no handle.
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateOwnedFile(kImageTemps, dir.File("missing\\").c_str(), a, sizeof(a)));
    EXPECT_FALSE(CreateOwnedFolder(dir.File("missing\\").c_str(), c, sizeof(c)));
}
