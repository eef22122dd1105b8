#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The file operations that line files are read and saved with, behind a
// narrow interface so that tests can make any one of them fail.
class FileOps {
public:
    using Handle = std::intptr_t;

    virtual ~FileOps() = default;

    // Opens an existing file for reading only, shared for reading by others.
    virtual bool OpenForReading(const std::string& path, Handle& file) = 0;
    // The size of the open file.
    virtual bool Size(Handle file, std::uint64_t& size) = 0;
    // Reads at most `size` bytes; `got` tells how many came (0 at the end).
    virtual bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) = 0;
    // Creates the file new and unshared. Fails when anything is at that
    // name already, a symbolic link included: nothing there is followed or
    // truncated.
    virtual bool CreateNew(const std::string& path, Handle& file) = 0;
    // Writes the bytes; `written` tells how many went out.
    virtual bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) = 0;
    // Makes what was written durable on disk.
    virtual bool Flush(Handle file) = 0;
    virtual void Close(Handle file) = 0;
    // Puts the temporary file in the place of `path` in one step, with the
    // original's attributes. On failure the original is left as it was:
    // also when it is read-only or held open by another program.
    virtual bool Replace(const std::string& temporaryPath, const std::string& path) = 0;
    // True when the file is read-only: no save may replace it.
    virtual bool IsReadOnly(const std::string& path) = 0;
    // The path of the file itself, symbolic links followed, so that a save
    // replaces the file and leaves a link in place; the path unchanged when
    // it leads nowhere.
    virtual std::string FinalPath(const std::string& path) = 0;
    // Deletes the file, or a symbolic link itself, when it can.
    virtual void Remove(const std::string& path) = 0;
};

FileOps& SystemFileOps();
