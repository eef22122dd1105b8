// lock_holder READY: takes the machine's lock of the OpenHelp files,
// creates the file READY, and holds the lock until it is killed.
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/machine_lock.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    MachineLock lock;
    if (!lock.Acquire(std::chrono::milliseconds(0)))
        return 1;
    std::ofstream(argv[1]) << "locked\n";
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
