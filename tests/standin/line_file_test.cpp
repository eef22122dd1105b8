#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/support/edit_line_file.h"
#include "tests/support/test_support.h"

namespace {

TEST(StandInLineFile, SaveKeepsTheFileMode)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("d7.ohc"), "a\n");
    ASSERT_EQ(chmod(scratch.Native("d7.ohc").c_str(), 0640), 0);
    test::EditLineFile(scratch.Path("d7.ohc"), "x", LineEdit::kAdd);
    struct stat status;
    ASSERT_EQ(stat(scratch.Native("d7.ohc").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohc")), "a\r\nx\r\n");
}

}  // namespace
