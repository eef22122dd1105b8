#include "registration/permitted_folders.h"

#include "platform/console.h"
#include "platform/environment.h"
#include "platform/exceptions.h"
#include "platform/file_rules.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

[[noreturn]] void RefuseOutside(const std::string& path, Console& console)
{
    console.WriteLine(FillTemplate("Error: %s lies outside the IDE's folder and the user's profile.", {path}));
    throw EAbort();
}

bool LiesInPermittedFolder(const std::string& place, const PermittedFolders& permitted)
{
    return (!permitted.ideFolder.empty() && LiesBelow(place, permitted.ideFolder)) ||
           (!permitted.profile.empty() && LiesBelow(place, permitted.profile));
}

// A link that only an administrator, the system, or the user the run serves
// could have made leads where they chose.
bool LinkIsTrusted(const LinkOnTheWay& link, const PermittedFolders& permitted)
{
    return link.maker == LinkMaker::kSystem || (link.maker == LinkMaker::kRunningUser && !permitted.bounded);
}

}  // namespace

PermittedFolders PermittedFoldersOf(const IdeUser& user, const std::string& ideKey, RegistryAccessor& registry,
                                    FileOps& files)
{
    PermittedFolders permitted;
    permitted.bounded = !user.sid.empty();
    permitted.privileged = permitted.bounded || RunIsPrivileged();
    // Windows tells every final path from Vista on, or none: the current
    // folder shows which. Where one cannot be told then, a step fails.
    permitted.finalPathsTold = !files.FinalPath(".").empty();
    if (!permitted.bounded)
        return permitted;
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    const std::string ideFolder = StripTrailingBackslash(registry.ReadRegString(ideKey, "RootDir", ""));
    // A folder that a user's link leads to is not the one the machine
    // records: nothing there is permitted.
    const auto recorded = [&](const std::string& folder) {
        return !folder.empty() && IsReachable(folder, permitted, files) ? PlaceOf(folder, true, files) : std::string();
    };
    permitted.ideFolder = recorded(ideFolder);
    permitted.profile = recorded(user.profile);
    return permitted;
}

bool IsReachable(const std::string& path, const PermittedFolders& permitted, FileOps& files)
{
    if (!permitted.privileged)
        return true;
    const std::string full = FullPath(path);
    if (permitted.bounded && !StartsWithDrive(full))
        return false;
    for (const LinkOnTheWay& link : files.LinksOnTheWay(full.empty() ? path : full))
        if (!LinkIsTrusted(link, permitted))
            return false;
    return true;
}

void RequireReachable(const std::string& path, const PermittedFolders& permitted, Console& console, FileOps& files)
{
    if (IsReachable(path, permitted, files))
        return;
    if (permitted.bounded && !StartsWithDrive(FullPath(path)))
        RefuseOutside(path, console);
    RefuseLinkedFile(path, console);
}

std::string RequirePermitted(const std::string& path, bool member, const PermittedFolders& permitted,
                             Console& console, FileOps& files)
{
    RequireReachable(path, permitted, console, files);
    const std::string place = PlaceOf(path, member, files);
    if (!permitted.privileged)
        return place;
    if (permitted.bounded && !LiesInPermittedFolder(place, permitted))
        RefuseOutside(path, console);
    if (member && files.NameCount(place) > 1)
        RefuseLinkedFile(path, console);
    return place;
}

void RequirePermittedStore(const std::string& storePath, const PermittedFolders& permitted, Console& console,
                           FileOps& files)
{
    RequireReachable(storePath, permitted, console, files);
    if (!permitted.bounded)
        return;
    const std::string storeFolder = files.FinalPath(storePath);
    if (!storeFolder.empty() && (permitted.profile.empty() || !LiesBelow(storeFolder, permitted.profile)))
        RefuseOutside(storePath, console);
}

void RefuseLinkedFile(const std::string& path, Console& console)
{
    console.WriteLine(FillTemplate("Error: %s is reached through a link or has a second name.", {path}));
    throw EAbort();
}
