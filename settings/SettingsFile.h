// Where "settings.tvx" lives, for the main window and the GIF settings.
#pragma once

#include <string>

// "settings.tvx", which holds the options (the GIF section too) from one run
// to the next: beside the program while that folder takes the file and the
// file there is not read-only, else in the user's own application-data
// folder ("<AppData>\Tolvex\"), which then starts as a copy of the one
// beside the program. Reading and writing both ask here.
std::string GetProgramSettingsPath();
// For tests: the decision above looks at these folders (each with its
// trailing backslash) in place of the program's and the application-data
// one; empty texts give the real ones back.
void SetSettingsFoldersForTests(const std::string& programFolder, const std::string& userFolder);
// Removes the copies of saves that a kill cut short, beside the program
// and beside `settingsPath`, whose owners are gone.
void RemoveDeadSettingsCopies(const std::string& settingsPath);
