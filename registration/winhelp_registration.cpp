#include "registration/winhelp_registration.h"

#include "platform/paths.h"
#include "platform/registry.h"

const char* const kWinHelpKey = "Software\\Microsoft\\Windows\\Help";

void RegisterWinHelpFiles(RegistryAccessor& registry, const std::string& contentsFile, const std::string& helpFile,
                          bool remove)
{
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    for (const std::string& file : {contentsFile, helpFile}) {
        if (remove)
            registry.DeleteRegValue(kWinHelpKey, NamePart(file));
        else
            registry.WriteRegString(kWinHelpKey, NamePart(file), StripTrailingBackslash(DirectoryPart(file)));
    }
}
