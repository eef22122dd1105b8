#include "platform/file_rules.h"

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

namespace {

class ConfinedFileOps : public FileOps {
public:
    ConfinedFileOps(FileOps& files, const std::string& folder) : files_(files), folder_(folder) {}

    FileStep Rename(const std::string& from, const std::string& to) override
    {
        return files_.RenameWithin(from, to, folder_);
    }
    FileStep Delete(const std::string& path) override { return files_.DeleteWithin(path, folder_); }
    FileStep Copy(const std::string&, const std::string&, bool) override { return FileStep::kFailed; }

    bool FileIsPresent(const std::string& path) override { return files_.FileIsPresent(path); }
    bool IsSameFile(const std::string& first, const std::string& second) override
    {
        return files_.IsSameFile(first, second);
    }
    NameHolder Inspect(const std::string& path) override { return files_.Inspect(path); }
    bool IsReadOnly(const std::string& path) override { return files_.IsReadOnly(path); }
    std::string FinalPath(const std::string& path) override { return files_.FinalPath(path); }
    unsigned NameCount(const std::string& path) override { return files_.NameCount(path); }
    FileStep OpenForReading(const std::string& path, Handle& file) override
    {
        return files_.OpenForReading(path, file);
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
    bool TakeAttributes(const std::string& path, const std::string& model) override
    {
        return files_.TakeAttributes(path, model);
    }
    bool MakeNormal(const std::string& path) override { return files_.MakeNormal(path); }
    FileStep CreateNewWithin(const std::string& path, const std::string& folder, Handle& file) override
    {
        return files_.CreateNewWithin(path, folder, file);
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
    FileOps& files_;
    std::string folder_;
};

}  // namespace

std::unique_ptr<FileOps> ConfinedTo(FileOps& files, const std::string& folder)
{
    return std::make_unique<ConfinedFileOps>(files, folder);
}
