#pragma once

#include <string>

class RegistryAccessor;

// The machine-wide map from help file names to the directories that hold
// them, where WinHelp looks a file up.
extern const char* const kWinHelpKey;

// The values are one per file name for the whole machine, shared by every
// IDE that links the file: which of them another IDE still needs.
struct WinHelpValuesInUse {
    bool contentsFile = false;
    bool helpFile = false;
};

// Records the directory of the contents file and of the help file under the
// Windows Help key, or deletes both records when `remove` is set, but for
// those still in use. Leaves HKEY_LOCAL_MACHINE selected.
void RegisterWinHelpFiles(RegistryAccessor& registry, const std::string& contentsFile, const std::string& helpFile,
                          bool remove, WinHelpValuesInUse inUse = {});
