#include "registration/install_targets.h"

#include <iterator>
#include <memory>
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
#include "registration/permitted_folders.h"
#include "registration/virtual_store.h"
#include "registration/winhelp_registration.h"

namespace {

enum class AliasDestinations { kNone, kProjectDirectory, kProjectDirectoryAndProjectsFolder };

struct InstallTarget {
    int number;
    const char* name;
    const char* ideKey;       // the IDE's settings: the user's, and the machine's "RootDir"
    const char* openHelpKey;  // the user's OpenHelp settings
    AliasDestinations aliasDestinations;
};

const InstallTarget kInstallTargets[] = {
    {4, "C++Builder 6", "Software\\Borland\\C++Builder\\6.0", "Software\\Borland\\C++Builder\\6.0\\OpenHelp",
     AliasDestinations::kProjectDirectory},
    {5, "Delphi 5", "Software\\Borland\\Delphi\\5.0", "Software\\Borland\\Delphi\\5.0\\OpenHelp",
     AliasDestinations::kNone},
    {6, "Delphi 6", "Software\\Borland\\Delphi\\6.0", "Software\\Borland\\Delphi\\6.0\\OpenHelp",
     AliasDestinations::kProjectDirectory},
    {7, "Delphi 7", "Software\\Borland\\Delphi\\7.0", "Software\\Borland\\Delphi\\7.0\\OpenHelp",
     AliasDestinations::kProjectDirectoryAndProjectsFolder},
};

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
                                              const PermittedFolders& permitted, const std::string& projectFile,
                                              const VirtualStore& store, const HelpEntries& entries,
                                              RegistryAccessor& registry, FileOps& files)
{
    // A file that is not there links and includes nothing. A privileged run
    // follows no user's link to another IDE's files, nor opens a share that
    // a user's settings name: one that may hold the entry is not read.
    const std::unique_ptr<FileOps> storeFiles = ConfinedTo(files, store.folder);
    auto holds = [&](const std::string& file, const std::string& entry) {
        if (!IsReachable(file, permitted, files))
            return true;
        const VirtualStoreCopy copy = VirtualStoreCopyOf(file, store, files);
        return (files.FileIsPresent(file) && LineFileMayHold(file, entry, files)) || copy.foreign ||
               (!copy.path.empty() && LineFileMayHold(copy.path, entry, *storeFiles));
    };
    WinHelpValuesInUse inUse;
    registry.SetRootKey(user.root);
    for (const InstallTarget& other : kInstallTargets) {
        if (other.number == target.number)
            continue;
        try {
            const std::string otherProject =
                registry.ReadRegString(UserSection(user, other.openHelpKey), "ProjectFile", "");
            if (otherProject.empty())
                continue;
            if (!IsReachable(otherProject, permitted, files))
                return {true, true};
            if (files.IsSameFile(otherProject, projectFile))
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

// Where a run changes files, decided once before the first change: each
// file's place, the operations that act there, and the user's copy that
// the IDE reads instead, if any.
struct PlannedFile {
    std::string path;
    FileOps* files;
    std::string copy;
};

class RunPlan {
public:
    RunPlan(const PermittedFolders& permitted, const VirtualStore& store, Console& console, FileOps& files)
        : permitted_(permitted), store_(store), console_(console), files_(files),
          storeFiles_(ConfinedTo(files, store.folder))
    {
    }

    // A privileged run acts on each file at its place, through handles
    // found in its folder at each step; any other run as it is told. A
    // member is saved where a link at its name leads; an alias copy or the
    // help index cache replaces or deletes such a link itself. The IDE reads
    // the user's copy of a member or cache, where there is one.
    PlannedFile Plan(const std::string& path, bool member, bool copied)
    {
        PlannedFile planned{path, &files_, std::string()};
        const std::string place = RequirePermitted(path, member, permitted_, console_, files_);
        if (permitted_.privileged && permitted_.finalPathsTold) {
            planned.path = place;
            confined_.push_back(ConfinedTo(files_, DirectoryPart(place)));
            planned.files = confined_.back().get();
        }
        if (copied) {
            const VirtualStoreCopy copy = VirtualStoreCopyOf(path, store_, files_);
            if (copy.foreign)
                RefuseLinkedFile(copy.path, console_);
            planned.copy = copy.path;
        }
        return planned;
    }

    FileOps& StoreFiles() { return *storeFiles_; }

private:
    const PermittedFolders& permitted_;
    const VirtualStore& store_;
    Console& console_;
    FileOps& files_;
    std::unique_ptr<FileOps> storeFiles_;
    std::vector<std::unique_ptr<FileOps>> confined_;
};

// Every file is read once and found fit to be saved before the first
// change, so that a file the run must refuse leaves all as it was. The IDE
// reads the user's copy of a member wherever there is one: the copy gets
// the same edit, made on its own lines, in the same set.
void EditOpenHelpFiles(const std::vector<PlannedFile>& members, const HelpEntries& entries, bool remove,
                       RunPlan& plan)
{
    const LineEdit edit = remove ? LineEdit::kRemove : LineEdit::kAdd;
    const std::string lines[] = {entries.include, entries.link, entries.index, std::string()};
    std::vector<LineFileEdit> planned;
    planned.reserve(2 * members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const LineEdit kind = lines[i].empty() ? LineEdit::kRewrite : edit;
        planned.push_back(PlanLineFileEdit(members[i].path, lines[i], kind, *members[i].files));
        if (!members[i].copy.empty())
            planned.push_back(PlanLineFileEdit(members[i].copy, lines[i], kind, plan.StoreFiles()));
    }
    std::vector<const LineFileEdit*> edits;
    for (const LineFileEdit& planEdit : planned)
        edits.push_back(&planEdit);
    SaveLineFileEdits(edits);
}

void PlaceAliasFiles(const std::vector<PlannedFile>& destinations, const RunRequest& request)
{
    for (const PlannedFile& destination : destinations) {
        // Help files kept in the IDE's own folder: the alias file is there already.
        if (destination.files->IsSameFile(destination.path, request.aliasFile))
            continue;
        if (request.remove)
            RemoveFile(destination.path, *destination.files);
        else
            CopyOver(request.aliasFile, destination.path, *destination.files);
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
        ideRoot = StripTrailingBackslash(registry.ReadRegString(UserSection(user, target.ideKey), "RootDir", ""));
    const std::string projectFile = registry.ReadRegString(UserSection(user, target.openHelpKey), "ProjectFile", "");
    const PermittedFolders permitted = PermittedFoldersOf(user, target.ideKey, registry, files);
    if (!projectFile.empty())
        RequireReachable(projectFile, permitted, console, files);
    const OpenHelpFiles openHelp = LocateOpenHelpFiles(projectFile, console, files);
    const std::string localAppData = LocalAppDataOf(user, registry);
    if (StartsWithDrive(localAppData))
        RequirePermittedStore(StripTrailingBackslash(localAppData) + "\\VirtualStore", permitted, console, files);
    const VirtualStore store = FindVirtualStore(localAppData, files);
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
        RunPlan plan(permitted, store, console, files);
        std::vector<PlannedFile> members;
        for (const std::string* member :
             {&openHelp.contentFile, &openHelp.linkFile, &openHelp.indexFile, &openHelp.projectFile})
            members.push_back(plan.Plan(*member, true, true));
        const PlannedFile cache = plan.Plan(openHelp.helpIndexCache, false, true);
        std::vector<PlannedFile> aliasDestinations;
        for (const std::string& destination : AliasDestinationsFor(target, projectFile, ideRoot, request.aliasFile))
            aliasDestinations.push_back(plan.Plan(destination, false, false));

        const HelpEntries entries = HelpEntriesOf(request.title, request.contentsFile, request.helpFile);
        const WinHelpValuesInUse inUse =
            request.remove ? WinHelpValuesUsedElsewhere(target, user, permitted, projectFile, store, entries, registry, files)
                           : WinHelpValuesInUse{};
        EditOpenHelpFiles(members, entries, request.remove, plan);
        PlaceAliasFiles(aliasDestinations, request);
        RegisterWinHelpFiles(registry, request.contentsFile, request.helpFile, request.remove, inUse);
        // The IDE rebuilds its help index from the edited files.
        RemoveFile(cache.path, *cache.files);
        if (!cache.copy.empty())
            RemoveFile(cache.copy, plan.StoreFiles());
    }
    console.WriteLine("");
    const char* closing = request.remove ? "\"%s\" help files uninstalled from %s successfully."
                                         : "\"%s\" help files installed in %s successfully.";
    console.WriteLine(FillTemplate(closing, {request.title, target.name}));
}
