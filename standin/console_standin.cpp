#include "platform/console.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

class StandInStandardOutput : public ConsoleDevice {
public:
    bool IsCharacterDevice() override
    {
        struct stat status;
        return fstat(STDOUT_FILENO, &status) == 0 && S_ISCHR(status.st_mode);
    }

    bool Write(const char* data, std::size_t size) override
    {
        while (size > 0) {
            const ssize_t written = write(STDOUT_FILENO, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }
};

}  // namespace

ConsoleDevice& StandardOutput()
{
    static StandInStandardOutput device;
    return device;
}
