#include <windows.h>

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/text.h"
#include "tests/support/edit_line_file.h"
#include "tests/support/test_support.h"

namespace {

// CompareStringA decides where the user's locale matters: "\xDF" is "ss".
TEST(Win32LineFile, EntryEqualToTheLocaleIsNotAddedTwice)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("d7.ohi"), ":INDEX Stra\xDF" "e=s.hlp\r\n");
    test::EditLineFile(scratch.Path("d7.ohi"), ":INDEX STRASSE=S.HLP", LineEdit::kAdd);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohi")), ":INDEX Stra\xDF" "e=s.hlp\r\n");
    test::EditLineFile(scratch.Path("d7.ohi"), ":INDEX STRASSE=S.HLP", LineEdit::kRemove);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohi")), "");
}

TEST(Win32LineFile, FileHeldOpenByAnotherProgramIsLeftIntact)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("d7.ohl"), "a\r\n");
    const std::string path = scratch.Path("d7.ohl");
    // Another program reads the file and lets others read it, nothing more.
    const HANDLE holder =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_THROW(test::EditLineFile(path, "x", LineEdit::kAdd), EFCreateError);
    CloseHandle(holder);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohl")), "a\r\n");
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Native()))
        entries += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 1u);

    // Held without any sharing, it cannot even be read.
    const HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_THROW(test::EditLineFile(path, "x", LineEdit::kAdd), EFOpenError);
    CloseHandle(exclusive);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohl")), "a\r\n");
}

TEST(Win32LineFile, SaveKeepsTheAttributes)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("d7.ohc"), "a\n");
    const std::string path = scratch.Path("d7.ohc");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    test::EditLineFile(path, "x", LineEdit::kAdd);
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohc")), "a\r\nx\r\n");
}

}  // namespace
