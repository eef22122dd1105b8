#include "platform/registry.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/exceptions.h"
#include "tests/support/fake_registry_api.h"
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
        test::PlantValue(section_, row.name, row.type, row.bytes);
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

    test::PlantValue(section_, "was dword", kRegDword, std::string("\x07\0\0\0", 4));
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

TEST_F(RegistryTest, ValueThatGrowsBetweenQueriesRaises)
{
    test::PlantValue(section_, "v", REG_SZ_TYPE, std::string("abc\0", 4));
    test::FakeRegistryApi api;
    RegistryAccessor registry(api);
    EXPECT_EQ(registry.ReadRegString(section_, "v", ""), "abc");
    api.growAfterSizeQuery = true;
    EXPECT_EQ(RegistryError([&] { registry.ReadRegString(section_, "v", ""); }), "Failed to get data for 'v'");
    EXPECT_TRUE(api.open.empty()) << "the key stays closed after the exception";
}

TEST_F(RegistryTest, WriteRaisesWhenTheCreatedKeyCannotBeOpened)
{
    test::FakeRegistryApi api;
    RegistryAccessor registry(api);
    api.failOpen = true;
    EXPECT_EQ(RegistryError([&] { registry.WriteRegString("\\" + section_, "my%s.hlp", "C:\\dir"); }),
              "Failed to set data for 'my%s.hlp'");
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER_KEY, section_, "my%s.hlp"));
    EXPECT_TRUE(api.open.empty());
}

TEST_F(RegistryTest, CreateFailureNamesTheSectionAsGiven)
{
    test::FakeRegistryApi api;
    RegistryAccessor registry(api);
    api.failCreate = true;
    EXPECT_EQ(RegistryError([&] { registry.WriteRegString("\\Software\\Microsoft\\Windows\\Help", "v", "d"); }),
              "Failed to create key \\Software\\Microsoft\\Windows\\Help");
}

// Every key opens with full access, as the IDEs' own settings do; a key
// whose presence alone is asked for opens for reading, which a user's hive
// grants the system where full access may be refused.
TEST_F(RegistryTest, EveryOpenedKeyIsClosedAndOnlyOneBackslashStripped)
{
    test::FakeRegistryApi api;
    {
        RegistryAccessor registry(api);
        registry.ReadRegString("\\\\Sec", "v", "");
        EXPECT_EQ(api.lastSubKey, "\\Sec");
        EXPECT_EQ(api.lastAccess, KEY_ALL_ACCESS_MASK);
        registry.SectionExists(section_);
        EXPECT_EQ(api.lastAccess, KEY_READ_MASK);
        registry.WriteRegString("\\" + section_, "v", "d");
        EXPECT_EQ(api.lastSubKey, section_);
        EXPECT_EQ(api.lastAccess, KEY_ALL_ACCESS_MASK);
        registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        registry.ReadRegString(section_, "v", "");
        registry.DeleteRegValue(section_, "v");
        registry.DeleteRegValue("Missing", "v");
        EXPECT_TRUE(api.open.empty());
    }
    EXPECT_TRUE(api.open.empty());
}

}  // namespace
