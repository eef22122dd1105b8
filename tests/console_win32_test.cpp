#include <windows.h>

#include <gtest/gtest.h>

#include "platform/console.h"

namespace {

// A pipe that takes nothing without waiting: Wine's WriteFile then reports
// success with fewer bytes than it was given, as a device may.
TEST(Win32StandardOutput, ShortWriteIsARefusal)
{
    const char* name = "\\\\.\\pipe\\sorvane-short-write";
    const HANDLE server = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 16, 16, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const HANDLE client = CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    DWORD mode = PIPE_NOWAIT;
    ASSERT_TRUE(SetNamedPipeHandleState(client, &mode, nullptr, nullptr));
    const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, client);
    const std::string block(Console::kBufferSize, 'x');
    const bool written = StandardOutput().Write(block.data(), block.size());
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(client);
    CloseHandle(server);
    EXPECT_FALSE(written);
}

}  // namespace
