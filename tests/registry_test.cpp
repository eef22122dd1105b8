#include "platform/registry.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <optional>

#include "platform/exceptions.h"
#include "tests/support/test_support.h"

namespace {

// The message of the ERegistryException that the operation raises.
template <typename Operation>
std::string RegistryError(Operation operation)
{
    try {
        operation();
    } catch (const ERegistryException& error) {
        return error.Message();
    }
    return "<no exception>";
}

const std::uint32_t kRegBinary = 3;
const std::uint32_t kRegDword = 4;
const std::uint32_t kRegMultiSz = 7;

// The accessor against the system's registry: the real one under Wine,
// the stand-in's files natively.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { test::UsePrivateRegistry(scratch_.Native()); }

    // Stores raw bytes of any type, as another program might have.
    void Plant(const std::string& name, std::uint32_t type, const std::string& bytes)
    {
        RegKey key = 0;
        ASSERT_EQ(api_.RegCreateKeyExA(HKEY_CURRENT_USER_KEY, section_, KEY_ALL_ACCESS_MASK, key), 0);
        ASSERT_EQ(api_.RegSetValueExA(key, name, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                                      static_cast<std::uint32_t>(bytes.size())),
                  0);
        api_.RegCloseKey(key);
    }

    // The value's type and exact bytes, or nothing when it is absent.
    std::optional<std::pair<std::uint32_t, std::string>> Stored(RegKey root, const std::string& section,
                                                                const std::string& name)
    {
        RegKey key = 0;
        if (api_.RegOpenKeyExA(root, section, KEY_ALL_ACCESS_MASK, key) != 0)
            return std::nullopt;
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        std::optional<std::pair<std::uint32_t, std::string>> result;
        if (api_.RegQueryValueExA(key, name, type, nullptr, size) == 0) {
            std::string bytes(size, '\0');
            if (api_.RegQueryValueExA(key, name, type, reinterpret_cast<unsigned char*>(bytes.data()), size) == 0)
                result = std::make_pair(type, bytes.substr(0, size));
        }
        api_.RegCloseKey(key);
        return result;
    }

    bool KeyExists(RegKey root, const std::string& section)
    {
        RegKey key = 0;
        if (api_.RegOpenKeyExA(root, section, KEY_ALL_ACCESS_MASK, key) != 0)
            return false;
        api_.RegCloseKey(key);
        return true;
    }

    test::ScratchDirectory scratch_;
    RegistryApi& api_ = SystemRegistryApi();
    const std::string section_ = test::UniqueTestSection("accessor");
};

TEST_F(RegistryTest, ReadsStringsAndRefusesOtherTypesThatHoldData)
{
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string bytes;
        const char* expected;  // null: "Invalid data type"
    };
    const Case cases[] = {
        {"dword", kRegDword, std::string("\x01\0\0\0", 4), nullptr},
        {"dword without data", kRegDword, "", ""},
        {"binary", kRegBinary, "\x01\x02", nullptr},
        {"binary without data", kRegBinary, "", ""},
        {"multi", kRegMultiSz, std::string("a\0b\0\0", 5), nullptr},
        {"multi without data", kRegMultiSz, "", ""},
        {"empty string", REG_SZ_TYPE, std::string("\0", 1), ""},
        {"expand", REG_EXPAND_SZ_TYPE, std::string("%ProgramFiles%\\Borland\\d7.ohp\0", 30),
         "%ProgramFiles%\\Borland\\d7.ohp"},
        {"nul inside", REG_SZ_TYPE, std::string("ab\0cd\0", 6), "ab"},
        {"no terminating nul", REG_SZ_TYPE, "abc", "abc"},
        {"8-bit text", REG_SZ_TYPE, std::string("C:\\Caf\xE9\0", 8), "C:\\Caf\xE9"},
    };
    RegistryAccessor registry;
    for (const Case& row : cases) {
        Plant(row.name, row.type, row.bytes);
        if (row.expected != nullptr)
            EXPECT_EQ(registry.ReadRegString(section_, row.name, "default"), row.expected) << row.name;
        else
            EXPECT_EQ(RegistryError([&] { registry.ReadRegString(section_, row.name, "default"); }),
                      std::string("Invalid data type for '") + row.name + "'");
    }
    EXPECT_EQ(registry.ReadRegString(section_, "absent", "default"), "default");
    EXPECT_EQ(registry.ReadRegString(section_ + "\\missing", "dword", "default"), "default");
    EXPECT_EQ(registry.ReadRegString("\\" + section_, "expand", ""), "%ProgramFiles%\\Borland\\d7.ohp");
}

