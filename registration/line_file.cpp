#include "registration/line_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/exceptions.h"
#include "platform/text.h"
#include "registration/replace_file.h"

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

LineFileEdit PlanLineFileEdit(const std::string& path, const std::string& line, LineEdit kind, FileOps& files)
{
    LineFileEdit edit;
    edit.path = path;
    edit.files = &files;
    edit.list = LoadLines(path, files);
    if (kind != LineEdit::kRewrite) {
        const std::size_t found = FindLine(edit.list.lines, line);
        if (kind == LineEdit::kRemove)
            edit.removed = found;
        else if (found == std::string::npos)
            edit.appended = line;
    }
    edit.save = kind == LineEdit::kRewrite || edit.removed != std::string::npos || !edit.appended.empty();
    const std::string finalPath = files.FinalPath(path);
    edit.savedPath = finalPath.empty() ? path : finalPath;
    // Refused now, the save cannot fail there later, after other changes.
    if (edit.save && files.IsReadOnly(edit.savedPath))
        throw EFCreateError(FillTemplate("Cannot create file %s", {path}));
    return edit;
}

namespace {

// The edit's new text, flushed to the file's temporary name.
std::unique_ptr<ReplacementFile> WriteLineFileEdit(const LineFileEdit& edit)
{
    auto replacement = std::make_unique<ReplacementFile>(edit.path, edit.savedPath, *edit.files);
    const std::vector<std::string_view>& lines = edit.list.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == edit.removed)
            continue;
        replacement->Append(lines[i]);
        replacement->Append("\r\n");
    }
    if (!edit.appended.empty()) {
        replacement->Append(edit.appended);
        replacement->Append("\r\n");
    }
    replacement->Flush();
    return replacement;
}

// Puts a file's bytes as they were read back in its place, by the same
// crash-safe save; a failure leaves the file whole with its new text.
void PutBack(const LineFileEdit& edit)
{
    try {
        ReplacementFile original(edit.path, edit.savedPath, *edit.files);
        original.Append(std::string_view(edit.list.text.data(), edit.list.text.size()));
        original.Commit();
    } catch (const Exception&) {
    }
}

}  // namespace

void SaveLineFileEdits(const std::vector<const LineFileEdit*>& edits)
{
    for (const LineFileEdit* edit : edits)
        ClearLeftoverOfSave(edit->path, edit->savedPath, *edit->files);
    // A full disk or a failing write stops the set before any member of it
    // is replaced: the IDE never lists the help in only some of its files.
    std::vector<const LineFileEdit*> saved;
    std::vector<std::unique_ptr<ReplacementFile>> replacements;
    for (const LineFileEdit* edit : edits) {
        if (edit->save) {
            saved.push_back(edit);
            replacements.push_back(WriteLineFileEdit(*edit));
        }
    }
    // A member that cannot be replaced, held by another program past every
    // retry, takes the set back: each member already replaced gets its
    // previous bytes again.
    std::size_t replaced = 0;
    try {
        for (; replaced < replacements.size(); ++replaced)
            replacements[replaced]->Commit();
    } catch (const Exception&) {
        while (replaced > 0)
            PutBack(*saved[--replaced]);
        throw;
    }
}
