#include "registration/openhelp_files.h"

#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

void RequireMember(const std::string& path, const char* message, Console& console)
{
    if (FileIsPresent(path))
        return;
    console.WriteLine(message);
    throw EAbort();
}

}  // namespace

OpenHelpFiles LocateOpenHelpFiles(const std::string& projectFile, Console& console)
{
    if (projectFile.empty()) {
        console.WriteLine("Error: Delphi open help project file not found.");
        throw EAbort();
    }
    const OpenHelpFiles files{WithExtension(projectFile, ".ohc"), WithExtension(projectFile, ".ohl"),
                              WithExtension(projectFile, ".ohi")};
    RequireMember(projectFile, "Error: Delphi open help project file not found.", console);
    RequireMember(files.contentFile, "Error: Delphi open help content file not found.", console);
    RequireMember(files.linkFile, "Error: Delphi open help link file not found.", console);
    RequireMember(files.indexFile, "Error: Delphi open help index file not found.", console);
    return files;
}

std::string HelpIndexCache(const std::string& projectFile)
{
    return WithExtension(projectFile, ".gid");
}

std::string IncludeEntry(const std::string& contentsFileName)
{
    return FillTemplate(":INCLUDE %s", {contentsFileName});
}

std::string LinkEntry(const std::string& helpFileName)
{
    return FillTemplate(":LINK %s", {helpFileName});
}

std::string IndexEntry(const std::string& title, const std::string& helpFileName)
{
    return FillTemplate(":INDEX %s=%s", {title, helpFileName});
}
