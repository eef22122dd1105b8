#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_ops.h"

// A file read whole, and replaced whole crash-safely: the new bytes go to a
// temporary file beside it, are flushed to disk, and take its place in one
// step. The temporary name is fixed: TemporaryPathOf the file. A step that
// another program's handle refuses is tried again until it is let go
// (WaitOutHolders).

// Reads a file whole. Raises EFOpenError when it cannot be opened and
// EReadError when it cannot be read.
std::vector<char> LoadFileText(const std::string& path, FileOps& files);

// Makes the temporary name of a save into `savedPath` free, removing what a
// killed run left there. Raises EFCreateError, naming `path`, when anything
// but a plain file holds it, which stays untouched.
void ClearLeftoverOfSave(const std::string& path, const std::string& savedPath, FileOps& files);

// The new content of a file on its way to disk, appended in pieces. Until
// Commit the original is untouched, and an abandoned temporary file is
// removed. The temporary file is created new: whatever is found at its name
// is never written through, and the save fails instead. Several files are
// saved all or nothing by flushing each before any is committed, and by
// putting back those committed when a later one cannot be (SaveLineFileEdits).
class ReplacementFile {
public:
    // `savedPath` is where the bytes go: `path` itself, or the file that a
    // symbolic link at `path` leads to. Errors name `path`. Raises
    // EFCreateError when the temporary file cannot be made.
    ReplacementFile(const std::string& path, const std::string& savedPath, FileOps& files);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Raises EWriteError.
    void Append(std::string_view bytes);
    // Writes the whole text to the temporary file and makes it durable
    // there; nothing more may be appended. Raises EWriteError.
    void Flush();
    // Flushes, if that is not done yet, and puts the text in the file's
    // place, with the original's attributes. Raises EWriteError or
    // EFCreateError, leaving the original as it was.
    void Commit();

private:
    void WriteBlock();

    static constexpr std::size_t kBlockSize = 64 * 1024;
    std::string path_;
    std::string savedPath_;
    FileOps& files_;
    std::string temporaryPath_;
    FileOps::Handle handle_ = 0;
    bool open_ = false;
    bool replaced_ = false;
    std::vector<char> block_ = std::vector<char>(kBlockSize);
    std::size_t used_ = 0;
};
