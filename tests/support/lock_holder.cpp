// lock_holder PROJECT READY: takes the lock of the OpenHelp set of the
// project file PROJECT, creates the file READY, and holds the lock until it
// is killed.
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/path_lock.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    PathLock lock;
    if (!lock.Acquire(argv[1], std::chrono::milliseconds(0)))
        return 1;
    std::ofstream(argv[2]) << "locked\n";
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
