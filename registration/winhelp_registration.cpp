#include "registration/winhelp_registration.h"

#include "platform/paths.h"
#include "platform/registry.h"

const char* const kWinHelpKey = "Software\\Microsoft\\Windows\\Help";

void RegisterWinHelpFiles(RegistryAccessor& registry, const std::string& contentsFile, const std::string& helpFile,
                          bool remove, WinHelpValuesInUse inUse)
{
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    for (const auto& [file, used] : {std::pair{contentsFile, inUse.contentsFile}, std::pair{helpFile, inUse.helpFile}}) {
        if (!remove)
            registry.WriteRegString(kWinHelpKey, NamePart(file), StripTrailingBackslash(DirectoryPart(file)));
        else if (!used)
            registry.DeleteRegValue(kWinHelpKey, NamePart(file));
    }
}
