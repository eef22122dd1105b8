#pragma once

#include <filesystem>
#include <string>

#include "tests/support/test_support.h"

namespace test {

// Starts the built sorvane.exe with exactly this command line: the
// program's name goes separately to CreateProcessA, so nothing re-quotes it.
ChildResult RunWithCommandLine(const std::string& commandLine, const std::filesystem::path& workingDirectory);

}  // namespace test
