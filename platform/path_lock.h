#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// An exclusive lock between processes, named by a file's path: one holder
// at a time. The operating system releases it when its holder ends, also
// when the holder is killed, so it needs no clean-up and leaves nothing
// behind.
class PathLock {
public:
    PathLock() = default;
    ~PathLock();
    PathLock(const PathLock&) = delete;
    PathLock& operator=(const PathLock&) = delete;

    // Takes the lock of `path`, waiting up to `wait` while another process
    // holds it. False when it is still held then. Raises Exception when the
    // lock cannot be made at all.
    bool Acquire(const std::string& path, std::chrono::milliseconds wait);

private:
    std::intptr_t handle_ = -1;
};
