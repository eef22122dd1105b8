#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_ops.h"

// A line file: an 8-bit text file read whole into a list of lines and
// written back whole, each line followed by CR LF.
struct LineList {
    std::vector<char> text;               // the file's bytes, as read
    std::vector<std::string_view> lines;  // views into text, in file order
};

// Reads a file whole. Raises EFOpenError when it cannot be opened and
// EReadError when it cannot be read.
std::vector<char> LoadFileText(const std::string& path, FileOps& files);

// The temporary file beside a line file that a save writes first: the
// file's name with ".svtmp" added, which no editor uses for backups.
std::string TemporaryPath(const std::string& path);

// Puts the bytes in the file's place crash-safely: they go to a temporary
// file beside it, are flushed to disk, and replace the file in one step.
// Raises EFCreateError or EWriteError and then leaves the file as it was.
void SaveFileText(const std::string& path, std::string_view text, FileOps& files);

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

// The edit of one line file, worked out from one reading of it before
// anything is saved.
struct LineFileEdit {
    std::string path;
    std::string savedPath;  // the file itself, symbolic links followed
    LineList list;
    std::string appended;                        // a line to add at the end, or empty
    std::size_t removed = std::string::npos;     // the index of a line to drop
    bool save = false;
};

// Reads the file and works out the edit: add the entry line unless an
// equal line is there, or remove the first equal line; an empty line
// rewrites the file with its lines unchanged. Raises, changing nothing,
// when the file cannot be read, is no 8-bit text (EInvalidTextFile), or
// must be saved and is read-only (EFCreateError).
LineFileEdit PlanLineFileEdit(const std::string& path, const std::string& line, bool remove, FileOps& files);

// Makes the temporary name of the edit's save free, whether or not the
// edit saves: removes what a killed run left there. Raises EFCreateError
// when anything but a plain file holds it, which stays untouched.
void ClearLeftoverOfSave(const LineFileEdit& edit, FileOps& files);

// Saves the edited lines, each followed by CR LF, when the edit changes
// the file. The caller holds the machine's lock of the OpenHelp files: the
// temporary file has a fixed name.
void SaveLineFileEdit(const LineFileEdit& edit, FileOps& files);

// Plans and saves one edit.
void EditLineFile(const std::string& path, const std::string& line, bool remove, FileOps& files = SystemFileOps());
