#include "registration/winhelp_registration.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/test_support.h"

namespace {

class WinHelpRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::UsePrivateRegistry(scratch_.Native());
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        registry_.WriteRegString(kWinHelpKey, "other.hlp", "D:\\Other Help");
        registry_.SetRootKey(HKEY_CURRENT_USER_KEY);
    }
    std::string Value(const std::string& name)
    {
        registry_.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
        return registry_.ReadRegString(kWinHelpKey, name, "<absent>");
    }

    test::ScratchDirectory scratch_;
    RegistryAccessor registry_;
};

TEST_F(WinHelpRegistrationTest, InstallTwiceThenUninstallTwice)
{
    const std::string contents = "C:\\myfolder\\sorvane-test-a.cnt";
    const std::string help = "C:\\myfolder\\sorvane-test-a.hlp";
    for (int run = 0; run < 2; ++run) {
        RegisterWinHelpFiles(registry_, contents, help, false);
        EXPECT_EQ(registry_.RootKey(), HKEY_LOCAL_MACHINE_KEY);
        EXPECT_EQ(Value("sorvane-test-a.cnt"), "C:\\myfolder");
        EXPECT_EQ(Value("sorvane-test-a.hlp"), "C:\\myfolder");
    }
    for (int run = 0; run < 2; ++run) {
        RegisterWinHelpFiles(registry_, contents, help, true);
        EXPECT_EQ(registry_.RootKey(), HKEY_LOCAL_MACHINE_KEY);
        EXPECT_EQ(Value("sorvane-test-a.cnt"), "<absent>");
        EXPECT_EQ(Value("sorvane-test-a.hlp"), "<absent>");
    }
    EXPECT_EQ(Value("other.hlp"), "D:\\Other Help");
}

TEST_F(WinHelpRegistrationTest, HelpFileInTheRootOfADrive)
{
    RegisterWinHelpFiles(registry_, "C:\\sorvane-test-root.cnt", "C:\\sorvane-test-root.hlp", false);
    EXPECT_EQ(Value("sorvane-test-root.cnt"), "C:");
    EXPECT_EQ(Value("sorvane-test-root.hlp"), "C:");
    RegisterWinHelpFiles(registry_, "C:\\sorvane-test-root.cnt", "C:\\sorvane-test-root.hlp", true);
    EXPECT_EQ(Value("sorvane-test-root.hlp"), "<absent>");
}

}  // namespace
