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
