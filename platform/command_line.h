#pragma once

#include <string>

// The process's command line as one 8-bit text, program name first. On
// Windows it is the text the process was started with and argv is not used;
// elsewhere it is rebuilt from argv.
std::string ProgramCommandLine(int argc, char** argv);
