#include "platform/file_ops_win32.h"

#include "platform/paths.h"

#include <cstring>
#include <vector>

namespace {

HANDLE ToHandle(FileOps::Handle file) { return reinterpret_cast<HANDLE>(file); }
FileOps::Handle FromHandle(HANDLE file) { return reinterpret_cast<FileOps::Handle>(file); }

// The path with its letter case folded, as the file system folds it.
std::string Folded(std::string path)
{
    if (!path.empty())
        CharUpperBuffA(&path[0], static_cast<DWORD>(path.size()));
    return path;
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

// What another program's handle makes Windows answer while it holds the
// file.
FileStep Outcome(BOOL done)
{
    if (done)
        return FileStep::kDone;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED
               ? FileStep::kHeld
               : FileStep::kFailed;
}

// NtSetInformationFile's structures, laid out as Windows' own.
struct IoStatus {
    void* status;
    ULONG_PTR information;
};
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
};
struct DispositionInformation {
    BOOLEAN deleteFile;
};
struct UnicodeText {
    USHORT length;
    USHORT maximumLength;
    WCHAR* buffer;
};
struct ObjectAttributes {
    ULONG length;
    HANDLE rootDirectory;
    UnicodeText* objectName;
    ULONG attributes;
    void* securityDescriptor;
    void* securityQualityOfService;
};
const ULONG kCaseInsensitive = 0x40;
const ULONG kOpen = 1;                             // FILE_OPEN: only what is there
const ULONG kCreate = 2;                           // FILE_CREATE: fails when anything is there
const ULONG kOpenReparsePoint = 0x00200000;        // FILE_OPEN_REPARSE_POINT: a link itself
const ULONG kNonDirectorySynchronous = 0x40 | 0x20;  // FILE_NON_DIRECTORY_FILE, FILE_SYNCHRONOUS_IO_NONALERT
const int kFileRenameInformation = 10;
const int kFileDispositionInformation = 13;

// A name in the ANSI code page as the native calls take it.
std::wstring WideName(const std::string& name)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), &wide[0], length);
    return wide;
}

// What another program's handle makes the native call answer while it
// holds the file: a sharing violation, a lock conflict or access denied.
FileStep OutcomeOfStatus(LONG status)
{
    if (status >= 0)
        return FileStep::kDone;
    const ULONG code = static_cast<ULONG>(status);
    return code == 0xC0000043 || code == 0xC0000054 || code == 0xC0000022 ? FileStep::kHeld : FileStep::kFailed;
}

const DWORD kRefusingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A path may name a pipe that a user serves: its server may learn who the
// run is, never act as it.
const DWORD kIdentifyOnly = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

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

// Administrators, SYSTEM and TrustedInstaller; the user running the run;
// anyone else.
LinkMaker MakerBySid(PSID owner)
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const struct {
        BYTE count;
        DWORD parts[6];
    } trusted[] = {
        {2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}},
        {1, {SECURITY_LOCAL_SYSTEM_RID}},
        {6, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}},  // NT SERVICE\TrustedInstaller
    };
    for (const auto& sid : trusted) {
        PSID known = nullptr;
        if (!AllocateAndInitializeSid(&nt, sid.count, sid.parts[0], sid.parts[1], sid.parts[2], sid.parts[3],
                                      sid.parts[4], sid.parts[5], 0, 0, &known))
            continue;
        const BOOL same = EqualSid(owner, known);
        FreeSid(known);
        if (same)
            return LinkMaker::kSystem;
    }
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return LinkMaker::kOther;
    std::vector<char> user(256);
    DWORD size = 0;
    const bool told = GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size) != 0;
    CloseHandle(token);
    return told && EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid) ? LinkMaker::kRunningUser
                                                                                       : LinkMaker::kOther;
}

// An entry's name as a final path writes it: its short name where its own
// holds characters the ANSI code page lacks (shown as "?").
const char* OwnName(const WIN32_FIND_DATAA& entry)
{
    return std::strchr(entry.cFileName, '?') != nullptr && entry.cAlternateFileName[0] != '\0' ? entry.cAlternateFileName
                                                                                               : entry.cFileName;
}

// A name in a folder; a drive's root keeps its one backslash.
std::string JoinedPath(const std::string& folder, const std::string& name)
{
    return StripTrailingBackslash(folder) + "\\" + name;
}

class Win32FileOps : public FileOps {
public:
    Win32FileOps(const Win32FileCalls& calls, bool linksHidden) : calls_(calls), linksHidden_(linksHidden) {}

