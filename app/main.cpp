#include "app/run_driver.h"
#include "platform/command_line.h"
#include "platform/console.h"

int main(int argc, char** argv)
{
    Console console(StandardOutput());
    const int status = RunSorvane(ProgramCommandLine(argc, argv), console);
    console.FlushQuietly();
    return status;
}