TEST_F(RegistryTest, WritesStringsCreatingTheKeys)
{
    RegistryAccessor registry;
    const std::string deep = section_ + "\\One\\Two\\Three";
    registry.WriteRegString(deep, "myhelp.hlp", "C:\\myfolder");
    EXPECT_EQ(Stored(HKEY_CURRENT_USER_KEY, deep, "myhelp.hlp"),
              std::make_pair(REG_SZ_TYPE, std::string("C:\\myfolder\0", 12)));

    registry.WriteRegString(section_, "empty", "");
    EXPECT_EQ(Stored(HKEY_CURRENT_USER_KEY, section_, "empty"), std::make_pair(REG_SZ_TYPE, std::string("\0", 1)));

    Plant("was dword", kRegDword, std::string("\x07\0\0\0", 4));
    registry.WriteRegString(section_, "was dword", "text");
    EXPECT_EQ(Stored(HKEY_CURRENT_USER_KEY, section_, "was dword"), std::make_pair(REG_SZ_TYPE, std::string("text\0", 5)));

    // One leading backslash names the same key.
    registry.WriteRegString("\\" + section_, "backslash", "yes");
    EXPECT_EQ(registry.ReadRegString(section_, "backslash", ""), "yes");
    registry.WriteRegString(section_, "", "default value");
    EXPECT_EQ(registry.ReadRegString(section_, "", "x"), "default value");
}

TEST_F(RegistryTest, DeleteRemovesOneValueAndCreatesNothing)
{
    RegistryAccessor registry;
    registry.WriteRegString(section_, "a", "1");
    registry.WriteRegString(section_, "b", "2");
    registry.DeleteRegValue(section_, "a");
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER_KEY, section_, "a"));
    EXPECT_EQ(registry.ReadRegString(section_, "b", ""), "2");
    registry.DeleteRegValue(section_, "b");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER_KEY, section_));  // the key stays
    registry.DeleteRegValue(section_, "b");                   // already gone

    registry.DeleteRegValue(section_ + "\\Missing\\Deeper", "a");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER_KEY, section_ + "\\Missing"));
}

TEST_F(RegistryTest, RootSwitchSelectsAnotherTree)
{
    RegistryAccessor registry;
    EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER_KEY);
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    registry.WriteRegString(section_, "machine", "m");
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    EXPECT_EQ(registry.ReadRegString(section_, "machine", ""), "m");
    registry.SetRootKey(HKEY_CURRENT_USER_KEY);
    EXPECT_EQ(registry.ReadRegString(section_, "machine", "none"), "none");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER_KEY, section_));
}

