#include "platform/machine_lock.h"

#include <windows.h>

#include <sddl.h>

#include "platform/exceptions.h"

namespace {

// In the Global namespace, so that an installer running as a service and
// one in a user's session meet.
const char* const kMutexName = "Global\\Sorvane.OpenHelp";

// What a run asks of the mutex, and all that its security grants everyone:
// an elevated run and one that is not must meet at it, and the default
// security would refuse the other.
const DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// The first run creates the mutex, every later one opens it. CreateMutexA
// on an existing mutex asks for full access, which its security grants
// nobody but its creator: open first, and open again should another run
// create it in between.
HANDLE OpenOrCreateMutex()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x00100001;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        throw Exception("Cannot describe the lock's security");
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mutex = nullptr;
    for (int attempt = 0; attempt < 100 && mutex == nullptr; ++attempt) {
        mutex = OpenMutexA(kMutexAccess, FALSE, kMutexName);
        if (mutex == nullptr && GetLastError() == ERROR_FILE_NOT_FOUND)
            mutex = CreateMutexA(&attributes, FALSE, kMutexName);
    }
    LocalFree(descriptor);
    if (mutex == nullptr)
        throw Exception("Cannot create the lock of the OpenHelp files");
    return mutex;
}

HANDLE ToHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool MachineLock::Acquire(std::chrono::milliseconds wait)
{
    const HANDLE mutex = OpenOrCreateMutex();
    switch (WaitForSingleObject(mutex, static_cast<DWORD>(wait.count()))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder died: its changes are each whole, and it is ours now
        handle_ = reinterpret_cast<std::intptr_t>(mutex);
        return true;
    case WAIT_TIMEOUT:
        CloseHandle(mutex);
        return false;
    default:
        CloseHandle(mutex);
        throw Exception("Cannot wait for the lock of the OpenHelp files");
    }
}

MachineLock::~MachineLock()
{
    if (handle_ == -1)
        return;
    ReleaseMutex(ToHandle(handle_));
    CloseHandle(ToHandle(handle_));
}
