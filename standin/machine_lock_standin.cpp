#include "platform/machine_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/exceptions.h"

// The stand-in's machine is its registry: the lock is a flock on the
// registry's folder, which the kernel releases with the process and which
// creates nothing. Without a registry, the real machine's temporary folder.
bool MachineLock::Acquire(std::chrono::milliseconds wait)
{
    const char* registry = std::getenv("SORVANE_REGISTRY");
    const std::string folder = registry != nullptr && *registry != '\0' ? registry : "/tmp";
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        throw Exception("Cannot lock " + folder);
    // flock cannot wait for a limited time: try again until the wait is over.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            handle_ = descriptor;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(descriptor);
            throw Exception("Cannot lock " + folder);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            close(descriptor);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

MachineLock::~MachineLock()
{
    if (handle_ != -1)
        close(static_cast<int>(handle_));
}
