#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::UsePrivateRegistry(scratch_.Native());
        test::ForgetDelphi7Settings();
        std::filesystem::create_directory(scratch_.Native("my folder"));
        for (const char* name : {"my folder/myhelp.hlp", "my folder/myhelp.cnt", "my folder/myhelp.als"})
            test::WriteFileBytes(scratch_.Native(name), "x");
    }

    test::ScratchDirectory scratch_;
    const std::string banner_ = test::ReadTestData("banner.txt");
};

TEST_F(EndToEnd, ChecksArgumentsAndFiles)
{
    const std::string help = scratch_.Path("my folder") + "\\myhelp.hlp";
    const std::string tooLong = std::string(300, 'x') + ".hlp";  // too long to make full
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string afterBanner;
        const char* userSid = "";  // SORVANE_USER_SID
    };
    const Case cases[] = {
        {{}, 1, test::ReadTestData("usage.txt")},
        {{help, "/D7", "/I", "My Help Reference"}, 1, test::kNoDelphi7Settings},
        // A relative help file is taken from the working directory.
        {{"my folder\\myhelp.hlp", "/D7", "/I", "T"}, 1, test::kNoDelphi7Settings},
        {{help, "/D8", "/I", "T"}, 1, "-- Invalid parameter: /D8\r\n\r\n"},
        {{"myhelp.hlp", "/D7", "/I", "T"}, 1, "Required file not found: " + scratch_.Path("myhelp.hlp") + "\r\n\r\n"},
        {{help, "/D7", "/Install", "T"}, 1, "Invalid parameter: /Install\r\n\r\n"},
        {{help, "/D5", "/U", "T"}, 1, "Required file not found: " + scratch_.Path("my folder") + "\\myhelp.hpj\r\n\r\n"},
        {{tooLong, "/D7", "/I", "T"}, 1, "Required file not found: " + tooLong + "\r\n\r\n"},
        // The user a run serves is checked after its arguments, and no other
        // key can be named.
        {{help, "/D8", "/I", "T"}, 1, "-- Invalid parameter: /D8\r\n\r\n", "S-1-5-21-1\\Software"},
        {{help, "/D7", "/I", "T"}, 1, "Error: SORVANE_USER_SID holds no valid SID: S-1-5-21-1\\Software\r\n",
         "S-1-5-21-1\\Software"},
        {{help, "/D7", "/U", "T"}, 1,
         "Error: Settings of user S-1-5-21-9-9-9-9999 are not loaded; the user must be logged on.\r\n",
         "S-1-5-21-9-9-9-9999"},
    };
    for (const Case& row : cases) {
        test::SetEnvironment("SORVANE_USER_SID", row.userSid);
        const test::ChildResult result = test::RunSorvane(row.arguments, scratch_.Native());
        EXPECT_EQ(result.status, row.status) << testing::PrintToString(row.arguments);
        EXPECT_EQ(result.output, banner_ + row.afterBanner) << testing::PrintToString(row.arguments);
    }
    test::SetEnvironment("SORVANE_USER_SID", "");
}

}  // namespace
