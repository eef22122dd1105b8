#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a run's temporary files add to the name they are made for, which no
// editor uses for backups: the machine's lock keeps every other run away
// while a run writes them.
const char* const kTemporarySuffix = ".svtmp";

// Every disk step of a run, behind a narrow interface so that tests can make
// any one of them fail.
class FileOps {
public:
    using Handle = std::intptr_t;

    virtual ~FileOps() = default;

    // True when the path names an existing file (not a directory) whose
    // last-write time can be expressed as an MS-DOS date and time.
    virtual bool FileIsPresent(const std::string& path) = 0;
    // True when both paths name one existing file, however each is spelled.
    virtual bool IsSameFile(const std::string& first, const std::string& second) = 0;

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
    // it leads nowhere or the system has no links to files.
    virtual std::string FinalPath(const std::string& path) = 0;
    // Deletes a file, read-only or not, or a symbolic link itself; never
    // the file that a link leads to: a link that the system cannot remove
    // alone stays. Silent: no caller examines the result.
    virtual void Remove(const std::string& path) = 0;
    // Makes the name free for a new file: a plain file there, read-only or
    // not, is removed, as a killed run leaves one. False when the name holds
    // anything else (a directory, a symbolic link, a junction), which stays
    // as it is.
    virtual bool ClearLeftover(const std::string& path) = 0;
    // Copies a file, replacing the destination, also a read-only one. A
    // link there is replaced by the copy, which is made at the
    // destination's temporary name first, and never written through. The
    // copy is never read-only, so that a later copy or deletion can replace
    // it. Silent: no caller examines the result.
    virtual void CopyOver(const std::string& source, const std::string& destination) = 0;
};

FileOps& SystemFileOps();
