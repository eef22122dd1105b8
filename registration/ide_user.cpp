#include "registration/ide_user.h"

#include <cstdint>
#include <vector>

#include "platform/console.h"
#include "platform/environment.h"
#include "platform/exceptions.h"
#include "platform/text.h"

namespace {

const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

// Decimal digits only, at most `limit` in value.
bool IsNumber(const std::string& text, std::uint64_t limit)
{
    if (text.empty() || text.size() > 15)
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= limit;
}

// The text expanded as Windows expands it for another user than the one
// running the run: every %USERPROFILE%, in any letter case, is that user's
// profile, and is not expanded again.
std::string ExpandedForUser(const std::string& text, const std::string& profile)
{
    const std::string variable = "%USERPROFILE%";
    std::string expanded;
    std::string piece;
    std::size_t position = 0;
    while (position < text.size()) {
        bool found = text.size() - position >= variable.size();
        for (std::size_t i = 0; found && i < variable.size(); ++i) {
            const char c = text[position + i];
            found = (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) == variable[i];
        }
        if (found) {
            expanded += ExpandEnvironmentText(piece) + profile;
            piece.clear();
            position += variable.size();
        } else {
            piece += text[position++];
        }
    }
    return expanded + ExpandEnvironmentText(piece);
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
    return user;
}

std::string LocalAppDataOf(const IdeUser& user, RegistryAccessor& registry)
{
    // A broken value means no folder: the help still goes into the real
    // files.
    try {
        registry.SetRootKey(user.root);
        // Windows' own default since Vista, where a profile lacks the value.
        const std::string folder = registry.ReadRegString(UserSection(user, kUserShellFolders), "Local AppData",
                                                          "%USERPROFILE%\\AppData\\Local");
        if (user.sid.empty())
            return ExpandEnvironmentText(folder);
        registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        const std::string profile =
            ExpandEnvironmentText(registry.ReadRegString(kProfileList + user.sid, "ProfileImagePath", ""));
        return profile.empty() ? std::string() : ExpandedForUser(folder, profile);
    } catch (const Exception&) {
        return std::string();
    }
}
