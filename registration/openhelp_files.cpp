#include "registration/openhelp_files.h"

#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

void RequireMember(const std::string& path, const char* message, Console& console, FileOps& files)
{
    if (files.FileIsPresent(path))
        return;
    console.WriteLine(message);
    throw EAbort();
}

}  // namespace

OpenHelpFiles OpenHelpFilesOf(const std::string& projectFile)
{
    return {projectFile, WithExtension(projectFile, ".ohc"), WithExtension(projectFile, ".ohl"),
            WithExtension(projectFile, ".ohi"), WithExtension(projectFile, ".gid")};
}

OpenHelpFiles LocateOpenHelpFiles(const std::string& projectFile, Console& console, FileOps& files)
{
    if (projectFile.empty()) {
        console.WriteLine("Error: Delphi open help project file not found.");
        throw EAbort();
    }
    const OpenHelpFiles set = OpenHelpFilesOf(projectFile);
    RequireMember(set.projectFile, "Error: Delphi open help project file not found.", console, files);
    RequireMember(set.contentFile, "Error: Delphi open help content file not found.", console, files);
    RequireMember(set.linkFile, "Error: Delphi open help link file not found.", console, files);
    RequireMember(set.indexFile, "Error: Delphi open help index file not found.", console, files);
    return set;
}

HelpEntries HelpEntriesOf(const std::string& title, const std::string& contentsFile, const std::string& helpFile)
{
    return {FillTemplate(":INCLUDE %s", {NamePart(contentsFile)}), FillTemplate(":LINK %s", {NamePart(helpFile)}),
            FillTemplate(":INDEX %s=%s", {title, NamePart(helpFile)})};
}
