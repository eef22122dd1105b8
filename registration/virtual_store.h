#pragma once

#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "platform/paths.h"

// Windows Vista and later virtualize the file writes of an old 32-bit
// program run without elevation, as the IDEs are: a write that it may not
// make below Program Files, Windows or ProgramData goes to a copy in the
// user's VirtualStore folder, and the program reads that copy from then on
// whenever it exists, never the real file.
struct VirtualStore {
    std::string folder;                           // its final path; empty: none
    std::vector<std::string> virtualizedFolders;  // whose files it may hold
};

// Where the store keeps its copy of a file, from the file's full path: the
// store's folder followed by the path without its drive. Empty when
// Windows never redirects a write to that file.
std::string VirtualStorePathOf(const std::string& file, const VirtualStore& store,
                               const LeadBytes& leadBytes = SystemLeadBytes());

// The store in a user's local application data folder: its VirtualStore
// folder, where there is one, and the folders that Windows virtualizes as
// this machine names them.
VirtualStore FindVirtualStore(const std::string& localAppData, FileOps& files);

// The user's copy of a file, which the IDE reads instead of it: its final
// path, or empty where there is none. A copy that is not wholly the user's
// own (a link on the way leads out of the store, or the file has another
// name) is `foreign`, with the path it was found at.
struct VirtualStoreCopy {
    std::string path;
    bool foreign = false;
};
VirtualStoreCopy VirtualStoreCopyOf(const std::string& file, const VirtualStore& store, FileOps& files);