    bool FileIsPresent(const std::string& path) override
    {
        if (HoldsWildcard(path))
            return false;
        WIN32_FIND_DATAA entry;
        const HANDLE search = calls_.findFirstFile(path.c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        calls_.findClose(search);
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

    NameHolder Inspect(const std::string& path) override
    {
        if (HoldsWildcard(path))
            return NameHolder::kOther;
        WIN32_FIND_DATAA entry;
        const HANDLE search = calls_.findFirstFile(path.c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            // Wine finds no entry for a dangling link, and says so otherwise.
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NameHolder::kNothing
                                                                                  : NameHolder::kOther;
        }
        calls_.findClose(search);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return NameHolder::kOther;
        if (IsLinkEntry(entry.dwFileAttributes, entry.dwReserved0))
            return NameHolder::kLink;
        return linksHidden_ && LeadsElsewhere(path, OwnName(entry)) ? NameHolder::kOther : NameHolder::kPlainFile;
    }

    bool IsReadOnly(const std::string& path) override
    {
        const DWORD attributes = calls_.getFileAttributes(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }

    std::string FinalPath(const std::string& path) override
    {
        const HANDLE file = Open(path, 0, FILE_FLAG_BACKUP_SEMANTICS);
        const std::string finalPath = FinalPathOf(file);
        if (file != INVALID_HANDLE_VALUE)
            calls_.closeHandle(file);
        return finalPath;
    }

    unsigned NameCount(const std::string& path) override
    {
        BY_HANDLE_FILE_INFORMATION identity;
        return FileIdentity(path, identity) ? identity.nNumberOfLinks : 0;
    }

    // A link is told by its reparse tag, and where Wine hides its links, by
    // a final path that is not its folder's with its own name. Each entry
    // is found by listing its folder, from the root down, so that no link is
    // followed before it is seen; a folder the run may not list hides what
    // it holds, and counts as a link of anyone's.
    std::vector<LinkOnTheWay> LinksOnTheWay(const std::string& path) override
    {
        std::vector<LinkOnTheWay> links;
        for (const std::string& step : StepsDown(path)) {
            WIN32_FIND_DATAA entry;
            const HANDLE search = HoldsWildcard(step) ? INVALID_HANDLE_VALUE : calls_.findFirstFile(step.c_str(), &entry);
            if (search == INVALID_HANDLE_VALUE) {
                const DWORD error = HoldsWildcard(step) ? ERROR_INVALID_NAME : GetLastError();
                if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
                    links.push_back({step, LinkMaker::kOther});
                break;
            }
            calls_.findClose(search);
            if (IsLinkEntry(entry.dwFileAttributes, entry.dwReserved0) ||
                (linksHidden_ && LeadsElsewhere(step, OwnName(entry))))
                links.push_back({step, MakerOf(step)});
            if (!links.empty() && links.back().maker == LinkMaker::kOther)
                break;
        }
        return links;
    }

    FileStep OpenForReading(const std::string& path, Handle& file) override
    {
        const HANDLE opened = calls_.createFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL | kIdentifyOnly, nullptr);
        file = FromHandle(opened);
        return Outcome(opened != INVALID_HANDLE_VALUE);
    }

    bool Size(Handle file, std::uint64_t& size) override
    {
        LONG high = 0;
        const DWORD low = calls_.setFilePointer(ToHandle(file), 0, &high, FILE_END);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
            return false;
        size = (static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low;
        return calls_.setFilePointer(ToHandle(file), 0, nullptr, FILE_BEGIN) == 0;
    }

    bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) override
    {
        DWORD read = 0;
        const BOOL ok = calls_.readFile(ToHandle(file), buffer, static_cast<DWORD>(size), &read, nullptr);
        got = read;
        return ok != 0;
    }

    FileStep CreateNew(const std::string& path, Handle& file) override
    {
        const HANDLE created = calls_.createFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                 FILE_ATTRIBUTE_NORMAL | kIdentifyOnly, nullptr);
        file = FromHandle(created);
        return Outcome(created != INVALID_HANDLE_VALUE);
    }

    bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) override
    {
        DWORD count = 0;
        const BOOL ok = calls_.writeFile(ToHandle(file), data, static_cast<DWORD>(size), &count, nullptr);
        written = count;
        return ok != 0;
    }

    bool Flush(Handle file) override { return calls_.flushFileBuffers(ToHandle(file)) != 0; }

    void Close(Handle file) override { calls_.closeHandle(ToHandle(file)); }

