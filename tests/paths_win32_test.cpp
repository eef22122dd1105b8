#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>

#include "platform/file_ops_win32.h"
#include "platform/file_ops.h"
#include "platform/file_rules.h"
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
// links to files: no final path is told there, and a save takes the path as
// it is.
TEST(Win32Paths, FinalPathFollowsALinkOnlyWhereTheSystemResolvesLinks)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("target.ohi"), "index");
    ASSERT_TRUE(test::MakeSymbolicLink(scratch.Native("target.ohi"), scratch.Native("d7.ohi")));
    const std::string link = scratch.Path("d7.ohi");
    Win32FileCalls calls = SystemFileCalls();
    ASSERT_NE(calls.getFinalPathNameByHandle, nullptr);
    EXPECT_EQ(NamePart(MakeWin32FileOps(calls, true)->FinalPath(link)), "target.ohi");
    calls.getFinalPathNameByHandle = nullptr;
    EXPECT_EQ(MakeWin32FileOps(calls, true)->FinalPath(link), "");
}

// Windows where Wine is lenient: CopyFileA, like CreateFileA with
// CREATE_ALWAYS, refuses a hidden, system or read-only destination; a name
// in `links` is a symbolic link by its reparse tag; another program holds
// `heldPath` against the next `held` copies and replaces.
namespace strict {

const DWORD kRefusing = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
std::set<std::string> links;
std::string heldPath;
int held = 0;
int writesThroughLinks = 0;

// False, with the error that Windows gives, when Windows refuses a step on
// `path`: another program holds it, or its attributes refuse the step.
BOOL Let(LPCSTR path, DWORD refusingAttributes)
{
    const DWORD found = GetFileAttributesA(path);
    if (path == heldPath && held > 0) {
        --held;
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (found == INVALID_FILE_ATTRIBUTES || (found & refusingAttributes) == 0)
        return TRUE;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// A link replaced or deleted is gone itself.
BOOL Unlinked(LPCSTR path)
{
    links.erase(path);
    return TRUE;
}

HANDLE WINAPI Find(LPCSTR path, LPWIN32_FIND_DATAA entry)
{
    const HANDLE search = FindFirstFileA(path, entry);
    if (search != INVALID_HANDLE_VALUE && links.count(path) != 0) {
        entry->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        entry->dwReserved0 = IO_REPARSE_TAG_SYMLINK;
    }
    return search;
}

BOOL WINAPI Copy(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    writesThroughLinks += static_cast<int>(links.count(to));
    return Let(to, kRefusing) && CopyFileA(from, to, failIfExists);
}

BOOL WINAPI Move(LPCSTR from, LPCSTR to, DWORD flags)
{
    return Let(to, 0) && MoveFileExA(from, to, flags) && Unlinked(to);
}

BOOL WINAPI Delete(LPCSTR path) { return DeleteFileA(path) && Unlinked(path); }

std::unique_ptr<FileOps> Files()
{
    Win32FileCalls calls = SystemFileCalls();
    calls.findFirstFile = Find;
    calls.copyFile = Copy;
    calls.moveFileEx = Move;
    calls.deleteFile = Delete;
    return MakeWin32FileOps(calls, false);
}

}  // namespace strict

// The alias copy on Windows: hidden, system and read-only destinations are
// replaced, the copy has normal attributes whatever the source has, a copy
// that another program refuses twice goes through on the third try, and a
// link is replaced itself, never written through.
TEST(Win32Paths, AliasCopyFollowsWindowsRules)
{
    const struct {
        const char* name;
        DWORD destination;  // attributes of an old copy there; 0: none
        DWORD source;
        int held;
        bool link;
    } cases[] = {
        {"hidden destination", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_NORMAL, 0, false},
        {"system destination", FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_NORMAL, 0, false},
        {"read-only destination", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_NORMAL, 0, false},
        {"hidden, read-only source", 0, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, 0, false},
        {"copy refused twice", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 2, false},
        {"a link by its reparse tag", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 0, true},
        {"a link, its replace refused twice", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 2, true},
    };
    for (const auto& row : cases) {
        test::ScratchDirectory scratch;
        const std::string source = scratch.Path("myhelp.als");
        const std::string destination = scratch.Path("d7.als");
        test::WriteFileBytes(scratch.Native("myhelp.als"), "new alias");
        ASSERT_TRUE(SetFileAttributesA(source.c_str(), row.source));
        if (row.destination != 0) {
            test::WriteFileBytes(scratch.Native("d7.als"), "old alias");
            ASSERT_TRUE(SetFileAttributesA(destination.c_str(), row.destination));
        }
        strict::links = row.link ? std::set<std::string>{destination} : std::set<std::string>{};
        strict::writesThroughLinks = 0;
        strict::heldPath = destination;
        strict::held = row.held;
        CopyOver(source, destination, *strict::Files());
        SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.als")), "new alias") << row.name;
        EXPECT_EQ(GetFileAttributesA(destination.c_str()) & strict::kRefusing, 0u) << row.name;
        EXPECT_EQ(strict::writesThroughLinks, 0) << row.name;
        EXPECT_TRUE(strict::links.empty()) << row.name << ": the link was not replaced itself";
        SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// A link by its reparse tag is deleted itself, and never cleared as a
// leftover.
TEST(Win32Paths, LinksAreToldByTheirReparseTag)
{
    test::ScratchDirectory scratch;
    for (const char* name : {"d7.gid", "d7.ohl.svtmp"})
        test::WriteFileBytes(scratch.Native(name), "plain");
    strict::links = {scratch.Path("d7.gid"), scratch.Path("d7.ohl.svtmp")};
    const std::unique_ptr<FileOps> files = strict::Files();
    RemoveFile(scratch.Path("d7.gid"), *files);
    EXPECT_EQ(strict::links.count(scratch.Path("d7.gid")), 0u) << "the link was not deleted";
    EXPECT_FALSE(ClearLeftover(scratch.Path("d7.ohl.svtmp"), *files));
    EXPECT_TRUE(std::filesystem::exists(scratch.Native("d7.ohl.svtmp")));

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
        CopyOver(helpFile, copy, files);
        EXPECT_TRUE(files.FileIsPresent(copy)) << copy;
    }
    EXPECT_TRUE(ClearLeftover(leftover, files));
    RemoveFile(alias, files);
    RemoveFile(helpFile, files);
    EXPECT_TRUE(RemoveDirectoryA(directory.c_str())) << "a plain file there was left";
}

}  // namespace
