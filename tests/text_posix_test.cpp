#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

// The stand-in folds case over ASCII and the letters of code page 1252.
TEST(StandInComparison, FoldsCodePage1252Letters)
{
    const std::tuple<std::string, std::string, bool> cases[] = {
        {":LINK myhelp.hlp", ":link MYHELP.HLP", true},
        {"\xC9t\xE9", "\xE9T\xC9", true},  // É and é
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", true},
        {"\xD7", "\xF7", false},  // multiplication and division signs are no letters
        {"STRASSE", "stra\xDF" "e", false},
        {"x", "x ", false},
        {"", "", true},
        {"[", "{", false},
    };
    for (const auto& [first, second, equal] : cases)
        EXPECT_EQ(TextsEqualIgnoreCase(first, second), equal) << first << " / " << second;
}

}  // namespace
