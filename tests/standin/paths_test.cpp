#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_ops.h"
#include "platform/paths.h"
#include "tests/support/test_support.h"

namespace {

TEST(StandInPaths, DriveZIsThePosixRootAndOtherDrivesNameNothing)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("myhelp.hlp"), "help");
    const std::string onZ = scratch.Path("myhelp.hlp");
    ASSERT_EQ(onZ.substr(0, 3), "Z:\\");

    EXPECT_TRUE(SystemFileOps().FileIsPresent(onZ));
    EXPECT_TRUE(SystemFileOps().FileIsPresent("z:" + onZ.substr(2)));
    EXPECT_TRUE(SystemFileOps().FileIsPresent(onZ.substr(2)));  // rooted on the current drive
    EXPECT_FALSE(SystemFileOps().FileIsPresent("C:" + onZ.substr(2)));
    EXPECT_FALSE(SystemFileOps().FileIsPresent("\\\\server" + onZ.substr(2)));

    EXPECT_TRUE(SystemLeadBytes() == LeadBytes{});
}

TEST(StandInPaths, FullPathOfARootedPathIsOnDriveZ)
{
    EXPECT_EQ(FullPath("/usr/share"), "Z:\\usr\\share");
    EXPECT_EQ(FullPath("\\usr\\..\\etc\\"), "Z:\\etc\\");
}

}  // namespace
