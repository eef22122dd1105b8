#pragma once

#include <vector>

#include "platform/registry.h"

namespace test {

// The system's registry, with the n-th create or set of a key or value made
// to fail, as when the user may not write to HKEY_LOCAL_MACHINE. Every
// create and set is recorded.
class FaultyRegistryApi : public RegistryApi {
public:
    enum Kind { kCreate, kSet };

    FaultyRegistryApi() = default;
    FaultyRegistryApi(Kind kind, int occurrence) : kind_(kind), occurrence_(occurrence) {}

    const std::vector<Kind>& Calls() const { return calls_; }
    bool Failed() const { return failed_; }

    long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        return system_.RegOpenKeyExA(root, subKey, access, key);
    }
    long RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        return Hit(kCreate) ? 5 : system_.RegCreateKeyExA(root, subKey, access, key);
    }
    long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& size) override
    {
        return system_.RegQueryValueExA(key, name, type, data, size);
    }
    long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const unsigned char* data,
                        std::uint32_t size) override
    {
        return Hit(kSet) ? 5 : system_.RegSetValueExA(key, name, type, data, size);
    }
    long RegDeleteValueA(RegKey key, const std::string& name) override { return system_.RegDeleteValueA(key, name); }
    long RegCloseKey(RegKey key) override { return system_.RegCloseKey(key); }

private:
    bool Hit(Kind kind)
    {
        calls_.push_back(kind);
        int seen = 0;
        for (Kind call : calls_)
            seen += call == kind ? 1 : 0;
        const bool hit = occurrence_ > 0 && kind == kind_ && seen == occurrence_;
        failed_ = failed_ || hit;
        return hit;
    }

    Kind kind_ = kCreate;
    int occurrence_ = 0;
    bool failed_ = false;
    std::vector<Kind> calls_;
    RegistryApi& system_ = SystemRegistryApi();
};

}  // namespace test
