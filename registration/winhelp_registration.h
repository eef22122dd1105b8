#pragma once

#include <string>

class RegistryAccessor;

// The machine-wide map from help file names to the directories that hold
// them, where WinHelp looks a file up.
extern const char* const kWinHelpKey;

// Records the directory of the contents file and of the help file under the
// Windows Help key, or deletes both records when `remove` is set. Leaves
// HKEY_LOCAL_MACHINE selected.
void RegisterWinHelpFiles(RegistryAccessor& registry, const std::string& contentsFile, const std::string& helpFile,
                          bool remove);
