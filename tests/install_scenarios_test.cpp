// Whole runs of the built program against an IDE laid out on disk and its
// settings in the registry: the real registry under Wine, the stand-in's
// files natively.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <thread>

#include "app/run_driver.h"
#include "platform/console.h"
#include "platform/registry.h"
#include "tests/support/faulty_file_ops.h"
#include "tests/support/fake_registry_api.h"
#include "tests/support/test_support.h"

namespace {

struct Target {
    const char* targetSwitch;
    const char* base;  // the OpenHelp project's name
    const char* settingsKey;
    bool aliasInProjectDirectory;
    bool aliasInProjectsFolder;
};

const Target kTargets[] = {
    {"/D4", "bcb6", "Software\\Borland\\C++Builder\\6.0\\OpenHelp", true, false},
    {"/D5", "d5", "Software\\Borland\\Delphi\\5.0\\OpenHelp", false, false},
    {"/D6", "d6", "Software\\Borland\\Delphi\\6.0\\OpenHelp", true, false},
    {"/D7", "d7", "Software\\Borland\\Delphi\\7.0\\OpenHelp", true, true},
};
const Target& kDelphi6 = kTargets[2];
const Target& kDelphi7 = kTargets[3];
const char* const kMembers[] = {".ohp", ".ohc", ".ohl", ".ohi"};
const char* const kWinHelpKey = "Software\\Microsoft\\Windows\\Help";
const std::string kTitle = "My Help Reference";

class InstallScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::UsePrivateRegistry(scratch_.Native("registry"));
        std::filesystem::create_directories(scratch_.Native("registry"));
        std::filesystem::create_directories(scratch_.Native("Borland/Delphi7/Projects"));
        std::filesystem::create_directories(scratch_.Native("myfolder"));
        for (const char* name : {"myhelp.hlp", "myhelp.cnt", "myhelp.als", "myhelp.hpj"})
            test::WriteFileBytes(scratch_.Native(std::string("myfolder/") + name), test::ReadTestData(std::string("helpset/") + name));
        // Under Wine every test shares the prefix's registry: no IDE is set
        // up but those this test sets up.
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
        for (const Target& target : kTargets)
            registry_.DeleteRegValue(target.settingsKey, "ProjectFile");
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        registry_.WriteRegString(kWinHelpKey, "other.hlp", "D:\\Other");
        for (const char* name : {"myhelp.cnt", "myhelp.hlp"})
            registry_.DeleteRegValue(kWinHelpKey, name);
    }

    // Lays the IDE's help folder out as it ships, and records it in HKCU.
    void InstallIde(const Target& target, const std::string& helpFolder = "Borland/Delphi7/Help",
                    const std::string& state = "initial")
    {
        std::filesystem::create_directories(scratch_.Native(helpFolder));
        for (const char* member : kMembers)
            test::WriteFileBytes(Member(target, member, helpFolder), test::ReadTestData("openhelp/" + state + member));
        ResetCache(target, helpFolder);
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
        registry_.WriteRegString(target.settingsKey, "ProjectFile",
                                 scratch_.Path(helpFolder + "/" + target.base + ".ohp"));
        registry_.WriteRegString("Software\\Borland\\Delphi\\7.0", "RootDir", scratch_.Path("Borland/Delphi7") + "\\");
    }

    std::filesystem::path Member(const Target& target, const std::string& extension,
                                 const std::string& helpFolder = "Borland/Delphi7/Help") const
    {
        return scratch_.Native(helpFolder + "/" + target.base + extension);
    }

    void ResetCache(const Target& target, const std::string& helpFolder = "Borland/Delphi7/Help")
    {
        test::WriteFileBytes(Member(target, ".gid", helpFolder), test::ReadTestData("openhelp/initial.gid"));
    }

    test::ChildResult Run(const Target& target, const char* action, const std::string& title = kTitle,
                          const std::string& helpFile = "")
    {
        return test::RunSorvane(
            {helpFile.empty() ? scratch_.Path("myfolder") + "\\myhelp.hlp" : helpFile, target.targetSwitch, action, title},
            scratch_.Native());
    }

    static std::string Success(const Target& target, const std::string& action, const std::string& title)
    {
        const std::string lines = test::ReadTestData("closing-lines.txt");
        const std::string key = std::string(target.targetSwitch) + " " + action + "|";
        const std::size_t start = lines.find(key) + key.size();
        std::string line = lines.substr(start, lines.find('\n', start) - start);
        line.replace(line.find("%s"), 2, title);
        return test::ReadTestData("banner.txt") + "\r\n" + line + "\r\n";
    }

    std::string WinHelpValue(const std::string& name)
    {
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        return registry_.ReadRegString(kWinHelpKey, name, "<absent>");
    }

    // Every file the run may touch, against the state it should be in. A
    // run that changed nothing also left the help index cache in place.
    void ExpectState(const Target& target, const std::string& state, const std::string& when,
                     bool changedNothing = false)
    {
        SCOPED_TRACE(std::string(target.targetSwitch) + " " + when);
        for (const char* member : kMembers)
            EXPECT_EQ(test::ReadFileBytes(Member(target, member)), test::ReadTestData("openhelp/" + state + member))
                << member;
        EXPECT_EQ(std::filesystem::exists(Member(target, ".gid")), changedNothing);
        EXPECT_EQ(TemporaryFiles(), 0u);
        const bool installed = state == "installed";
        const std::string alias = test::ReadTestData("helpset/myhelp.als");
        const auto expectAlias = [&](const std::filesystem::path& path, bool present) {
            EXPECT_EQ(std::filesystem::exists(path), present) << path;
            if (present && std::filesystem::exists(path)) {
                EXPECT_EQ(test::ReadFileBytes(path), alias);
            }
        };
        expectAlias(scratch_.Native("Borland/Delphi7/Help/myhelp.als"), installed && target.aliasInProjectDirectory);
        expectAlias(scratch_.Native("Borland/Delphi7/Projects/myhelp.als"), installed && target.aliasInProjectsFolder);
        EXPECT_FALSE(std::filesystem::exists(scratch_.Native("Borland/Delphi7/Help/myhelp.hpj")));
        const std::string directory = installed ? scratch_.Path("myfolder") : "<absent>";
        EXPECT_EQ(WinHelpValue("myhelp.cnt"), directory);
        EXPECT_EQ(WinHelpValue("myhelp.hlp"), directory);
        EXPECT_EQ(WinHelpValue("other.hlp"), "D:\\Other");
    }

    // Delphi 7 with the help "installed" or "uninstalled": its OpenHelp
    // files, alias copies and Windows Help values.
    void SetUpDelphi7(const std::string& state)
    {
        InstallIde(kDelphi7, "Borland/Delphi7/Help", state);
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        for (const char* name : {"myhelp.cnt", "myhelp.hlp"}) {
            if (state == "installed")
                registry_.WriteRegString(kWinHelpKey, name, scratch_.Path("myfolder"));
            else
                registry_.DeleteRegValue(kWinHelpKey, name);
        }
        for (const char* folder : {"Help", "Projects"}) {
            const std::filesystem::path alias = scratch_.Native(std::string("Borland/Delphi7/") + folder + "/myhelp.als");
            std::filesystem::remove(alias);
            if (state == "installed")
                test::WriteFileBytes(alias, test::ReadTestData("helpset/myhelp.als"));
        }
    }

    // Saves leave nothing of their own behind in the help folder.
    std::size_t TemporaryFiles() const
    {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(scratch_.Native("Borland/Delphi7/Help")))
            count += entry.path().extension() == ".svtmp" ? 1 : 0;
        return count;
    }

    // An in-process run, with a wait for the set's lock of our choosing.
    int RunInProcess(const Target& target, const char* action, std::chrono::milliseconds lockWait,
                     std::string& output)
    {
        test::RecordingDevice device;
        Console console(device);
        RegistryAccessor registry;
        const std::string commandLine = "sorvane \"" + scratch_.Path("myfolder") + "\\myhelp.hlp\" " +
                                        target.targetSwitch + " " + action + " \"" + kTitle + "\"";
        const int status = RunSorvane(commandLine, console, registry, SystemFileOps(), lockWait);
        console.FlushQuietly();
        output = device.Bytes();
        return status;
    }

    void TearDown() override
    {
        for (const std::filesystem::path& folder : madeOutside_) {
            test::RemoveSymbolicLinks(folder);
            std::filesystem::remove_all(folder);
        }
    }

    // The Help folder of an IDE below Program Files, whose writes Windows
    // virtualizes.
    std::string VirtualizedHelpFolder()
    {
        const std::filesystem::path ide =
            test::ProgramFilesFolder(scratch_) / ("Sorvane test " + scratch_.Native().filename().string());
        madeOutside_.push_back(ide);
        madeOutside_.push_back(CopiesOf(ide, test::LocalAppDataFolder(scratch_)));
        return (ide / "Help").string();
    }

    // Where Windows keeps a user's copies of a folder's files: the user's
    // VirtualStore, then the folder's path without its drive.
    static std::filesystem::path CopiesOf(const std::filesystem::path& folder, const std::filesystem::path& localAppData)
    {
        std::string withoutDrive = test::ProgramPath(folder).substr(3);
        std::replace(withoutDrive.begin(), withoutDrive.end(), '\\', '/');
        return localAppData / "VirtualStore" / withoutDrive;
    }

    // What only an administrator writes: the IDE's folder and the named
    // user's profile.
    void RecordMachineSettings(const std::string& sid, const std::string& ideFolder,
                               const std::string& profile = "Users/other")
    {
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        registry_.WriteRegString("Software\\Borland\\Delphi\\7.0", "RootDir", ideFolder);
        test::RecordProfile(sid, scratch_.Native(profile));
    }

    test::ScratchDirectory scratch_;
    RegistryAccessor registry_;
    std::vector<std::filesystem::path> madeOutside_;
};

