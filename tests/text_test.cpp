#include "platform/text.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/support/test_support.h"

namespace {

// The pairs of single bytes from 0x20 to 0xFF that CompareStringA, for the
// user's default locale ignoring case in code page 1252, finds equal, as
// Wine answers: natively the stand-in must answer the same, under Wine the
// real call, so the two never drift apart.
TEST(Comparison, EveryPairOfSingleBytesAgreesWithCompareStringA)
{
    std::set<std::pair<int, int>> equalPairs;
    std::istringstream pairs(test::ReadTestData("cp1252-ignorecase-pairs.txt"));
    for (int first, second; pairs >> std::hex >> first >> second;)
        equalPairs.emplace(first, second);
    ASSERT_EQ(equalPairs.size(), 61u);
    int mismatches = 0;
    for (int first = 0x20; first <= 0xFF; ++first) {
        for (int second = first; second <= 0xFF; ++second) {
            const std::string one(1, static_cast<char>(first));
            const std::string other(1, static_cast<char>(second));
            const bool equal = first == second || equalPairs.count({first, second}) == 1;
            if (TextsEqualIgnoreCase(one, other) != equal && ++mismatches <= 10)
                ADD_FAILURE() << std::hex << first << " and " << second << " should " << (equal ? "" : "not ")
                              << "be equal";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Comparison, WholeLinesIgnoreCaseButNotBlanks)
{
    const std::tuple<std::string, std::string, bool> cases[] = {
        {":LINK myhelp.hlp", ":link MYHELP.HLP", true},
        {"\xC9t\xE9", "\xE9T\xC9", true},
        {"x", "x ", false},
        {" x", "x", false},
        {"abc", "abd", false},
        {"", "", true},
    };
    for (const auto& [first, second, equal] : cases)
        EXPECT_EQ(TextsEqualIgnoreCase(first, second), equal) << first << " / " << second;
}

}  // namespace
