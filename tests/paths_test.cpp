#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_ops.h"
#include "platform/file_rules.h"
#include "tests/support/test_support.h"

namespace {

const LeadBytes kSingleByte{};
// Code page 932 (Shift JIS).
const LeadBytes kCodePage932 = LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});

struct SplitCase {
    const char* path;
    const char* withCnt;
    const char* directory;
    const char* name;
};

const SplitCase kSplitCases[] = {
    {"C:\\my.dir\\file", "C:\\my.dir\\file.cnt", "C:\\my.dir\\", "file"},
    {"C:\\myfolder\\myhelp.hlp", "C:\\myfolder\\myhelp.cnt", "C:\\myfolder\\", "myhelp.hlp"},
    {"C:\\dir\\my.help.hlp", "C:\\dir\\my.help.cnt", "C:\\dir\\", "my.help.hlp"},
    {"C:\\dir\\file.", "C:\\dir\\file.cnt", "C:\\dir\\", "file."},
    {"C:myhelp.hlp", "C:myhelp.cnt", "C:", "myhelp.hlp"},
    {"C:file", "C:file.cnt", "C:", "file"},
    {"myhelp", "myhelp.cnt", "", "myhelp"},
    {"", ".cnt", "", ""},
    {"C:/my.dir/file", "C:/my.cnt", "C:", "/my.dir/file"},
    {"C:\\dir\\.hlp", "C:\\dir\\.cnt", "C:\\dir\\", ".hlp"},
    {"C:\\dir\\", "C:\\dir\\.cnt", "C:\\dir\\", ""},
    {"C:\\", "C:\\.cnt", "C:\\", ""},
    {"\\\\server\\share\\h.hlp", "\\\\server\\share\\h.cnt", "\\\\server\\share\\", "h.hlp"},
};

TEST(PathRules, SplitAndReplaceExtensionInSingleByteCodePage)
{
    for (const SplitCase& row : kSplitCases) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(WithExtension(row.path, ".cnt", kSingleByte), row.withCnt);
        EXPECT_EQ(DirectoryPart(row.path, kSingleByte), row.directory);
        EXPECT_EQ(NamePart(row.path, kSingleByte), row.name);
        EXPECT_EQ(DirectoryPart(row.path, kSingleByte) + NamePart(row.path, kSingleByte), row.path);
    }
}

// 0x95 0x5C is one Shift JIS character whose second byte is the value of "\".
TEST(PathRules, TrailBytesAreNeverDelimiters)
{
    const SplitCase cases[] = {
        {"C:\\\x95\x5C\\h.hlp", "C:\\\x95\x5C\\h.cnt", "C:\\\x95\x5C\\", "h.hlp"},
        {"C:\\dir\x95\x5C", "C:\\dir\x95\x5C.cnt", "C:\\", "dir\x95\x5C"},
        {"C:\\a\x81.", "C:\\a\x81..cnt", "C:\\", "a\x81."},
        {"C:\\a\x81:", "C:\\a\x81:.cnt", "C:\\", "a\x81:"},
        // An even run of lead bytes ends a character: the "\" after it counts.
        {"C:\\a\x81\x81\\b", "C:\\a\x81\x81\\b.cnt", "C:\\a\x81\x81\\", "b"},
        // An odd run: the last lead byte takes the "\" as its second byte.
        {"C:\\a\x81\x81\x81\\b", "C:\\a\x81\x81\x81\\b.cnt", "C:\\", "a\x81\x81\x81\\b"},
        {"\x95\x5C", "\x95\x5C.cnt", "", "\x95\x5C"},
        {"\x5C\x95", "\x5C\x95.cnt", "\\", "\x95"},
    };
    for (const SplitCase& row : cases) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(WithExtension(row.path, ".cnt", kCodePage932), row.withCnt);
        EXPECT_EQ(DirectoryPart(row.path, kCodePage932), row.directory);
        EXPECT_EQ(NamePart(row.path, kCodePage932), row.name);
    }
    // The same bytes in a single-byte code page are plain delimiters.
    EXPECT_EQ(DirectoryPart("C:\\dir\x95\x5C", kSingleByte), "C:\\dir\x95\x5C");
}

