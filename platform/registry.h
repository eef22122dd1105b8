#pragma once

#include <cstdint>
#include <string>

// A registry key handle: a predefined root or a key that was opened.
using RegKey = std::uintptr_t;

const RegKey HKEY_CURRENT_USER_KEY = 0x80000001;
const RegKey HKEY_LOCAL_MACHINE_KEY = 0x80000002;
const RegKey HKEY_USERS_KEY = 0x80000003;
const std::uint32_t KEY_ALL_ACCESS_MASK = 0xF003F;
const std::uint32_t KEY_READ_MASK = 0x20019;
const std::uint32_t REG_SZ_TYPE = 1;
const std::uint32_t REG_EXPAND_SZ_TYPE = 2;

// The six registry operations the program needs, with the results of the
// Windows calls of the same names: 0 for success, an error code otherwise.
class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    virtual long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) = 0;
    // Creates every missing key along the path and opens the last.
    virtual long RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) = 0;
    // Without data, asks only for the type and the size; with data, fills at
    // most `size` bytes and fails with ERROR_MORE_DATA when they do not fit.
    virtual long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type, unsigned char* data,
                                  std::uint32_t& size) = 0;
    virtual long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const unsigned char* data,
                                std::uint32_t size) = 0;
    virtual long RegDeleteValueA(RegKey key, const std::string& name) = 0;
    virtual long RegCloseKey(RegKey key) = 0;
};

RegistryApi& SystemRegistryApi();

// The run's one registry accessor. A section is a key path below the
// selected root; each operation opens its section, does one thing with one
// value and closes the key again, on every path.
class RegistryAccessor {
public:
    explicit RegistryAccessor(RegistryApi& api = SystemRegistryApi());
    ~RegistryAccessor();
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    void SetRootKey(RegKey root);
    RegKey RootKey() const { return root_; }

    // The text of a REG_SZ or REG_EXPAND_SZ value (as stored), or the
    // default when the section or the value is absent. Raises
    // ERegistryException for a value of another type that holds data.
    std::string ReadRegString(const std::string& section, const std::string& name, const std::string& defaultValue);
    // Stores the text as REG_SZ, creating the section's keys as needed.
    void WriteRegString(const std::string& section, const std::string& name, const std::string& value);
    // Deletes one value when it can; never a key, and never raises.
    void DeleteRegValue(const std::string& section, const std::string& name);
    // True when the section can be opened for reading.
    bool SectionExists(const std::string& section);

private:
    class OpenSection;
    void CloseCurrentKey();

    RegistryApi& api_;
    RegKey root_ = HKEY_CURRENT_USER_KEY;
    const std::uint32_t access_ = KEY_ALL_ACCESS_MASK;
    RegKey currentKey_ = 0;
};
