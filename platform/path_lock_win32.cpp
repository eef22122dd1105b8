#include "platform/path_lock.h"

#include <windows.h>

#include <sddl.h>

#include <cstdio>

#include "platform/exceptions.h"

namespace {

// A named mutex, keyed by the file's full path with its letter case folded,
// as the file system folds it. It lives in the Global namespace so that an
// installer running as a service and one in a user's session meet, and
// everyone may wait for it and release it, so that an elevated run and one
// that is not meet as well: a mutex with the default security would refuse
// the other. Should its holder die, the next waiter receives it abandoned,
// which is as good as released.
std::string MutexName(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    std::string key = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
    // "\\?\C:\x" and "\\.\C:\x" name the file that "C:\x" names, and
    // "\\?\UNC\server\x" the one that "\\server\x" names.
    if (key.rfind("\\\\?\\UNC\\", 0) == 0)
        key.erase(2, 6);
    else if (key.rfind("\\\\?\\", 0) == 0 || key.rfind("\\\\.\\", 0) == 0)
        key.erase(0, 4);
    if (!key.empty())
        CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    // A kernel object's name may not hold a backslash, and a path may be
    // longer than a name: a hash of the path names it (FNV-1a, 64 bits).
    // Two sets sharing a hash would only wait for each other.
    unsigned long long hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : key) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Global\\Sorvane.OpenHelp.%016llx", hash);
    return name;
}

HANDLE ToHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool PathLock::Acquire(const std::string& path, std::chrono::milliseconds wait)
{
    const DWORD access = SYNCHRONIZE | MUTEX_MODIFY_STATE;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x00100001;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        throw Exception("Cannot describe the lock's security");
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const HANDLE mutex = CreateMutexExA(&attributes, MutexName(path).c_str(), 0, access);
    LocalFree(descriptor);
    if (mutex == nullptr)
        throw Exception("Cannot create the lock of " + path);
    switch (WaitForSingleObject(mutex, static_cast<DWORD>(wait.count()))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        handle_ = reinterpret_cast<std::intptr_t>(mutex);
        return true;
    case WAIT_TIMEOUT:
        CloseHandle(mutex);
        return false;
    default:
        CloseHandle(mutex);
        throw Exception("Cannot wait for the lock of " + path);
    }
}

PathLock::~PathLock()
{
    if (handle_ == -1)
        return;
    ReleaseMutex(ToHandle(handle_));
    CloseHandle(ToHandle(handle_));
}
