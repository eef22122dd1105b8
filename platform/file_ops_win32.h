#pragma once

// The Windows file operations, for the tests that need them as a system
// without symbolic links to files has them.

#include <windows.h>

#include <memory>

#include "platform/file_ops.h"

// GetFinalPathNameByHandleA, which Windows has from Vista on.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

// The system's GetFinalPathNameByHandleA, or none where it has none.
FinalPathFunction LookUpFinalPathFunction();

// True when a directory entry is a link: a symbolic link or a mount point
// (junction). Other reparse points (deduplicated files, cloud placeholders,
// compressed system files) are the files they show.
bool IsLinkEntry(DWORD attributes, DWORD reparseTag);

// True under Wine, whose Unix links show as the files they lead to.
bool LinksHiddenFromWindowsCalls();

// File operations that resolve links with `finalPathFunction`; with none,
// as before Vista, every path is taken as it is. Where links are hidden
// from Windows calls, a link is told by its final path instead of its
// reparse tag.
std::unique_ptr<FileOps> MakeWin32FileOps(FinalPathFunction finalPathFunction, bool linksHidden);
