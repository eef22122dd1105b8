#pragma once

#include <string>

class Console;

// The line files of an IDE's OpenHelp file set, named from its project file.
struct OpenHelpFiles {
    std::string contentFile;  // ".ohc": the contents files to include
    std::string linkFile;     // ".ohl": the linked help files
    std::string indexFile;    // ".ohi": the titled index entries
};

// Derives the set's line files from the project file and checks that all
// four files are present. Otherwise prints one error line and raises EAbort.
OpenHelpFiles LocateOpenHelpFiles(const std::string& projectFile, Console& console);

// The help index cache beside the project file, which the IDE rebuilds.
std::string HelpIndexCache(const std::string& projectFile);

// The entry lines of one help file, given the file names without directory.
std::string IncludeEntry(const std::string& contentsFileName);
std::string LinkEntry(const std::string& helpFileName);
std::string IndexEntry(const std::string& title, const std::string& helpFileName);
