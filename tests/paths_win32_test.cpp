#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "platform/file_ops_win32.h"
#include "platform/file_ops.h"
#include "platform/paths.h"
#include "tests/support/test_support.h"

namespace {

TEST(Win32Paths, HiddenAndSystemFilesArePresent)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("hidden.hlp"), "help");
    test::WriteFileBytes(scratch.Native("system.hlp"), "help");
    ASSERT_TRUE(SetFileAttributesA(scratch.Path("hidden.hlp").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(scratch.Path("system.hlp").c_str(), FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(SystemFileOps().FileIsPresent(scratch.Path("hidden.hlp")));
    EXPECT_TRUE(SystemFileOps().FileIsPresent(scratch.Path("system.hlp")));
    SetFileAttributesA(scratch.Path("hidden.hlp").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(scratch.Path("system.hlp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32Paths, FullPathOfAnotherDriveKeepsItsLetterCase)
{
    EXPECT_EQ(FullPath("c:\\Work\\MyHelp.hlp"), "c:\\Work\\MyHelp.hlp");
}

// Windows before Vista has no GetFinalPathNameByHandleA, and no symbolic
// links to files: every path is then taken as it is.
TEST(Win32Paths, FinalPathFollowsALinkOnlyWhereTheSystemResolvesLinks)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("target.ohi"), "index");
    ASSERT_TRUE(test::MakeSymbolicLink(scratch.Native("target.ohi"), scratch.Native("d7.ohi")));
    const std::string link = scratch.Path("d7.ohi");
    ASSERT_NE(LookUpFinalPathFunction(), nullptr);
    EXPECT_EQ(NamePart(MakeWin32FileOps(LookUpFinalPathFunction(), true)->FinalPath(link)), "target.ohi");
    EXPECT_EQ(MakeWin32FileOps(nullptr, true)->FinalPath(link), link);
}

// Some volumes tell no final path (RAM disks, some network shares).
DWORD WINAPI NoFinalPath(HANDLE, LPSTR, DWORD, DWORD)
{
    SetLastError(ERROR_INVALID_FUNCTION);
    return 0;
}

// Windows shows every link as a reparse point with a link's tag: a file
// whose final path cannot be told is a plain file there, deleted and
// cleared as one.
TEST(Win32Paths, LinksAreToldByTheirReparseTag)
{
    test::ScratchDirectory scratch;
    const std::unique_ptr<FileOps> files = MakeWin32FileOps(NoFinalPath, false);
    for (const char* name : {"d7.gid", "d7.ohl.svtmp"})
        test::WriteFileBytes(scratch.Native(name), "plain");
    files->Remove(scratch.Path("d7.gid"));
    EXPECT_TRUE(files->ClearLeftover(scratch.Path("d7.ohl.svtmp")));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Native()));

    const std::tuple<DWORD, DWORD, bool> entries[] = {  // attributes, reparse tag, a link
        {FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK, true},
        {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_MOUNT_POINT, true},
        {FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_DEDUP, false},
        {FILE_ATTRIBUTE_REPARSE_POINT, 0x9000001A /* a cloud placeholder */, false},
        {FILE_ATTRIBUTE_ARCHIVE, IO_REPARSE_TAG_SYMLINK, false},  // the tag means nothing without the attribute
    };
    for (const auto& [attributes, tag, link] : entries)
        EXPECT_EQ(IsLinkEntry(attributes, tag), link) << std::hex << tag;
}

// Run with LANG=ja_JP.UTF-8: Wine then reports code page 932.
TEST(CodePage932, SystemReportsShiftJisLeadBytes)
{
    ASSERT_EQ(GetACP(), 932u);
    const LeadBytes& leadBytes = SystemLeadBytes();
    EXPECT_FALSE(leadBytes[0x80]);
    EXPECT_TRUE(leadBytes[0x81]);
    EXPECT_TRUE(leadBytes[0x9F]);
    EXPECT_FALSE(leadBytes[0xA0]);
    EXPECT_FALSE(leadBytes[0xDF]);
    EXPECT_TRUE(leadBytes[0xE0]);
    EXPECT_TRUE(leadBytes[0xFC]);
    EXPECT_FALSE(leadBytes[0xFD]);
}

// 0x95 0x5C is one character whose second byte has the value of "\".
TEST(CodePage932, DirectoryEndingInTrailByte5CIsNotCutThere)
{
    ASSERT_EQ(GetACP(), 932u);
    test::ScratchDirectory scratch;
    const std::string directory = scratch.Path() + "\\help\x95\x5C";
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    const std::string helpFile = directory + "\\myhelp.hlp";
    HANDLE file = CreateFileA(helpFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    EXPECT_TRUE(SystemFileOps().FileIsPresent(helpFile));
    EXPECT_EQ(FullPath(helpFile), helpFile);
    EXPECT_EQ(DirectoryPart(helpFile), directory + "\\");
    EXPECT_EQ(NamePart(helpFile), "myhelp.hlp");
    EXPECT_EQ(WithExtension(directory, ".cnt"), directory + ".cnt");
    EXPECT_EQ(DirectoryPart(directory), scratch.Path() + "\\");
    EXPECT_EQ(NamePart(directory), "help\x95\x5C");

    // Plain files there are plain files: the cache is deleted, a leftover
    // cleared and an alias copy made and deleted again.
    FileOps& files = SystemFileOps();
    const std::string leftover = directory + "\\d6.ohl.svtmp";
    const std::string alias = directory + "\\myhelp.als";
    for (const std::string& copy : {leftover, alias}) {
        files.CopyOver(helpFile, copy);
        EXPECT_TRUE(files.FileIsPresent(copy)) << copy;
    }
    EXPECT_TRUE(files.ClearLeftover(leftover));
    files.Remove(alias);
    files.Remove(helpFile);
    EXPECT_TRUE(RemoveDirectoryA(directory.c_str())) << "a plain file there was left";
}

}  // namespace
