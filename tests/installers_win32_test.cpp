// The installer kit as vendors use it, under Wine: the NSIS installer, the
// Inno Setup script and the Windows Installer package that
// installers/installers.md shows, built with the shipped header and includes,
// and the shipped command script, run silently on machines with no IDE, one,
// all four, and one whose OpenHelp set is broken.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "platform/registry.h"
#include "tests/support/child_process_win32.h"
#include "tests/support/test_support.h"

namespace {

struct Ide {
    int number;
    const char* name;
    const char* base;  // the OpenHelp project's name
    const char* settingsKey;
    bool aliasInProjectDirectory;
};

const Ide kIdes[] = {
    {4, "C++Builder 6", "bcb6", "Software\\Borland\\C++Builder\\6.0\\OpenHelp", true},
    {5, "Delphi 5", "d5", "Software\\Borland\\Delphi\\5.0\\OpenHelp", false},
    {6, "Delphi 6", "d6", "Software\\Borland\\Delphi\\6.0\\OpenHelp", true},
    {7, "Delphi 7", "d7", "Software\\Borland\\Delphi\\7.0\\OpenHelp", true},
};
const char* const kMembers[] = {".ohp", ".ohc", ".ohl", ".ohi"};
const char* const kWinHelpKey = "Software\\Microsoft\\Windows\\Help";
// Long enough for Wine to start an installer; a box that waits for a click
// never ends.
const unsigned kTimeoutMilliseconds = 60000;

struct Machine {
    const char* name;
    std::vector<int> ides;
    bool delphi7IndexMissing;
    int installerStatus;
    int scriptStatus;
    const char* scriptClosingLine;
};

const Machine kMachines[] = {
    {"no IDE", {}, false, 0, 2, "sorvane-all: no Borland IDE found for this user; nothing done."},
    {"Delphi 7 only", {7}, false, 0, 0, "sorvane-all: done: Delphi 7; failed: none."},
    {"all four IDEs", {4, 5, 6, 7}, false, 0, 0,
     "sorvane-all: done: C++Builder 6, Delphi 5, Delphi 6, Delphi 7; failed: none."},
    {"Delphi 7 without its index file", {7}, true, 1, 1, "sorvane-all: done: none; failed: Delphi 7."},
};

class InstallerKit : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The build's prefix has the display driver of none (cmake/wine-run):
        // a message box waits there, and the timeout catches it.
        ForgetMachine();
    }

    void TearDown() override { ForgetMachine(); }

    // No IDE, and no trace of the help.
    void ForgetMachine()
    {
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
        for (const Ide& ide : kIdes) {
            registry_.DeleteRegValue(ide.settingsKey, "ProjectFile");
            std::filesystem::remove_all(scratch_.Native("IDE" + std::to_string(ide.number)));
        }
        ForgetWinHelpValues();
        for (const Ide& ide : kIdes)
            registry_.DeleteRegValue(MachineKey(ide), "RootDir");
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
    }

    // The IDE's own key, where its setup writes RootDir.
    static std::string MachineKey(const Ide& ide)
    {
        const std::string settings = ide.settingsKey;
        return settings.substr(0, settings.rfind('\\'));
    }

    void ForgetWinHelpValues()
    {
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        for (const char* name : {"acme.hlp", "acme.cnt"})
            registry_.DeleteRegValue(kWinHelpKey, name);
    }

    std::filesystem::path Member(const Ide& ide, const std::string& extension) const
    {
        return scratch_.Native("IDE" + std::to_string(ide.number) + "/Help/" + ide.base + extension);
    }

    // Each IDE in its own folder, with its OpenHelp set as a former
    // uninstall left it, and its settings.
    void LayOut(const Machine& machine)
    {
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
        for (const Ide& ide : kIdes) {
            if (!Has(machine, ide))
                continue;
            const std::string folder = "IDE" + std::to_string(ide.number);
            std::filesystem::create_directories(scratch_.Native(folder + "/Help"));
            std::filesystem::create_directories(scratch_.Native(folder + "/Projects"));
            for (const char* member : kMembers)
                test::WriteFileBytes(Member(ide, member), test::ReadTestData(std::string("openhelp/uninstalled") + member));
            registry_.WriteRegString(ide.settingsKey, "ProjectFile",
                                     scratch_.Path(folder + "/Help/") + ide.base + ".ohp");
            // The IDE's setup records its folder for the machine, where a run
            // as the system for the user may change files.
            registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
            registry_.WriteRegString(MachineKey(ide), "RootDir", scratch_.Path(folder));
            registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
            if (ide.number == 7) {
                registry_.WriteRegString("Software\\Borland\\Delphi\\7.0", "RootDir", scratch_.Path(folder));
                if (machine.delphi7IndexMissing)
                    std::filesystem::remove(Member(ide, ".ohi"));
            }
        }
    }

    static bool Has(const Machine& machine, const Ide& ide)
    {
        return std::find(machine.ides.begin(), machine.ides.end(), ide.number) != machine.ides.end();
    }

    // Every IDE of the machine with the help installed, or as it was; and
    // the closing line of each IDE's run that succeeded in `output`, where
    // the program's output is kept.
    void ExpectHelp(const Machine& machine, bool installed, const std::string& helpFolder, const std::string& title,
                    const std::string& when, const std::optional<std::string>& output = std::nullopt)
    {
        SCOPED_TRACE(std::string(machine.name) + ", " + when);
        bool anyInstalled = false;
        for (const Ide& ide : kIdes) {
            const bool broken = ide.number == 7 && machine.delphi7IndexMissing;
            const std::string success = "\"" + title + "\" help files " +
                                        (installed ? "installed in " : "uninstalled from ") + ide.name + " successfully.";
            EXPECT_TRUE(!output || (output->find(success) != std::string::npos) == (Has(machine, ide) && !broken))
                << success << (Has(machine, ide) && !broken ? " is missing in:\n" : " is there in:\n") << *output;
            if (!Has(machine, ide))
                continue;
            const bool has = installed && !broken;
            anyInstalled = anyInstalled || has;
            const std::string entries[] = {"", ":INCLUDE acme.cnt\r\n", ":LINK acme.hlp\r\n",
                                           ":INDEX " + title + "=acme.hlp\r\n"};
            for (std::size_t i = 0; i < 4; ++i) {
                if (broken && std::string(kMembers[i]) == ".ohi")
                    continue;
                EXPECT_EQ(test::ReadFileBytes(Member(ide, kMembers[i])),
                          test::ReadTestData(std::string("openhelp/uninstalled") + kMembers[i]) + (has ? entries[i] : ""))
                    << ide.name << " " << kMembers[i];
            }
            const std::string folder = "IDE" + std::to_string(ide.number);
            EXPECT_EQ(std::filesystem::exists(scratch_.Native(folder + "/Help/acme.als")),
                      has && ide.aliasInProjectDirectory)
                << ide.name;
            EXPECT_EQ(std::filesystem::exists(scratch_.Native(folder + "/Projects/acme.als")), has && ide.number == 7)
                << ide.name;
        }
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        for (const char* name : {"acme.hlp", "acme.cnt"})
            EXPECT_EQ(registry_.ReadRegString(kWinHelpKey, name, "<absent>"), anyInstalled ? helpFolder : "<absent>")
                << name;
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
    }

    struct Installer {
        std::string name;
        std::string setup;
        std::string installArguments;
        std::string uninstallArguments;
        // Inno Setup's: the program's lines land in its logs, and the
        // uninstaller reports no failure and deletes itself once it has
        // returned.
        bool inno;
    };

    // A setup and its uninstaller, run silently on every machine: the exit
    // codes, each IDE's entries, the Windows Help values, and every
    // OpenHelp file back as it was.
    void RunDocumentedInstaller(const Installer& installer)
    {
        const std::string installDir = scratch_.Path("Program Files (x86)/Acme Help");
        const std::filesystem::path installFolder = scratch_.Native("Program Files (x86)/Acme Help");
        for (const Machine& machine : kMachines) {
            const std::string what = installer.name + ", " + machine.name;
            LayOut(machine);
            const test::ChildResult install = test::RunWithCommandLine(
                "setup.exe " + installer.installArguments, scratch_.Native(), installer.setup, kTimeoutMilliseconds);
            ASSERT_FALSE(install.timedOut) << what << ": the silent install hangs";
            const std::optional<std::string> setupLog = Log(installer, "setup");
            EXPECT_EQ(install.status, machine.installerStatus) << what << "\n" << setupLog.value_or("");
            ExpectHelp(machine, true, installDir + "\\Help", "Acme Components", what + ", installed", setupLog);

            const test::ChildResult uninstall =
                test::RunWithCommandLine("uninstall.exe " + installer.uninstallArguments, scratch_.Native(),
                                         installDir + (installer.inno ? "\\unins000.exe" : "\\uninstall.exe"),
                                         kTimeoutMilliseconds);
            ASSERT_FALSE(uninstall.timedOut) << what << ": the silent uninstall hangs";
            const int failed = installer.inno ? 0 : machine.installerStatus;
            EXPECT_EQ(uninstall.status, failed) << what;
            ExpectHelp(machine, false, installDir + "\\Help", "Acme Components", what + ", uninstalled",
                       Log(installer, "uninstall"));
            // Inno's uninstaller deletes itself, and its folder, after it returned.
            for (int wait = 0; installer.inno && wait < 300 && std::filesystem::exists(installFolder); ++wait)
                Sleep(100);
            EXPECT_EQ(std::filesystem::exists(installFolder / "Help/acme.hlp"), failed != 0)
                << what << ": the help files go once every IDE lets go of them";
            // Inno's uninstaller may still be on its way out, in the folder above.
            std::error_code ignored;
            std::filesystem::remove_all(installFolder, ignored);
            ForgetMachine();
        }
    }

    // Inno's log of a setup or uninstall, which holds the program's lines.
    std::optional<std::string> Log(const Installer& installer, const std::string& log) const
    {
        if (!installer.inno)
            return std::nullopt;
        const std::filesystem::path file = scratch_.Native("inno-" + log + ".log");
        return std::filesystem::exists(file) ? test::ReadFileBytes(file) : "";
    }

    test::ScratchDirectory scratch_;
    RegistryAccessor registry_;
};

