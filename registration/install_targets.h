#pragma once

#include <chrono>

#include "platform/file_ops.h"
#include "registration/run_request.h"

class Console;
class RegistryAccessor;

// How long a run waits for another run to finish with the OpenHelp files.
constexpr std::chrono::milliseconds kOpenHelpLockWait{30000};

// Carries out a checked run request for its IDE: finds the OpenHelp file
// set through the IDE's settings, adds or removes the help file's entries,
// places or removes the alias file, records or removes the help file with
// Windows Help, deletes the help index cache, and prints the closing lines.
// Not a transaction: a failing step leaves the steps before it done.
// Works on the OpenHelp files only while it holds the machine's lock,
// waiting up to `lockWait` for another run to finish with them.
void ProcessTarget(const RunRequest& request, RegistryAccessor& registry, Console& console,
                   FileOps& files = SystemFileOps(), std::chrono::milliseconds lockWait = kOpenHelpLockWait);