// A user's own line in each copy, before what the IDE shipped.
std::string OwnCopy(const std::string& member, const std::string& state)
{
    const std::map<std::string, std::string> ownLines = {
        {".ohc", ":Include userhelp.cnt\r\n"}, {".ohl", ":Link userhelp.hlp\r\n"},
        {".ohi", ":Index User Help=userhelp.hlp\r\n"}, {".ohp", ";the user's project\r\n"}, {".gid", ""}};
    return ownLines.at(member) + test::ReadTestData("openhelp/" + state + member);
}

TEST_F(InstallScenario, EveryTargetInstallsTwiceAndUninstallsTwice)
{
    for (const Target& target : kTargets) {
        InstallIde(target);
        const struct {
            const char* name;
            const char* action;
            const char* closing;  // the closing line's action
            const char* state;
        } runs[] = {
            {"first install", "/I", "/I", "installed"},
            {"second install", "/i", "/I", "installed"},
            {"first uninstall", "/U", "/U", "uninstalled"},
            {"second uninstall", "/u", "/U", "uninstalled"},
        };
        for (const auto& run : runs) {
            const test::ChildResult result = Run(target, run.action);
            EXPECT_EQ(result.status, 0) << target.targetSwitch << " " << run.name;
            EXPECT_EQ(result.output, Success(target, run.closing, kTitle)) << run.name;
            ExpectState(target, run.state, run.name);
            ResetCache(target);
        }
        for (const char* member : kMembers)
            std::filesystem::remove(Member(target, member));
    }
}

TEST_F(InstallScenario, Delphi7WithoutRootDirUsesTheProjectsFolderOfTheCurrentDrive)
{
    InstallIde(kDelphi7);
    registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
    registry_.DeleteRegValue("Software\\Borland\\Delphi\\7.0", "RootDir");
    const std::filesystem::path driveRoot = test::PrivateDriveRoot();
    if (!driveRoot.empty())
        std::filesystem::create_directories(driveRoot / "Projects");

    EXPECT_EQ(Run(kDelphi7, "/I").status, 0);
    EXPECT_TRUE(std::filesystem::exists(scratch_.Native("Borland/Delphi7/Help/myhelp.als")));
    EXPECT_FALSE(std::filesystem::exists(scratch_.Native("Borland/Delphi7/Projects/myhelp.als")));
    if (!driveRoot.empty()) {
        EXPECT_EQ(test::ReadFileBytes(driveRoot / "Projects/myhelp.als"), test::ReadTestData("helpset/myhelp.als"));
    }
    EXPECT_EQ(Run(kDelphi7, "/U").status, 0);
    if (!driveRoot.empty()) {
        EXPECT_FALSE(std::filesystem::exists(driveRoot / "Projects/myhelp.als"));
    }
}

TEST_F(InstallScenario, TitleAtUninstallDecidesTheIndexEntry)
{
    InstallIde(kDelphi7);
    ASSERT_EQ(Run(kDelphi7, "/I").status, 0);
    const test::ChildResult caseOnly = Run(kDelphi7, "/U", "MY HELP reference");
    EXPECT_EQ(caseOnly.status, 0);
    EXPECT_EQ(caseOnly.output, Success(kDelphi7, "/U", "MY HELP reference"));
    ExpectState(kDelphi7, "uninstalled", "uninstall with the title in other case");

    ASSERT_EQ(Run(kDelphi7, "/I").status, 0);
    const test::ChildResult other = Run(kDelphi7, "/U", "Another Title");
    EXPECT_EQ(other.status, 0);
    EXPECT_EQ(other.output, Success(kDelphi7, "/U", "Another Title"));
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohi")), test::ReadTestData("openhelp/installed.ohi"));
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohc")), test::ReadTestData("openhelp/uninstalled.ohc"));
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohl")), test::ReadTestData("openhelp/uninstalled.ohl"));
    EXPECT_FALSE(std::filesystem::exists(scratch_.Native("Borland/Delphi7/Projects/myhelp.als")));
    EXPECT_EQ(WinHelpValue("myhelp.hlp"), "<absent>");
}

TEST_F(InstallScenario, PercentSignsInTheTitleAreKept)
{
    InstallIde(kDelphi7);
    const std::string title = "100% %s Reference %d";
    const test::ChildResult result = Run(kDelphi7, "/I", title);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, Success(kDelphi7, "/I", title));
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohi")),
              test::ReadTestData("openhelp/uninstalled.ohi") + ":INDEX 100% %s Reference %d=myhelp.hlp\r\n");
}

TEST_F(InstallScenario, ExpandableProjectFileIsUsedAsStored)
{
    // A folder literally named "%D7HELP%", relative to the working directory;
    // expanding the variable would lead elsewhere.
    InstallIde(kDelphi7, "%D7HELP%");
    test::SetEnvironment("D7HELP", scratch_.Path("Borland/Delphi7/Help"));
    test::PlantValue(kDelphi7.settingsKey, "ProjectFile", REG_EXPAND_SZ_TYPE, std::string("%D7HELP%\\d7.ohp", 16));

    EXPECT_EQ(Run(kDelphi7, "/I").status, 0);
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohl", "%D7HELP%")), test::ReadTestData("openhelp/installed.ohl"));
    EXPECT_FALSE(std::filesystem::exists(Member(kDelphi7, ".gid", "%D7HELP%")));
}

TEST_F(InstallScenario, ProjectFileOfAnotherTypeEndsTheRunAfterTheBanner)
{
    InstallIde(kDelphi7);
    test::PlantValue(kDelphi7.settingsKey, "ProjectFile", 4 /* REG_DWORD */, std::string("\1\0\0\0", 4));

    const test::ChildResult result = Run(kDelphi7, "/I");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, test::ReadTestData("banner.txt"));
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohc")), test::ReadTestData("openhelp/initial.ohc"));
}

// A member that cannot be saved as it is, found before the first change:
// the run changes nothing, and runs again once the file is mended.
TEST_F(InstallScenario, MemberThatMustBeRefusedChangesNothing)
{
    const std::string utf16(":\0L\0I\0N\0K\0\r\0\n\0", 14);
    for (const char* member : kMembers) {
        for (const bool readOnly : {false, true}) {
            const std::string what = std::string(member) + (readOnly ? " read-only" : " in UTF-16");
            InstallIde(kDelphi7);
            const std::filesystem::path path = Member(kDelphi7, member);
            const std::string bytes = readOnly ? test::ReadFileBytes(path) : utf16;
            test::WriteFileBytes(path, bytes);
            test::SetReadOnly(path, readOnly);
            const test::ChildResult refused = Run(kDelphi7, "/I");
            EXPECT_EQ(refused.status, 1) << what;
            EXPECT_EQ(refused.output, test::ReadTestData("banner.txt")) << what;
            EXPECT_EQ(test::ReadFileBytes(path), bytes) << what;
            test::SetReadOnly(path, false);
            test::WriteFileBytes(path, test::ReadTestData(std::string("openhelp/initial") + member));
            ExpectState(kDelphi7, "initial", what, true);
            EXPECT_EQ(Run(kDelphi7, "/I").status, 0) << what << ", mended";
            ExpectState(kDelphi7, "installed", what + ", mended");
            EXPECT_EQ(Run(kDelphi7, "/U").status, 0) << what << ", mended";
        }
    }
}

