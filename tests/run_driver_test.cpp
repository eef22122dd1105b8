#include "app/run_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "tests/support/fake_registry_api.h"
#include "tests/support/test_support.h"

namespace {

// A registry that holds no settings of any IDE, and takes no writes.
test::FakeRegistryApi EmptyRegistry()
{
    test::FakeRegistryApi api;
    api.failOpen = api.failCreate = true;
    return api;
}

// A run that passes every check of the command line goes on to the IDE's
// settings, which this registry does not have.
const std::string kReachesTarget = "Error: Delphi open help project file not found.\r\n";

using Words = std::vector<std::string>;

struct CutCase {
    const char* name;
    std::string commandLine;
    Words arguments;
};

TEST(CommandLineArguments, CutByTheWindowsRules)
{
    const CutCase cases[] = {
        {"program name only", "sorvane.exe", {}},
        {"empty line", "", {}},
        {"blanks", "sorvane a  b   c", {"a", "b", "c"}},
        {"tab and other control bytes separate", "sorvane a\tb\x01" "c\x1F" "d", {"a", "b", "c", "d"}},
        {"quoted program name", "\"C:\\Program Files\\sorvane.exe\" x", {"x"}},
        {"quoted title", "p h.hlp /D7 /I \"My Help Reference\"", {"h.hlp", "/D7", "/I", "My Help Reference"}},
        {"quoted path with blanks", "p \"C:\\my folder\\h.hlp\" /D7", {"C:\\my folder\\h.hlp", "/D7"}},
        {"backslash before closing quote stays", "p \"C:\\my folder\\\" x", {"C:\\my folder\\", "x"}},
        {"quoted and unquoted stretches alternate", "p ab\"c d\"e\"f\"g", {"abc defg"}},
        {"quote opened mid word", "p /I\"x y\"", {"/Ix y"}},
        {"unterminated quote runs to the end", "p \"a b c", {"a b c"}},
        {"pair of quotes alone is no argument", "p a \"\" b", {"a", "b"}},
        {"pairs of quotes and blanks before a word", "p \"\" \"\"  \"\"x", {"x"}},
        {"fourth word only a pair of quotes", "p h.hlp /D7 /I \"\"", {"h.hlp", "/D7", "/I"}},
        {"four quotes in a row", "p \"\"\"\"", {}},
        {"lone quote at the end ends the list", "p a \"", {"a"}},
        {"quote pair inside a word", "p a\"\"b", {"ab"}},
        {"trailing blanks", "p a   ", {"a"}},
        {"high bytes are word characters", "p \xA0\xE9\xFF", {"\xA0\xE9\xFF"}},
        {"percent signs kept", "p \"100% %s\"", {"100% %s"}},
        {"a pair before a lone quote at the end", "p \"a\"\"b\" \"\"\"", {"ab"}},
        {"a pair before a quoted stretch", "p \"\"\"a", {"a"}},
        {"three quotes inside a word", "p a\"\"\"b c", {"ab c"}},
        {"a quoted blank", "p \" \" \"\"", {" "}},
    };
    for (const CutCase& row : cases)
        EXPECT_EQ(CommandLineArguments(row.commandLine), row.arguments) << row.name;
}

// A help file set in a scratch directory, and in-process runs over it.
class RunDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"myhelp.hlp", "myhelp.cnt", "myhelp.als", "d5help.hlp", "d5help.cnt", "d5help.hpj",
                                 "bare", "bare.cnt", "bare.als", "onlyhelp.hlp"})
            test::WriteFileBytes(scratch_.Native(name), "x");
        saved_ = std::filesystem::current_path();
        std::filesystem::current_path(scratch_.Native());
    }
    void TearDown() override { std::filesystem::current_path(saved_); }

    struct Result {
        int status;
        std::string output;
    };

    static Result Run(const std::string& commandLine)
    {
        test::RecordingDevice device;
        Console console(device);
        test::FakeRegistryApi api = EmptyRegistry();
        RegistryAccessor registry(api);
        const int status = RunSorvane(commandLine, console, registry);
        console.FlushQuietly();
        return {status, device.Bytes()};
    }

    std::string Dir() const { return scratch_.Path(); }

    test::ScratchDirectory scratch_;
    std::filesystem::path saved_;
};

