#include "platform/file_rules.h"

#include <vector>

#include "platform/paths.h"

bool WaitOutHolders(FileOps& files, const std::function<FileStep()>& step)
{
    std::chrono::milliseconds delay(50);
    std::chrono::milliseconds waited(0);
    for (;;) {
        const FileStep result = step();
        if (result != FileStep::kHeld || waited >= kHolderWait)
            return result == FileStep::kDone;
        files.Pause(delay);
        waited += delay;
        delay *= 2;
    }
}

std::string TemporaryPathOf(const std::string& path)
{
    return path + ".svtmp";
}

namespace {

bool DeletePlainFile(const std::string& path, FileOps& files)
{
    files.MakeNormal(path);
    return WaitOutHolders(files, [&] { return files.Delete(path); });
}

}  // namespace

void RemoveFile(const std::string& path, FileOps& files)
{
    const NameHolder holder = files.Inspect(path);
    if (holder == NameHolder::kPlainFile)
        DeletePlainFile(path, files);
    else if (holder == NameHolder::kLink)
        WaitOutHolders(files, [&] { return files.Delete(path); });
}

bool ClearLeftover(const std::string& path, FileOps& files)
{
    const NameHolder holder = files.Inspect(path);
    return holder == NameHolder::kNothing || (holder == NameHolder::kPlainFile && DeletePlainFile(path, files));
}

void CopyOver(const std::string& source, const std::string& destination, FileOps& files)
{
    const NameHolder holder = files.Inspect(destination);
    if (holder == NameHolder::kNothing || holder == NameHolder::kPlainFile) {
        // Windows refuses to copy over a read-only, hidden or system file.
        if (holder == NameHolder::kPlainFile)
            files.MakeNormal(destination);
        WaitOutHolders(files, [&] { return files.Copy(source, destination, true); });
        return;
    }
    // A link is never written through: a copy made beside it takes its
    // place. A folder there refuses the copy.
    const std::string copy = TemporaryPathOf(destination);
    if (ClearLeftover(copy, files) && WaitOutHolders(files, [&] { return files.Copy(source, copy, false); }) &&
        !WaitOutHolders(files, [&] { return files.Rename(copy, destination); }))
        DeletePlainFile(copy, files);
}

std::string PlaceOf(const std::string& path, bool followName, FileOps& files)
{
    if (followName) {
        const std::string finalPath = files.FinalPath(path);
        if (!finalPath.empty() || files.Inspect(path) != NameHolder::kNothing)
            return finalPath.empty() ? FullPath(path) : finalPath;
    }
    const std::string folder = files.FinalPath(DirectoryPart(path));
    return folder.empty() ? FullPath(path) : StripTrailingBackslash(folder) + "\\" + NamePart(path);
}

namespace {

class ConfinedFileOps : public FileOps {
public:
    ConfinedFileOps(FileOps& files, const std::string& folder) : files_(files), folder_(folder) {}

    FileStep Rename(const std::string& from, const std::string& to) override
    {
        return files_.RenameWithin(from, to, folder_);
    }
    FileStep Delete(const std::string& path) override { return files_.DeleteWithin(path, folder_); }
    // CopyFileA would open both by path: the bytes are read through a
    // handle checked to be the source itself, and go to a new file made in
    // the folder, which takes the destination's place in one step. A new
    // name needs no temporary one, which may be too long for it.
    FileStep Copy(const std::string& source, const std::string& destination, bool replaceExisting) override
    {
        if (!replaceExisting || Inspect(destination) == NameHolder::kNothing)
            return CopyToNewName(source, destination, !replaceExisting);
        const std::string copy = TemporaryPathOf(destination);
        if (!ClearLeftover(copy, *this))
            return FileStep::kFailed;
        FileStep result = CopyToNewName(source, copy, true);
        if (result == FileStep::kDone)
            result = Rename(copy, destination);
        if (result != FileStep::kDone)
            Delete(copy);
        return result;
    }

