#include "platform/file_ops_win32.h"

#include "platform/paths.h"

namespace {

HANDLE ToHandle(FileOps::Handle file) { return reinterpret_cast<HANDLE>(file); }
FileOps::Handle FromHandle(HANDLE file) { return reinterpret_cast<FileOps::Handle>(file); }

// Windows refuses to replace or delete a read-only file.
void ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool DeletePlainFile(const std::string& path)
{
    ClearReadOnly(path);
    return DeleteFileA(path.c_str()) != 0;
}

// The copy takes the source's attributes, and one from read-only media would
// be read-only too: no later copy or deletion could replace it.
bool CopyAsWritable(const std::string& source, const std::string& destination)
{
    if (!CopyFileA(source.c_str(), destination.c_str(), FALSE))
        return false;
    ClearReadOnly(destination);
    return true;
}

// The path with its letter case folded, as the file system folds it.
std::string Folded(std::string path)
{
    if (!path.empty())
        CharUpperBuffA(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& identity)
{
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const BOOL known = GetFileInformationByHandle(file, &identity);
    CloseHandle(file);
    return known != 0;
}

// A name that opens the folder of a path: the folder with "." after it,
// but in a \\?\ path, which takes "." literally, without its backslash
// unless it is a drive's root.
std::string FolderOf(const std::string& path)
{
    const std::string folder = DirectoryPart(path);
    if (folder.rfind("\\\\?\\", 0) != 0)
        return folder + ".";
    return folder.size() >= 2 && folder[folder.size() - 2] == ':' ? folder : StripTrailingBackslash(folder);
}

// What a name holds. A link is one that DeleteFileA removes itself.
enum class Holder { kNothing, kPlainFile, kLink, kOther };

// The \\?\ form that GetFinalPathNameByHandleA answers in, made plain
// where the plain form is short enough for the ANSI calls.
std::string WithoutLongPathPrefix(const std::string& path)
{
    std::string plain = path;
    if (plain.rfind("\\\\?\\UNC\\", 0) == 0)
        plain.erase(2, 6);
    else if (plain.rfind("\\\\?\\", 0) == 0)
        plain.erase(0, 4);
    return plain.size() < MAX_PATH ? plain : path;
}

class Win32FileOps : public FileOps {
public:
    Win32FileOps(FinalPathFunction finalPathFunction, bool linksHidden)
        : finalPathFunction_(finalPathFunction), linksHidden_(linksHidden)
    {
    }

    bool FileIsPresent(const std::string& path) override
    {
        if (HoldsWildcard(path))
            return false;
        WIN32_FIND_DATAA entry;
        const HANDLE search = FindFirstFileA(path.c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return false;
        FILETIME localTime{};
        FileTimeToLocalFileTime(&entry.ftLastWriteTime, &localTime);
        WORD dosDate = 0;
        WORD dosTime = 0;
        return FileTimeToDosDateTime(&localTime, &dosDate, &dosTime) != 0;
    }

    bool IsSameFile(const std::string& first, const std::string& second) override
    {
        BY_HANDLE_FILE_INFORMATION one;
        BY_HANDLE_FILE_INFORMATION other;
        return FileIdentity(first, one) && FileIdentity(second, other) &&
               one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh &&
               one.nFileIndexLow == other.nFileIndexLow;
    }

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
        const std::string final = FinalPathIfKnown(path);
        return final.empty() ? path : final;
    }

    void Remove(const std::string& path) override
    {
        const Holder holder = Inspect(path);
        if (holder == Holder::kPlainFile)
            DeletePlainFile(path);
        else if (holder == Holder::kLink)
            DeleteFileA(path.c_str());
    }

    bool ClearLeftover(const std::string& path) override
    {
        const Holder holder = Inspect(path);
        return holder == Holder::kNothing || (holder == Holder::kPlainFile && DeletePlainFile(path));
    }

    void CopyOver(const std::string& source, const std::string& destination) override
    {
        const Holder holder = Inspect(destination);
        if (holder == Holder::kNothing || holder == Holder::kPlainFile) {
            ClearReadOnly(destination);
            CopyAsWritable(source, destination);
            return;
        }
        // A link is never written through: a copy made beside it takes its
        // place. A folder there refuses the copy.
        const std::string copy = destination + kTemporarySuffix;
        if (ClearLeftover(copy) && CopyAsWritable(source, copy) &&
            !MoveFileExA(copy.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING))
            DeletePlainFile(copy);
    }

private:
    // The path of the file itself, in its plain form where it fits; empty
    // when it cannot be told.
    std::string FinalPathIfKnown(const std::string& path)
    {
        if (finalPathFunction_ == nullptr)
            return std::string();
        const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return std::string();
        char buffer[4 * MAX_PATH];
        const DWORD length = finalPathFunction_(file, buffer, sizeof buffer, 0 /* FILE_NAME_NORMALIZED */);
        CloseHandle(file);
        return length > 0 && length < sizeof buffer ? WithoutLongPathPrefix(std::string(buffer, length))
                                                    : std::string();
    }

    Holder Inspect(const std::string& path)
    {
        if (HoldsWildcard(path))
            return Holder::kOther;
        WIN32_FIND_DATAA entry;
        const HANDLE search = FindFirstFileA(path.c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            // Wine finds no entry for a dangling link, and says so otherwise.
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Holder::kNothing : Holder::kOther;
        }
        FindClose(search);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return Holder::kOther;
        if (IsLinkEntry(entry.dwFileAttributes, entry.dwReserved0))
            return Holder::kLink;
        return linksHidden_ && LeadsElsewhere(path, entry.cFileName) ? Holder::kOther : Holder::kPlainFile;
    }

    // Wine follows a Unix symbolic link without reporting a reparse point,
    // and DeleteFileA would delete what it leads to: such a link shows in a
    // final path that is not its folder's with its own name.
    bool LeadsElsewhere(const std::string& path, const char* name)
    {
        const std::string file = FinalPathIfKnown(path);
        const std::string folder = FinalPathIfKnown(FolderOf(path));
        // What cannot be told counts as a link: it is left alone.
        return file.empty() || folder.empty() || Folded(file) != Folded(StripTrailingBackslash(folder) + "\\" + name);
    }

    FinalPathFunction finalPathFunction_;
    bool linksHidden_;
};

}  // namespace

bool IsLinkEntry(DWORD attributes, DWORD reparseTag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (reparseTag == IO_REPARSE_TAG_SYMLINK || reparseTag == IO_REPARSE_TAG_MOUNT_POINT);
}

bool LinksHiddenFromWindowsCalls()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

FinalPathFunction LookUpFinalPathFunction()
{
    // Windows Vista and later; before them no file is a symbolic link.
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<FinalPathFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
}

FileOps& SystemFileOps()
{
    static Win32FileOps files(LookUpFinalPathFunction(), LinksHiddenFromWindowsCalls());
    return files;
}

std::unique_ptr<FileOps> MakeWin32FileOps(FinalPathFunction finalPathFunction, bool linksHidden)
{
    return std::make_unique<Win32FileOps>(finalPathFunction, linksHidden);
}