// Vendors often keep their help files in an IDE's own Help folder, beside
// its project file: the alias file is then its own destination there.
TEST_F(InstallScenario, HelpFilesInAnIdesHelpFolderOutliveUninstallFromEveryIde)
{
    InstallIde(kDelphi6, "IDE6/Help");
    InstallIde(kDelphi7);
    for (const char* extension : {".hlp", ".cnt", ".als"})
        test::WriteFileBytes(scratch_.Native(std::string("IDE6/Help/myhelp") + extension),
                             test::ReadTestData(std::string("helpset/myhelp") + extension));
    const std::string helpFile = scratch_.Path("IDE6/Help") + "\\myhelp.hlp";
    const std::filesystem::path alias = scratch_.Native("IDE6/Help/myhelp.als");
    for (const auto& [target, action] : {std::pair{&kDelphi6, "/I"}, {&kDelphi7, "/I"}, {&kDelphi6, "/U"},
                                         {&kDelphi7, "/U"}, {&kDelphi7, "/I"}}) {
        const std::string what = std::string(target->targetSwitch) + " " + action;
        const test::ChildResult result = Run(*target, action, kTitle, helpFile);
        EXPECT_EQ(result.status, 0) << what;
        EXPECT_EQ(result.output, Success(*target, action, kTitle)) << what;
        EXPECT_EQ(test::ReadFileBytes(alias), test::ReadTestData("helpset/myhelp.als")) << what;
    }
    EXPECT_TRUE(std::filesystem::exists(scratch_.Native("Borland/Delphi7/Projects/myhelp.als")));
    EXPECT_EQ(WinHelpValue("myhelp.hlp"), scratch_.Path("IDE6/Help"));
}

// The Windows Help values are one per file name for the whole machine:
// uninstalling from Delphi 7 keeps what Delphi 6 still links or includes.
TEST_F(InstallScenario, UninstallKeepsTheWindowsHelpValuesAnotherIdeUses)
{
    const std::string folder = scratch_.Path("myfolder");
    const struct {
        const char* name;
        bool otherIde;  // Delphi 6 is there, with these line files
        std::string otherLinks;  // empty: no such file
        std::string otherIncludes;
        const char* helpValue;
        const char* contentsValue;
        bool inCopy;  // the user's VirtualStore copy of Delphi 6's link file has `otherLinks`
    } cases[] = {
        {"both entries", true, ":LINK myhelp.hlp\r\n", ":INCLUDE myhelp.cnt\r\n", "kept", "kept", false},
        {"the link alone, in other case", true, ":link MYHELP.HLP\r\n", "", "kept", "<absent>", false},
        {"the include alone", true, "", ":INCLUDE myhelp.cnt\r\n", "<absent>", "kept", false},
        {"an unreadable link file", true, std::string(":\0L\0I\0N\0K\0", 10), "", "kept", "<absent>", false},
        {"entries of other help files", true, ":LINK myhelp2.hlp\r\n", ":INCLUDE other.cnt\r\n", "<absent>",
         "<absent>", false},
        {"no Delphi 6", false, "", "", "<absent>", "<absent>", false},
        {"the link in the user's copy alone", true, ":LINK myhelp.hlp\r\n", "", "kept", "<absent>", true},
    };
    const std::string virtualized = VirtualizedHelpFolder();
    for (const auto& row : cases) {
        const std::string ide6 = row.inCopy ? virtualized : "IDE6/Help";
        InstallIde(kDelphi7);
        InstallIde(kDelphi6, ide6);
        for (const auto& [extension, text] : {std::pair{".ohl", row.otherLinks}, {".ohc", row.otherIncludes}}) {
            if (text.empty())
                std::filesystem::remove(Member(kDelphi6, extension, ide6));
            else
                test::WriteFileBytes(Member(kDelphi6, extension, ide6), row.inCopy ? "" : text);
        }
        if (row.inCopy) {
            const std::filesystem::path copies = CopiesOf(virtualized, test::LocalAppDataFolder(scratch_));
            std::filesystem::create_directories(copies);
            test::WriteFileBytes(copies / "d6.ohl", row.otherLinks);
        }
        if (!row.otherIde) {
            registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
            registry_.DeleteRegValue(kDelphi6.settingsKey, "ProjectFile");
        }
        ASSERT_EQ(Run(kDelphi7, "/I").status, 0) << row.name;
        const test::ChildResult result = Run(kDelphi7, "/U");
        EXPECT_EQ(result.status, 0) << row.name;
        EXPECT_EQ(result.output, Success(kDelphi7, "/U", kTitle)) << row.name;
        const auto expected = [&](const char* value) { return std::string(value) == "kept" ? folder : value; };
        EXPECT_EQ(WinHelpValue("myhelp.hlp"), expected(row.helpValue)) << row.name;
        EXPECT_EQ(WinHelpValue("myhelp.cnt"), expected(row.contentsValue)) << row.name;
        EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohl")), test::ReadTestData("openhelp/uninstalled.ohl"));
    }
}

// An upgrade whose old uninstaller still runs while the new installer
// registers the same help file into another IDE: the uninstall from Delphi 6
// and the install into Delphi 7 both wait while another run holds the lock,
// and go ahead in either order. Delphi 7 then links our help file, and
// WinHelp must still find it.
TEST_F(InstallScenario, UninstallFromOneIdeKeepsTheValuesThatAnInstallIntoAnotherWrites)
{
    InstallIde(kDelphi6, "IDE6/Help");
    InstallIde(kDelphi7);
    const std::string myHelp = scratch_.Path("myfolder") + "\\myhelp.hlp";
    const std::vector<std::string> uninstall{myHelp, "/D6", "/U", kTitle};
    const std::vector<std::string> install{myHelp, "/D7", "/I", kTitle};
    const int rounds = 4;
    int lost = 0;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_EQ(Run(kDelphi6, "/I").status, 0);
        ASSERT_EQ(Run(kDelphi7, "/U").status, 0);
        std::filesystem::remove(scratch_.Native("locked"));
        test::ChildProcess holder({scratch_.Native("locked").string()}, scratch_.Native(), LOCK_HOLDER);
        for (int i = 0; i < 1000 && !std::filesystem::exists(scratch_.Native("locked")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string links = test::ReadFileBytes(Member(kDelphi7, ".ohl"));
        const std::string otherLinks = test::ReadFileBytes(Member(kDelphi6, ".ohl", "IDE6/Help"));
        test::ChildProcess first(round % 2 == 0 ? uninstall : install, scratch_.Native());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        test::ChildProcess second(round % 2 == 0 ? install : uninstall, scratch_.Native());
        std::this_thread::sleep_for(std::chrono::seconds(1));
        // Both runs wait for the lock: neither has changed anything yet.
        EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohl")), links) << "a run went ahead of the lock";
        EXPECT_EQ(test::ReadFileBytes(Member(kDelphi6, ".ohl", "IDE6/Help")), otherLinks);
        holder.Kill();
        for (test::ChildProcess* run : {&first, &second})
            EXPECT_EQ(run->Wait().status, 0) << "round " << round;
        EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohl")), test::ReadTestData("openhelp/installed.ohl"));
        lost += WinHelpValue("myhelp.hlp") == "<absent>" || WinHelpValue("myhelp.cnt") == "<absent>" ? 1 : 0;
    }
    std::cout << "concurrent runs: " << rounds << " rounds of an uninstall racing an install into another IDE: "
              << lost << " rounds lost the values\n";
    EXPECT_EQ(lost, 0);
}

// Long-path-aware callers hand over "\\\\?\\" paths, and a setting may hold one.
// A plain member path may be 253 bytes long, the longest that the ANSI calls
// take with a save's ".svtmp" beside it.
TEST_F(InstallScenario, LocalDevicePathsAndTheLongestPlainPathsWork)
{
    const std::string longFolder = "long/" + std::string(253 - (scratch_.Path("long") + "\\\\d7.ohp").size(), 'x');
    for (const auto& [prefix, folder] : {std::pair<std::string, std::string>{"\\\\?\\", "Borland/Delphi7/Help"},
                                         {"\\\\.\\", "Borland/Delphi7/Help"}, {"", longFolder}}) {
        InstallIde(kDelphi7, folder);
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
        registry_.WriteRegString(kDelphi7.settingsKey, "ProjectFile", prefix + scratch_.Path(folder) + "\\d7.ohp");
        ASSERT_LE((scratch_.Path(folder) + "\\d7.ohp").size(), 253u);
        const std::string helpFile = prefix + scratch_.Path("myfolder") + "\\myhelp.hlp";
        for (const char* action : {"/I", "/U"}) {
            const test::ChildResult result = Run(kDelphi7, action, kTitle, helpFile);
            EXPECT_EQ(result.status, 0) << prefix << action << folder.size();
            EXPECT_EQ(result.output, Success(kDelphi7, action, kTitle)) << prefix << action;
            const bool installed = std::string(action) == "/I";
            for (const char* member : {".ohc", ".ohl", ".ohi"})
                EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member, folder)),
                          test::ReadTestData(std::string("openhelp/") + (installed ? "installed" : "uninstalled") + member))
                    << prefix << action;
            EXPECT_EQ(std::filesystem::exists(scratch_.Native(folder + "/myhelp.als")), installed) << prefix << action;
            EXPECT_EQ(WinHelpValue("myhelp.hlp"), installed ? prefix + scratch_.Path("myfolder") : "<absent>");
        }
    }
}

