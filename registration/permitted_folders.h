#pragma once

#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "platform/registry.h"
#include "registration/ide_user.h"

class Console;

// The folders that a run for another user may change: the IDE's folder as
// the machine records it, and that user's profile as the machine records
// it, each by its final path. The user's own settings may name any place,
// and the run may be the system's; only administrators write these
// records. A run for the user running it is bounded by that user's rights.
struct PermittedFolders {
    bool bounded = false;
    std::string ideFolder;  // empty where the machine records none
    std::string profile;    // empty where the machine records none
    // False on Windows 2000 and XP: the folders are taken as spelt, and the
    // steps made by path.
    bool finalPathsTold = false;
};

// The folders for a run serving `user` in the IDE whose machine settings
// lie under `ideKey`.
PermittedFolders PermittedFoldersOf(const IdeUser& user, const std::string& ideKey, RegistryAccessor& registry,
                                    FileOps& files);

// Where a change of the file lands (PlaceOf). In a bounded run, a place
// outside the permitted folders, or a file there that is a link or
// has a second name, prints one error line naming `path` and raises EAbort.
std::string RequirePermitted(const std::string& path, const PermittedFolders& permitted, Console& console,
                             FileOps& files);

// The same check for the user's VirtualStore folder (a final path), which
// must lie in the user's profile.
void RequirePermittedStore(const std::string& storeFolder, const PermittedFolders& permitted, Console& console);

// The one error line of a file that is a link, or is reached through one
// out of where it belongs, or has a second name; then EAbort.
[[noreturn]] void RefuseLinkedFile(const std::string& path, Console& console);
