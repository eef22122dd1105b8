#include "platform/console.h"

#include <windows.h>

namespace {

class Win32StandardOutput : public ConsoleDevice {
public:
    bool IsCharacterDevice() override { return GetFileType(Handle()) == FILE_TYPE_CHAR; }

    bool Write(const char* data, std::size_t size) override
    {
        DWORD written = 0;
        return WriteFile(Handle(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    }

private:
    static HANDLE Handle() { return GetStdHandle(STD_OUTPUT_HANDLE); }
};

}  // namespace

ConsoleDevice& StandardOutput()
{
    static Win32StandardOutput device;
    return device;
}
