#pragma once

// GoogleTest's own port header, for MinGW's win32 thread model, which has
// no std::mutex: GoogleTest's Notification needs one, and only GoogleTest's
// own threads use it. Our tests start no threads.
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification()
    {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