// A member kept elsewhere and linked into the Help folder: the save goes to
// the file, and the link stays a link.
TEST_F(InstallScenario, SymbolicLinkToAMemberStaysALink)
{
    InstallIde(kDelphi7);
    std::filesystem::create_directories(scratch_.Native("shared"));
    const std::filesystem::path target = scratch_.Native("shared/d7.ohi");
    std::filesystem::rename(Member(kDelphi7, ".ohi"), target);
    ASSERT_TRUE(test::MakeSymbolicLink(target, Member(kDelphi7, ".ohi")));
    for (const auto& [action, state] : {std::pair{"/I", "installed"}, {"/U", "uninstalled"}}) {
        EXPECT_EQ(Run(kDelphi7, action).status, 0) << action;
        EXPECT_EQ(test::ReadFileBytes(target), test::ReadTestData(std::string("openhelp/") + state + ".ohi")) << action;
        EXPECT_EQ(TemporaryFiles(), 0u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch_.Native("shared")),
                                std::filesystem::directory_iterator()),
                  1);
    }
    // Still a link: what the file holds shows through it. (Wine reports no
    // Unix link as one.)
    test::WriteFileBytes(target, "changed behind the link");
    EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohi")), "changed behind the link");
}

// A power cut after a save leaves the new text: what a save wrote is flushed
// before it takes the file's place, and the replacement is made durable
// too. Watched in the calls the real program makes.
TEST_F(InstallScenario, EverySaveIsFlushedThenDurablyReplaced)
{
    InstallIde(kDelphi7);
    int status = -1;
    const std::vector<std::string> events = test::TraceSaves(
        {scratch_.Path("myfolder") + "\\myhelp.hlp", "/D7", "/I", kTitle}, scratch_.Native(), status);
    EXPECT_EQ(status, 0);
    ExpectState(kDelphi7, "installed", "traced");
    for (const char* member : kMembers) {
        const std::string name = std::string("d7") + member;
        const auto at = [&](const std::string& event) { return std::find(events.begin(), events.end(), event); };
        ASSERT_NE(at("replace " + name), events.end()) << name << " was not replaced";
        EXPECT_LT(at("flush " + name + ".svtmp"), at("replace " + name)) << name << ": its data was not flushed first";
        EXPECT_NE(at("durable " + name), events.end()) << name << ": the replacement is not durable";
        EXPECT_GT(at("durable " + name), at("replace " + name)) << name;
    }
}

TEST_F(InstallScenario, ClosingLinesThatCannotBeWrittenFailTheRunAfterEveryChange)
{
    InstallIde(kDelphi7);
    const std::string banner = test::ReadTestData("banner.txt");
    test::RecordingDevice console(true, banner.size());  // room for the banner alone
    Console output(console);
    const std::string commandLine =
        "sorvane \"" + scratch_.Path("myfolder") + "\\myhelp.hlp\" /D7 /I \"" + kTitle + "\"";
    RegistryAccessor registry;
    EXPECT_EQ(RunSorvane(commandLine, output, registry), 1);
    EXPECT_EQ(console.Bytes(), banner);
    ExpectState(kDelphi7, "installed", "closing lines refused");
}

// Every file operation and every registry write of a whole install and a
// whole uninstall fails in turn, one run each: the run ends with status 1,
// no OpenHelp file is ever cut short or half written, and a failure before
// the first change changes nothing at all.
TEST_F(InstallScenario, EveryFailingOperationEndsTheRunAndLosesNothing)
{
    using test::FaultyFileOps;
    using test::FakeRegistryApi;
    const std::string commandLine = "sorvane \"" + scratch_.Path("myfolder") + "\\myhelp.hlp\" /D7 ";
    int runs = 0;
    for (const std::string action : {"/I", "/U"}) {
        const std::string before = action == "/I" ? "uninstalled" : "installed";
        const std::string after = action == "/I" ? "installed" : "uninstalled";
        const auto reset = [&] { SetUpDelphi7(before); };
        const auto run = [&](FileOps& files, RegistryApi& api) {
            test::RecordingDevice device;
            Console console(device);
            RegistryAccessor registry(api);
            return RunSorvane(commandLine + action + " \"" + kTitle + "\"", console, registry, files);
        };

        reset();
        FaultyFileOps fileCalls;
        FakeRegistryApi registryCalls;
        ASSERT_EQ(run(fileCalls, registryCalls), 0);
        ExpectState(kDelphi7, after, "a run without faults");
        // Every member's temporary name is made free before the first
        // member is replaced.
        const auto& calls = fileCalls.Calls();
        const auto isReplace = [](const FaultyFileOps::Call& call) { return call.kind == FaultyFileOps::kRename; };
        const auto clearsMember = [](const FaultyFileOps::Call& call) {
            return call.kind == FaultyFileOps::kInspect && call.path.find(".oh") != std::string::npos;
        };
        EXPECT_EQ(std::count_if(calls.begin(), std::find_if(calls.begin(), calls.end(), isReplace), clearsMember), 4);

        std::map<int, int> seen;
        for (const FaultyFileOps::Call& call : calls) {
            reset();
            FaultyFileOps files(call.kind, ++seen[call.kind]);
            FakeRegistryApi api;
            const std::string what = action + " with " + std::to_string(call.kind) + " on " + call.path + " failing";
            // Identity checks and the steps of the alias copies and of the
            // cache's deletion are never examined: the run goes on, and only
            // the alias copies or the cache can differ.
            const bool aliasOrCache =
                call.path.find(".als") != std::string::npos || call.path.find(".gid") != std::string::npos;
            const bool silent = call.kind == FaultyFileOps::kSameFile || call.kind == FaultyFileOps::kMakeNormal ||
                                (call.kind != FaultyFileOps::kPresent && aliasOrCache);
            EXPECT_EQ(run(files, api), silent ? 0 : 1) << what;
            EXPECT_TRUE(files.Failed()) << what;
            ++runs;
            // A failure that ends the run leaves every member as it was: no
            // member is replaced before every new text is on disk, and one
            // that cannot be replaced puts back those replaced before it.
            for (const char* member : kMembers)
                EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member)),
                          test::ReadTestData("openhelp/" + (silent ? after : before) + member))
                    << what << ": " << member;
            EXPECT_EQ(TemporaryFiles(), 0u) << what << ": a temporary file was left behind";
        }

        seen.clear();
        for (const FakeRegistryApi::Kind kind : registryCalls.Calls()) {
            reset();
            FaultyFileOps files;
            FakeRegistryApi api(kind, ++seen[kind]);
            EXPECT_EQ(run(files, api), 1) << action << " with a registry write failing";
            EXPECT_TRUE(api.Failed());
            ++runs;
            // Registry writes come after every file is saved.
            for (const char* member : kMembers)
                EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member)), test::ReadTestData("openhelp/" + after + member));
        }
    }
    std::cout << "fault injection: " << runs << " runs, each with one failing operation\n";
    EXPECT_GT(runs, 20);
}