TEST(PathRules, StripTrailingBackslashRemovesOneAtMost)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\myfolder\\", "C:\\myfolder"}, {"C:\\myfolder", "C:\\myfolder"}, {"C:\\", "C:"},
        {"C:\\dir\\\\", "C:\\dir\\"},      {"\\", ""},                      {"", ""},
        {"C:\\dir\x95\x5C\\", "C:\\dir\x95\x5C"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(StripTrailingBackslash(text, kSingleByte), expected) << text;
        EXPECT_EQ(StripTrailingBackslash(text, kCodePage932), expected) << text;
    }
    // The second byte of a double-byte character is no backslash.
    EXPECT_EQ(StripTrailingBackslash("C:\\dir\x95\x5C", kSingleByte), "C:\\dir\x95");
    EXPECT_EQ(StripTrailingBackslash("C:\\dir\x95\x5C", kCodePage932), "C:\\dir\x95\x5C");
}

TEST(PathRules, WildcardsAreRecognisedInTheNameOnly)
{
    const std::pair<const char*, bool> cases[] = {
        {"C:\\help\\*.hlp", true},
        {"C:\\help\\my?.hlp", true},
        {"C:\\help\\<.hlp", true},
        {"C:\\help\\my\".hlp", true},
        {"C:\\help\\my help.hlp", false},
        {"\\\\?\\C:\\help\\myhelp.hlp", false},
        {"\\\\?\\C:\\help\\my*.hlp", true},
        {"\\\\.\\C:\\help\\myhelp.hlp", false},
    };
    for (const auto& [path, wildcard] : cases)
        EXPECT_EQ(HoldsWildcard(path), wildcard) << path;
}

class FullPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = std::filesystem::current_path();
        std::filesystem::create_directories(scratch_.Native("work/sub"));
    }
    void TearDown() override { std::filesystem::current_path(saved_); }

    test::ScratchDirectory scratch_;
    std::filesystem::path saved_;
};

TEST_F(FullPathTest, RelativePathsJoinTheCurrentDirectory)
{
    std::filesystem::current_path(scratch_.Native("work"));
    EXPECT_EQ(FullPath("myhelp.hlp"), scratch_.Path("work") + "\\myhelp.hlp");
    EXPECT_EQ(FullPath("sub\\..\\.\\myhelp.hlp"), scratch_.Path("work") + "\\myhelp.hlp");
    EXPECT_EQ(FullPath("sub/nothing-here.hlp"), scratch_.Path("work") + "\\sub\\nothing-here.hlp");
    std::filesystem::current_path(scratch_.Native("work/sub"));
    EXPECT_EQ(FullPath("..\\myhelp.hlp"), scratch_.Path("work") + "\\myhelp.hlp");
}

TEST_F(FullPathTest, AbsolutePathsAreNormalisedWithoutTouchingTheDisk)
{
    EXPECT_EQ(FullPath("C:/work/myhelp.hlp"), "C:\\work\\myhelp.hlp");
    EXPECT_EQ(FullPath("C:\\work\\.\\x\\..\\MyHelp.HLP"), "C:\\work\\MyHelp.HLP");
    EXPECT_EQ(FullPath("C:\\"), "C:\\");
}

TEST_F(FullPathTest, DriveRelativePathUsesThatDrivesCurrentDirectory)
{
    std::filesystem::current_path(scratch_.Native("work"));
    const std::string currentDrive = scratch_.Path().substr(0, 2);
    EXPECT_EQ(FullPath(currentDrive + "myhelp.hlp"), scratch_.Path("work") + "\\myhelp.hlp");
    // A drive that has never had a current directory counts from its root.
    EXPECT_EQ(FullPath("Q:myhelp.hlp"), "Q:\\myhelp.hlp");
}

