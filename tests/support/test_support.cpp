#include "tests/support/test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace test {

ScratchDirectory::ScratchDirectory()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = std::filesystem::temp_directory_path() /
            ("sorvane-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_);
}

ScratchDirectory::~ScratchDirectory()
{
    RemoveSymbolicLinks(root_);
    std::error_code ignored;
    // Read-only members would stop the removal on Windows.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path ScratchDirectory::Native(const std::string& name) const
{
    return name.empty() ? root_ : root_ / std::filesystem::u8path(name);
}

std::string ScratchDirectory::Path(const std::string& name) const
{
    return ProgramPath(Native(name));
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

void SetReadOnly(const std::filesystem::path& path, bool readOnly)
{
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_write | perms::group_write | perms::others_write,
                                 readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
}

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string QuotedText(const std::string& line, std::size_t& from)
{
    const std::size_t open = line.find('"', from);
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    from = close == std::string::npos ? close : close + 1;
    return close == std::string::npos ? std::string() : line.substr(open + 1, close - open - 1);
}

std::string ReadTestData(const std::string& name)
{
    return ReadFileBytes(std::filesystem::path(SORVANE_TEST_DATA) / name);
}

}  // namespace test

namespace test {

bool RecordingDevice::Write(const char* data, std::size_t size)
{
    if (written_ + size > capacity_)
        return false;
    written_ += size;
    writes_.emplace_back(data, size);
    return true;
}

std::string RecordingDevice::Bytes() const
{
    std::string bytes;
    for (const std::string& chunk : writes_)
        bytes += chunk;
    return bytes;
}

}  // namespace test

namespace test {

std::string UniqueTestSection(const std::string& name)
{
    static unsigned counter = 0;
    return "Software\\SorvaneTests\\" + name + "-" +
           std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + "-" +
           std::to_string(counter++);
}

}  // namespace test

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace test {

void PlantValue(const std::string& section, const std::string& name, std::uint32_t type, const std::string& bytes)
{
    RegistryApi& api = SystemRegistryApi();
    RegKey key = 0;
    // Thrown, not asserted: the test that planted it stops here.
    if (api.RegCreateKeyExA(HKEY_CURRENT_USER_KEY, section, KEY_ALL_ACCESS_MASK, key) != 0)
        throw std::runtime_error("cannot create " + section);
    const long status = api.RegSetValueExA(key, name, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                                           static_cast<std::uint32_t>(bytes.size()));
    api.RegCloseKey(key);
    if (status != 0)
        throw std::runtime_error("cannot plant " + name);
}

const char* const kNoDelphi7Settings = "Error: Delphi open help project file not found.\r\n";

void ForgetDelphi7Settings()
{
    RegistryAccessor registry;
    registry.DeleteRegValue("Software\\Borland\\Delphi\\7.0\\OpenHelp", "ProjectFile");
}

}  // namespace test
