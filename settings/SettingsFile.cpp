// Where "settings.tvx" lives: beside the program while that folder takes
// it, else in the user's own application-data folder.
#include "settings/SettingsFile.h"

#include <windows.h>
#include <shlobj.h>

#include "base/Handles.h"
#include "files/Paths.h"
#include "files/TempNames.h"
#include "settings/SettingsNames.h"

namespace {

// The folders the settings decision looks at in place of the real ones,
// while a test sets them.
std::string g_programFolderOverride;
std::string g_userFolderOverride;

// The settings file can be replaced there: the folder takes a new file (a
// probe of our own name, made and removed at once) and the file, if there
// is one, is neither read-only nor a folder.
bool CanWriteSettings(const std::string& folder, const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    char probe[kPathBufferSize];
    CKernelHandle file(CreateOwnedFile(kSettingsCopies, folder.c_str(), probe, sizeof(probe)));
    if (!file.Valid())
        return false;
    file.Close();
    DeleteFileA(probe);
    return true;
}

// "<AppData>\Tolvex\", made when missing; empty when there is none.
std::string UserSettingsFolder()
{
    if (!g_userFolderOverride.empty())
        return g_userFolderOverride;
    char appData[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(NULL, CSIDL_APPDATA | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT,
                                appData)))
        return std::string();
    const std::string folder = std::string(appData) + "\\" + kProductName;
    if (PathExists(folder.c_str()) != -1 && !CreateDirectoryA(folder.c_str(), NULL))
        return std::string();
    return folder + "\\";
}

// The user's own file starts as the one beside the program (read-only or
// in a folder that takes no writes), so that its options and GIF section
// carry over; copied under a temporary name first, so a full disk leaves no
// half file behind.
bool StartUserCopy(const std::string& from, const std::string& folder, const std::string& to)
{
    char temp[kPathBufferSize];
    CKernelHandle file(CreateOwnedFile(kSettingsCopies, folder.c_str(), temp, sizeof(temp)));
    if (!file.Valid())
        return false;
    const bool made = file.Close() && CopyFileA(from.c_str(), temp, FALSE) &&
                      SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL) &&
                      MoveFileExA(temp, to.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!made)
        DeleteFileA(temp);
    return made;
}

std::string ProgramSettingsFolder()
{
    return !g_programFolderOverride.empty() ? g_programFolderOverride : GetProgramFolder();
}

} // namespace

// Beside the program while that can be written there, so a copied folder
// keeps its settings; else in the user's own application-data folder.
std::string GetProgramSettingsPath()
{
    const std::string program = ProgramSettingsFolder();
    const std::string beside = program + kSettingsFileName;
    if (CanWriteSettings(program, beside))
        return beside;
    const std::string user = UserSettingsFolder();
    if (user.empty())
        return beside;
    const std::string own = user + kSettingsFileName;
    const bool besideExists = PathExists(beside.c_str()) == 1;
    if (PathExists(own.c_str()) != 0 || !besideExists || StartUserCopy(beside, user, own))
        return own;
    // Nowhere to write: at least what is beside the program is read.
    return beside;
}

void SetSettingsFoldersForTests(const std::string& programFolder, const std::string& userFolder)
{
    g_programFolderOverride = programFolder;
    g_userFolderOverride = userFolder;
}

void RemoveDeadSettingsCopies(const std::string& settingsPath)
{
    // Beside the program, where earlier versions saved, and beside the file
    // now used.
    RemoveDeadLeftovers(ProgramSettingsFolder().c_str(), kSettingsCopies);
    char folder[kPathBufferSize];
    if (GetFolderOfPath(settingsPath.c_str(), folder, sizeof(folder)))
        RemoveDeadLeftovers(folder, kSettingsCopies);
}