// Kept apart by name: Inno Setup's programs need a machine that runs
// 32-bit programs.
using InnoSetupKit = InstallerKit;

TEST_F(InstallerKit, DocumentedNsisInstallerInstallsAndUninstallsSilently)
{
    const std::string installDir = scratch_.Path("Program Files (x86)/Acme Help");
    RunDocumentedInstaller({"NSIS", INSTALLER_EXAMPLE, "/S /D=" + installDir, "/S _?=" + installDir, false});
}

// Inno Setup 5.6 builds the setups that start on Windows 2000 and XP, 6.x
// those for Vista and later.
TEST_F(InnoSetupKit, DocumentedInnoSetupScriptInstallsAndUninstallsSilently)
{
    for (const char* version : {"5", "6"}) {
        const std::string compiler = std::string(INNO_SETUP_COMPILERS) + "/innosetup-" + version + "/bin/ISCC.exe";
        ASSERT_TRUE(std::filesystem::exists("Z:" + compiler)) << compiler << ": scripts/install-deps installs it";
        const std::string output = scratch_.Path(std::string("inno-") + version);
        const test::ChildResult compiled = test::RunWithCommandLine(
            "ISCC.exe /Q \"/I" + test::ProgramPath("Z:" SORVANE_INSTALLERS) + "\" \"/O" + output + "\" \"" +
                test::ProgramPath("Z:" INNO_SETUP_SCRIPT) + "\"",
            scratch_.Native(), compiler, kTimeoutMilliseconds);
        ASSERT_EQ(compiled.status, 0) << "Inno Setup " << version << ":\n" << compiled.output;
        const std::string installDir = scratch_.Path("Program Files (x86)/Acme Help");
        const auto silent = [&](const char* log) {
            return "/VERYSILENT /SUPPRESSMSGBOXES \"/LOG=" + scratch_.Path(std::string("inno-") + log + ".log") + "\"";
        };
        RunDocumentedInstaller({std::string("Inno Setup ") + version, output + "\\acme-help-setup.exe",
                                silent("setup") + " \"/DIR=" + installDir + "\"", silent("uninstall"), true});
    }
}

