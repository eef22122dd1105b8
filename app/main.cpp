#include "app/run_driver.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/registry.h"

int main(int argc, char** argv)
{
    // The run may be the system's, in folders a user may change.
    EnableRedirectionGuard();
    // The registry accessor belongs to the whole run and is made first.
    RegistryAccessor registry;
    Console console(StandardOutput());
    const int status = RunSorvane(ProgramCommandLine(argc, argv), console, registry);
    console.FlushQuietly();
    return status;
}
