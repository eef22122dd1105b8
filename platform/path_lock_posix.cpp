#include "platform/path_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/exceptions.h"
#include "platform/posix_path.h"

// The stand-in locks the folder that holds the file with flock, which the
// kernel releases with the process and which creates nothing. Files that
// share a folder therefore share a lock: they only wait for each other.
bool PathLock::Acquire(const std::string& path, std::chrono::milliseconds wait)
{
    std::string posixPath;
    if (!ToPosixPath(path, posixPath))
        throw Exception("Cannot lock " + path);
    const int descriptor = open(PosixParentDirectory(posixPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        throw Exception("Cannot lock " + path);
    // flock cannot wait for a limited time: try again until the wait is over.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            handle_ = descriptor;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(descriptor);
            throw Exception("Cannot lock " + path);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            close(descriptor);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

PathLock::~PathLock()
{
    if (handle_ != -1)
        close(static_cast<int>(handle_));
}