// The lines of a CR LF text.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// Installers that start one run per help file without waiting for the
// last, or two installers at once: K runs for K help files start together
// on one set, then K uninstalls. No run may drop another run's entry. Half
// of them go through Delphi 6, whose setting names the same set by another
// spelling, as a short name or a second drive letter does.
TEST_F(InstallScenario, RunsStartedTogetherOnOneSetLoseNothing)
{
    const int runs = SORVANE_CONCURRENT_RUNS;
    const int rounds = 3;
    InstallIde(kDelphi7, "Borland/Delphi7/Help", "uninstalled");
    registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
    registry_.WriteRegString(kDelphi6.settingsKey, "ProjectFile",
                             test::OtherSpelling(scratch_.Native("Borland/Delphi7/Help")) + "\\d7.ohp");
    std::vector<std::string> helpFiles;
    for (int i = 0; i < runs; ++i) {
        const std::string base = "myfolder/help" + std::to_string(100 + i);
        for (const char* extension : {".hlp", ".cnt", ".als"})
            test::WriteFileBytes(scratch_.Native(base + extension), test::ReadTestData(std::string("helpset/myhelp") + extension));
        helpFiles.push_back("help" + std::to_string(100 + i));
    }
    const auto runAll = [&](const char* action) {
        std::vector<std::unique_ptr<test::ChildProcess>> children;
        for (const std::string& name : helpFiles)
            children.push_back(std::make_unique<test::ChildProcess>(
                std::vector<std::string>{scratch_.Path("myfolder") + "\\" + name + ".hlp",
                                         children.size() % 2 == 0 ? "/D7" : "/D6", action, "Title " + name},
                scratch_.Native()));
        int succeeded = 0;
        for (auto& child : children) {
            const test::ChildResult result = child->Wait();
            succeeded += result.status == 0 ? 1 : 0;
            EXPECT_EQ(result.status, 0) << action << ":\n" << result.output;
        }
        return succeeded;
    };
    // The entries of each line file, against the file as it was.
    const auto lostEntries = [&](bool installed) {
        int lost = 0;
        for (const char* member : {".ohc", ".ohl", ".ohi"}) {
            const std::vector<std::string> before = Lines(test::ReadTestData(std::string("openhelp/uninstalled") + member));
            const std::vector<std::string> after = Lines(test::ReadFileBytes(Member(kDelphi7, member)));
            std::vector<std::string> expected;
            for (const std::string& name : installed ? helpFiles : std::vector<std::string>{})
                expected.push_back(std::string(member) == ".ohc"   ? ":INCLUDE " + name + ".cnt"
                                   : std::string(member) == ".ohl" ? ":LINK " + name + ".hlp"
                                                                   : ":INDEX Title " + name + "=" + name + ".hlp");
            const bool othersKept = after.size() >= before.size() && std::equal(before.begin(), before.end(), after.begin());
            EXPECT_TRUE(othersKept) << member << ": a line of another help file changed";
            std::vector<std::string> added(after.begin() + static_cast<std::ptrdiff_t>(std::min(before.size(), after.size())), after.end());
            std::sort(added.begin(), added.end());
            std::sort(expected.begin(), expected.end());
            std::vector<std::string> missing;
            std::set_difference(expected.begin(), expected.end(), added.begin(), added.end(), std::back_inserter(missing));
            lost += static_cast<int>(missing.size());
            EXPECT_EQ(added, expected) << member;
        }
        EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohp")), test::ReadTestData("openhelp/uninstalled.ohp"));
        EXPECT_EQ(TemporaryFiles(), 0u);
        for (const std::string& name : helpFiles) {
            EXPECT_EQ(WinHelpValue(name + ".hlp"), installed ? scratch_.Path("myfolder") : "<absent>") << name;
            EXPECT_EQ(std::filesystem::exists(scratch_.Native("Borland/Delphi7/Help/" + name + ".als")), installed)
                << name;
        }
        return lost;
    };
    int succeeded = 0;
    int lost = 0;
    for (int round = 0; round < rounds; ++round) {
        succeeded += runAll("/I");
        lost += lostEntries(true);
        succeeded += runAll("/U");
        lost += lostEntries(false);
    }
    std::cout << "concurrent runs: " << runs << " at once, " << rounds << " rounds of install and uninstall: "
              << succeeded << " of " << 2 * runs * rounds << " runs exited 0, entries lost or left " << lost
              << " of " << 2 * 3 * runs * rounds << "\n";
    EXPECT_EQ(succeeded, 2 * runs * rounds);
    EXPECT_EQ(lost, 0);

    // The same help file K times at once: one entry, every run a success.
    const auto sameFile = [&](const char* action) {
        std::vector<std::unique_ptr<test::ChildProcess>> children;
        for (int i = 0; i < runs; ++i)
            children.push_back(std::make_unique<test::ChildProcess>(
                std::vector<std::string>{scratch_.Path("myfolder") + "\\myhelp.hlp", "/D7", action, kTitle},
                scratch_.Native()));
        for (auto& child : children)
            EXPECT_EQ(child->Wait().status, 0) << action;
    };
    sameFile("/I");
    ExpectState(kDelphi7, "installed", "the same help file installed by every run at once");
    sameFile("/U");
    ExpectState(kDelphi7, "uninstalled", "the same help file uninstalled by every run at once");
}

TEST_F(InstallScenario, LockedFilesWaitThenRefuseAndAKilledHolderReleasesTheWaitingRun)
{
    InstallIde(kDelphi7);
    // Three first runs at once meet at one lock, which one of them takes.
    std::vector<std::unique_ptr<test::ChildProcess>> holders;
    for (const char* ready : {"locked0", "locked1", "locked2"})
        holders.push_back(std::make_unique<test::ChildProcess>(std::vector<std::string>{scratch_.Native(ready).string()},
                                                               scratch_.Native(), LOCK_HOLDER));
    std::size_t winner = holders.size();
    for (int i = 0; i < 1000 && winner == holders.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (std::size_t h = 0; h < holders.size(); ++h)
            winner = std::filesystem::exists(scratch_.Native("locked" + std::to_string(h))) ? h : winner;
    }
    ASSERT_LT(winner, holders.size()) << "no holder took the lock";
    for (std::size_t h = 0; h < holders.size(); ++h) {
        if (h != winner) {
            EXPECT_EQ(holders[h]->Wait().status, 1) << "holder " << h << " did not find the lock taken";
        }
    }
    test::ChildProcess& holder = *holders[winner];

    std::string output;
    EXPECT_EQ(RunInProcess(kDelphi7, "/I", std::chrono::milliseconds(300), output), 1);
    EXPECT_EQ(output, test::ReadTestData("banner.txt") +
                          "Error: Delphi open help files are in use by another installation.\r\n");
    ExpectState(kDelphi7, "initial", "while the files are locked", true);

    // A run already waiting when the holder dies: Windows hands it the lock
    // abandoned, and it goes ahead at once.
    test::ChildProcess waiting({scratch_.Path("myfolder") + "\\myhelp.hlp", "/D7", "/I", kTitle}, scratch_.Native());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    holder.Kill();
    const test::ChildResult result = waiting.Wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, Success(kDelphi7, "/I", kTitle));
    ExpectState(kDelphi7, "installed", "once the holder is killed");
}

