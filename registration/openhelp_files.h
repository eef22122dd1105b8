#pragma once

#include <string>

#include "platform/file_ops.h"

class Console;

// The files of an IDE's OpenHelp set, all named from its project file.
struct OpenHelpFiles {
    std::string projectFile;
    std::string contentFile;     // ".ohc": the contents files to include
    std::string linkFile;        // ".ohl": the linked help files
    std::string indexFile;       // ".ohi": the titled index entries
    std::string helpIndexCache;  // ".gid": rebuilt by the IDE from the others
};

// Names the set's files; touches nothing.
OpenHelpFiles OpenHelpFilesOf(const std::string& projectFile);

// Names the set's files and checks that the project file and the three line
// files are present. Otherwise prints one error line and raises EAbort.
OpenHelpFiles LocateOpenHelpFiles(const std::string& projectFile, Console& console, FileOps& files);

// The entry lines of one help file.
struct HelpEntries {
    std::string include;  // in the content file
    std::string link;     // in the link file
    std::string index;    // in the index file
};

// The entries of a help file with the title, from the full paths of its
// contents file and help file: only their names go into the entries.
HelpEntries HelpEntriesOf(const std::string& title, const std::string& contentsFile, const std::string& helpFile);
