#include <windows.h>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "registration/winhelp_registration.h"
#include "tests/support/test_support.h"

namespace {

std::string ValueInView(REGSAM view, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWinHelpKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[MAX_PATH] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data) : "<absent>";
}

// The 32-bit IDEs and WinHelp read the 32-bit view; so must this program write.
TEST(WinHelpRegistrationWin32, ValuesLandInThe32BitView)
{
    RegistryAccessor registry;
    RegisterWinHelpFiles(registry, "C:\\myfolder\\sorvane-view.cnt", "C:\\myfolder\\sorvane-view.hlp", false);
    EXPECT_EQ(ValueInView(KEY_WOW64_32KEY, "sorvane-view.hlp"), "C:\\myfolder");
    EXPECT_EQ(ValueInView(KEY_WOW64_32KEY, "sorvane-view.cnt"), "C:\\myfolder");
    const std::string in64 = ValueInView(KEY_WOW64_64KEY, "sorvane-view.hlp");
    EXPECT_TRUE(in64 == "<absent>" || in64 == "<no key>") << in64;

    RegisterWinHelpFiles(registry, "C:\\myfolder\\sorvane-view.cnt", "C:\\myfolder\\sorvane-view.hlp", true);
    EXPECT_EQ(ValueInView(KEY_WOW64_32KEY, "sorvane-view.hlp"), "<absent>");
}

// A volatile key is gone after the next reboot, with the values in it. Only
// a volatile key refuses a child that is not volatile.
TEST(RegistryWin32, KeysTheAccessorCreatesOutliveAReboot)
{
    RegistryAccessor registry;
    const std::string section = test::UniqueTestSection("persistent") + "\\created\\by\\write";
    registry.WriteRegString(section, "value", "data");
    HKEY child = nullptr;
    const LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, (section + "\\child").c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    EXPECT_EQ(result, ERROR_SUCCESS) << "the key was created volatile";
    if (result == ERROR_SUCCESS)
        RegCloseKey(child);
}

}  // namespace
