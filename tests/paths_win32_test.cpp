#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "platform/environment_win32.h"
#include "platform/file_ops_win32.h"
#include "platform/file_ops.h"
#include "platform/file_rules.h"
#include "platform/paths.h"
#include "platform/exceptions.h"
#include "registration/line_file.h"
#include "registration/replace_file.h"
#include "registration/virtual_store.h"
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
// `heldPath` against the next `held` copies and replaces; a file `planted`
// after the search is not found by it; and, as on a RAM disk or some network
// redirectors, no final path is told unless `finalPathsKnown`. It counts
// the files that take another's place without being flushed first.
namespace strict {

const DWORD kRefusing = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
std::set<std::string> links;
std::string heldPath;
int held = 0;
int writesThroughLinks = 0;
std::string planted;
bool finalPathsKnown = true;
std::map<HANDLE, std::string> writing;
std::set<std::string> flushed;
int unflushedReplaces = 0;
int impersonable = 0;  // opens whose pipe server could act as the run
std::map<HANDLE, std::string> paths;        // every open handle's path
std::vector<std::string> opened;            // every path opened, in turn
std::map<std::string, std::string> owners;  // path: its owner, in SDDL
std::set<std::string> untrusted;            // junctions the redirection guard refuses
std::set<std::string> secondNames;          // files with another name
std::set<std::string> unlisted;             // entries the run may not list
std::set<HANDLE> renamedUnflushed;
int renamesWithin = 0;

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
    if (path == planted || unlisted.count(path) != 0) {
        SetLastError(path == planted ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
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

HANDLE WINAPI Create(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE model)
{
    impersonable += static_cast<int>((flags & SECURITY_SQOS_PRESENT) == 0);
    if (untrusted.count(path) != 0) {
        SetLastError(448);  // ERROR_UNTRUSTED_MOUNT_POINT
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE file = CreateFileA(path, access, share, security, disposition, flags, model);
    paths[file] = path;
    opened.push_back(path);
    if (file != INVALID_HANDLE_VALUE && (access & GENERIC_WRITE) != 0)
        writing[file] = path;
    return file;
}

BOOL WINAPI Flush(HANDLE file)
{
    renamedUnflushed.erase(file);
    flushed.insert(writing[file]);
    return FlushFileBuffers(file);
}

DWORD WINAPI FinalPath(HANDLE file, LPWSTR buffer, DWORD size, DWORD flags)
{
    return finalPathsKnown ? SystemFileCalls().getFinalPathNameByHandle(file, buffer, size, flags) : 0;
}

BOOL WINAPI Move(LPCSTR from, LPCSTR to, DWORD flags)
{
    unflushedReplaces += static_cast<int>(flushed.count(from) == 0);
    return Let(to, 0) && MoveFileExA(from, to, flags) && Unlinked(to);
}

BOOL WINAPI Delete(LPCSTR path) { return DeleteFileA(path) && Unlinked(path); }

// A rename relative to a folder's handle (FileRenameInformation), which
// stays unflushed until its handle is flushed.
LONG WINAPI SetInformation(HANDLE file, void* status, void* information, ULONG size, int kind)
{
    const LONG result = SystemFileCalls().ntSetInformationFile(file, status, information, size, kind);
    if (kind == 10 && result >= 0) {
        ++renamesWithin;
        renamedUnflushed.insert(file);
    }
    return result;
}

DWORD WINAPI Security(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION information, PSID* owner, PSID* group,
                      PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor)
{
    const auto found = owners.find(paths[file]);
    if (found == owners.end())
        return GetSecurityInfo(file, type, information, owner, group, dacl, sacl, descriptor);
    if (found->second.empty())
        return ERROR_ACCESS_DENIED;
    BOOL defaulted = FALSE;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(("O:" + found->second).c_str(), SDDL_REVISION_1,
                                                              descriptor, nullptr) ||
        !GetSecurityDescriptorOwner(*descriptor, owner, &defaulted))
        return GetLastError();
    return ERROR_SUCCESS;
}

// A file opened by its name relative to a folder's handle is known by
// that name.
LONG WINAPI CreateWithin(HANDLE* file, ACCESS_MASK access, void* attributes, void* status, LARGE_INTEGER* size,
                         ULONG fileAttributes, ULONG share, ULONG disposition, ULONG options, void* extended,
                         ULONG extendedSize)
{
    const LONG result = SystemFileCalls().ntCreateFile(file, access, attributes, status, size, fileAttributes, share,
                                                       disposition, options, extended, extendedSize);
    struct Name {
        USHORT length;
        USHORT maximumLength;
        WCHAR* buffer;
    };
    const Name* name = *reinterpret_cast<Name* const*>(static_cast<char*>(attributes) + 2 * sizeof(void*));
    if (result >= 0)
        paths[*file] = std::string(name->buffer, name->buffer + name->length / sizeof(WCHAR));
    return result;
}

BOOL WINAPI Identity(HANDLE file, LPBY_HANDLE_FILE_INFORMATION identity)
{
    const BOOL told = GetFileInformationByHandle(file, identity);
    if (told && secondNames.count(paths[file]) != 0)
        identity->nNumberOfLinks = 2;
    return told;
}

int mitigationPolicy = -1;
DWORD mitigationFlags = 0;
BOOL WINAPI SetMitigation(int policy, void* buffer, SIZE_T size)
{
    mitigationPolicy = policy;
    mitigationFlags = size == sizeof(DWORD) ? *static_cast<DWORD*>(buffer) : 0;
    return TRUE;
}

std::unique_ptr<FileOps> Files()
{
    Win32FileCalls calls = SystemFileCalls();
    calls.findFirstFile = Find;
    calls.createFile = Create;
    calls.flushFileBuffers = Flush;
    calls.getFinalPathNameByHandle = FinalPath;
    calls.copyFile = Copy;
    calls.moveFileEx = Move;
    calls.deleteFile = Delete;
    calls.ntSetInformationFile = SetInformation;
    calls.getSecurityInfo = Security;
    calls.ntCreateFile = CreateWithin;
    calls.getFileInformationByHandle = Identity;
    return MakeWin32FileOps(calls, false);
}

}  // namespace strict

// The alias copy on Windows: hidden, system and read-only destinations are
// replaced, the copy has normal attributes whatever the source has, a copy
// that another program refuses twice goes through on the third try, and a
// link is replaced itself, never written through, by a copy flushed before
// it takes the link's place and made only at a free name.
TEST(Win32Paths, AliasCopyFollowsWindowsRules)
{
    const struct {
        const char* name;
        DWORD destination;  // attributes of an old copy there; 0: none
        DWORD source;
        int held;
        bool link;
        bool planted;  // a file put at the copy's temporary name after the search
    } cases[] = {
        {"hidden destination", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_NORMAL, 0, false, false},
        {"system destination", FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_NORMAL, 0, false, false},
        {"read-only destination", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_NORMAL, 0, false, false},
        {"hidden, read-only source", 0, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, 0, false, false},
        {"copy refused twice", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 2, false, false},
        {"a link by its reparse tag", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 0, true, false},
        {"a link, its replace refused twice", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 2, true, false},
        {"a link, a file planted at the copy's name", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL, 0, true, true},
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
        strict::writesThroughLinks = strict::unflushedReplaces = 0;
        strict::heldPath = destination;
        strict::held = row.held;
        strict::planted = row.planted ? TemporaryPathOf(destination) : "";
        if (row.planted)
            test::WriteFileBytes(scratch.Native("d7.als.svtmp"), "planted");
        CopyOver(source, destination, *strict::Files());
        SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.als")), row.planted ? "old alias" : "new alias") << row.name;
        EXPECT_EQ(GetFileAttributesA(destination.c_str()) & strict::kRefusing, 0u) << row.name;
        EXPECT_EQ(strict::writesThroughLinks, 0) << row.name;
        EXPECT_EQ(strict::links.empty(), !row.planted) << row.name << ": the link was not replaced itself";
        EXPECT_EQ(strict::unflushedReplaces, 0) << row.name;
        if (row.planted) {
            EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.als.svtmp")), "planted") << row.name;
        }
        SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    strict::planted.clear();
}

// A save and a copy made through their folder's handle are on disk when the
// step is done, as MOVEFILE_WRITE_THROUGH makes a plain replace; no file is
// opened so that the server of a pipe at its name could act as the run; and
// the run asks Windows not to follow a junction that no administrator made.
TEST(Win32Paths, StepsThroughAFoldersHandleAreDurableAndLendTheRunToNoPipe)
{
    test::ScratchDirectory scratch;
    test::WriteFileBytes(scratch.Native("d7.ohl"), ":Link d7.hlp\r\n");
    test::WriteFileBytes(scratch.Native("myhelp.als"), "alias");
    test::WriteFileBytes(scratch.Native("d7.als"), "old alias");
    strict::impersonable = strict::renamesWithin = 0;
    strict::renamedUnflushed.clear();
    const std::unique_ptr<FileOps> files = strict::Files();
    const std::string folder = files->FinalPath(scratch.Path());
    const std::unique_ptr<FileOps> confined = ConfinedTo(*files, folder);
    const LineFileEdit edit = PlanLineFileEdit(folder + "\\d7.ohl", ":LINK myhelp.hlp", LineEdit::kAdd, *confined);
    SaveLineFileEdits({&edit});
    CopyOver(scratch.Path("myhelp.als"), folder + "\\d7.als", *confined);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.ohl")), ":Link d7.hlp\r\n:LINK myhelp.hlp\r\n");
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("d7.als")), "alias");
    EXPECT_EQ(strict::renamesWithin, 2);
    EXPECT_TRUE(strict::renamedUnflushed.empty());
    EXPECT_EQ(strict::impersonable, 0);

    EXPECT_TRUE(EnableRedirectionGuard(strict::SetMitigation));
    EXPECT_EQ(strict::mitigationPolicy, 16);  // ProcessRedirectionTrustPolicy
    EXPECT_EQ(strict::mitigationFlags, 1u);   // EnforceRedirectionTrust
}

// Who made each link on the way to a file is told by the link's owner,
// before anything follows it:
// administrators, the system and TrustedInstaller are trusted everywhere,
// the user running the run only in a run for that user. Where the
// redirection guard refuses a junction, or the handle shows a second name
// (hard links of older Windows), nothing is read.
TEST(Win32Paths, LinksOnTheWayAreToldWithWhoMadeThem)
{
    test::ScratchDirectory scratch;
    std::filesystem::create_directories(scratch.Native("ide/Help"));
    test::WriteFileBytes(scratch.Native("ide/Help/d7.ohl"), ":Link d7.hlp\r\n");
    const std::string ide = scratch.Path("ide");
    const std::string member = scratch.Path("ide") + "\\Help\\d7.ohl";
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    char user[256];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &size));
    CloseHandle(token);
    char* runningUser = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &runningUser));
    const std::pair<std::string, LinkMaker> owners[] = {
        {"BA", LinkMaker::kSystem},  // Administrators
        {"SY", LinkMaker::kSystem},
        {"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", LinkMaker::kSystem},  // TrustedInstaller
        {runningUser, LinkMaker::kRunningUser},
        {"S-1-5-21-1111-2222-3333-1001", LinkMaker::kOther},
        {"", LinkMaker::kOther},  // the owner cannot be read
    };
    LocalFree(runningUser);
    strict::links = {ide, member};
    for (const auto& [owner, maker] : owners) {
        strict::owners = {{ide, owner}, {member, "SY"}};
        // Nothing past a link of anyone's is looked at.
        const std::vector<LinkOnTheWay> links = strict::Files()->LinksOnTheWay(member);
        ASSERT_EQ(links.size(), maker == LinkMaker::kOther ? 1u : 2u) << owner;
        EXPECT_EQ(links[0].path, ide);
        EXPECT_EQ(links[0].maker, maker) << owner;
        EXPECT_EQ(links.back().path, maker == LinkMaker::kOther ? ide : member);
    }
    strict::links.clear();
    strict::owners.clear();
    // A folder the run may not list could hide a link.
    strict::unlisted = {ide};
    const std::vector<LinkOnTheWay> hidden = strict::Files()->LinksOnTheWay(member);
    strict::unlisted.clear();
    ASSERT_EQ(hidden.size(), 1u);
    EXPECT_EQ(hidden[0].maker, LinkMaker::kOther);

    // A user's link in the VirtualStore is seen before anything opens a
    // path through it, which could lead to a share.
    std::filesystem::create_directories(scratch.Native("VirtualStore/Virtualized/Help"));
    test::WriteFileBytes(scratch.Native("VirtualStore/Virtualized/Help/d7.ohl"), ":Link own.hlp\r\n");
    const VirtualStore store{SystemFileOps().FinalPath(scratch.Path("VirtualStore")), {"C:\\Virtualized"}};
    strict::links = {store.folder + "\\Virtualized"};
    strict::owners = {{store.folder + "\\Virtualized", "S-1-5-21-1111-2222-3333-1001"}};
    strict::opened.clear();
    EXPECT_TRUE(VirtualStoreCopyOf("C:\\Virtualized\\Help\\d7.ohl", store, *strict::Files()).foreign);
    for (const std::string& path : strict::opened)
        EXPECT_FALSE(LiesBelow(path, store.folder + "\\Virtualized")) << path;
    strict::links.clear();
    strict::owners.clear();

    const std::unique_ptr<FileOps> files = strict::Files();
    const std::string folder = files->FinalPath(scratch.Path("ide\\Help"));
    EXPECT_EQ(LoadFileText(member, *ConfinedTo(*files, folder)).size(), 14u);
    for (std::set<std::string>* refusal : {&strict::untrusted, &strict::secondNames}) {
        *refusal = {refusal == &strict::untrusted ? DirectoryPart(member) + "." : "d7.ohl"};
        EXPECT_THROW(LoadFileText(member, *ConfinedTo(*files, folder)), EFOpenError) << *refusal->begin();
        refusal->clear();
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
    // A plain file is deleted where the system tells no final path.
    test::WriteFileBytes(scratch.Native("d6.gid"), "plain");
    strict::finalPathsKnown = false;
    RemoveFile(scratch.Path("d6.gid"), *files);
    strict::finalPathsKnown = true;
    EXPECT_FALSE(std::filesystem::exists(scratch.Native("d6.gid")));

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
