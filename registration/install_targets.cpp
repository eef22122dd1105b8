#include "registration/install_targets.h"

#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/file_rules.h"
#include "platform/machine_lock.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "registration/ide_user.h"
#include "registration/line_file.h"
#include "registration/openhelp_files.h"
#include "registration/virtual_store.h"
#include "registration/winhelp_registration.h"

namespace {

enum class AliasDestinations { kNone, kProjectDirectory, kProjectDirectoryAndProjectsFolder };

struct InstallTarget {
    int number;
    const char* name;
    const char* openHelpKey;  // under HKEY_CURRENT_USER
    AliasDestinations aliasDestinations;
};

const InstallTarget kInstallTargets[] = {
    {4, "C++Builder 6", "Software\\Borland\\C++Builder\\6.0\\OpenHelp", AliasDestinations::kProjectDirectory},
    {5, "Delphi 5", "Software\\Borland\\Delphi\\5.0\\OpenHelp", AliasDestinations::kNone},
    {6, "Delphi 6", "Software\\Borland\\Delphi\\6.0\\OpenHelp", AliasDestinations::kProjectDirectory},
    {7, "Delphi 7", "Software\\Borland\\Delphi\\7.0\\OpenHelp",
     AliasDestinations::kProjectDirectoryAndProjectsFolder},
};

const char* const kDelphi7Key = "Software\\Borland\\Delphi\\7.0";

const InstallTarget& FindTarget(int number)
{
    for (const InstallTarget& target : kInstallTargets)
        if (target.number == number)
            return target;
    throw std::invalid_argument("no install target " + std::to_string(number));
}

// DirectoryPart keeps its backslash; a second one in a row would make a
// "\\\\?\\" path invalid, where a plain path takes two as one.
std::vector<std::string> AliasDestinationsFor(const InstallTarget& target, const std::string& projectFile,
                                              const std::string& ideRoot, const std::string& aliasFile)
{
    std::vector<std::string> destinations;
    if (target.aliasDestinations != AliasDestinations::kNone)
        destinations.push_back(StripTrailingBackslash(DirectoryPart(projectFile)) + "\\" + NamePart(aliasFile));
    if (target.aliasDestinations == AliasDestinations::kProjectDirectoryAndProjectsFolder)
        destinations.push_back(ideRoot + "\\Projects\\" + NamePart(aliasFile));
    return destinations;
}

// Another IDE that links the help file, or includes its contents file,
// still needs its Windows Help value: in its files, or in the user's copies
// of them that it reads instead. Where it cannot be told, the value is
// kept: keeping one is harmless, deleting a needed one is not.
WinHelpValuesInUse WinHelpValuesUsedElsewhere(const InstallTarget& target, const IdeUser& user,
                                              const std::string& projectFile, const VirtualStore& store,
                                              const HelpEntries& entries, RegistryAccessor& registry, FileOps& files)
{
    // A file that is not there links and includes nothing.
    auto holds = [&](const std::string& file, const std::string& entry) {
        const std::string copy = VirtualStoreCopyOf(file, store, files);
        return (files.FileIsPresent(file) && LineFileMayHold(file, entry, files)) ||
               (!copy.empty() && LineFileMayHold(copy, entry, files));
    };
    WinHelpValuesInUse inUse;
    registry.SetRootKey(user.root);
    for (const InstallTarget& other : kInstallTargets) {
        if (other.number == target.number)
            continue;
        try {
            const std::string otherProject =
                registry.ReadRegString(UserSection(user, other.openHelpKey), "ProjectFile", "");
            if (otherProject.empty() || files.IsSameFile(otherProject, projectFile))
                continue;
            const OpenHelpFiles set = OpenHelpFilesOf(otherProject);
            inUse.helpFile |= holds(set.linkFile, entries.link);
            inUse.contentsFile |= holds(set.contentFile, entries.include);
        } catch (const Exception&) {
            return {true, true};
        }
    }
    return inUse;
}

// Every file is read once and found fit to be saved before the first
// change, so that a file the run must refuse leaves all as it was. The IDE
// reads the user's copy of a member wherever there is one: the copy gets
// the same edit, made on its own lines, in the same set.
void EditOpenHelpFiles(const OpenHelpFiles& openHelp, const VirtualStore& store, const HelpEntries& entries,
                       bool remove, FileOps& files)
{
    const LineEdit edit = remove ? LineEdit::kRemove : LineEdit::kAdd;
    const std::string noLine;
    const struct {
        const std::string& file;
        const std::string& line;
        LineEdit kind;
    } members[] = {
        {openHelp.contentFile, entries.include, edit},
        {openHelp.linkFile, entries.link, edit},
        {openHelp.indexFile, entries.index, edit},
        {openHelp.projectFile, noLine, LineEdit::kRewrite},
    };
    const std::unique_ptr<FileOps> storeFiles = ConfinedTo(files, store.folder);
    std::vector<LineFileEdit> planned;
    planned.reserve(2 * std::size(members));
    for (const auto& member : members) {
        planned.push_back(PlanLineFileEdit(member.file, member.line, member.kind, files));
        const std::string copy = VirtualStoreCopyOf(member.file, store, files);
        if (!copy.empty())
            planned.push_back(PlanLineFileEdit(copy, member.line, member.kind, *storeFiles));
    }
    std::vector<const LineFileEdit*> edits;
    for (const LineFileEdit& planEdit : planned)
        edits.push_back(&planEdit);
    SaveLineFileEdits(edits);
}

void PlaceAliasFiles(const InstallTarget& target, const std::string& projectFile, const std::string& ideRoot,
                     const RunRequest& request, FileOps& files)
{
    for (const std::string& destination : AliasDestinationsFor(target, projectFile, ideRoot, request.aliasFile)) {
        // Help files kept in the IDE's own folder: the alias file is there already.
        if (files.IsSameFile(destination, request.aliasFile))
            continue;
        if (request.remove)
            RemoveFile(destination, files);
        else
            CopyOver(request.aliasFile, destination, files);
    }
}

}  // namespace

