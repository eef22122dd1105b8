#include "registration/virtual_store.h"

#include <gtest/gtest.h>

#include "registration/ide_user.h"

namespace {

const LeadBytes kSingleByte{};
const LeadBytes kCodePage932 = LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
#define STORE "C:\\Users\\ann\\AppData\\Local\\VirtualStore"

// Which files an unelevated IDE's writes are redirected for, and where the
// copy then lies: the path without its drive, below the user's store.
TEST(VirtualStoreRules, CopiesLieInTheStoreUnderThePathWithoutItsDrive)
{
    const VirtualStore store{STORE, {"C:\\Program Files", "C:\\Program Files (x86)", "C:\\Windows\\", "C:\\ProgramData"}};
    // 0x95 0x5C and 0x82 0x61 are Shift JIS characters whose second bytes
    // are "\" and "a"; 0x82 0x41 is another character than 0x82 0x61.
    const VirtualStore japanese{STORE, {"C:\\\x95\x5C", "C:\\\x82\x61", "C:\\\x95"}};
    const struct {
        const char* name;
        const VirtualStore& store;
        const char* file;
        const char* copySingleByte;
        const char* copyCodePage932;
    } cases[] = {
        {"Program Files", store, "C:\\Program Files\\Borland\\Delphi7\\Help\\d7.ohc",
         STORE "\\Program Files\\Borland\\Delphi7\\Help\\d7.ohc", STORE "\\Program Files\\Borland\\Delphi7\\Help\\d7.ohc"},
        {"Program Files (x86)", store, "C:\\Program Files (x86)\\Borland\\Help\\d7.ohl",
         STORE "\\Program Files (x86)\\Borland\\Help\\d7.ohl", STORE "\\Program Files (x86)\\Borland\\Help\\d7.ohl"},
        {"Windows, named with a backslash", store, "C:\\Windows\\Help\\d7.ohi", STORE "\\Windows\\Help\\d7.ohi",
         STORE "\\Windows\\Help\\d7.ohi"},
        {"ProgramData", store, "C:\\ProgramData\\Borland\\bcb6.ohp", STORE "\\ProgramData\\Borland\\bcb6.ohp",
         STORE "\\ProgramData\\Borland\\bcb6.ohp"},
        {"the letter case of the drive and folder", store, "c:\\PROGRAM FILES\\Borland\\d7.gid",
         STORE "\\PROGRAM FILES\\Borland\\d7.gid", STORE "\\PROGRAM FILES\\Borland\\d7.gid"},
        {"another drive", store, "D:\\Program Files\\Borland\\d7.ohc", "", ""},
        {"a folder whose name begins alike", store, "C:\\Program Files Old\\d7.ohc", "", ""},
        {"the folder itself", store, "C:\\Program Files\\", "", ""},
        {"elsewhere on the drive", store, "C:\\Borland\\Delphi7\\Help\\d7.ohc", "", ""},
        {"a network path", store, "\\\\server\\Program Files\\d7.ohc", "", ""},
        {"a local device path", store, "\\\\?\\C:\\Program Files\\d7.ohc", "", ""},
        {"a relative path", store, "Program Files\\d7.ohc", "", ""},
        {"no store", VirtualStore{"", store.virtualizedFolders}, "C:\\Program Files\\d7.ohc", "", ""},
        {"a double-byte folder name", japanese, "C:\\\x95\x5C\\Help\\d7.ohc", STORE "\\\x95\x5C\\Help\\d7.ohc",
         STORE "\\\x95\x5C\\Help\\d7.ohc"},
        {"a trail byte is never folded", japanese, "C:\\\x82\x41\\d7.ohc", STORE "\\\x82\x41\\d7.ohc", ""},
        {"a \"\\\" that is a trail byte ends no folder", japanese, "C:\\\x95\x5C\x41\\d7.ohc",
         STORE "\\\x95\x5C\x41\\d7.ohc", ""},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(VirtualStorePathOf(row.file, row.store, kSingleByte), row.copySingleByte) << row.name;
        EXPECT_EQ(VirtualStorePathOf(row.file, row.store, kCodePage932), row.copyCodePage932) << row.name;
    }
}

// The final path of a copy must lie inside the store's.
TEST(VirtualStoreRules, ACopyLiesInsideTheStoreOnlyBelowItsFolder)
{
    const struct {
        const char* path;
        const char* folder;
        bool below;
    } cases[] = {
        {STORE "\\Program Files\\d7.ohc", STORE, true},
        {STORE "\\Program Files\\d7.ohc", STORE "\\", true},
        {"c:\\users\\ANN\\appdata\\local\\virtualstore\\d7.ohc", STORE, true},
        {STORE "Old\\Program Files\\d7.ohc", STORE, false},
        {STORE, STORE, false},
        {STORE "\\", STORE, false},
        {"C:\\Program Files\\d7.ohc", STORE, false},
        {"D:\\Users\\ann\\AppData\\Local\\VirtualStore\\d7.ohc", STORE, false},
        {"C:\\Users\\\x83\x86\\VirtualStore\\d7.ohc", "C:\\Users\\\x83\x86\\VirtualStore", true},
        {"C:\\Users\\\x83\x86\\VirtualStore\\d7.ohc", "C:\\Users\\\x83\x66\\VirtualStore", false},
        {"C:\\d7.ohc", "", false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(LiesBelow(row.path, row.folder, kCodePage932), row.below) << row.path << " below " << row.folder;
}

TEST(IdeUserRules, OnlyAWellFormedSidNamesAUser)
{
    const std::pair<const char*, bool> cases[] = {
        {"S-1-5-21-3623811015-3361044348-30300820-1013", true},
        {"S-1-5-18", true},
        {"S-1-5-21-0-0-0-1000", true},
        {"S-1-5-21-1-2-3-4-5-6-7-8-9-10-11-12-13-14", true},
        {"S-1-5-21-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15", false},
        {"S-1-281474976710655-1", true},
        {"S-1-281474976710656-1", false},
        {"S-1-5-4294967295", true},
        {"S-1-5-4294967296", false},
        {"", false},
        {"S-1-5", false},
        {"S-1-5-", false},
        {"S-1-5--18", false},
        {"S-2-5-18", false},
        {"S-1-5-21-1-2-3-1001_Classes", false},
        {"S-1-5-21-1-2-3-1001\\Software", false},
        {"..\\S-1-5-18", false},
        {" S-1-5-18", false},
        {"S-1-5-18 ", false},
        {"S-1-5-+18", false},
    };
    for (const auto& [text, wellFormed] : cases)
        EXPECT_EQ(IsWellFormedSid(text), wellFormed) << text;
}

}  // namespace
