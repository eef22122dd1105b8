#pragma once

#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "registration/install_targets.h"
#include "registration/run_request.h"

class Console;
class RegistryAccessor;

// The arguments of a command line: its words after the program name, cut
// by the rules Windows programs have always used for ParamStr.
std::vector<std::string> CommandLineArguments(const std::string& commandLine);

// Checks the four arguments and the help files they name, in that order,
// and builds the run request. A failed check prints its line and raises
// EAbort.
RunRequest BuildRunRequest(const std::vector<std::string>& arguments, Console& console,
                           FileOps& files = SystemFileOps());

// One whole run; answers the exit status: 0 for success, 1 for any failure.
int RunSorvane(const std::string& commandLine, Console& console, RegistryAccessor& registry,
               FileOps& files = SystemFileOps(), std::chrono::milliseconds lockWait = kOpenHelpLockWait);
