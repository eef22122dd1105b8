// The registry stand-in: a persistent registry in REGEDIT4 files, one per
// root, in the directory that SORVANE_REGISTRY names. Every operation reads
// the file afresh and every change rewrites it crash-safely, so that runs
// of the program see each other's changes as they would in a registry.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/exceptions.h"
#include "platform/registry.h"
#include "standin/regedit_file.h"

namespace {

const long kSuccess = 0;
const long kFileNotFound = 2;
const long kAccessDenied = 5;
const long kInvalidHandle = 6;
const long kInvalidParameter = 87;
const long kMoreData = 234;

std::string RootName(RegKey root)
{
    if (root == HKEY_CURRENT_USER_KEY)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE_KEY)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS_KEY)
        return "HKEY_USERS";
    return std::string();
}

// The file of a root; empty when there is no registry to reach.
std::string HiveFile(const std::string& rootName)
{
    const char* directory = std::getenv("SORVANE_REGISTRY");
    if (directory == nullptr || *directory == '\0' || rootName.empty())
        return std::string();
    return std::string(directory) + "/" + rootName + ".reg";
}

RegeditHive LoadHive(const std::string& rootName)
{
    const std::string path = HiveFile(rootName);
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        if (errno == ENOENT)
            return RegeditHive{RegeditKey{}};  // a root that holds nothing yet
        throw ERegistryException("Cannot read registry file " + path);
    }
    std::string text;
    char buffer[65536];
    ssize_t got;
    while ((got = read(file, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(file);
    if (got < 0)
        throw ERegistryException("Cannot read registry file " + path);
    RegeditHive hive = ParseRegeditFile(text, rootName);
    if (FindRegeditKey(hive, "") == nullptr)
        hive.insert(hive.begin(), RegeditKey{});
    return hive;
}

bool SaveHive(const std::string& rootName, const RegeditHive& hive)
{
    const std::string path = HiveFile(rootName);
    const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
    const std::string text = FormatRegeditFile(hive, rootName);
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0)
        return false;
    const bool written = write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(file) == 0;
    close(file);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// Runs at the same moment would each rewrite a file from their own reading
// of it, and the later one would drop the other's change: a change is
// read, made and saved while a lock file beside the roots' files is locked.
// Reads need no lock, since every save replaces a file whole.
class HiveChange {
public:
    explicit HiveChange(const std::string& rootName)
    {
        const std::string path = HiveFile(rootName);
        lock_ = open((path.substr(0, path.find_last_of('/')) + "/registry.lock").c_str(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock_ < 0 || flock(lock_, LOCK_EX) != 0)
            throw ERegistryException("Cannot lock registry file " + path);
        hive = LoadHive(rootName);
    }
    ~HiveChange()
    {
        if (lock_ >= 0)
            close(lock_);
    }
    HiveChange(const HiveChange&) = delete;
    HiveChange& operator=(const HiveChange&) = delete;

    RegeditHive hive;

private:
    int lock_ = -1;
};

// Splits a key path into its names; false for an empty name inside it.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& names)
{
    names.clear();
    if (path.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos) {
            if (!name.empty())
                names.push_back(name);  // one trailing backslash is allowed
            return true;
        }
        if (name.empty())
            return false;
        names.push_back(name);
        start = end + 1;
    }
}

class PosixRegistryApi : public RegistryApi {
public:
    long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t, RegKey& key) override
    {
        key = 0;
        const std::string rootName = RootName(root);
        std::vector<std::string> names;
        if (HiveFile(rootName).empty() || !SplitKeyPath(subKey, names))
            return kFileNotFound;
        RegeditHive hive = LoadHive(rootName);
        const RegeditKey* found = FindRegeditKey(hive, Join(names));
        if (found == nullptr)
            return kFileNotFound;
        key = Track(rootName, found->path);
        return kSuccess;
    }

    long RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t, RegKey& key) override
    {
        key = 0;
        const std::string rootName = RootName(root);
        std::vector<std::string> names;
        if (HiveFile(rootName).empty())
            return kAccessDenied;
        if (!SplitKeyPath(subKey, names) || subKey.find_first_of("\r\n") != std::string::npos)
            return kInvalidParameter;
        HiveChange change(rootName);
        RegeditHive& hive = change.hive;
        std::string path;
        bool changed = false;
        for (const std::string& name : names) {
            path = path.empty() ? name : path + "\\" + name;
            if (RegeditKey* existing = FindRegeditKey(hive, path)) {
                path = existing->path;  // keep the case it was created with
            } else {
                hive.push_back(RegeditKey{path, {}});
                changed = true;
            }
        }
        if (changed && !SaveHive(rootName, hive))
            return kAccessDenied;
        key = Track(rootName, path);
        return kSuccess;
    }

    long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& size) override
    {
        const auto open = openKeys_.find(key);
        if (open == openKeys_.end())
            return kInvalidHandle;
        RegeditHive hive = LoadHive(open->second.rootName);
        RegeditKey* found = FindRegeditKey(hive, open->second.path);
        const RegeditValue* value = found != nullptr ? FindRegeditValue(*found, name) : nullptr;
        if (value == nullptr)
            return kFileNotFound;
        type = value->type;
        const std::uint32_t needed = static_cast<std::uint32_t>(value->data.size());
        if (data != nullptr && size < needed) {
            size = needed;
            return kMoreData;
        }
        if (data != nullptr)
            std::memcpy(data, value->data.data(), needed);
        size = needed;
        return kSuccess;
    }

    long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const unsigned char* data,
                        std::uint32_t size) override
    {
        const auto open = openKeys_.find(key);
        if (open == openKeys_.end())
            return kInvalidHandle;
        if (name.find_first_of("\r\n") != std::string::npos)
            return kInvalidParameter;
        HiveChange change(open->second.rootName);
        RegeditHive& hive = change.hive;
        RegeditKey* found = FindRegeditKey(hive, open->second.path);
        if (found == nullptr)
            return kFileNotFound;
        const std::string bytes(reinterpret_cast<const char*>(data), size);
        if (RegeditValue* value = FindRegeditValue(*found, name)) {
            if (value->type == type && value->data == bytes)
                return kSuccess;  // already stored: the file need not be written again
            value->type = type;
            value->data = bytes;
        } else {
            found->values.push_back(RegeditValue{name, type, bytes});
        }
        return SaveHive(open->second.rootName, hive) ? kSuccess : kAccessDenied;
    }

    long RegDeleteValueA(RegKey key, const std::string& name) override
    {
        const auto open = openKeys_.find(key);
        if (open == openKeys_.end())
            return kInvalidHandle;
        HiveChange change(open->second.rootName);
        RegeditHive& hive = change.hive;
        RegeditKey* found = FindRegeditKey(hive, open->second.path);
        RegeditValue* value = found != nullptr ? FindRegeditValue(*found, name) : nullptr;
        if (value == nullptr)
            return kFileNotFound;
        found->values.erase(found->values.begin() + (value - found->values.data()));
        return SaveHive(open->second.rootName, hive) ? kSuccess : kAccessDenied;
    }

    long RegCloseKey(RegKey key) override { return openKeys_.erase(key) == 1 ? kSuccess : kInvalidHandle; }

private:
    struct OpenKey {
        std::string rootName;
        std::string path;
    };

    static std::string Join(const std::vector<std::string>& names)
    {
        std::string path;
        for (const std::string& name : names)
            path += (path.empty() ? "" : "\\") + name;
        return path;
    }

    RegKey Track(const std::string& rootName, const std::string& path)
    {
        const RegKey key = nextKey_++;
        openKeys_[key] = OpenKey{rootName, path};
        return key;
    }

    std::map<RegKey, OpenKey> openKeys_;
    RegKey nextKey_ = 1;
};

}  // namespace

RegistryApi& SystemRegistryApi()
{
    static PosixRegistryApi api;
    return api;
}
