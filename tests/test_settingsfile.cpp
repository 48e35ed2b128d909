// SettingsFile: where the program's folder takes no settings, they live in the user's AppData.
#include <windows.h>
#include <shlobj.h>
#include <string>

#include "files/Paths.h"
#include "settings/SettingsFile.h"
#include "tests/support/TestUtil.h"

TEST(SettingsFile, TheUsersSettingsLiveInTolvexUnderTheApplicationData)
{
    char appData[MAX_PATH] = "";
    ASSERT_TRUE(
        SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData)));
    const std::string folder = std::string(appData) + "\\Tolvex";
    const bool had = PathExists(folder.c_str()) == -1;
    TempFolder program("program locked");
    UnwritableFolder lock(program.Path());
    if (!lock.Made())
        GTEST_SKIP() << "no folder can be made read-only here";
    SetSettingsFoldersForTests(program.Path() + "\\", "");
    const std::string path = GetProgramSettingsPath();
    SetSettingsFoldersForTests("", "");
    EXPECT_EQ(folder + "\\settings.tvx", path);
    EXPECT_EQ(-1, PathExists(folder.c_str())) << "made for the save to come";
    if (!had)
        RemoveDirectoryA(folder.c_str());
}
