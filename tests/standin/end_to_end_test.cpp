#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

// The stand-in rebuilds a Windows command line from argv: an empty word
// becomes a pair of quotes, which the cutting then skips.
TEST(EndToEndPosix, EmptyWordsVanishAsOnWindows)
{
    test::ScratchDirectory scratch;
    test::UsePrivateRegistry(scratch.Native());
    for (const char* name : {"h.hlp", "h.cnt", "h.als"})
        test::WriteFileBytes(scratch.Native(name), "x");
    const std::string banner = test::ReadTestData("banner.txt");

    const test::ChildResult skipped = test::RunSorvane({"", "h.hlp", "/D7", "", "/I", "T"}, scratch.Native());
    EXPECT_EQ(skipped.status, 1);
    EXPECT_EQ(skipped.output, banner + test::kNoDelphi7Settings);

    const test::ChildResult tooFew = test::RunSorvane({"h.hlp", "/D7", "/I", ""}, scratch.Native());
    EXPECT_EQ(tooFew.status, 1);
    EXPECT_EQ(tooFew.output, banner + test::ReadTestData("usage.txt"));
}

}  // namespace
