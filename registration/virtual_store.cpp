#include "registration/virtual_store.h"

#include "platform/environment.h"
#include "platform/file_rules.h"


std::string VirtualStorePathOf(const std::string& file, const VirtualStore& store, const LeadBytes& leadBytes)
{
    if (store.folder.empty() || !StartsWithDrive(file))
        return std::string();
    for (const std::string& virtualized : store.virtualizedFolders)
        if (LiesBelow(file, virtualized, leadBytes))
            return StripTrailingBackslash(store.folder, leadBytes) + file.substr(2);
    return std::string();
}

VirtualStore FindVirtualStore(const std::string& localAppData, FileOps& files)
{
    VirtualStore store;
    if (!StartsWithDrive(localAppData))
        return store;
    // Windows before Vista tells no final path: it has no VirtualStore.
    store.folder = files.FinalPath(StripTrailingBackslash(localAppData) + "\\VirtualStore");
    // A 32-bit program on 64-bit Windows sees both Program Files folders.
    for (const char* name : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)", "SystemRoot", "ProgramData"}) {
        const std::string folder = EnvironmentVariable(name);
        if (StartsWithDrive(folder))
            store.virtualizedFolders.push_back(folder);
    }
    return store;
}

VirtualStoreCopy VirtualStoreCopyOf(const std::string& file, const VirtualStore& store, FileOps& files)
{
    // Windows stores the copy under the file's own long path, however the
    // run was told it: by 8.3 names, or through an administrator's junction.
    const std::string copy = VirtualStorePathOf(PlaceOf(file, true, files), store);
    if (copy.empty())
        return {};
    // The store lies in the user's profile, which the user may change at
    // will, and the run may be the system's: a link there must not lead it
    // to another file, or a share, nor a second name of a file let it read
    // what the user may not and write it where the user can. Its links are
    // seen before anything follows them.
    for (const LinkOnTheWay& link : files.LinksOnTheWay(copy))
        if (LiesBelow(link.path, store.folder))
            return {copy, true};
    if (!files.FileIsPresent(copy))
        return {};
    const std::string finalPath = files.FinalPath(copy);
    if (finalPath.empty() || !LiesBelow(finalPath, store.folder) || files.NameCount(finalPath) != 1)
        return {copy, true};
    return {finalPath, false};
}
