#include "platform/paths.h"

#include <windows.h>

namespace {

LeadBytes ReadSystemLeadBytes()
{
    LeadBytes leadBytes{};
    CPINFO info;
    if (GetSystemMetrics(SM_DBCSENABLED) == 0 || !GetCPInfo(CP_ACP, &info))
        return leadBytes;
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0); i += 2)
        for (unsigned value = info.LeadByte[i]; value <= info.LeadByte[i + 1]; ++value)
            leadBytes[value] = true;
    return leadBytes;
}

}  // namespace

const LeadBytes& SystemLeadBytes()
{
    static const LeadBytes leadBytes = ReadSystemLeadBytes();
    return leadBytes;
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH];
    char* filePart = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, &filePart);
    // A longer path reports the size it needs and leaves the buffer unfilled.
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(buffer, length);
}

bool FileIsPresent(const std::string& path)
{
    if (HoldsWildcard(path))
        return false;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    FILETIME localTime{};
    FileTimeToLocalFileTime(&entry.ftLastWriteTime, &localTime);
    WORD dosDate = 0;
    WORD dosTime = 0;
    return FileTimeToDosDateTime(&localTime, &dosDate, &dosTime) != 0;
}

namespace {

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& identity)
{
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const BOOL known = GetFileInformationByHandle(file, &identity);
    CloseHandle(file);
    return known != 0;
}

}  // namespace

bool IsSameFile(const std::string& first, const std::string& second)
{
    BY_HANDLE_FILE_INFORMATION one;
    BY_HANDLE_FILE_INFORMATION other;
    return FileIdentity(first, one) && FileIdentity(second, other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh &&
           one.nFileIndexLow == other.nFileIndexLow;
}
