#pragma once

// The Windows file layer, for the tests that play Windows where Wine is
// more lenient than Windows, or a system without symbolic links to files.

#include <windows.h>
#include <aclapi.h>

#include <memory>
#include <string>

#include "platform/file_ops.h"

// GetFinalPathNameByHandleW, which Windows has from Vista on.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
// ntdll's NtCreateFile and NtSetInformationFile, which create a file in, and
// rename a file into, a folder that a handle names: kernel32 has no call for
// either before Windows 10.
using CreateFunction = LONG(WINAPI*)(HANDLE* file, ACCESS_MASK access, void* attributes, void* status,
                                     LARGE_INTEGER* size, ULONG fileAttributes, ULONG share, ULONG disposition,
                                     ULONG options, void* extended, ULONG extendedSize);
using SetInformationFunction = LONG(WINAPI*)(HANDLE, void* status, void* information, ULONG size, int kind);

// Every system call of the file layer, in one table that a test can change
// to make the system behave as Windows does where Wine does not (hidden
// and read-only destinations, reparse tags, a refusal that comes once).
struct Win32FileCalls {
    decltype(&FindFirstFileA) findFirstFile;
    decltype(&FindClose) findClose;
    decltype(&CreateFileA) createFile;
    decltype(&GetFileInformationByHandle) getFileInformationByHandle;
    decltype(&CloseHandle) closeHandle;
    decltype(&SetFilePointer) setFilePointer;
    decltype(&ReadFile) readFile;
    decltype(&WriteFile) writeFile;
    decltype(&FlushFileBuffers) flushFileBuffers;
    decltype(&GetFileAttributesA) getFileAttributes;
    decltype(&SetFileAttributesA) setFileAttributes;
    decltype(&CopyFileA) copyFile;
    decltype(&MoveFileExA) moveFileEx;
    decltype(&DeleteFileA) deleteFile;
    decltype(&Sleep) sleep;
    decltype(&GetSecurityInfo) getSecurityInfo;
    // None before Vista, where no file is a symbolic link.
    FinalPathFunction getFinalPathNameByHandle;
    CreateFunction ntCreateFile;
    SetInformationFunction ntSetInformationFile;
};

// The system's own calls.
Win32FileCalls SystemFileCalls();

// A path as the ANSI calls can open it: by the short (8.3) names of its
// folders and file where its own names hold characters outside the ANSI
// code page, as a profile named in Greek on a Western Windows does; empty
// where even those cannot be written in it.
std::string AnsiPathOf(const std::wstring& path);

// True when a directory entry is a link: a symbolic link or a mount point
// (junction). Other reparse points (deduplicated files, cloud placeholders,
// compressed system files) are the files they show.
bool IsLinkEntry(DWORD attributes, DWORD reparseTag);

// True under Wine, whose Unix links show as the files they lead to.
bool LinksHiddenFromWindowsCalls();

// File operations over `calls`; without a final path call every path is
// taken as it is. Where links are hidden from Windows calls, a link is told
// by its final path instead of its reparse tag.
std::unique_ptr<FileOps> MakeWin32FileOps(const Win32FileCalls& calls, bool linksHidden);
