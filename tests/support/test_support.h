#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test {

// A fresh directory for one test, removed with everything in it afterwards.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The directory, or a name in it, as this test's file system names it.
    std::filesystem::path Native(const std::string& name = "") const;
    // The same as the program names it: a Windows path (Z:\... on the stand-in).
    std::string Path(const std::string& name = "") const;

private:
    std::filesystem::path root_;
};

// A native path as the program names it.
std::string ProgramPath(const std::filesystem::path& path);

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
// Makes a file read-only, or writable again: the read-only attribute on
// Windows, no write permission for anybody on the stand-in.
void SetReadOnly(const std::filesystem::path& path, bool readOnly);
std::string ReadFileBytes(const std::filesystem::path& path);
// Test data that lives beside the tests.
std::string ReadTestData(const std::string& name);

struct ChildResult {
    int status = -1;
    std::string output;  // every byte the child wrote to standard output
    bool timedOut = false;  // killed for taking too long
};

// A program of the build started as a child process, with these
// arguments quoted as a Windows shell would, in the given working
// directory, its standard output kept in a file. Killed, if it still
// runs, when the test lets go of it.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
                 const std::string& program = SORVANE_EXE);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    ChildResult Wait();
    // Ends it at once, as SIGKILL or TerminateProcess does.
    void Kill();

private:
    ScratchDirectory outputDirectory_;
    std::intptr_t process_ = 0;
    bool ended_ = false;
};

// Holds a file open as a virus scanner does (reading, sharing reading and
// writing but not deletion), creates `ready`, and lets go after
// `milliseconds`. False when the file cannot be opened.
bool HoldLikeAScanner(const std::string& path, const std::string& ready, int milliseconds);

// Runs the built sorvane and waits for it.
ChildResult RunSorvane(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory);

// Runs the built sorvane and watches the real calls that make its saves
// durable: strace natively, Wine's relay trace under Wine. Answers them in
// order, each naming a file without its directory: "flush NAME" when what
// was written to NAME goes to disk, "replace NAME" when a file takes NAME's
// place, "durable NAME" when that replacement is made durable itself.
std::vector<std::string> TraceSaves(const std::vector<std::string>& arguments,
                                    const std::filesystem::path& workingDirectory, int& status);

// The text between the first pair of double quotes after `from`, and the
// position after it; npos when there is none.
std::string QuotedText(const std::string& line, std::size_t& from);

}  // namespace test

#include "platform/console.h"

namespace test {

// Standard output for in-process runs: keeps every write, and refuses them
// once a given number of bytes has gone out.
class RecordingDevice : public ConsoleDevice {
public:
    explicit RecordingDevice(bool characterDevice = false, std::size_t capacity = SIZE_MAX)
        : characterDevice_(characterDevice), capacity_(capacity)
    {
    }
    bool IsCharacterDevice() override { return characterDevice_; }
    bool Write(const char* data, std::size_t size) override;

    std::string Bytes() const;
    const std::vector<std::string>& Writes() const { return writes_; }

private:
    bool characterDevice_;
    std::size_t capacity_;
    std::size_t written_ = 0;
    std::vector<std::string> writes_;
};

}  // namespace test

namespace test {

// Points the program's registry at a private place for this test process:
// the stand-in's files in a directory of its own. Under Wine the build's
// prefix is already private, and this does nothing.
void UsePrivateRegistry(const std::filesystem::path& directory);

// A key below HKEY_CURRENT_USER\Software that no other test uses.
std::string UniqueTestSection(const std::string& name);

// Stores raw bytes of any type under HKEY_CURRENT_USER, as another program
// might have.
void PlantValue(const std::string& section, const std::string& name, std::uint32_t type, const std::string& bytes);

}  // namespace test

namespace test {

// Sets an environment variable of this process, which children inherit.
void SetEnvironment(const std::string& name, const std::string& value);

// Records a user's profile folder for the machine, as Windows does, in any
// script: under Wine with the wide calls, whatever the ANSI code page.
void RecordProfile(const std::string& sid, const std::filesystem::path& folder);

// Makes `link` a symbolic link to `target`; false where that cannot be
// done. Under Wine it is a Unix link, the kind Wine follows.
bool MakeSymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link);
// Removes the links that MakeSymbolicLink made at or below `path` and that
// are links still, as links:
// under Wine, Windows calls on a Unix link delete the file it leads to, and
// a removal of its folder then spins on the vanished name for ever.
void RemoveSymbolicLinks(const std::filesystem::path& path);

// The root of the drive that the scratch directories lie on, where a test
// may create folders; empty where that root is the real machine's.
std::filesystem::path PrivateDriveRoot();

// Where Windows keeps a test's IDE below Program Files, whose writes it
// virtualizes, and the user's local application data folder, as the
// program finds them: under Wine the prefix's own (a folder made in Program
// Files is the test's to remove); on the stand-in, folders of the scratch
// directory that the environment names so.
std::filesystem::path ProgramFilesFolder(const ScratchDirectory& scratch);
std::filesystem::path LocalAppDataFolder(const ScratchDirectory& scratch);

// Another spelling of an existing folder, as the program names it: its
// short (8.3) form under Wine, a symbolic link beside it on the stand-in.
std::string OtherSpelling(const std::filesystem::path& folder);

}  // namespace test

namespace test {

// What a run prints when it has passed every check of its command line and
// finds no Delphi 7 settings: the tests of the checks stop there.
extern const char* const kNoDelphi7Settings;

// Removes the Delphi 7 settings from the registry the program will read.
void ForgetDelphi7Settings();

}  // namespace test