// For what no real registry arranges on demand.
class FakeRegistryApi : public RegistryApi {
public:
    long RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        EXPECT_EQ(key, 0u) << "the out key is set to none before the call";
        EXPECT_EQ(access, KEY_ALL_ACCESS_MASK);
        lastSubKey = subKey;
        if (failOpen || !keys.count(subKey))
            return 2;
        key = Open(root);
        return 0;
    }
    long RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t access, RegKey& key) override
    {
        EXPECT_EQ(access, KEY_ALL_ACCESS_MASK);
        if (failCreate)
            return 5;
        keys[subKey];
        key = Open(root);
        return 0;
    }
    long RegQueryValueExA(RegKey, const std::string& name, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& size) override
    {
        const auto found = values.find(name);
        if (found == values.end())
            return 2;
        type = REG_SZ_TYPE;
        std::uint32_t needed = static_cast<std::uint32_t>(found->second.size());
        if (data != nullptr && growAfterSizeQuery)
            needed += 10;  // another program made it longer in between
        if (data != nullptr && size < needed) {
            size = needed;
            return 234;
        }
        if (data != nullptr)
            std::copy(found->second.begin(), found->second.end(), data);
        size = needed;
        return 0;
    }
    long RegSetValueExA(RegKey, const std::string& name, std::uint32_t, const unsigned char* data,
                        std::uint32_t size) override
    {
        values[name] = std::string(reinterpret_cast<const char*>(data), size);
        return 0;
    }
    long RegDeleteValueA(RegKey, const std::string& name) override { return values.erase(name) ? 0 : 2; }
    long RegCloseKey(RegKey key) override
    {
        EXPECT_NE(key, HKEY_CURRENT_USER_KEY);
        EXPECT_NE(key, HKEY_LOCAL_MACHINE_KEY);
        EXPECT_EQ(open.erase(key), 1u) << "closed a key that was not open";
        return 0;
    }

    RegKey Open(RegKey root)
    {
        EXPECT_TRUE(root == HKEY_CURRENT_USER_KEY || root == HKEY_LOCAL_MACHINE_KEY);
        open.insert(next);
        return next++;
    }

    bool failOpen = false;
    bool failCreate = false;
    bool growAfterSizeQuery = false;
    std::string lastSubKey;
    std::map<std::string, int> keys;
    std::map<std::string, std::string> values;
    std::set<RegKey> open;
    RegKey next = 100;
};

TEST(RegistryAccessorFaults, ValueThatGrowsBetweenQueriesRaises)
{
    FakeRegistryApi api;
    api.keys["Sec"];
    api.values["v"] = std::string("abc\0", 4);
    RegistryAccessor registry(api);
    EXPECT_EQ(registry.ReadRegString("Sec", "v", ""), "abc");
    api.growAfterSizeQuery = true;
    EXPECT_EQ(RegistryError([&] { registry.ReadRegString("Sec", "v", ""); }), "Failed to get data for 'v'");
    EXPECT_TRUE(api.open.empty()) << "the key stays closed after the exception";
}

TEST(RegistryAccessorFaults, WriteRaisesWhenTheCreatedKeyCannotBeOpened)
{
    FakeRegistryApi api;
    RegistryAccessor registry(api);
    api.failOpen = true;
    EXPECT_EQ(RegistryError([&] { registry.WriteRegString("\\Software\\Microsoft\\Windows\\Help", "my%s.hlp", "C:\\dir"); }),
              "Failed to set data for 'my%s.hlp'");
    EXPECT_TRUE(api.values.empty());
    EXPECT_TRUE(api.open.empty());
}

TEST(RegistryAccessorFaults, CreateFailureNamesTheSectionAsGiven)
{
    FakeRegistryApi api;
    RegistryAccessor registry(api);
    api.failCreate = true;
    EXPECT_EQ(RegistryError([&] { registry.WriteRegString("\\Software\\Microsoft\\Windows\\Help", "v", "d"); }),
              "Failed to create key \\Software\\Microsoft\\Windows\\Help");
}

TEST(RegistryAccessorFaults, EveryOpenedKeyIsClosedAndOnlyOneBackslashStripped)
{
    FakeRegistryApi api;
    {
        RegistryAccessor registry(api);
        registry.WriteRegString("\\\\Sec", "v", "d");
        EXPECT_EQ(api.lastSubKey, "\\Sec");
        registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        registry.ReadRegString("\\Sec", "v", "");
        registry.DeleteRegValue("\\Sec", "v");
        registry.DeleteRegValue("Missing", "v");
        EXPECT_TRUE(api.open.empty());
    }
    EXPECT_TRUE(api.open.empty());
}

}  // namespace
