#include "registration/ide_user.h"

#include <cstdint>
#include <vector>

#include "platform/console.h"
#include "platform/environment.h"
#include "platform/exceptions.h"
#include "platform/text.h"

namespace {

const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Decimal digits only, at most `limit` in value, with no leading zero:
// Windows writes each number of a SID one way only, and the key of a hive
// is named so.
bool IsNumber(const std::string& text, std::uint64_t limit)
{
    if (text.empty() || text.size() > 15 || (text.size() > 1 && text[0] == '0'))
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= limit;
}

}  // namespace

std::string UserSection(const IdeUser& user, const std::string& key)
{
    return user.sid.empty() ? key : user.sid + "\\" + key;
}

bool IsWellFormedSid(const std::string& text)
{
    if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text.compare(1, 3, "-1-") != 0)
        return false;
    std::vector<std::string> parts;
    std::size_t start = 4;
    for (;;) {
        const std::size_t dash = text.find('-', start);
        parts.push_back(text.substr(start, dash - start));
        if (dash == std::string::npos)
            break;
        start = dash + 1;
    }
    // The authority is 48 bits wide, each sub-authority 32.
    if (parts.size() < 2 || parts.size() > 16 || !IsNumber(parts[0], 0xFFFFFFFFFFFFull))
        return false;
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (!IsNumber(parts[i], 0xFFFFFFFFull))
            return false;
    return true;
}

IdeUser FindIdeUser(RegistryAccessor& registry, Console& console)
{
    IdeUser user;
    user.sid = EnvironmentVariable("SORVANE_USER_SID");
    if (user.sid.empty())
        return user;
    if (!IsWellFormedSid(user.sid)) {
        console.WriteLine(FillTemplate("Error: SORVANE_USER_SID holds no valid SID: %s", {user.sid}));
        throw EAbort();
    }
    user.root = HKEY_USERS_KEY;
    registry.SetRootKey(HKEY_USERS_KEY);
    // A user's hive is loaded while the user is logged on.
    if (!registry.SectionExists(user.sid)) {
        console.WriteLine(FillTemplate("Error: Settings of user %s are not loaded; the user must be logged on.",
                                       {user.sid}));
        throw EAbort();
    }
    // A profile that cannot be told is none: the run then changes nothing
    // in it.
    user.profile = ProfileFolderOf(user.sid);
    return user;
}

std::string LocalAppDataOf(const IdeUser& user, RegistryAccessor& registry)
{
    // Another user's profile holds the folder where Windows puts it; what
    // that user's own settings say may lead anywhere.
    if (!user.sid.empty())
        return user.profile.empty() ? std::string() : user.profile + "\\AppData\\Local";
    // A broken value means no folder: the help still goes into the real
    // files.
    try {
        registry.SetRootKey(user.root);
        // Windows' own default since Vista, where a profile lacks the value.
        return ExpandEnvironmentText(
            registry.ReadRegString(kUserShellFolders, "Local AppData", "%USERPROFILE%\\AppData\\Local"));
    } catch (const Exception&) {
        return std::string();
    }
}