// The Windows Installer package of the guide, run silently with msiexec on
// every machine: the exit codes (Wine answers 1627 for a failed package,
// where Windows answers 1603), each IDE's entries and alias copies, the
// Windows Help values, the program's lines in the verbose log, and every
// OpenHelp file back as it was; an uninstall that fails for Delphi 7 puts
// the help back into the IDEs it had already left, by their rollback actions.
TEST_F(InstallerKit, DocumentedMsiPackageInstallsUninstallsAndRollsBack)
{
    const std::string installDir = scratch_.Path("Program Files (x86)/Acme Help");
    // Its exit code, 1 for a failed package, and its log.
    const auto msiexec = [&](const std::string& action) {
        const std::string log = scratch_.Path("msi.log");
        const test::ChildResult result = test::RunWithCommandLine(
            "msiexec.exe " + action + " \"" + test::ProgramPath("Z:" MSI_EXAMPLE) + "\" \"INSTALLDIR=" + installDir +
                "\" /qn /l*v \"" + log + "\"",
            scratch_.Native(), "C:\\windows\\system32\\msiexec.exe", kTimeoutMilliseconds);
        const bool failed = result.status == 1603 || result.status == 1627;
        return std::make_pair(failed ? 1 : result.status, test::ReadFileBytes(log));
    };
    for (const Machine& machine : kMachines) {
        LayOut(machine);
        const auto [installed, installLog] = msiexec("/i");
        EXPECT_EQ(installed, machine.installerStatus) << machine.name << "\n" << installLog;
        // The actions, run as the system, serve the user who started the package.
        EXPECT_EQ(installLog.find("sorvane-msi: for the user S-1-5-21-0-0-0-1000") != std::string::npos,
                  !machine.ides.empty())
            << installLog;
        ExpectHelp(machine, true, installDir + "\\Help", "Acme Components", "installed", installLog);
        if (installed == 0) {
            const auto [uninstalled, uninstallLog] = msiexec("/x");
            EXPECT_EQ(uninstalled, 0) << machine.name << "\n" << uninstallLog;
            ExpectHelp(machine, false, installDir + "\\Help", "Acme Components", "uninstalled", uninstallLog);
        }
        ForgetMachine();
    }

    LayOut(kMachines[2]);  // all four IDEs
    ASSERT_EQ(msiexec("/i").first, 0);
    std::filesystem::rename(Member(kIdes[3], ".ohi"), scratch_.Native("d7.ohi"));
    const auto [failed, rollbackLog] = msiexec("/x");
    EXPECT_EQ(failed, 1) << rollbackLog;
    ExpectHelp({"the IDEs before Delphi 7", {4, 5, 6}, false, 0, 0, ""}, true, installDir + "\\Help",
               "Acme Components", "rolled back", rollbackLog);
    std::filesystem::rename(scratch_.Native("d7.ohi"), Member(kIdes[3], ".ohi"));
    EXPECT_EQ(msiexec("/x").first, 0);
    ExpectHelp(kMachines[2], false, installDir + "\\Help", "Acme Components", "uninstalled after the rollback");
}

