#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How a step that another program's handle can refuse ended. A virus
// scanner, a search indexer, a backup agent or the IDE itself holds a file
// for a moment, and Windows refuses to open, replace or delete it until the
// handle closes (a sharing or lock violation, or access denied).
enum class FileStep { kDone, kHeld, kFailed };

// What a name holds itself, a link not followed.
enum class NameHolder { kNothing, kPlainFile, kLink, kOther };

// Who made a link, by its owner: administrators, the system or
// TrustedInstaller (Windows' own links, such as C:\Documents and Settings,
// are the system's); the user running the run; or anyone else.
enum class LinkMaker { kSystem, kRunningUser, kOther };

// A link on the way to a file: a folder on its path, or its name, that is
// a symbolic link, junction or mount point.
struct LinkOnTheWay {
    std::string path;
    LinkMaker maker;
};

// The small disk steps that each platform provides, behind a narrow
// interface so that tests can make any one of them fail. The rules built on
// them (waiting out a holder, removing, clearing a leftover, copying over)
// are written once, in file_rules.h.
class FileOps {
public:
    using Handle = std::intptr_t;

    virtual ~FileOps() = default;

    // True when the path names an existing file (not a directory) whose
    // last-write time can be expressed as an MS-DOS date and time.
    virtual bool FileIsPresent(const std::string& path) = 0;
    // True when both paths name one existing file, however each is spelled.
    virtual bool IsSameFile(const std::string& first, const std::string& second) = 0;
    // What the name holds. A link is one that a deletion removes itself; a
    // link the system shows as the file it leads to is kOther.
    virtual NameHolder Inspect(const std::string& path) = 0;
    // True when the file is read-only: no save may replace it.
    virtual bool IsReadOnly(const std::string& path) = 0;
    // The path of the file or folder itself, every link on the way
    // followed, so that a save replaces the file and leaves a link in place;
    // empty when it cannot be told: nothing is there, or the system cannot
    // say (Windows before Vista, which has no links to files).
    virtual std::string FinalPath(const std::string& path) = 0;
    // How many names (hard links) the file has; 0 when it cannot be told.
    virtual unsigned NameCount(const std::string& path) = 0;
    // Every link on the way to a full path, from the drive's root down to
    // the name itself, with who made it, found by listing each folder
    // before anything is followed; the walk ends at a link of anyone's
    // (kOther), or at a folder it may not list, which counts as one.
    virtual std::vector<LinkOnTheWay> LinksOnTheWay(const std::string& path) = 0;

    // Opens an existing file for reading only, shared for reading by others.
    virtual FileStep OpenForReading(const std::string& path, Handle& file) = 0;
    // The size of the open file.
    virtual bool Size(Handle file, std::uint64_t& size) = 0;
    // Reads at most `size` bytes; `got` tells how many came (0 at the end).
    virtual bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) = 0;
    // Creates the file new and unshared. Fails when anything is at that
    // name already, a symbolic link included: nothing there is followed or
    // truncated.
    virtual FileStep CreateNew(const std::string& path, Handle& file) = 0;
    // Writes the bytes; `written` tells how many went out.
    virtual bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) = 0;
    // Makes what was written durable on disk.
    virtual bool Flush(Handle file) = 0;
    virtual void Close(Handle file) = 0;

    // Copies a file with normal attributes, whatever the source has: over a
    // file at the destination, or only to a new name, failing like
    // CreateNew when anything is there, and then durably, since it is to
    // take another name's place.
    virtual FileStep Copy(const std::string& source, const std::string& destination, bool replaceExisting) = 0;
    // Gives `path` the attributes (and on POSIX the owner) of `model`.
    virtual bool TakeAttributes(const std::string& path, const std::string& model) = 0;
    // Clears the read-only, hidden and system attributes, which make
    // Windows refuse to replace or delete a file, or to copy over it.
    virtual bool MakeNormal(const std::string& path) = 0;
    // Puts the file `from` at the name `to` in one durable step, replacing
    // a file or a link there (the link itself, never what it leads to).
    virtual FileStep Rename(const std::string& from, const std::string& to) = 0;
    // Deletes a file, or a link itself.
    virtual FileStep Delete(const std::string& path) = 0;
    // CreateNew, Rename and Delete for a folder that another user may change
    // at will (`from` and `to` in one folder): the file's folder, and the
    // file, are opened first and found below `folder`, a final path told
    // before, by their own final paths, and the step is made through those
    // handles, so that no link put on the way meanwhile, the folder itself
    // swapped included, can lead it out. Fails where they lie elsewhere, or
    // the system cannot tell. A replace is as durable as Rename's.
    virtual FileStep CreateNewWithin(const std::string& path, const std::string& folder, Handle& file) = 0;
    // OpenForReading as those steps open: the file itself, never a link or
    // a file with a second name (a hard link would let a run read what its
    // user may not), and it is checked through the handle that reads it.
    virtual FileStep OpenForReadingWithin(const std::string& path, const std::string& folder, Handle& file) = 0;
    virtual FileStep RenameWithin(const std::string& from, const std::string& to, const std::string& folder) = 0;
    virtual FileStep DeleteWithin(const std::string& path, const std::string& folder) = 0;

    // Waits before a held step is tried again.
    virtual void Pause(std::chrono::milliseconds delay) = 0;
};

FileOps& SystemFileOps();
