#include "platform/command_line.h"

#include <windows.h>

std::string ProgramCommandLine(int, char**)
{
    return GetCommandLineA();
}
