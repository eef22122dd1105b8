#include "platform/environment.h"

#include <cstdlib>

#include "platform/exceptions.h"
#include "platform/registry.h"

std::string EnvironmentVariable(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::string() : std::string(value);
}

std::string ExpandEnvironmentText(const std::string& text)
{
    std::string expanded;
    std::size_t position = 0;
    for (;;) {
        const std::size_t open = text.find('%', position);
        const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos)
            return expanded + text.substr(position);
        const char* value = close > open + 1 ? std::getenv(text.substr(open + 1, close - open - 1).c_str()) : nullptr;
        if (value == nullptr) {
            // Not a reference: its closing "%" may open the next one.
            expanded += text.substr(position, close - position);
            position = close;
        } else {
            expanded += text.substr(position, open - position) + value;
            position = close + 1;
        }
    }
}

// A simulation of Windows before the guard existed.
void EnableRedirectionGuard() {}

// Wine runs every program as an administrator, elevated: the stand-in too.
bool RunIsPrivileged() { return true; }

// The stand-in's names are bytes: every one can be opened as it is.
std::string ProfileFolderOf(const std::string& sid)
{
    RegistryAccessor registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    try {
        return ExpandEnvironmentText(registry.ReadRegString(
            "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid, "ProfileImagePath", ""));
    } catch (const Exception&) {
        return std::string();
    }
}