void ProcessTarget(const RunRequest& request, RegistryAccessor& registry, Console& console, FileOps& files,
                   std::chrono::milliseconds lockWait)
{
    const InstallTarget& target = FindTarget(request.targetNumber);
    const IdeUser user = FindIdeUser(registry, console);
    registry.SetRootKey(user.root);
    std::string ideRoot;
    if (target.aliasDestinations == AliasDestinations::kProjectDirectoryAndProjectsFolder)
        ideRoot = StripTrailingBackslash(registry.ReadRegString(UserSection(user, kDelphi7Key), "RootDir", ""));
    const std::string projectFile = registry.ReadRegString(UserSection(user, target.openHelpKey), "ProjectFile", "");
    const OpenHelpFiles openHelp = LocateOpenHelpFiles(projectFile, console, files);
    const VirtualStore store = FindVirtualStore(LocalAppDataOf(user, registry), files);
    {
        // Every read and change of OpenHelp files and Windows Help values is
        // made under the machine's lock: two runs editing one set at once
        // would each save their own reading of it, and the later save would
        // drop the earlier run's entry; and runs into different IDEs share
        // the values.
        MachineLock lock;
        if (!lock.Acquire(lockWait)) {
            console.WriteLine("Error: Delphi open help files are in use by another installation.");
            throw EAbort();
        }
        const HelpEntries entries = HelpEntriesOf(request.title, request.contentsFile, request.helpFile);
        const WinHelpValuesInUse inUse =
            request.remove ? WinHelpValuesUsedElsewhere(target, user, projectFile, store, entries, registry, files)
                           : WinHelpValuesInUse{};
        EditOpenHelpFiles(openHelp, store, entries, request.remove, files);
        PlaceAliasFiles(target, projectFile, ideRoot, request, files);
        RegisterWinHelpFiles(registry, request.contentsFile, request.helpFile, request.remove, inUse);
        // The IDE rebuilds its help index from the edited files.
        RemoveFile(openHelp.helpIndexCache, files);
        const std::string cacheCopy = VirtualStoreCopyOf(openHelp.helpIndexCache, store, files);
        if (!cacheCopy.empty())
            RemoveFile(cacheCopy, *ConfinedTo(files, store.folder));
    }
    console.WriteLine("");
    const char* closing = request.remove ? "\"%s\" help files uninstalled from %s successfully."
                                         : "\"%s\" help files installed in %s successfully.";
    console.WriteLine(FillTemplate(closing, {request.title, target.name}));
}