    bool FileIsPresent(const std::string& path) override { return files_.FileIsPresent(path); }
    bool IsSameFile(const std::string& first, const std::string& second) override
    {
        return files_.IsSameFile(first, second);
    }
    NameHolder Inspect(const std::string& path) override { return files_.Inspect(path); }
    bool IsReadOnly(const std::string& path) override { return files_.IsReadOnly(path); }
    std::string FinalPath(const std::string& path) override { return files_.FinalPath(path); }
    unsigned NameCount(const std::string& path) override { return files_.NameCount(path); }
    std::vector<LinkOnTheWay> LinksOnTheWay(const std::string& path) override { return files_.LinksOnTheWay(path); }
    FileStep OpenForReading(const std::string& path, Handle& file) override
    {
        return files_.OpenForReadingWithin(path, folder_, file);
    }
    bool Size(Handle file, std::uint64_t& size) override { return files_.Size(file, size); }
    bool Read(Handle file, char* buffer, std::size_t size, std::size_t& got) override
    {
        return files_.Read(file, buffer, size, got);
    }
    FileStep CreateNew(const std::string& path, Handle& file) override
    {
        return files_.CreateNewWithin(path, folder_, file);
    }
    bool Write(Handle file, const char* data, std::size_t size, std::size_t& written) override
    {
        return files_.Write(file, data, size, written);
    }
    bool Flush(Handle file) override { return files_.Flush(file); }
    void Close(Handle file) override { files_.Close(file); }
    // Attributes are set by path: never on a file with a second name, which
    // may be one that the folder's user could not change.
    bool TakeAttributes(const std::string& path, const std::string& model) override
    {
        return files_.NameCount(path) == 1 && files_.TakeAttributes(path, model);
    }
    bool MakeNormal(const std::string& path) override
    {
        return files_.NameCount(path) == 1 && files_.MakeNormal(path);
    }
    FileStep CreateNewWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        return files_.CreateNewWithin(path, folder, file);
    }
    FileStep OpenForReadingWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        return files_.OpenForReadingWithin(path, folder, file);
    }
    FileStep RenameWithin(const std::string& from, const std::string& to, const std::string& folder) override
    {
        return files_.RenameWithin(from, to, folder);
    }
    FileStep DeleteWithin(const std::string& path, const std::string& folder) override
    {
        return files_.DeleteWithin(path, folder);
    }
    void Pause(std::chrono::milliseconds delay) override { files_.Pause(delay); }

private:
    // Flushed where it is to take another name's place, as CopyFileA's copy
    // over an old one is not.
    FileStep CopyToNewName(const std::string& source, const std::string& destination, bool durable)
    {
        // The folder of a drive's root keeps its backslash.
        std::string sourceFolder = DirectoryPart(source);
        if (sourceFolder.size() > 3)
            sourceFolder = StripTrailingBackslash(sourceFolder);
        Handle input = 0;
        FileStep result = files_.OpenForReadingWithin(source, files_.FinalPath(sourceFolder), input);
        if (result != FileStep::kDone)
            return result;
        Handle output = 0;
        result = CreateNew(destination, output);
        if (result == FileStep::kDone) {
            const bool copied = CopyBytes(input, output) && (!durable || files_.Flush(output));
            files_.Close(output);
            if (!copied) {
                Delete(destination);
                result = FileStep::kFailed;
            }
        }
        files_.Close(input);
        return result;
    }

    bool CopyBytes(Handle input, Handle output)
    {
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            std::size_t got = 0;
            std::size_t written = 0;
            if (!files_.Read(input, buffer.data(), buffer.size(), got))
                return false;
            if (got == 0)
                return true;
            if (!files_.Write(output, buffer.data(), got, written) || written != got)
                return false;
        }
    }

    FileOps& files_;
    std::string folder_;
};

}  // namespace

std::unique_ptr<FileOps> ConfinedTo(FileOps& files, const std::string& folder)
{
    return std::make_unique<ConfinedFileOps>(files, folder);
}
