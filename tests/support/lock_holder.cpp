// lock_holder READY: takes the machine's lock of the OpenHelp files,
// creates the file READY, and holds the lock until it is killed.
// lock_holder READY FILE MILLISECONDS: holds FILE as a virus scanner does,
// creates READY, and lets go after MILLISECONDS.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/machine_lock.h"
#include "tests/support/test_support.h"

int main(int argc, char** argv)
{
    if (argc == 4)
        return test::HoldLikeAScanner(argv[2], argv[1], std::atoi(argv[3])) ? 0 : 1;
    if (argc != 2)
        return 2;
    MachineLock lock;
    if (!lock.Acquire(std::chrono::milliseconds(0)))
        return 1;
    std::ofstream(argv[1]) << "locked\n";
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
