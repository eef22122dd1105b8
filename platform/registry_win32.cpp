#include <windows.h>

#include "platform/registry.h"

namespace {

HKEY ToHkey(RegKey key)
{
    if (key == HKEY_CURRENT_USER_KEY)
        return HKEY_CURRENT_USER;
    if (key == HKEY_LOCAL_MACHINE_KEY)
        return HKEY_LOCAL_MACHINE;
    if (key == HKEY_USERS_KEY)
        return HKEY_USERS;
    return reinterpret_cast<HKEY>(key);
}

// The IDEs and WinHelp are 32-bit programs: they read the machine's keys
// through the 32-bit view, where the shipped program writes them. A 64-bit
// build asks for that view; Windows 2000 knows no such flag.
REGSAM Access(RegKey root, std::uint32_t access)
{
#ifdef _WIN64
    if (root == HKEY_LOCAL_MACHINE_KEY)
        return access | KEY_WOW64_32KEY;
#else
    (void)root;
#endif
    return access;
}

class Win32RegistryApi : public RegistryApi {
public:
    long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        HKEY opened = nullptr;
        const LONG result = ::RegOpenKeyExA(ToHkey(root), subKey.c_str(), 0, Access(root, access), &opened);
        key = result == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
        return result;
    }

    long RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        HKEY created = nullptr;
        DWORD disposition = 0;
        const LONG result = ::RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                              Access(root, access), nullptr, &created, &disposition);
        key = result == ERROR_SUCCESS ? reinterpret_cast<RegKey>(created) : 0;
        return result;
    }

    long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& size) override
    {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG result = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &valueType, data, &valueSize);
        type = valueType;
        size = valueSize;
        return result;
    }

    long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const unsigned char* data,
                        std::uint32_t size) override
    {
        return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
    }

    long RegDeleteValueA(RegKey key, const std::string& name) override
    {
        return ::RegDeleteValueA(ToHkey(key), name.c_str());
    }

    long RegCloseKey(RegKey key) override { return ::RegCloseKey(ToHkey(key)); }
};

}  // namespace

RegistryApi& SystemRegistryApi()
{
    static Win32RegistryApi api;
    return api;
}
