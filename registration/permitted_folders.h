#pragma once

#include <string>

#include "platform/file_ops.h"
#include "platform/registry.h"
#include "registration/ide_user.h"

class Console;

// What a run may change. A run that may have more rights than the folders
// it works in (a run for another user, or an elevated, an administrator's
// or the system's) follows no link that a user made and touches no member
// with a second name. A run for another user is bounded besides: it changes
// only the IDE's folder and that user's profile as the machine records
// them, by their final paths; the user's own settings may name any place,
// and only administrators write these records.
struct PermittedFolders {
    bool privileged = false;
    bool bounded = false;
    std::string ideFolder;  // empty where the machine records none
    std::string profile;    // empty where the machine records none
    // False on Windows 2000 and XP: places are taken as spelt, and the steps
    // made by path.
    bool finalPathsTold = false;
};

// The folders for a run serving `user` in the IDE whose machine settings
// lie under `ideKey`.
PermittedFolders PermittedFoldersOf(const IdeUser& user, const std::string& ideKey, RegistryAccessor& registry,
                                    FileOps& files);

// In a privileged run, a path that leads past a link that is not the
// system's (nor, in a run for the user running it, that user's own), and in
// a bounded run a path off this machine's drives, prints one error line
// naming it and raises EAbort, before anything follows the path: a share
// would learn the system's credentials.
void RequireReachable(const std::string& path, const PermittedFolders& permitted, Console& console, FileOps& files);
// The same, as a question: false where RequireReachable would refuse.
bool IsReachable(const std::string& path, const PermittedFolders& permitted, FileOps& files);

// Where a change of the file lands (PlaceOf), once RequireReachable; in a
// privileged run, a member (`member`) with a second name, and in a bounded
// run a place outside the permitted folders, prints one error line naming
// `path` and raises EAbort.
std::string RequirePermitted(const std::string& path, bool member, const PermittedFolders& permitted,
                             Console& console, FileOps& files);

// The same checks for the user's VirtualStore folder, before it is looked
// up: in a bounded run its final path must lie in the user's profile.
void RequirePermittedStore(const std::string& storePath, const PermittedFolders& permitted, Console& console,
                           FileOps& files);

// The one error line of a file that is a link, or is reached through one,
// or has a second name; then EAbort.
[[noreturn]] void RefuseLinkedFile(const std::string& path, Console& console);
