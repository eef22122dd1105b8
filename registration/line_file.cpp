#include "registration/line_file.h"

#include <algorithm>
#include <cstring>

#include "platform/exceptions.h"
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

// The new content of a file on its way to disk: written in blocks to a
// temporary file beside the original, which takes the original's place
// only once the whole text is flushed. Until then the original is
// untouched, and an abandoned temporary file is removed. The temporary
// name is fixed, since the machine's lock keeps every other run away, and the
// file is created new: whatever is found at that name is never written
// through, and the save fails instead.
class ReplacementFile {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    // `savedPath` is where the bytes go: `path` itself, or the file that a
    // symbolic link at `path` leads to. Errors name `path`.
    ReplacementFile(const std::string& path, const std::string& savedPath, FileOps& files)
        : path_(path), savedPath_(savedPath), files_(files), temporaryPath_(TemporaryPath(savedPath))
    {
        if (!files_.CreateNew(temporaryPath_, handle_))
            throw EFCreateError(FillTemplate("Cannot create file %s", {path_}));
        open_ = true;
    }

    ~ReplacementFile()
    {
        if (open_)
            files_.Close(handle_);
        if (!replaced_)
            files_.Remove(temporaryPath_);
    }

    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void Append(std::string_view bytes)
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

    void Commit()
    {
        WriteBlock();
        if (!files_.Flush(handle_))
            throw EWriteError("Stream write error");
        open_ = false;
        files_.Close(handle_);
        if (!files_.Replace(temporaryPath_, savedPath_))
            throw EFCreateError(FillTemplate("Cannot create file %s", {path_}));
        replaced_ = true;
    }

private:
    void WriteBlock()
    {
        if (used_ == 0)
            return;
        std::size_t written = 0;
        if (!files_.Write(handle_, block_.data(), used_, written) || written != used_)
            throw EWriteError("Stream write error");
        used_ = 0;
    }

    const std::string& path_;
    const std::string& savedPath_;
    FileOps& files_;
    std::string temporaryPath_;
    FileOps::Handle handle_ = 0;
    bool open_ = false;
    bool replaced_ = false;
    std::vector<char> block_ = std::vector<char>(kBlockSize);
    std::size_t used_ = 0;
};

// Larger files are no OpenHelp files, and would not fit a 32-bit process.
const std::uint64_t kLargestFile = 0x7FFFFFFF;

}  // namespace

std::string TemporaryPath(const std::string& path)
{
    return path + ".svtmp";
}

std::vector<char> LoadFileText(const std::string& path, FileOps& files)
{
    FileOps::Handle handle = 0;
    if (!files.OpenForReading(path, handle))
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

void SaveFileText(const std::string& path, std::string_view text, FileOps& files)
{
    ReplacementFile replacement(path, path, files);
    replacement.Append(text);
    replacement.Commit();
}

std::vector<std::string_view> CutLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    if (text.empty())
        return lines;  // an empty text may have no storage to scan at all
    // Nearly every line ends in an LF: counting them sizes the list, so
    // that it takes no more memory than it needs.
    const char* const end = text.data() + text.size();
    // The next CR or LF, each found with one fast scan.
    auto next = [end](const char* from, char c) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    };
    std::size_t count = 2;
    for (const char* lf = next(text.data(), '\n'); lf != end; lf = next(lf + 1, '\n'))
        ++count;
    lines.reserve(count);
    const char* start = text.data();
    const char* cr = next(start, '\r');
    const char* lf = next(start, '\n');
    while (start < end) {
        const char* lineBreak = std::min(cr, lf);
        lines.emplace_back(start, static_cast<std::size_t>(lineBreak - start));
        if (lineBreak == end)
            break;
        // CR LF is one break; a CR at the very end is one on its own.
        start = lineBreak + ((lineBreak == cr && lf != end && lf == cr + 1) ? 2 : 1);
        if (cr < start)
            cr = next(start, '\r');
        if (lf < start)
            lf = next(start, '\n');
    }
    return lines;
}

LineList LoadLines(const std::string& path, FileOps& files)
{
    LineList list;
    list.text = LoadFileText(path, files);
    // Saved again, such a file would lose everything from its first NUL on.
    if (!list.text.empty() && std::memchr(list.text.data(), '\0', list.text.size()) != nullptr)
        throw EInvalidTextFile(FillTemplate("File %s is not an 8-bit text file", {path}));
    list.lines = CutLines(std::string_view(list.text.data(), list.text.size()));
    return list;
}

std::size_t FindLine(const std::vector<std::string_view>& lines, std::string_view line)
{
    const auto found = std::find_if(lines.begin(), lines.end(),
                                    [line](std::string_view entry) { return TextsEqualIgnoreCase(entry, line); });
    return found == lines.end() ? std::string::npos : static_cast<std::size_t>(found - lines.begin());
}

bool LineFileMayHold(const std::string& path, const std::string& line, FileOps& files)
{
    try {
        return FindLine(LoadLines(path, files).lines, line) != std::string::npos;
    } catch (const Exception&) {
        return true;
    }
}

LineFileEdit PlanLineFileEdit(const std::string& path, const std::string& line, bool remove, FileOps& files)
{
    LineFileEdit edit;
    edit.path = path;
    edit.list = LoadLines(path, files);
    if (line.empty()) {
        edit.save = true;
    } else {
        const std::size_t found = FindLine(edit.list.lines, line);
        if (remove && found != std::string::npos) {
            edit.removed = found;
            edit.save = true;
        } else if (!remove && found == std::string::npos) {
            edit.appended = line;
            edit.save = true;
        }
    }
    edit.savedPath = files.FinalPath(path);
    // Refused now, the save cannot fail there later, after other changes.
    if (edit.save && files.IsReadOnly(edit.savedPath))
        throw EFCreateError(FillTemplate("Cannot create file %s", {path}));
    return edit;
}

void ClearLeftoverOfSave(const LineFileEdit& edit, FileOps& files)
{
    if (!files.ClearLeftover(TemporaryPath(edit.savedPath)))
        throw EFCreateError(FillTemplate("Cannot create file %s", {edit.path}));
}

void SaveLineFileEdit(const LineFileEdit& edit, FileOps& files)
{
    if (!edit.save)
        return;
    ReplacementFile replacement(edit.path, edit.savedPath, files);
    const std::vector<std::string_view>& lines = edit.list.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == edit.removed)
            continue;
        replacement.Append(lines[i]);
        replacement.Append("\r\n");
    }
    if (!edit.appended.empty()) {
        replacement.Append(edit.appended);
        replacement.Append("\r\n");
    }
    replacement.Commit();
}

void EditLineFile(const std::string& path, const std::string& line, bool remove, FileOps& files)
{
    SaveLineFileEdit(PlanLineFileEdit(path, line, remove, files), files);
}
