#include "platform/file_ops.h"

#include <windows.h>

namespace {

HANDLE ToHandle(FileOps::Handle file) { return reinterpret_cast<HANDLE>(file); }
FileOps::Handle FromHandle(HANDLE file) { return reinterpret_cast<FileOps::Handle>(file); }

class Win32FileOps : public FileOps {
public:
    bool OpenForReading(const std::string& path, Handle& file) override
    {
        const HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        file = FromHandle(opened);
        return opened != INVALID_HANDLE_VALUE;
    }

    bool Size(Handle file, std::uint64_t& size) override
    {
        LONG high = 0;
        const DWORD low = SetFilePointer(ToHandle(file), 0, &high, FILE_END);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
            return false;
        size = (static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low;
        return SetFilePointer(ToHandle(file), 0, nullptr, FILE_BEGIN) == 0;
    }

    bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) override
    {
        DWORD read = 0;
        const BOOL ok = ReadFile(ToHandle(file), buffer, static_cast<DWORD>(size), &read, nullptr);
        got = read;
        return ok != 0;
    }

    bool CreateNew(const std::string& path, Handle& file) override
    {
        const HANDLE created =
            CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        file = FromHandle(created);
        return created != INVALID_HANDLE_VALUE;
    }

    bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) override
    {
        DWORD count = 0;
        const BOOL ok = WriteFile(ToHandle(file), data, static_cast<DWORD>(size), &count, nullptr);
        written = count;
        return ok != 0;
    }

    bool Flush(Handle file) override { return FlushFileBuffers(ToHandle(file)) != 0; }

    void Close(Handle file) override { CloseHandle(ToHandle(file)); }

    bool Replace(const std::string& temporaryPath, const std::string& path) override
    {
        // MoveFileExA either renames over the original or leaves it as it
        // was; ReplaceFileA without a backup can fail having removed it.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return false;
        SetFileAttributesA(temporaryPath.c_str(), attributes);
        return MoveFileExA(temporaryPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
               0;
    }

    bool IsReadOnly(const std::string& path) override
    {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }

    std::string FinalPath(const std::string& path) override
    {
        // Wine follows a Unix symbolic link without reporting a reparse
        // point, so every path is asked for; a plain file answers itself.
        const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return path;
        char buffer[MAX_PATH + 8];
        const DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
        CloseHandle(file);
        return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
    }

    void Remove(const std::string& path) override { DeleteFileA(path.c_str()); }
};

}  // namespace

FileOps& SystemFileOps()
{
    static Win32FileOps files;
    return files;
}
