#include "standin/drive_z.h"

#include <unistd.h>

#include <cctype>
#include <vector>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool HasDrive(const std::string& path)
{
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string OnDriveZ(const std::string& posixPath)
{
    std::string windowsPath = "Z:" + posixPath;
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    return windowsPath;
}

std::string CurrentDirectoryOnDriveZ()
{
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr)
        return "Z:\\";
    return OnDriveZ(buffer.data());
}

bool ToPosixPath(const std::string& windowsPath, std::string& posixPath)
{
    std::string rest = windowsPath;
    // A local device path names what the path after its prefix names.
    if (rest.rfind("\\\\?\\", 0) == 0 || rest.rfind("\\\\.\\", 0) == 0)
        rest.erase(0, 4);
    if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1]))
        return false;
    if (HasDrive(rest)) {
        if (std::toupper(static_cast<unsigned char>(rest[0])) != 'Z')
            return false;
        rest.erase(0, 2);
    }
    for (char& c : rest)
        if (c == '\\')
            c = '/';
    posixPath = rest;
    return true;
}

std::string PosixParentDirectory(const std::string& posixPath)
{
    const std::size_t slash = posixPath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : posixPath.substr(0, slash);
}

bool IsReadOnlyMode(unsigned mode)
{
    return (mode & 0222) == 0;
}