// A virus scanner or an indexer holds a member open, sharing reading and
// writing but not deletion: a run waits it out when it lets go within the
// retries, and otherwise ends with status 1 within seconds, the set and the
// Windows Help values as they were.
TEST_F(InstallScenario, MemberHeldByAnotherProgramIsWaitedOutOrChangesNothing)
{
    const struct {
        const char* action;
        const char* member;
        int milliseconds;
        int status;
    } cases[] = {{"/I", ".ohl", 2000, 0}, {"/I", ".ohl", 20000, 1}, {"/U", ".ohi", 20000, 1}};
    for (const auto& row : cases) {
        const std::string before = std::string(row.action) == "/I" ? "uninstalled" : "installed";
        const std::string after = std::string(row.action) == "/I" ? "installed" : "uninstalled";
        SetUpDelphi7(before);
        std::filesystem::remove(scratch_.Native("held"));
        test::ChildProcess holder({scratch_.Native("held").string(), Member(kDelphi7, row.member).string(),
                                   std::to_string(row.milliseconds)},
                                  scratch_.Native(), LOCK_HOLDER);
        for (int i = 0; i < 1000 && !std::filesystem::exists(scratch_.Native("held")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(kDelphi7, row.action).status, row.status) << row.action << " " << row.milliseconds;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        ExpectState(kDelphi7, row.status == 0 ? after : before, std::to_string(row.milliseconds) + " ms held",
                    row.status != 0);
    }
}

// What a killed run left at a temporary name is cleared before the first
// change when it is a plain file; anything else there ends the run with
// nothing changed, and no file that a link leads to is ever deleted or
// written.
TEST_F(InstallScenario, TemporaryNamesAreMadeFreeBeforeTheFirstChange)
{
    std::filesystem::create_directories(scratch_.Native("elsewhere"));
    const std::filesystem::path outside = scratch_.Native("elsewhere/kept.txt");
    const struct {
        const char* name;
        const char* at;  // the name in the Help folder that is taken
        const char* what;  // "file", "read-only", "link", "folder"
        const char* from;  // the set's state before the run
        int status;
    } cases[] = {
        {"half a save", "d7.ohp.svtmp", "file", "installed", 0},
        {"a read-only leftover of a member this run does not save", "d7.ohi.svtmp", "read-only", "installed", 0},
        {"a folder at a temporary name", "d7.ohc.svtmp", "folder", "installed", 1},
        {"a link at the help index cache", "d7.gid", "link", "installed", 0},
        {"a link at an alias copy, replaced by the copy", "myhelp.als", "link", "installed", 0},
        {"a link at a temporary name", "d7.ohl.svtmp", "link", "installed", 1},
    };
    for (const auto& row : cases) {
        InstallIde(kDelphi7, "Borland/Delphi7/Help", row.from);
        test::WriteFileBytes(outside, "another program's file");
        const std::filesystem::path taken = scratch_.Native(std::string("Borland/Delphi7/Help/") + row.at);
        std::filesystem::remove(taken);
        const std::string what = row.what;
        if (what == "link")
            ASSERT_TRUE(test::MakeSymbolicLink(outside, taken));
        else if (what == "folder")
            std::filesystem::create_directories(taken);
        else
            test::WriteFileBytes(taken, "half a save");
        test::SetReadOnly(taken, what == "read-only");

        const test::ChildResult result = Run(kDelphi7, "/I");
        EXPECT_EQ(result.status, row.status) << row.name;
        EXPECT_EQ(result.output, row.status == 0 ? Success(kDelphi7, "/I", kTitle) : test::ReadTestData("banner.txt"))
            << row.name;
        EXPECT_EQ(test::ReadFileBytes(outside), "another program's file") << row.name;
        test::RemoveSymbolicLinks(taken);
        if (row.status == 0) {
            if (taken.extension() != ".als")
                std::filesystem::remove(taken);
            ExpectState(kDelphi7, "installed", row.name);
        } else {
            for (const char* member : kMembers)
                EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member)), test::ReadTestData(std::string("openhelp/") + row.from + member))
                    << row.name;
            EXPECT_TRUE(std::filesystem::exists(Member(kDelphi7, ".gid"))) << row.name;
            std::filesystem::remove_all(taken);
        }
    }
}

// Windows Vista and later show an IDE below Program Files the user's
// VirtualStore copy of each OpenHelp file that it saved there itself,
// instead of the real file. Each copy gets the same edit, made on its own
// lines, in the one set that is saved all or nothing; no copy is made where
// there is none; and no file that a link or a second name leads to out of
// the store is read, written or deleted.
TEST_F(InstallScenario, TheUsersVirtualStoreCopiesGetTheSameEdit)
{
    const std::string helpFolder = VirtualizedHelpFolder();
    const std::filesystem::path copies = CopiesOf(helpFolder, test::LocalAppDataFolder(scratch_));
    const std::filesystem::path elsewhere = scratch_.Native("elsewhere");
    const struct {
        const char* name;
        std::string copies;  // "plain", "read-only", "held", "folder link", "links", "second names"
        int status;
    } cases[] = {
        {"copies with lines of their own", "plain", 0},
        {"the IDE's folder spelt another way (short names, a link)", "spelt", 0},
        {"a read-only copy", "read-only", 1},
        {"a copy held past the retries", "held", 1},           {"the copies' folder linked elsewhere", "folder link", 1},
        {"copies linked elsewhere", "links", 1},               {"copies with a second name elsewhere", "second names", 1},
    };
    std::filesystem::create_directories(helpFolder);
    const std::string otherSpelling = test::OtherSpelling(helpFolder);
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const bool edited = row.copies == "plain" || row.copies == "spelt";
        const bool inStore = edited || row.copies == "read-only" || row.copies == "held";
        InstallIde(kDelphi7, helpFolder);
        if (row.copies == "spelt") {
            // Windows keeps the copies under the folder's own long path.
            registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
            registry_.WriteRegString(kDelphi7.settingsKey, "ProjectFile", otherSpelling + "\\d7.ohp");
        }
        std::filesystem::create_directories(elsewhere);
        std::filesystem::create_directories(row.copies == "folder link" ? copies.parent_path() : copies);
        if (row.copies == "folder link") {
            ASSERT_TRUE(test::MakeSymbolicLink(elsewhere, copies));
        }
        for (const char* member : {".ohc", ".ohl", ".ohi", ".gid"}) {  // none of the project file
            const std::filesystem::path copy = copies / (std::string("d7") + member);
            const std::filesystem::path twin = elsewhere / (std::string("d7") + member);
            test::WriteFileBytes(inStore ? copy : twin, OwnCopy(member, "initial"));
            if (row.copies == "links") {
                ASSERT_TRUE(test::MakeSymbolicLink(twin, copy));
            } else if (row.copies == "second names") {
                std::filesystem::create_hard_link(twin, copy);
            }
        }
        test::SetReadOnly(copies / "d7.ohi", row.copies == "read-only");
        std::filesystem::remove(scratch_.Native("held"));
        std::unique_ptr<test::ChildProcess> holder;
        if (row.copies == "held") {
            holder = std::make_unique<test::ChildProcess>(
                std::vector<std::string>{scratch_.Native("held").string(), (copies / "d7.ohl").string(), "20000"},
                scratch_.Native(), LOCK_HOLDER);
            for (int i = 0; i < 1000 && !std::filesystem::exists(scratch_.Native("held")); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const auto expectSet = [&](const std::string& state) {
            for (const char* member : kMembers)
                EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member, helpFolder)),
                          test::ReadTestData("openhelp/" + state + member)) << state << member;
            for (const char* member : {".ohc", ".ohl", ".ohi"})
                EXPECT_EQ(test::ReadFileBytes(copies / (std::string("d7") + member)),
                          OwnCopy(member, edited ? state : "initial")) << state << member;
            EXPECT_EQ(std::filesystem::exists(copies / "d7.gid"), !edited) << state;
            EXPECT_FALSE(std::filesystem::exists(copies / "d7.ohp")) << state;
        };

        const test::ChildResult install = Run(kDelphi7, "/I");
        EXPECT_EQ(install.status, row.status);
        const std::string banner = test::ReadTestData("banner.txt");
        if (row.status == 0 || inStore) {
            EXPECT_EQ(install.output, row.status == 0 ? Success(kDelphi7, "/I", kTitle) : banner);
        } else {
            // The IDE would read a set that is not whole: the run names the copy.
            const std::string refusal = "\\d7.ohc is reached through a link or has a second name.\r\n";
            EXPECT_EQ(install.output.rfind(banner + "Error: ", 0), 0u) << install.output;
            EXPECT_EQ(install.output.substr(install.output.size() - refusal.size()), refusal);
        }
        holder.reset();
        expectSet(row.status == 0 ? "installed" : "initial");
        if (row.status == 0) {
            EXPECT_EQ(Run(kDelphi7, "/U").status, 0);
            expectSet("uninstalled");
        }
        for (const std::filesystem::path& folder : {copies, elsewhere})
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
                EXPECT_NE(entry.path().extension(), ".svtmp") << entry.path();
        test::SetReadOnly(copies / "d7.ohi", false);
        test::RemoveSymbolicLinks(copies.parent_path());
        std::filesystem::remove_all(copies);
        std::filesystem::remove_all(elsewhere);
    }
}

