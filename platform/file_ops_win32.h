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

// File operations that resolve links with `finalPathFunction`; with none,
// as before Vista, every path is taken as it is.
std::unique_ptr<FileOps> MakeWin32FileOps(FinalPathFunction finalPathFunction);
