#pragma once

#include <filesystem>
#include <string>

#include "tests/support/test_support.h"

namespace test {

// Starts a program (the built sorvane.exe unless named; a Unix path is one
// of the build's) with exactly this command line: the program's name goes
// separately to CreateProcessA, so nothing re-quotes it. Kills it when it
// runs longer than the timeout.
ChildResult RunWithCommandLine(const std::string& commandLine, const std::filesystem::path& workingDirectory,
                               const std::string& program = SORVANE_EXE, unsigned timeoutMilliseconds = 0xFFFFFFFF);

}  // namespace test