// The header's macros keep every register of the caller and leave the
// IDEs that failed on top of those found, on an otherwise untouched stack.
TEST_F(InstallerKit, NsisHeaderKeepsTheRegistersAndCountsFoundAndFailed)
{
    const Machine delphi7 = kMachines[1];
    LayOut(delphi7);
    registry_.WriteRegString(kIdes[1].settingsKey, "ProjectFile", scratch_.Path("IDE5/Help/missing.ohp"));
    const std::filesystem::path report = std::filesystem::path(std::string("Z:") + REGISTERS_EXE).parent_path() /
                                         "registers.txt";
    std::filesystem::remove(report);
    const test::ChildResult result =
        test::RunWithCommandLine("registers.exe", scratch_.Native(), REGISTERS_EXE, kTimeoutMilliseconds);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(test::ReadFileBytes(report), "failed=1 found=2 below=below wrong=");
}

TEST_F(InstallerKit, CommandScriptRunsEveryIdeFromAFolderWithBlanksParenthesesAndAmpersands)
{
    // As in the release zip: the script in installers/, the program one up.
    const std::string kit = "Acme Tools (R&D) Kit";
    std::filesystem::create_directories(scratch_.Native(kit + "/installers"));
    std::filesystem::create_directories(scratch_.Native(kit + "/Help"));
    std::filesystem::copy_file(std::string("Z:") + SORVANE_EXE, scratch_.Native(kit + "/sorvane.exe"));
    std::filesystem::copy_file(std::string("Z:") + SORVANE_ALL_CMD, scratch_.Native(kit + "/installers/sorvane-all.cmd"));
    for (const char* extension : {".hlp", ".cnt", ".als", ".hpj"})
        test::WriteFileBytes(scratch_.Native(kit + "/Help/acme" + extension),
                             test::ReadTestData(std::string("helpset/myhelp") + extension));
    const std::string helpFolder = scratch_.Path(kit + "/Help");
    const std::string title = "Acme Components (R&D)";

    for (const Machine& machine : kMachines) {
        LayOut(machine);
        for (const char* action : {"/I", "/U"}) {
            // cmd takes the line inside one more pair of quotes as it stands.
            const std::string line = "cmd.exe /c \"\"" + scratch_.Path(kit + "/installers/sorvane-all.cmd") + "\" \"" +
                                     helpFolder + "\\acme.hlp\" \"" + title + "\" " + action + "\"";
            const test::ChildResult result =
                test::RunWithCommandLine(line, scratch_.Native(), "C:\\windows\\system32\\cmd.exe", kTimeoutMilliseconds);
            ASSERT_FALSE(result.timedOut) << machine.name << " " << action;
            EXPECT_EQ(result.status, machine.scriptStatus) << machine.name << " " << action;
            const std::string closing = std::string(machine.scriptClosingLine) + "\r\n";
            EXPECT_TRUE(result.output.size() >= closing.size() &&
                        result.output.compare(result.output.size() - closing.size(), closing.size(), closing) == 0)
                << machine.name << " " << action << ":\n" << result.output;
            ExpectHelp(machine, std::string(action) == "/I", helpFolder, title, action, result.output);
        }
        ForgetMachine();
    }
}

}  // namespace
