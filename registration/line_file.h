#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_ops.h"

// A line file: an 8-bit text file read whole into a list of lines and
// written back whole, each line followed by CR LF. Movable, as a moved
// vector keeps its bytes where they are, but not copyable: a copy's lines
// would still view the original's text.
struct LineList {
    LineList() = default;
    LineList(LineList&&) = default;
    LineList& operator=(LineList&&) = default;
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    std::vector<char> text;               // the file's bytes, as read
    std::vector<std::string_view> lines;  // views into text, in file order
};

// Cuts a text into lines: a line ends at CR, at LF, or at CR LF.
std::vector<std::string_view> CutLines(std::string_view text);

// Loads a line file. A file holding a NUL byte is no 8-bit text file
// (UTF-16 holds many) and raises EInvalidTextFile.
LineList LoadLines(const std::string& path, FileOps& files);

// The index of the first line equal to `line` (ignoring case, to the
// user's locale), or npos.
std::size_t FindLine(const std::vector<std::string_view>& lines, std::string_view line);

// True unless the file holds no line equal to `line`: a file that cannot be
// read may hold it.
bool LineFileMayHold(const std::string& path, const std::string& line, FileOps& files);

// What an edit does: add the entry line unless an equal line is there,
// remove the first equal line, or rewrite the file with its lines unchanged.
enum class LineEdit { kAdd, kRemove, kRewrite };

// The edit of one line file, worked out from one reading of it before
// anything is saved.
struct LineFileEdit {
    std::string path;
    std::string savedPath;  // the file itself, symbolic links followed
    LineList list;
    std::string appended;                     // a line to add at the end, or empty
    std::size_t removed = std::string::npos;  // the index of a line to drop
    bool save = false;
    FileOps* files = nullptr;  // the operations that read it, and save it
};

// Reads the file with `files`, which will save it, and works out the edit.
// Raises, changing nothing, when the file cannot be read, is no 8-bit text
// (EInvalidTextFile), or must be saved and is read-only (EFCreateError).
LineFileEdit PlanLineFileEdit(const std::string& path, const std::string& line, LineEdit kind, FileOps& files);

// Saves every edit that changes its file, its lines each followed by CR LF,
// crash-safely. First makes the temporary names of all the saves free, so
// that a name held by anything but a killed run's leftover ends the run
// (EFCreateError) before its first change; then writes and flushes every
// new text before the first file is replaced, so that a failure to write
// one changes none; a member that cannot be replaced puts every member
// replaced before it back as it was, before the error goes on. The caller
// holds the machine's lock of the OpenHelp files: the temporary names are
// fixed.
void SaveLineFileEdits(const std::vector<const LineFileEdit*>& edits);