    // CopyFileA gives the copy the source's attributes, and leaves its bytes
    // in the cache.
    FileStep Copy(const std::string& source, const std::string& destination, bool replaceExisting) override
    {
        if (!calls_.copyFile(source.c_str(), destination.c_str(), replaceExisting ? FALSE : TRUE))
            return Outcome(FALSE);
        if (calls_.setFileAttributes(destination.c_str(), FILE_ATTRIBUTE_NORMAL) &&
            (replaceExisting || FlushClosedFile(destination)))
            return FileStep::kDone;
        // A new copy that is not ready goes; one over the old copy is whole.
        if (!replaceExisting)
            calls_.deleteFile(destination.c_str());
        return FileStep::kFailed;
    }

    bool TakeAttributes(const std::string& path, const std::string& model) override
    {
        const DWORD attributes = calls_.getFileAttributes(model.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && calls_.setFileAttributes(path.c_str(), attributes);
    }

    bool MakeNormal(const std::string& path) override
    {
        const DWORD attributes = calls_.getFileAttributes(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
        if ((attributes & kRefusingAttributes) == 0)
            return true;
        const DWORD normal = attributes & ~kRefusingAttributes;
        return calls_.setFileAttributes(path.c_str(), normal != 0 ? normal : FILE_ATTRIBUTE_NORMAL) != 0;
    }

    // MoveFileExA either renames over the original or leaves it as it was;
    // ReplaceFileA without a backup can fail having removed it.
    FileStep Rename(const std::string& from, const std::string& to) override
    {
        return Outcome(calls_.moveFileEx(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    }

    FileStep Delete(const std::string& path) override { return Outcome(calls_.deleteFile(path.c_str())); }

    // The file is created by its name alone, relative to its folder's handle.
    FileStep CreateNewWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        const HANDLE directory = OpenFolderWithin(path, folder);
        HANDLE created = INVALID_HANDLE_VALUE;
        const FileStep result = OpenRelative(directory, NamePart(path), GENERIC_READ | GENERIC_WRITE, 0, kCreate,
                                             kNonDirectorySynchronous, created);
        if (directory != INVALID_HANDLE_VALUE)
            calls_.closeHandle(directory);
        file = FromHandle(created);
        return result;
    }

    // The name is opened relative to its folder's handle, a link itself and
    // not what it leads to; the handle then shows whether it is the file
    // itself, with one name.
    FileStep OpenForReadingWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        const HANDLE directory = OpenFolderWithin(path, folder);
        HANDLE opened = INVALID_HANDLE_VALUE;
        FileStep result = OpenRelative(directory, NamePart(path), GENERIC_READ, FILE_SHARE_READ, kOpen,
                                       kNonDirectorySynchronous | kOpenReparsePoint, opened);
        if (result == FileStep::kDone && !IsOwnFile(opened, directory)) {
            calls_.closeHandle(opened);
            opened = INVALID_HANDLE_VALUE;
            result = FileStep::kFailed;
        }
        if (directory != INVALID_HANDLE_VALUE)
            calls_.closeHandle(directory);
        file = FromHandle(opened);
        return result;
    }

    // The file is renamed through its handle into its folder's handle: the
    // name alone, relative to the folder, is looked up at the step. A file
    // with a second name put at the temporary name is never renamed into
    // the member's place.
    FileStep RenameWithin(const std::string& from, const std::string& to, const std::string& folder) override
    {
        const HANDLE directory = OpenFolderWithin(to, folder);
        const HANDLE file = OpenWithin(from, DELETE | GENERIC_WRITE, FILE_FLAG_OPEN_REPARSE_POINT, folder, "");
        FileStep result = FileStep::kFailed;
        const std::wstring name = WideName(NamePart(to));
        if (directory != INVALID_HANDLE_VALUE && file != INVALID_HANDLE_VALUE && !name.empty() && IsOwnFile(file, directory)) {
            std::vector<char> buffer(sizeof(RenameInformation) + name.size() * sizeof(WCHAR));
            auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
            rename->replaceIfExists = TRUE;
            rename->rootDirectory = directory;
            rename->fileNameLength = static_cast<ULONG>(name.size() * sizeof(WCHAR));
            name.copy(rename->fileName, name.size());
            IoStatus status;
            result = OutcomeOfStatus(calls_.ntSetInformationFile(file, &status, rename, static_cast<ULONG>(buffer.size()),
                                                                 kFileRenameInformation));
            // As MOVEFILE_WRITE_THROUGH does: the rename is on disk before
            // the step is done.
            if (result == FileStep::kDone && !calls_.flushFileBuffers(file))
                result = FileStep::kFailed;
        }
        for (const HANDLE handle : {directory, file})
            if (handle != INVALID_HANDLE_VALUE)
                calls_.closeHandle(handle);
        return result;
    }

    // A link is opened, and deleted, itself.
    FileStep DeleteWithin(const std::string& path, const std::string& folder) override
    {
        const HANDLE file = OpenWithin(path, DELETE, FILE_FLAG_OPEN_REPARSE_POINT, folder, "");
        if (file == INVALID_HANDLE_VALUE)
            return Outcome(FALSE);
        DispositionInformation disposition = {TRUE};
        IoStatus status;
        const FileStep result = OutcomeOfStatus(
            calls_.ntSetInformationFile(file, &status, &disposition, sizeof disposition, kFileDispositionInformation));
        calls_.closeHandle(file);
        return result;
    }

    void Pause(std::chrono::milliseconds delay) override { calls_.sleep(static_cast<DWORD>(delay.count())); }

private:
    HANDLE Open(const std::string& path, DWORD access, DWORD flags)
    {
        return calls_.createFile(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, flags | kIdentifyOnly, nullptr);
    }

    // The path of an open file, in its plain form where it fits; empty when
    // it cannot be told.
    std::string FinalPathOf(HANDLE file)
    {
        if (file == INVALID_HANDLE_VALUE || calls_.getFinalPathNameByHandle == nullptr)
            return std::string();
        // A path as long as the system allows is told too: the call says
        // how much room it needs.
        std::vector<wchar_t> buffer(4 * MAX_PATH);
        for (;;) {
            const DWORD length = calls_.getFinalPathNameByHandle(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                                 0 /* FILE_NAME_NORMALIZED */);
            if (length == 0)
                return std::string();
            if (length < buffer.size())
                return WithoutLongPathPrefix(AnsiPathOf(std::wstring(buffer.data(), length)));
            buffer.resize(length + 1);
        }
    }

    // True when the open file is a plain file with one name: not a link,
    // opened itself, nor a second name of a file elsewhere. Wine follows
    // its links even so: there a file whose final path is not in the
    // folder it was opened in is one.
    bool IsOwnFile(HANDLE file, HANDLE directory)
    {
        BY_HANDLE_FILE_INFORMATION identity;
        if (!calls_.getFileInformationByHandle(file, &identity) || identity.nNumberOfLinks != 1 ||
            (identity.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
            return false;
        return !linksHidden_ || Folded(StripTrailingBackslash(DirectoryPart(FinalPathOf(file)))) ==
                                    Folded(StripTrailingBackslash(FinalPathOf(directory)));
    }

    // NtCreateFile on a name alone, relative to a folder's handle.
    FileStep OpenRelative(HANDLE directory, const std::string& name, ACCESS_MASK access, ULONG share,
                          ULONG disposition, ULONG options, HANDLE& file)
    {
        file = INVALID_HANDLE_VALUE;
        std::wstring wide = WideName(name);
        if (directory == INVALID_HANDLE_VALUE || wide.empty())
            return FileStep::kFailed;
        UnicodeText objectName = {static_cast<USHORT>(wide.size() * sizeof(WCHAR)),
                                  static_cast<USHORT>(wide.size() * sizeof(WCHAR)), &wide[0]};
        ObjectAttributes attributes = {sizeof attributes, directory, &objectName, kCaseInsensitive, nullptr, nullptr};
        IoStatus status;
        HANDLE opened = INVALID_HANDLE_VALUE;
        const FileStep result = OutcomeOfStatus(calls_.ntCreateFile(&opened, access | SYNCHRONIZE, &attributes, &status,
                                                                    nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                                                                    options, nullptr, 0));
        if (result == FileStep::kDone)
            file = opened;
        return result;
    }

    // The folder of `path`, where the path lies in `folder`.
    HANDLE OpenFolderWithin(const std::string& path, const std::string& folder)
    {
        return OpenWithin(FolderOf(path), FILE_TRAVERSE, FILE_FLAG_BACKUP_SEMANTICS, folder, NamePart(path));
    }

    // The path opened, where its final path, with the name `below` in it
    // where one is given, lies in `folder`; INVALID_HANDLE_VALUE otherwise,
    // with the error of the open, or file not found.
    HANDLE OpenWithin(const std::string& path, DWORD access, DWORD flags, const std::string& folder,
                      const std::string& below)
    {
        if (calls_.ntCreateFile == nullptr || calls_.ntSetInformationFile == nullptr) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return INVALID_HANDLE_VALUE;
        }
        const HANDLE file = Open(path, access, flags);
        const std::string finalPath = FinalPathOf(file);
        if (file == INVALID_HANDLE_VALUE ||
            LiesBelow(below.empty() || finalPath.empty() ? finalPath : JoinedPath(finalPath, below), folder))
            return file;
        calls_.closeHandle(file);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    // Who owns the link itself; anyone else where that cannot be told.
    LinkMaker MakerOf(const std::string& link)
    {
        const HANDLE file = Open(link, READ_CONTROL, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
        if (file == INVALID_HANDLE_VALUE)
            return LinkMaker::kOther;
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const DWORD read = calls_.getSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                                  nullptr, nullptr, &descriptor);
        calls_.closeHandle(file);
        LinkMaker maker = LinkMaker::kOther;
        if (read == ERROR_SUCCESS && owner != nullptr)
            maker = MakerBySid(owner);
        if (descriptor != nullptr)
            LocalFree(descriptor);
        return maker;
    }

    // Shared, as a scanner that opened the new file at once shares it.
    bool FlushClosedFile(const std::string& path)
    {
        const HANDLE file = Open(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const BOOL flushed = calls_.flushFileBuffers(file);
        calls_.closeHandle(file);
        return flushed != 0;
    }

    bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& identity)
    {
        const HANDLE file = Open(path, 0, FILE_FLAG_BACKUP_SEMANTICS);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const BOOL known = calls_.getFileInformationByHandle(file, &identity);
        calls_.closeHandle(file);
        return known != 0;
    }

    // Wine follows a Unix symbolic link without reporting a reparse point,
    // and DeleteFileA would delete what it leads to: such a link shows in a
    // final path that is not its folder's with its own name.
    bool LeadsElsewhere(const std::string& path, const char* name)
    {
        const std::string file = FinalPath(path);
        const std::string folder = FinalPath(FolderOf(path));
        // What cannot be told counts as a link: it is left alone.
        return file.empty() || folder.empty() || Folded(file) != Folded(StripTrailingBackslash(folder) + "\\" + name);
    }

    Win32FileCalls calls_;
    bool linksHidden_;
};

}  // namespace

namespace {

// The text in the ANSI code page, where every character has its own there.
bool ToAnsi(const std::wstring& text, std::string& ansi)
{
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy)
        return text.empty();
    ansi.assign(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), &ansi[0], length,
                        nullptr, &lossy);
    return !lossy;
}

}  // namespace

std::string AnsiPathOf(const std::wstring& path)
{
    // Each name by itself, so that a folder is always written the same way,
    // whatever lies below it.
    std::string ansi;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(L'\\', start);
        const std::wstring name = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        std::string piece;
        if (!ToAnsi(name, piece)) {
            const std::wstring named = path.substr(0, end);
            const DWORD length = GetShortPathNameW(named.c_str(), nullptr, 0);
            std::wstring shortPath(length, L'\0');
            if (length == 0 || GetShortPathNameW(named.c_str(), &shortPath[0], length) != length - 1)
                return std::string();
            shortPath.resize(length - 1);
            if (!ToAnsi(shortPath.substr(shortPath.rfind(L'\\') + 1), piece))
                return std::string();
        }
        ansi += piece;
        if (end == std::wstring::npos)
            return ansi;
        ansi += '\\';
        start = end + 1;
    }
}

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