// An installer that runs as the system names the user whose IDE it serves:
// the run reads that user's settings in HKEY_USERS and edits that user's
// copies; without the name it finds no IDE.
TEST_F(InstallScenario, AUsersSidNamesTheIdeTheRunServes)
{
    const std::string sid = "S-1-5-21-1111-2222-3333-1001";
    const std::string helpFolder = VirtualizedHelpFolder();
    InstallIde(kDelphi7, helpFolder);
    test::ForgetDelphi7Settings();
    registry_.SetRootKey(HKEY_USERS_KEY);
    registry_.WriteRegString(sid + "\\" + kDelphi7.settingsKey, "ProjectFile", test::ProgramPath(helpFolder) + "\\d7.ohp");
    registry_.WriteRegString(sid + "\\Software\\Borland\\Delphi\\7.0", "RootDir",
                             test::ProgramPath(std::filesystem::path(helpFolder).parent_path()));
    registry_.WriteRegString(sid + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                             "Local AppData", "%USERPROFILE%\\AppData\\Local");
    // A user named in Greek on a Western Windows: the profile's name is
    // outside the ANSI code page.
    const std::string profile = "Users/\u0395\u03bb\u03ad\u03bd\u03b7";
    RecordMachineSettings(sid, test::ProgramPath(std::filesystem::path(helpFolder).parent_path()), profile);
    // The user's Delphi 6, in that user's settings alone, links the help or
    // not: its Windows Help value stays, or goes with the last uninstall.
    InstallIde(kDelphi6, "IDE6/Help");
    registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
    registry_.DeleteRegValue(kDelphi6.settingsKey, "ProjectFile");
    registry_.SetRootKey(HKEY_USERS_KEY);
    registry_.WriteRegString(sid + "\\" + kDelphi6.settingsKey, "ProjectFile", scratch_.Path("IDE6/Help") + "\\d6.ohp");
    const std::filesystem::path copies = CopiesOf(helpFolder, scratch_.Native(profile + "/AppData/Local"));
    std::filesystem::create_directories(copies);
    for (const char* member : {".ohl", ".ohp"})
        test::WriteFileBytes(copies / (std::string("d7") + member), OwnCopy(member, "initial"));

    const struct {
        const char* sid;
        const char* action;
        std::string output;
        const char* state;
        const char* otherLinks;  // Delphi 6's link file
        const char* helpValue;
    } runs[] = {
        {"", "/I", test::ReadTestData("banner.txt") + test::kNoDelphi7Settings, "initial", "", "<absent>"},
        {sid.c_str(), "/I", Success(kDelphi7, "/I", kTitle), "installed", ":LINK myhelp.hlp\r\n", "kept"},
        {sid.c_str(), "/U", Success(kDelphi7, "/U", kTitle), "uninstalled", ":LINK myhelp.hlp\r\n", "kept"},
        {sid.c_str(), "/I", Success(kDelphi7, "/I", kTitle), "installed", "", "kept"},
        {sid.c_str(), "/U", Success(kDelphi7, "/U", kTitle), "uninstalled", "", "<absent>"},
    };
    for (const auto& run : runs) {
        test::WriteFileBytes(Member(kDelphi6, ".ohl", "IDE6/Help"), run.otherLinks);
        test::SetEnvironment("SORVANE_USER_SID", run.sid);
        const test::ChildResult result = Run(kDelphi7, run.action);
        EXPECT_EQ(result.status, *run.sid == '\0' ? 1 : 0) << run.sid;
        EXPECT_EQ(result.output, run.output) << run.sid;
        for (const char* member : kMembers)
            EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member, helpFolder)),
                      test::ReadTestData(std::string("openhelp/") + run.state + member)) << run.sid << member;
        for (const char* member : {".ohl", ".ohp"})
            EXPECT_EQ(test::ReadFileBytes(copies / (std::string("d7") + member)), OwnCopy(member, run.state)) << run.sid;
        EXPECT_EQ(WinHelpValue("myhelp.hlp"),
                  std::string(run.helpValue) == "kept" ? scratch_.Path("myfolder") : run.helpValue) << run.action;
    }
    test::SetEnvironment("SORVANE_USER_SID", "");
}

// A run for another user whose set's folder the user swaps for a link to a
// copy of the set, after the run looked, just before any one of its steps
// (a read, a new file, a write, a replace, a deletion, a copy): no step
// reaches the copy where the link leads, and a run that says the help is
// installed has installed it in the set it planned.
TEST_F(InstallScenario, AFolderSwappedForALinkBeforeAnyStepLeadsNowhere)
{
    const std::string sid = "S-1-5-21-1111-2222-3333-1003";
    const std::string ownSet = "Users/other/Delphi7/Help";
    const std::filesystem::path help = scratch_.Native(ownSet);
    const std::filesystem::path guarded = scratch_.Native("guarded");
    RecordMachineSettings(sid, scratch_.Path("Program Files"));
    registry_.SetRootKey(HKEY_USERS_KEY);
    registry_.WriteRegString(sid + "\\" + kDelphi7.settingsKey, "ProjectFile", scratch_.Path(ownSet) + "\\d7.ohp");
    registry_.WriteRegString(sid + "\\Software\\Borland\\Delphi\\7.0", "RootDir", scratch_.Path("Users/other/Delphi7"));
    std::filesystem::create_directories(scratch_.Native("Users/other/Delphi7/Projects"));
    const auto reset = [&] {
        test::RemoveSymbolicLinks(help);
        std::filesystem::remove_all(help);
        std::filesystem::remove_all(scratch_.Native(ownSet + "-moved"));
        std::filesystem::remove(scratch_.Native("Users/other/Delphi7/Projects/myhelp.als"));
        InstallIde(kDelphi7, ownSet);
        InstallIde(kDelphi7, "guarded");
    };
    const auto run = [&](FileOps& files) {
        test::RecordingDevice device;
        Console console(device);
        RegistryAccessor registry;
        return RunSorvane("sorvane \"" + scratch_.Path("myfolder") + "\\myhelp.hlp\" /D7 /I \"" + kTitle + "\"", console,
                          registry, files);
    };
    test::SetEnvironment("SORVANE_USER_SID", sid);
    reset();
    test::FaultyFileOps undisturbed;
    ASSERT_EQ(run(undisturbed), 0);
    std::map<int, int> seen;
    int swaps = 0;
    for (const test::FaultyFileOps::Call& call : undisturbed.Calls()) {
        reset();
        test::FaultyFileOps files(call.kind, ++seen[call.kind], test::FaultyFileOps::Fault::kSwapped);
        files.swap = [&] {
            std::filesystem::rename(help, scratch_.Native(ownSet + "-moved"));
            test::MakeSymbolicLink(guarded, help);
        };
        const int status = run(files);
        const std::string what = std::to_string(call.kind) + " on " + call.path;
        ASSERT_TRUE(files.Failed()) << what;
        ++swaps;
        for (const char* member : kMembers)
            EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member, "guarded")),
                      test::ReadTestData(std::string("openhelp/initial") + member)) << what << member;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(guarded), {}), 5) << what;
        if (status == 0) {
            EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, ".ohl", ownSet + "-moved")),
                      test::ReadTestData("openhelp/installed.ohl")) << what;
        }
    }
    test::SetEnvironment("SORVANE_USER_SID", "");
    test::RemoveSymbolicLinks(help);
    std::cout << "swapped folders: " << swaps << " runs, each with the set's folder made a link before one step\n";
    EXPECT_GT(swaps, 20);
}

