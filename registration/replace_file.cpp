#include "registration/replace_file.h"

#include <algorithm>
#include <cstring>

#include "platform/exceptions.h"
#include "platform/file_rules.h"
#include "platform/text.h"

namespace {

// Closes a file handle on every path.
class OpenFile {
public:
    OpenFile(FileOps& files, FileOps::Handle handle) : files_(files), handle_(handle) {}
    ~OpenFile() { files_.Close(handle_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    FileOps::Handle Handle() const { return handle_; }

private:
    FileOps& files_;
    FileOps::Handle handle_;
};

// Larger files are no OpenHelp files, and would not fit a 32-bit process.
const std::uint64_t kLargestFile = 0x7FFFFFFF;

}  // namespace

std::vector<char> LoadFileText(const std::string& path, FileOps& files)
{
    FileOps::Handle handle = 0;
    if (!WaitOutHolders(files, [&] { return files.OpenForReading(path, handle); }))
        throw EFOpenError(FillTemplate("Cannot open file %s", {path}));
    OpenFile file(files, handle);
    std::uint64_t size = 0;
    if (!files.Size(file.Handle(), size) || size > kLargestFile)
        throw EReadError("Stream read error");
    std::vector<char> text(static_cast<std::size_t>(size));
    // Only the bytes that really came count, should the file yield fewer.
    std::size_t total = 0;
    while (total < text.size()) {
        std::size_t got = 0;
        if (!files.Read(file.Handle(), text.data() + total, text.size() - total, got))
            throw EReadError("Stream read error");
        if (got == 0)
            break;
        total += got;
    }
    text.resize(total);
    return text;
}

void ClearLeftoverOfSave(const std::string& path, const std::string& savedPath, FileOps& files)
{
    if (!ClearLeftover(TemporaryPathOf(savedPath), files))
        throw EFCreateError(FillTemplate("Cannot create file %s", {path}));
}

ReplacementFile::ReplacementFile(const std::string& path, const std::string& savedPath, FileOps& files)
    : path_(path), savedPath_(savedPath), files_(files), temporaryPath_(TemporaryPathOf(savedPath))
{
    if (!WaitOutHolders(files_, [this] { return files_.CreateNew(temporaryPath_, handle_); }))
        throw EFCreateError(FillTemplate("Cannot create file %s", {path_}));
    open_ = true;
}

ReplacementFile::~ReplacementFile()
{
    if (open_)
        files_.Close(handle_);
    if (!replaced_)
        RemoveFile(temporaryPath_, files_);
}

void ReplacementFile::Append(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t room = std::min(kBlockSize - used_, bytes.size());
        std::memcpy(block_.data() + used_, bytes.data(), room);
        used_ += room;
        bytes.remove_prefix(room);
        if (used_ == kBlockSize)
            WriteBlock();
    }
}

void ReplacementFile::Flush()
{
    if (!open_)
        return;
    WriteBlock();
    if (!files_.Flush(handle_))
        throw EWriteError("Stream write error");
    open_ = false;
    files_.Close(handle_);
}

void ReplacementFile::Commit()
{
    Flush();
    // Windows refuses to replace a read-only file; the new text keeps the
    // original's attributes.
    if (files_.IsReadOnly(savedPath_) || !files_.TakeAttributes(temporaryPath_, savedPath_) ||
        !WaitOutHolders(files_, [this] { return files_.Rename(temporaryPath_, savedPath_); }))
        throw EFCreateError(FillTemplate("Cannot create file %s", {path_}));
    replaced_ = true;
}

void ReplacementFile::WriteBlock()
{
    if (used_ == 0)
        return;
    std::size_t written = 0;
    if (!files_.Write(handle_, block_.data(), used_, written) || written != used_)
        throw EWriteError("Stream write error");
    used_ = 0;
}