TEST_F(FullPathTest, PathsLongerThan259BytesGiveTheEmptyText)
{
    const std::string fits = "C:\\" + std::string(256, 'a');   // 259 bytes
    const std::string tooLong = "C:\\" + std::string(257, 'a');  // 260 bytes
    EXPECT_EQ(FullPath(fits), fits);
    EXPECT_EQ(FullPath(tooLong), "");
    EXPECT_EQ(FullPath("C:\\" + std::string(400, 'a')), "");
}

class FileIsPresentTest : public ::testing::Test {
protected:
    test::ScratchDirectory scratch_;
};

TEST_F(FileIsPresentTest, FilesArePresentDirectoriesAndOddNamesAreNot)
{
    test::WriteFileBytes(scratch_.Native("empty.hlp"), "");
    test::WriteFileBytes(scratch_.Native("myhelp.hlp"), "help");
    std::filesystem::create_directory(scratch_.Native("myhelp.cnt"));
    test::WriteFileBytes(scratch_.Native("readonly.hlp"), "help");
    std::filesystem::permissions(scratch_.Native("readonly.hlp"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);

    const std::pair<std::string, bool> cases[] = {
        {scratch_.Path("empty.hlp"), true},
        {scratch_.Path("myhelp.hlp"), true},
        {scratch_.Path("readonly.hlp"), true},
        {scratch_.Path("myhelp.cnt"), false},
        {scratch_.Path("missing.hlp"), false},
        {scratch_.Path("myhelp.hlp") + "\\", false},
        {scratch_.Path(), false},
        {scratch_.Path() + "\\", false},
        {"", false},
        // A search pattern names no one file, even where files match it.
        {scratch_.Path("*.hlp"), false},
        {scratch_.Path("myhel?.hlp"), false},
        {scratch_.Path("myhelp.hl*"), false},
    };
    for (const auto& [path, present] : cases)
        EXPECT_EQ(SystemFileOps().FileIsPresent(path), present) << path;
}

TEST_F(FileIsPresentTest, FileDatedBefore1980IsNotPresent)
{
    test::WriteFileBytes(scratch_.Native("old.hlp"), "help");
    test::WriteFileBytes(scratch_.Native("new.hlp"), "help");
    // 1 June 1979 is before any MS-DOS date in every time zone.
    const auto june1979 = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 48);
    std::filesystem::last_write_time(scratch_.Native("old.hlp"), june1979);
    EXPECT_FALSE(SystemFileOps().FileIsPresent(scratch_.Path("old.hlp")));
    EXPECT_TRUE(SystemFileOps().FileIsPresent(scratch_.Path("new.hlp")));
}

TEST_F(FileIsPresentTest, CopyReplacesAndDeleteRemovesQuietly)
{
    FileOps& files = SystemFileOps();
    test::WriteFileBytes(scratch_.Native("source.als"), "new alias");
    test::WriteFileBytes(scratch_.Native("target.als"), "old alias, longer than the new one");
    // From read-only media: the copy is not read-only, so that a newer one replaces it.
    test::SetReadOnly(scratch_.Native("source.als"), true);
    CopyOver(scratch_.Path("source.als"), scratch_.Path("target.als"), files);
    EXPECT_EQ(test::ReadFileBytes(scratch_.Native("target.als")), "new alias");
    EXPECT_FALSE(files.IsReadOnly(scratch_.Path("target.als")));

    // Two backslashes in a row act as one separator.
    CopyOver(scratch_.Path("source.als"), scratch_.Path() + "\\\\double.als", files);
    EXPECT_EQ(test::ReadFileBytes(scratch_.Native("double.als")), "new alias");

    CopyOver(scratch_.Path("source.als"), scratch_.Path("no-such-dir\\target.als"), files);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Native("no-such-dir")));
    CopyOver(scratch_.Path("missing.als"), scratch_.Path("other.als"), files);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Native("other.als")));

    test::SetReadOnly(scratch_.Native("target.als"), true);
    RemoveFile(scratch_.Path("target.als"), files);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Native("target.als")));
    RemoveFile(scratch_.Path("target.als"), files);  // already gone: nothing happens
    EXPECT_TRUE(std::filesystem::exists(scratch_.Native("source.als")));
    test::SetReadOnly(scratch_.Native("source.als"), false);
}

}  // namespace
