#include "registration/permitted_folders.h"

#include "platform/console.h"
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

}  // namespace

PermittedFolders PermittedFoldersOf(const IdeUser& user, const std::string& ideKey, RegistryAccessor& registry,
                                    FileOps& files)
{
    PermittedFolders permitted;
    if (user.sid.empty())
        return permitted;
    permitted.bounded = true;
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    const std::string ideFolder = StripTrailingBackslash(registry.ReadRegString(ideKey, "RootDir", ""));
    if (!ideFolder.empty())
        permitted.ideFolder = PlaceOf(ideFolder, files);
    if (!user.profile.empty())
        permitted.profile = PlaceOf(user.profile, files);
    permitted.finalPathsTold = !files.FinalPath(permitted.ideFolder).empty() ||
                               !files.FinalPath(permitted.profile).empty();
    return permitted;
}

std::string RequirePermitted(const std::string& path, const PermittedFolders& permitted, Console& console,
                             FileOps& files)
{
    const std::string place = PlaceOf(path, files);
    if (!permitted.bounded)
        return place;
    if (!LiesInPermittedFolder(place, permitted))
        RefuseOutside(path, console);
    const NameHolder holder = files.Inspect(path);
    if (holder != NameHolder::kNothing && (holder != NameHolder::kPlainFile || files.NameCount(place) > 1))
        RefuseLinkedFile(path, console);
    return place;
}

void RequirePermittedStore(const std::string& storeFolder, const PermittedFolders& permitted, Console& console)
{
    if (permitted.bounded && !storeFolder.empty() &&
        (permitted.profile.empty() || !LiesBelow(storeFolder, permitted.profile)))
        RefuseOutside(storeFolder, console);
}

void RefuseLinkedFile(const std::string& path, Console& console)
{
    console.WriteLine(FillTemplate("Error: %s is reached through a link or has a second name.", {path}));
    throw EAbort();
}
