#pragma once

#include <chrono>
#include <cstdint>

// The one lock of the machine that every run holds while it reads and
// changes OpenHelp files and Windows Help values: runs into different IDEs
// share those values, and may name one OpenHelp set through different
// spellings. The operating system releases it when its holder ends, also
// when the holder is killed, so it needs no clean-up and leaves nothing
// behind.
class MachineLock {
public:
    MachineLock() = default;
    ~MachineLock();
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;

    // Takes the lock, waiting up to `wait` while another process holds it.
    // False when it is still held then. Raises Exception when the lock
    // cannot be made at all.
    bool Acquire(std::chrono::milliseconds wait);

private:
    std::intptr_t handle_ = -1;
};