// A run for another user, as an installer running as the system makes it,
// changes files only in the IDE's folder and the user's profile as the
// machine records them, and none that a link or a second name leads to,
// whatever the user's own settings name: each hostile layout ends the run
// before its first change, with one line naming the file, and the file out
// of the user's reach keeps its bytes. The layouts a user really has work.
TEST_F(InstallScenario, ARunForAnotherUserChangesOnlyTheIdesFolderAndTheUsersProfile)
{
    const std::string sid = "S-1-5-21-1111-2222-3333-1002";
    const std::string helpFolder = VirtualizedHelpFolder();
    const std::filesystem::path ide = std::filesystem::path(helpFolder).parent_path();
    const std::filesystem::path profile = scratch_.Native("Users/other");
    const std::filesystem::path store = profile / "AppData/Local/VirtualStore";
    const std::filesystem::path victim = scratch_.Native("Users/victim/AppData/Local/VirtualStore");
    const std::filesystem::path guarded = scratch_.Native("guarded");  // stands for C:\Windows
    const std::string guardedBytes = "[fonts]\r\n";
    const std::string ownSet = "Users/other/Delphi7/Help";
    RecordMachineSettings(sid, test::ProgramPath(ide));
    const struct {
        const char* name;
        std::string layout;
        std::string refused;  // the line that ends the run; empty: it succeeds
    } rows[] = {
        {"the IDE below Program Files, with the user's copies", "ide", ""},
        {"the user's own set in the profile", "own", ""},
        {"the IDE reached through a link the user made", "junction",
         scratch_.Path("junction") + "\\Help\\d7.ohp is reached through a link or has a second name."},
        {"Local AppData naming another user's folder", "local appdata", ""},
        {"RootDir whose Projects is a link out", "projects",
         scratch_.Path("Users/other/Delphi7") + "\\Projects\\myhelp.als is reached through a link"},
        {"ProjectFile in a folder that is a link out", "folder",
         scratch_.Path("Users/other/s") + "\\d7.ohp is reached through a link"},
        {"a member that is a link out", "member link", scratch_.Path(ownSet) + "\\d7.ohc is reached through a link"},
        {"ProjectFile naming a folder out of the user's reach", "outside",
         scratch_.Path("guarded") + "\\d7.ohc lies outside"},
        {"the IDE's recorded folder made a link by the user", "recorded link",
         scratch_.Path("guarded") + "\\d7.ohc lies outside"},
        {"a member with a second name out", "second name",
         scratch_.Path(ownSet) + "\\d7.ohc is reached through a link or has a second name."},
        {"the user's VirtualStore a link to another user's", "store", ""},
        {"ProjectFile on a share", "share", "\\\\attacker\\share\\d7.ohp lies outside"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        InstallIde(kDelphi7, helpFolder);
        std::filesystem::create_directories(guarded);
        std::filesystem::create_directories(victim);
        test::WriteFileBytes(guarded / "win.ini", guardedBytes);
        test::WriteFileBytes(victim / "victim.ohl", guardedBytes);
        std::filesystem::create_directories(scratch_.Native(ownSet));
        std::filesystem::create_directories(profile / "Delphi7/Projects");
        std::string projectFile = test::ProgramPath(helpFolder) + "\\d7.ohp";
        std::string refused = row.refused;
        if (row.layout == "own" || row.layout == "member link" || row.layout == "second name") {
            InstallIde(kDelphi7, ownSet);
            projectFile = scratch_.Path(ownSet) + "\\d7.ohp";
        }
        if (row.layout == "member link") {
            std::filesystem::remove(Member(kDelphi7, ".ohc", ownSet));
            ASSERT_TRUE(test::MakeSymbolicLink(guarded / "win.ini", Member(kDelphi7, ".ohc", ownSet)));
        } else if (row.layout == "second name") {
            std::filesystem::remove(Member(kDelphi7, ".ohc", ownSet));
            std::filesystem::create_hard_link(guarded / "win.ini", Member(kDelphi7, ".ohc", ownSet));
        } else if (row.layout == "junction") {
            ASSERT_TRUE(test::MakeSymbolicLink(ide, scratch_.Native("junction")));
            projectFile = scratch_.Path("junction") + "\\Help\\d7.ohp";
        } else if (row.layout == "projects") {
            std::filesystem::remove_all(profile / "Delphi7/Projects");
            ASSERT_TRUE(test::MakeSymbolicLink(guarded, profile / "Delphi7/Projects"));
        } else if (row.layout == "outside" || row.layout == "recorded link") {
            InstallIde(kDelphi7, "guarded");
            projectFile = scratch_.Path("guarded") + "\\d7.ohp";
        } else if (row.layout == "folder") {
            InstallIde(kDelphi7, "guarded");
            ASSERT_TRUE(test::MakeSymbolicLink(guarded, profile / "s"));
            projectFile = scratch_.Path("Users/other/s") + "\\d7.ohp";
        } else if (row.layout == "share") {
            projectFile = "\\\\attacker\\share\\d7.ohp";
        } else if (row.layout == "store") {
            std::filesystem::create_directories(store.parent_path());
            ASSERT_TRUE(test::MakeSymbolicLink(victim, store));
            const std::filesystem::path copies = CopiesOf(helpFolder, victim.parent_path());
            std::filesystem::create_directories(copies);
            test::WriteFileBytes(copies / "d7.ohl", guardedBytes);
            refused = test::ProgramPath(store) + " is reached through a link";
        }
        RecordMachineSettings(sid, row.layout == "recorded link" ? scratch_.Path("Users/ide") : test::ProgramPath(ide));
        if (row.layout == "recorded link") {
            ASSERT_TRUE(test::MakeSymbolicLink(guarded, scratch_.Native("Users/ide")));
        }
        const std::filesystem::path userCopies = CopiesOf(helpFolder, store.parent_path());
        if (row.layout == "ide" || row.layout == "junction" || row.layout == "local appdata") {
            std::filesystem::create_directories(userCopies);
            test::WriteFileBytes(userCopies / "d7.ohl", OwnCopy(".ohl", "initial"));
        }
        registry_.SetRootKey(HKEY_USERS_KEY);
        registry_.WriteRegString(sid + "\\" + kDelphi7.settingsKey, "ProjectFile", projectFile);
        registry_.WriteRegString(sid + "\\Software\\Borland\\Delphi\\7.0", "RootDir",
                                 scratch_.Path("Users/other/Delphi7"));
        registry_.WriteRegString(sid + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                 "Local AppData", test::ProgramPath(victim.parent_path()));
        test::SetEnvironment("SORVANE_USER_SID", sid);

        const test::ChildResult install = Run(kDelphi7, "/I");
        EXPECT_EQ(install.status, refused.empty() ? 0 : 1);
        const std::string output = install.output;
        if (refused.empty()) {
            EXPECT_EQ(output, Success(kDelphi7, "/I", kTitle));
        } else {
            EXPECT_EQ(output.rfind(test::ReadTestData("banner.txt") + "Error: " + refused, 0), 0u) << output;
            EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 5) << output;
        }
        // Nothing out of the user's reach is changed, and nothing is made there.
        EXPECT_EQ(test::ReadFileBytes(guarded / "win.ini"), guardedBytes);
        EXPECT_FALSE(std::filesystem::exists(guarded / "myhelp.als"));
        EXPECT_EQ(test::ReadFileBytes(victim / "victim.ohl"), guardedBytes);
        if (row.layout == "store") {
            EXPECT_EQ(test::ReadFileBytes(CopiesOf(helpFolder, victim.parent_path()) / "d7.ohl"), guardedBytes);
        }
        const std::string set =
            row.layout == "own"                                                                   ? ownSet
            : row.layout == "folder" || row.layout == "outside" || row.layout == "recorded link" ? "guarded"
                                                                                                  : helpFolder;
        const char* state = refused.empty() ? "installed" : "initial";
        for (const char* member : kMembers) {
            if (row.layout != "member link" && row.layout != "second name") {
                EXPECT_EQ(test::ReadFileBytes(Member(kDelphi7, member, set)),
                          test::ReadTestData(std::string("openhelp/") + state + member)) << member;
            }
        }
        if (row.layout != "store" && std::filesystem::exists(userCopies / "d7.ohl")) {
            EXPECT_EQ(test::ReadFileBytes(userCopies / "d7.ohl"), OwnCopy(".ohl", state));
        }
        if (row.layout == "own") {
            EXPECT_EQ(test::ReadFileBytes(profile / "Delphi7/Projects/myhelp.als"), test::ReadTestData("helpset/myhelp.als"));
        }
        if (refused.empty()) {
            EXPECT_EQ(Run(kDelphi7, "/U").status, 0);
        }

        test::SetEnvironment("SORVANE_USER_SID", "");
        for (const char* folder : {"Users", "guarded", "junction"})
            test::RemoveSymbolicLinks(scratch_.Native(folder));
        for (const char* folder : {"Users", "guarded"})
            std::filesystem::remove_all(scratch_.Native(folder));
        test::RemoveSymbolicLinks(store.parent_path());
        std::filesystem::remove_all(CopiesOf(helpFolder, store.parent_path()));
    }
}

}  // namespace