Win32FileCalls SystemFileCalls()
{
    // The final path only from Windows Vista on; before it no file is a
    // symbolic link.
    const auto call = [](const char* module, const char* name) {
        const HMODULE loaded = GetModuleHandleA(module);
        return loaded == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(loaded, name));
    };
    return {FindFirstFileA, FindClose,        CreateFileA,      GetFileInformationByHandle,
            CloseHandle,    SetFilePointer,   ReadFile,         WriteFile,
            FlushFileBuffers, GetFileAttributesA, SetFileAttributesA, CopyFileA,
            MoveFileExA,    DeleteFileA,      Sleep,            GetSecurityInfo,
            reinterpret_cast<FinalPathFunction>(call("kernel32.dll", "GetFinalPathNameByHandleW")),
            reinterpret_cast<CreateFunction>(call("ntdll.dll", "NtCreateFile")),
            reinterpret_cast<SetInformationFunction>(call("ntdll.dll", "NtSetInformationFile"))};
}

FileOps& SystemFileOps()
{
    static Win32FileOps files(SystemFileCalls(), LinksHiddenFromWindowsCalls());
    return files;
}

std::unique_ptr<FileOps> MakeWin32FileOps(const Win32FileCalls& calls, bool linksHidden)
{
    return std::make_unique<Win32FileOps>(calls, linksHidden);
}