TEST_F(RunDriverTest, ChecksInOrderAndPrintsTheirLines)
{
    const std::string banner = test::ReadTestData("banner.txt");
    const std::string usage = test::ReadTestData("usage.txt");
    const std::string help = Dir() + "\\myhelp.hlp";
    struct Case {
        const char* name;
        std::string commandLine;
        int status;
        std::string afterBanner;
    };
    const Case cases[] = {
        {"no arguments", "sorvane", 1, usage},
        {"three arguments", "sorvane " + help + " /D7 /I", 1, usage},
        {"five arguments", "sorvane " + help + " /D7 /I T extra", 1, usage},
        {"fourth word only quotes", "sorvane " + help + " /D7 /I \"\"", 1, usage},
        {"usage before any other check", "sorvane nothing /X7 /Z", 1, usage},
        {"install", "sorvane " + help + " /D7 /I \"My Help Reference\"", 1, kReachesTarget},
        {"uninstall, lower case", "sorvane " + help + " /d7 /u T", 1, kReachesTarget},
        {"dash switch and tab", "sorvane " + help + "\t-D7\t/i\tT", 1, kReachesTarget},
        {"targets 4 and 6", "sorvane " + help + " /D4 /I T", 1, kReachesTarget},
        {"target 6", "sorvane " + help + " /D6 /U T", 1, kReachesTarget},
        {"four characters", "sorvane " + help + " /D:7 /I T", 1, "-- Invalid parameter: /D:7\r\n\r\n"},
        {"unknown version 8", "sorvane " + help + " /D8 /I T", 1, "-- Invalid parameter: /D8\r\n\r\n"},
        {"unknown version 3", "sorvane " + help + " /D3 /I T", 1, "-- Invalid parameter: /D3\r\n\r\n"},
        {"no switch character", "sorvane " + help + " D7 /I T", 1, "-- Invalid parameter: D7\r\n\r\n"},
        {"not D", "sorvane " + help + " /X7 /I T", 1, "-- Invalid parameter: /X7\r\n\r\n"},
        {"target before files", "sorvane missing.hlp /X7 /I T", 1, "-- Invalid parameter: /X7\r\n\r\n"},
        {"action -I", "sorvane " + help + " /D7 -I T", 1, "Invalid parameter: -I\r\n\r\n"},
        {"action /install", "sorvane " + help + " /D7 /install T", 1, "Invalid parameter: /install\r\n\r\n"},
        {"action I", "sorvane " + help + " /D7 I T", 1, "Invalid parameter: I\r\n\r\n"},
        {"action shown as typed", "sorvane " + help + " /D7 /x T", 1, "Invalid parameter: /x\r\n\r\n"},
        {"relative help file shown in full", "sorvane missing.hlp /D7 /I T", 1,
         "Required file not found: " + Dir() + "\\missing.hlp\r\n\r\n"},
        {"files before the action", "sorvane d5help.hlp /D7 /Bad T", 1,
         "Required file not found: " + Dir() + "\\d5help.als\r\n\r\n"},
        {"target 5 needs the help project", "sorvane myhelp.hlp /D5 /I T", 1,
         "Required file not found: " + Dir() + "\\myhelp.hpj\r\n\r\n"},
        {"target 5 needs no alias file", "sorvane d5help.hlp /D5 /I T", 1, kReachesTarget},
        {"contents file checked second", "sorvane onlyhelp.hlp /D7 /I T", 1,
         "Required file not found: " + Dir() + "\\onlyhelp.cnt\r\n\r\n"},
        {"uninstall needs the files too", "sorvane d5help.hlp /D6 /U T", 1,
         "Required file not found: " + Dir() + "\\d5help.als\r\n\r\n"},
        {"help file without extension keeps none", "sorvane bare /D7 /I T", 1, kReachesTarget},
        {"wildcard help file", "sorvane " + Dir() + "\\*.hlp /D7 /I T", 1,
         "Required file not found: " + Dir() + "\\*.hlp\r\n\r\n"},
        {"title with a line feed", "sorvane " + help + " /D7 /I \"My\nHelp\"", 1, "Invalid parameter: My\nHelp\r\n\r\n"},
        {"title with a carriage return", "sorvane " + help + " /D7 /U \"My\rHelp\"", 1,
         "Invalid parameter: My\rHelp\r\n\r\n"},
        {"bad action reported before a bad title", "sorvane " + help + " /D7 /X \"My\nHelp\"", 1,
         "Invalid parameter: /X\r\n\r\n"},
    };
    for (const Case& row : cases) {
        const Result result = Run(row.commandLine);
        EXPECT_EQ(result.status, row.status) << row.name;
        EXPECT_EQ(result.output, banner + row.afterBanner) << row.name;
    }
}

TEST_F(RunDriverTest, BuildsTheRunRequest)
{
    test::RecordingDevice device;
    Console console(device);
    const RunRequest request = BuildRunRequest({"myhelp.hlp", "-d7", "/u", "100% %s"}, console);
    EXPECT_EQ(request.title, "100% %s");
    EXPECT_EQ(request.helpFile, Dir() + "\\myhelp.hlp");
    EXPECT_EQ(request.contentsFile, Dir() + "\\myhelp.cnt");
    EXPECT_EQ(request.aliasFile, Dir() + "\\myhelp.als");
    EXPECT_EQ(request.helpProjectFile, Dir() + "\\myhelp.hpj");
    EXPECT_EQ(request.targetNumber, 7);
    EXPECT_TRUE(request.remove);

    const RunRequest bare = BuildRunRequest({"bare", "/D4", "/I", "T"}, console);
    EXPECT_EQ(bare.helpFile, Dir() + "\\bare");
    EXPECT_EQ(bare.contentsFile, Dir() + "\\bare.cnt");
    EXPECT_EQ(bare.targetNumber, 4);
    EXPECT_FALSE(bare.remove);
    EXPECT_TRUE(device.Bytes().empty());

    EXPECT_THROW(BuildRunRequest({"myhelp.hlp", "/D9", "/I", "T"}, console), EAbort);
}

TEST_F(RunDriverTest, UnwritableOutputEndsTheRunWithStatus1)
{
    const std::string commandLine = "sorvane " + Dir() + "\\myhelp.hlp /D7 /I T";
    test::FakeRegistryApi api = EmptyRegistry();
    RegistryAccessor registry(api);
    test::RecordingDevice refusing(true, 0);
    Console console(refusing);
    EXPECT_EQ(RunSorvane(commandLine, console, registry), 1);

    test::RecordingDevice partly(true, 30);  // the first banner line fits, the second does not
    Console partlyConsole(partly);
    EXPECT_EQ(RunSorvane(commandLine, partlyConsole, registry), 1);
    EXPECT_EQ(partly.Bytes(), "Pelmor Sorvane utility\r\n");
}

}  // namespace
