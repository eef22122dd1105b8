#include <gtest/gtest.h>

#include "tests/support/child_process_win32.h"

namespace {

// Exact command lines, as an installer hands them over: nothing re-quotes them.
TEST(EndToEndWin32, CommandLineIsCutByTheProgramItself)
{
    test::ScratchDirectory scratch;
    test::ForgetDelphi7Settings();
    std::filesystem::create_directory(scratch.Native("my dir"));
    for (const char* name : {"my dir/h.hlp", "my dir/h.cnt", "my dir/h.als"})
        test::WriteFileBytes(scratch.Native(name), "x");
    const std::string directory = scratch.Path("my dir");
    const std::string banner = test::ReadTestData("banner.txt");
    const std::string usage = test::ReadTestData("usage.txt");
    struct Case {
        std::string commandLine;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {"sorvane", 1, banner + usage},
        {"sorvane.exe \"" + directory + "\\h.hlp\" /D7 /X \"My Help Reference\"", 1,
         banner + "Invalid parameter: /X\r\n\r\n"},
        {"sorvane.exe\t\"" + directory + "\\h.hlp\"\t/D7\t/I\tTitle", 1, banner + test::kNoDelphi7Settings},
        {"sorvane.exe \"" + directory + "\\h.hlp\" /D7 /I \"\"", 1, banner + usage},
        // Unquoted, the blank in "my dir" splits the path in two.
        {"sorvane.exe " + directory + "\\h.hlp /D7 /I", 1, banner + "-- Invalid parameter: dir\\h.hlp\r\n\r\n"},
        {"\"C:\\odd place\\sorvane.exe\" \"" + directory + "\\\" /D7 /I T", 1,
         banner + "Required file not found: " + directory + "\\\r\n\r\n"},
        {"sorvane.exe \"" + directory + "\\h.hlp\" /D7 /I \"50% %s\" \"\"", 1, banner + test::kNoDelphi7Settings},
        {"sorvane.exe \"" + directory + "\\h.hlp\" /D7 /I \"", 1, banner + usage},
    };
    for (const Case& row : cases) {
        const test::ChildResult result = test::RunWithCommandLine(row.commandLine, scratch.Native());
        EXPECT_EQ(result.status, row.status) << row.commandLine;
        EXPECT_EQ(result.output, row.output) << row.commandLine;
    }
}

}  // namespace
