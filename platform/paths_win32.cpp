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
