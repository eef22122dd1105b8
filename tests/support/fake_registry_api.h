#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace test {

// The system's registry, with what no real registry does on demand: the
// n-th create or set failing, as when the user may not write to
// HKEY_LOCAL_MACHINE; every open or create failing; a value that grows
// between the query of its size and its reading. Every create and set is
// recorded, and every key handed out must be closed once.
class FakeRegistryApi : public RegistryApi {
public:
    enum Kind { kCreate, kSet };

    FakeRegistryApi() = default;
    FakeRegistryApi(Kind kind, int occurrence) : kind_(kind), occurrence_(occurrence) {}

    const std::vector<Kind>& Calls() const { return calls_; }
    bool Failed() const { return failed_; }

    bool failOpen = false;
    bool failCreate = false;
    bool growAfterSizeQuery = false;
    std::string lastSubKey;  // as the last open received it
    std::uint32_t lastAccess = 0;
    std::set<RegKey> open;   // handed out and not closed yet

    long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        EXPECT_EQ(key, 0u) << "the out key is set to none before the call";
        lastAccess = access;
        lastSubKey = subKey;
        return failOpen ? 2 : Opened(system_.RegOpenKeyExA(root, subKey, access, key), key);
    }
    long RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        EXPECT_EQ(access, KEY_ALL_ACCESS_MASK);
        return Hit(kCreate) || failCreate ? 5 : Opened(system_.RegCreateKeyExA(root, subKey, access, key), key);
    }
    long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& size) override
    {
        if (data != nullptr && growAfterSizeQuery) {
            size += 10;  // another program made it longer in between
            return 234;  // ERROR_MORE_DATA
        }
        return system_.RegQueryValueExA(key, name, type, data, size);
    }
    long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const unsigned char* data,
                        std::uint32_t size) override
    {
        return Hit(kSet) ? 5 : system_.RegSetValueExA(key, name, type, data, size);
    }
    long RegDeleteValueA(RegKey key, const std::string& name) override { return system_.RegDeleteValueA(key, name); }
    long RegCloseKey(RegKey key) override
    {
        EXPECT_EQ(open.erase(key), 1u) << "closed a key that was not open";
        return system_.RegCloseKey(key);
    }

private:
    // Takes the key by reference: it is set by the call in the argument before it.
    long Opened(long result, const RegKey& key)
    {
        if (result == 0)
            open.insert(key);
        return result;
    }

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
